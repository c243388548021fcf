// Saves an arrangement of twenty cards in a tight loop until killed; the crash-safety test
// kills it. The second argument picks the change: "replace" the list, bring a card to the
// "front", or "move" one.
#include "dashboardstore.h"
#include "filedefaults.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray mode(argv[2]);
    FileDefaults defaults(QString::fromLocal8Bit(argv[1]));
    DashboardStore store(defaults, QStringLiteral("dashboard.widgets.display.DUMMY-1.v1"), false);
    QList<DashboardWidget> widgets;
    for (int i = 0; i < 20; ++i)
        widgets.append(DashboardWidget::make(DashboardWidgetKind::notes, 100 + i, 100 + i));
    store.setWidgets(widgets);
    std::puts("ready");
    std::fflush(stdout);
    for (qint64 round = 0;; ++round) {
        const int i = static_cast<int>(round % 20);
        if (mode == "front") {
            store.bringToFront(store.widgets().first().id);
        } else if (mode == "move") {
            const double step = static_cast<double>(round * 7);
            store.move(widgets[i].id,
                QPointF(100 + std::fmod(step, 500), 100 + std::fmod(step, 300)), {1440, 900});
        } else {
            // Vary the size so that a torn write would show as a truncated array.
            widgets[i].note = QString(static_cast<int>(round % 5000), QLatin1Char('x'));
            store.setWidgets(widgets);
        }
    }
}
