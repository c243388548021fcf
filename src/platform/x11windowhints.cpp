#include "windowhints.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t *c, const char *name, bool onlyIfExists)
{
    auto cookie = xcb_intern_atom(c, onlyIfExists, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    return internAtom(c, name, false);
}

xcb_atom_t existingAtom(xcb_connection_t *c, const char *name)
{
    return internAtom(c, name, true);
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

} // namespace

void X11WindowHints::preparePanel(QWidget *panel, bool translucent)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t *c = x11->connection();
    const auto window = static_cast<xcb_window_t>(panel->winId());
    // Qt merges its own states (fullscreen, above) into this property when it maps.
    const xcb_atom_t states[]
        = {atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(
        c, XCB_PROP_MODE_APPEND, window, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2, states);

    // Where the desktop shows through the tint, KWin can blur it; an empty region means
    // the whole window.
    if (translucent) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_atom_t blur = existingAtom(c, "_KDE_NET_WM_BLUR_BEHIND_REGION");
        if (kwinBlursBehind(c, root, blur))
            xcb_change_property(
                c, XCB_PROP_MODE_REPLACE, window, blur, XCB_ATOM_CARDINAL, 32, 0, nullptr);
    }
    xcb_flush(c);
}
