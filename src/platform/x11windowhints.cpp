#include "x11windowhints.h"

#include <QGuiApplication>
#include <QRect>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// Every name asked for before any answer is awaited: one round trip for all of them.
template<size_t N>
std::array<xcb_atom_t, N> internAtoms(xcb_connection_t *c, const std::array<const char *, N> &names,
    const std::array<bool, N> &onlyIfExists)
{
    std::array<xcb_intern_atom_cookie_t, N> cookies;
    for (size_t i = 0; i < N; ++i)
        cookies[i] = xcb_intern_atom(
            c, onlyIfExists[i], static_cast<uint16_t>(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, N> atoms;
    for (size_t i = 0; i < N; ++i) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookies[i], nullptr);
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
    }
    return atoms;
}

// KWin's blur effect announces itself by putting its property on the root window.
bool kwinBlursBehind(xcb_connection_t *c, xcb_window_t root, xcb_atom_t blur)
{
    if (blur == XCB_ATOM_NONE)
        return false;
    xcb_list_properties_reply_t *reply
        = xcb_list_properties_reply(c, xcb_list_properties(c, root), nullptr);
    if (!reply)
        return false;
    const xcb_atom_t *atoms = xcb_list_properties_atoms(reply);
    const bool found = std::find(atoms, atoms + xcb_list_properties_atoms_length(reply), blur)
        != atoms + xcb_list_properties_atoms_length(reply);
    std::free(reply);
    return found;
}

// Whether `screen` is exactly what one output shows, rather than a monitor that RandR
// made of part of one, or of several.
bool isWholeOutput(Display *display, const QRect &screen)
{
    if (!display)
        return true;
    XRRScreenResources *resources
        = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    bool whole = false;
    for (int i = 0; resources && i < resources->ncrtc && !whole; ++i) {
        XRRCrtcInfo *crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        whole = crtc && crtc->noutput > 0 && crtc->mode != None
            && QRect(crtc->x, crtc->y, int(crtc->width), int(crtc->height)) == screen;
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return whole;
}

} // namespace

const X11WindowHints::Atoms &X11WindowHints::atoms()
{
    if (!m_atoms) {
        xcb_connection_t *c
            = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const auto atoms = internAtoms<10>(c,
            {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NOTIFICATION",
                "_NET_WM_WINDOW_TYPE_NORMAL", "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE",
                "_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME", "UTF8_STRING"},
            {});
        m_atoms = Atoms {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4], atoms[5], atoms[6],
            atoms[7], atoms[8], atoms[9]};
    }
    return *m_atoms;
}

void X11WindowHints::preparePanel(QWidget *panel, bool translucent)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t *c = x11->connection();
    const Atoms &atoms = this->atoms();
    const auto window = static_cast<xcb_window_t>(panel->winId());
    // Qt merges its own states (fullscreen, above) into this property when it maps.
    const xcb_atom_t states[] = {atoms.skipTaskbar, atoms.skipPager};
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window, atoms.state, XCB_ATOM_ATOM, 32, 2, states);

    // Where the desktop shows through the tint, KWin can blur it; an empty region means
    // the whole window.
    if (translucent) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        // Looked up each time: the compositor may have started since the last show.
        const xcb_atom_t blur
            = internAtoms<1>(c, {"_KDE_NET_WM_BLUR_BEHIND_REGION"}, {true}).front();
        if (kwinBlursBehind(c, root, blur))
            xcb_change_property(
                c, XCB_PROP_MODE_REPLACE, window, blur, XCB_ATOM_CARDINAL, 32, 0, nullptr);
    }
    xcb_flush(c);
}

X11WindowHints::X11WindowHints()
{
    // Qt watches the root's properties; their notices come through here too.
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11WindowHints::~X11WindowHints()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11WindowHints::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!m_wmKnown || !m_atoms || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY
        && reinterpret_cast<const xcb_property_notify_event_t *>(event)->atom == m_atoms->wmCheck)
        m_wmKnown = false;
    return false;
}

