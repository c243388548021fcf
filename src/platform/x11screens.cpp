#include "x11screens.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>
#include <xcb/xcb.h>

namespace {

Display *x11Display()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

X11Screens::X11Screens(QObject *parent)
    : Screens(parent)
{
    connect(&m_qt, &Screens::changed, this, &X11Screens::announce);
    if (Display *display = x11Display()) {
        int error = 0;
        m_root = DefaultRootWindow(display);
        if (XRRQueryExtension(display, &m_randrEvent, &error))
            QCoreApplication::instance()->installNativeEventFilter(this);
        else
            m_randrEvent = -1;
    }
}

X11Screens::~X11Screens()
{
    if (m_randrEvent >= 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

QList<ScreenInfo> X11Screens::screens() const
{
    Display *display = x11Display();
    // Scaled, Qt's screens are in its own pixels; the server's are not.
    if (!display || qGuiApp->devicePixelRatio() != 1.0)
        return m_qt.screens();
    int count = 0;
    XRRMonitorInfo *monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    if (!monitors || count == 0) {
        XRRFreeMonitors(monitors);
        return m_qt.screens();
    }
    const QList<QScreen *> qtScreens = QGuiApplication::screens();
    QList<ScreenInfo> result;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo &monitor = monitors[i];
        QString &name = m_names[monitor.name];
        if (name.isEmpty()) {
            char *text = XGetAtomName(display, monitor.name);
            name = QString::fromLocal8Bit(text);
            XFree(text);
        }
        QScreen *screen = nullptr;
        for (QScreen *candidate : qtScreens) {
            if (QtScreens::displayIdentifier(candidate) == name)
                screen = candidate;
        }
        result.append({name, QRect(monitor.x, monitor.y, monitor.width, monitor.height),
            monitor.primary != 0, screen});
    }
    XRRFreeMonitors(monitors);
    // With no monitor marked primary, the first one is the main one, as for Qt.
    if (std::none_of(
            result.cbegin(), result.cend(), [](const ScreenInfo &s) { return s.isPrimary; }))
        result.first().isPrimary = true;
    return result;
}

bool X11Screens::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // RRScreenChangeNotify and RRNotify; Qt selected them on the root window.
    const int type = event->response_type & ~0x80;
    if (type == m_randrEvent || type == m_randrEvent + 1)
        announce();
    // A monitor set or deleted through RandR 1.5 brings no RandR event, only the root's
    // ConfigureNotify; Qt's screens may not change with it (a monitor resized under its own
    // name), so this is the only word of it.
    if (type == XCB_CONFIGURE_NOTIFY
        && reinterpret_cast<const xcb_configure_notify_event_t *>(event)->window == m_root)
        announce();
    return false;
}

void X11Screens::announce()
{
    // Once per burst, after the event dispatch that brought it.
    if (m_announcing)
        return;
    m_announcing = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcing = false;
            Q_EMIT changed();
        },
        Qt::QueuedConnection);
}
