// Writes a picture of every information face in a plain card, for the documentation and
// for visual checks against the layouts. Battery and system faces are shown with fixture
// figures of a laptop too. Usage: info_face_shots OUTPUT_DIR (QT_SCALE_FACTOR=2 for 2x).
#include "batterywidget.h"
#include "facefactory.h"
#include "informationfaces.h"
#include "linkopener.h"
#include "pasteboard.h"
#include "systemwidget.h"
#include "theme.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <cstdio>
#include <functional>

namespace {

class FixedPasteboard : public Pasteboard
{
public:
    qint64 changeCount() const override { return 1; }
    void readText(QObject *, TextRead done) override
    {
        done(QStringLiteral(
            "git log --oneline main..info\nShip the information faces before the demo on Friday."));
    }
};

class NoOpener : public LinkOpener
{
public:
    void open(const LinkTarget &, std::function<void(bool)> done) override { done(false); }
};

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

// A power-supply folder with one battery at `percent`.
void makeBattery(const QTemporaryDir &root, int percent)
{
    QDir(root.path()).mkdir(QStringLiteral("BAT0"));
    writeFile(root.filePath(QStringLiteral("BAT0/type")), "Battery\n");
    writeFile(root.filePath(QStringLiteral("BAT0/capacity")), QByteArray::number(percent));
}

bool shoot(
    const QString &path, DashboardWidgetKind kind, const std::function<QWidget *(QWidget *)> &build)
{
    const QSize card = WidgetKinds::cardSize(kind).toSize();
    QWidget frame;
    frame.setFixedSize(card);
    frame.setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(20, 30, 20, 20);
    layout->addWidget(build(&frame));
    frame.show();
    QCoreApplication::processEvents();

    const qreal ratio = frame.devicePixelRatioF();
    QImage image(card * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(28, 30, 38));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Theme::white(0.12));
    painter.setBrush(Theme::white(0.07));
    painter.drawRoundedRect(QRectF(0.5, 0.5, card.width() - 1, card.height() - 1), 22, 22);
    frame.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image.save(path);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    out.mkpath(QStringLiteral("."));

    FixedPasteboard pasteboard;
    NoOpener opener;
    bool ok = true;
    const auto file = [&](const QString &name) {
        return out.filePath(QStringLiteral("face-") + name + QStringLiteral(".png"));
    };
    for (const auto &[kind, objectName] : informationFaces) {
        // "clockFace" is shot as face-clock.png; the battery face here is a desktop's.
        QString name = QString::fromLatin1(objectName).chopped(4).toLower();
        if (kind == DashboardWidgetKind::battery)
            name += QStringLiteral("-desktop");
        ok &= shoot(file(name), kind, [&, kind = kind](QWidget *parent) {
            FaceContext context;
            context.services.pasteboard = &pasteboard;
            context.services.linkOpener = &opener;
            return createFace(kind, context, parent);
        });
    }

    QTemporaryDir laptop;
    makeBattery(laptop, 64);
    QTemporaryDir low;
    makeBattery(low, 15);
    ok &= shoot(file(QStringLiteral("battery-laptop")), DashboardWidgetKind::battery,
        [&](QWidget *parent) { return new BatteryWidget(laptop.path(), parent); });
    ok &= shoot(file(QStringLiteral("battery-low")), DashboardWidgetKind::battery,
        [&](QWidget *parent) { return new BatteryWidget(low.path(), parent); });
    MachineSources sources;
    sources.powerSupplyRoot = laptop.path();
    ok &= shoot(file(QStringLiteral("system-laptop")), DashboardWidgetKind::system,
        [&](QWidget *parent) { return new SystemWidget(sources, parent); });

    if (!ok)
        std::fprintf(stderr, "could not write every picture to %s\n", qPrintable(out.path()));
    return ok ? 0 : 1;
}