X11WindowHints::WindowManager X11WindowHints::windowManager()
{
    if (m_wmKnown)
        return m_wm;
    xcb_connection_t *c
        = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const Atoms &atoms = this->atoms();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_property_reply_t *check = xcb_get_property_reply(
        c, xcb_get_property(c, false, root, atoms.wmCheck, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t window = XCB_WINDOW_NONE;
    if (check && xcb_get_property_value_length(check) == int(sizeof(xcb_window_t)))
        window = *static_cast<const xcb_window_t *>(xcb_get_property_value(check));
    std::free(check);
    m_wmKnown = true;
    if (window == m_wmWindow)
        return m_wm;
    m_wmWindow = window;
    m_wm = WindowManager::Other;
    if (window == XCB_WINDOW_NONE)
        return m_wm;
    xcb_get_property_reply_t *name = xcb_get_property_reply(
        c, xcb_get_property(c, false, window, atoms.wmName, atoms.utf8, 0, 16), nullptr);
    if (name) {
        const QByteArray text(static_cast<const char *>(xcb_get_property_value(name)),
            xcb_get_property_value_length(name));
        if (text == "Xfwm4")
            m_wm = WindowManager::Xfwm4;
        else if (text == "KWin")
            m_wm = WindowManager::KWin;
    }
    std::free(name);
    return m_wm;
}

X11WindowHints::Covering X11WindowHints::covering(const QRect &screen)
{
    Display *display = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    switch (windowManager()) {
    case WindowManager::Xfwm4:
        // Its full-screen layer lies below the layer of docks kept above; notifications
        // stack over both.
        return {false, true};
    case WindowManager::KWin:
        // It sizes a full-screen window to the output under it, whatever RandR's monitors say.
        if (isWholeOutput(display, screen))
            return {true, false};
        return {false, true};
    case WindowManager::Other:
        break;
    }
    return {true, false};
}

void X11WindowHints::showPanel(QWidget *panel, const QRect &screen)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) {
        panel->showFullScreen();
        return;
    }
    xcb_connection_t *c = x11->connection();
    const Atoms &atoms = this->atoms();
    const Covering how = covering(screen);
    // Notifications stack above docks and full-screen windows and still take the keyboard.
    // Set each time: the same panel may be shown either way as the screens change.
    const std::array<xcb_atom_t, 2> types {
        how.notification ? atoms.notification : atoms.kdeOverride, atoms.normal};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(panel->winId()),
        atoms.type, XCB_ATOM_ATOM, 32, 2, types.data());
    if (how.fullScreen) {
        panel->showFullScreen();
        return;
    }
    panel->setWindowState(Qt::WindowNoState);
    panel->setGeometry(screen);
    panel->show();
}

void X11WindowHints::placePanel(QWidget *panel, const QRect &screen)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return;
    xcb_connection_t *c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto atoms
        = internAtoms<2>(c, {"_NET_SUPPORTED", "_NET_WM_FULLSCREEN_MONITORS"}, {false, false});
    xcb_get_property_reply_t *supported = xcb_get_property_reply(
        c, xcb_get_property(c, false, root, atoms[0], XCB_ATOM_ATOM, 0, 4096), nullptr);
    if (!supported)
        return;
    const auto *names = static_cast<const xcb_atom_t *>(xcb_get_property_value(supported));
    const int count = xcb_get_property_value_length(supported) / int(sizeof(xcb_atom_t));
    const bool pinnable = std::find(names, names + count, atoms[1]) != names + count;
    std::free(supported);
    if (!pinnable)
        return;

    // The monitors are numbered as the window manager sees them through Xinerama, which
    // the server lists in RandR's monitor order.
    int monitors = 0;
    XRRMonitorInfo *info = XRRGetMonitors(x11->display(), root, True, &monitors);
    int index = -1;
    for (int i = 0; i < monitors && index < 0; ++i) {
        if (QRect(info[i].x, info[i].y, info[i].width, info[i].height) == screen)
            index = i;
    }
    XRRFreeMonitors(info);
    if (index < 0)
        return;
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(panel->winId());
    event.type = atoms[1];
    const auto monitor = uint32_t(index);
    event.data.data32[0] = monitor; // top, bottom, left and right edge: this one monitor
    event.data.data32[1] = monitor;
    event.data.data32[2] = monitor;
    event.data.data32[3] = monitor;
    event.data.data32[4] = 1; // from an application
    xcb_send_event(c, false, root,
        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

std::optional<QRect> X11WindowHints::placedGeometry(QWidget *panel)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // Scaled, the server's pixels are not Qt's.
    if (!x11 || !panel->isVisible() || !panel->testAttribute(Qt::WA_WState_Created)
        || qGuiApp->devicePixelRatio() != 1.0)
        return WindowHints::placedGeometry(panel);
    xcb_connection_t *c = x11->connection();
    const auto window = static_cast<xcb_window_t>(panel->winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // All asked at once: one round trip.
    const auto attributesCookie = xcb_get_window_attributes(c, window);
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto originCookie = xcb_translate_coordinates(c, window, root, 0, 0);
    xcb_get_window_attributes_reply_t *attributes
        = xcb_get_window_attributes_reply(c, attributesCookie, nullptr);
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(c, geometryCookie, nullptr);
    xcb_translate_coordinates_reply_t *origin
        = xcb_translate_coordinates_reply(c, originCookie, nullptr);
    std::optional<QRect> placed;
    if (attributes && geometry && origin && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
        placed = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    std::free(attributes);
    std::free(geometry);
    std::free(origin);
    return placed;
}
