#include "screens.h"

#include <QGuiApplication>

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
    const QString name = screen->name();
    return name.isEmpty() ? screen->model() : name;
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
