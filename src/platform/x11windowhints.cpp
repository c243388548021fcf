#include "x11windowhints.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
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

} // namespace

void X11WindowHints::preparePanel(QWidget *panel, bool translucent)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t *c = x11->connection();
    if (!m_atoms) {
        const auto atoms = internAtoms<3>(c,
            {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"},
            {false, false, false});
        m_atoms = Atoms {atoms[0], atoms[1], atoms[2]};
    }
    const auto window = static_cast<xcb_window_t>(panel->winId());
    // Qt merges its own states (fullscreen, above) into this property when it maps.
    const xcb_atom_t states[] = {m_atoms->skipTaskbar, m_atoms->skipPager};
    xcb_change_property(
        c, XCB_PROP_MODE_APPEND, window, m_atoms->state, XCB_ATOM_ATOM, 32, 2, states);

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
