// Writes the default arrangement with the gallery open at a given height, for checking
// how a short gallery lays out. Usage: gallery_shot OUTPUT.png HEIGHT [WIDTH CANVAS_HEIGHT]
#include "dashboardrenderer.h"
#include "dashboardstore.h"
#include "memorydefaults.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 5) {
        std::fputs("Usage: gallery_shot OUTPUT.png HEIGHT [WIDTH CANVAS_HEIGHT]\n", stderr);
        return 2;
    }
    const qreal height = args.at(2).toDouble();
    const QSize canvas
        = args.size() == 5 ? QSize(args.at(3).toInt(), args.at(4).toInt()) : QSize(1280, 720);
    MemoryDefaults defaults;
    DashboardStore store(defaults, DashboardStore::keyForDisplay(QStringLiteral("SHOT-1")), true);
    const QImage image = DashboardRenderer::render(
        store, canvas, DashboardRenderer::standInDesktop(canvas), true, nullptr, height);
    if (!image.save(args.at(1), "PNG")) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
