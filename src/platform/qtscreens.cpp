#include "qtscreens.h"

#include <QGuiApplication>
#include <QRegularExpression>

QtScreens::QtScreens(QObject *parent)
    : Screens(parent)
{
    // Queued: a removed screen is still half torn down while Qt announces it.
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watch(screen);
        Q_EMIT changed();
    });
    connect(
        qGuiApp, &QGuiApplication::screenRemoved, this, &Screens::changed, Qt::QueuedConnection);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &Screens::changed,
        Qt::QueuedConnection);
    const auto all = QGuiApplication::screens();
    for (QScreen *screen : all)
        watch(screen);
}

QString QtScreens::displayIdentifier(const QScreen *screen)
{
    return displayIdentifier(
        screen->name(), screen->model(), screen->serialNumber(), screen->geometry());
}

QString QtScreens::displayIdentifier(
    const QString &name, const QString &model, const QString &serial, const QRect &geometry)
{
    static const QRegularExpression xwaylandName(QStringLiteral("^XWAYLAND[0-9]+$"));
    if (name.isEmpty())
        return model;
    if (!xwaylandName.match(name).hasMatch())
        return name;
    const QString display = QStringList {model, serial}.join(QLatin1Char(' ')).trimmed();
    if (!display.isEmpty())
        return display;
    return QStringLiteral("XWayland %1x%2+%3+%4")
        .arg(geometry.width())
        .arg(geometry.height())
        .arg(geometry.x())
        .arg(geometry.y());
}

QList<ScreenInfo> QtScreens::screens() const
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    QList<ScreenInfo> result;
    const auto all = QGuiApplication::screens();
    for (QScreen *screen : all)
        result.append({displayIdentifier(screen), screen->geometry(), screen == primary, screen});
    return result;
}

void QtScreens::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &Screens::changed, Qt::QueuedConnection);
}
