#include "x11hotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

constexpr uint32_t f12Keysym = 0xffc9;
constexpr uint8_t badAccess = 10;
constexpr uint16_t lockModifierVariants[] = {
    0,
    XCB_MOD_MASK_LOCK,
    XCB_MOD_MASK_2, // NumLock
    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2,
};

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

uint8_t keycodeFor(xcb_connection_t *c, uint32_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto cookie = xcb_get_keyboard_mapping(c, setup->min_keycode, count);
    xcb_get_keyboard_mapping_reply_t *reply = xcb_get_keyboard_mapping_reply(c, cookie, nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    uint8_t found = 0;
    for (int i = 0; i < count && !found; ++i) {
        for (int j = 0; j < perCode; ++j) {
            if (syms[i * perCode + j] == keysym) {
                found = static_cast<uint8_t>(setup->min_keycode + i);
                break;
            }
        }
    }
    std::free(reply);
    return found;
}

} // namespace

bool KeyRepeatFilter::press(uint32_t time)
{
    const bool repeat = m_down || (m_released && time == m_lastRelease);
    m_down = true;
    return !repeat;
}

void KeyRepeatFilter::release(uint32_t time)
{
    m_down = false;
    m_released = true;
    m_lastRelease = time;
}

X11HotKey::X11HotKey(QObject *parent)
    : GlobalHotKey(parent)
{ }

X11HotKey::~X11HotKey()
{
    release();
}

std::optional<QString> X11HotKey::grab()
{
    xcb_connection_t *c = connection();
    if (!c)
        return QStringLiteral("no X11 connection");
    if (!m_grabbed.isEmpty())
        return std::nullopt;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    m_keycode = keycodeFor(c, f12Keysym);
    if (!m_keycode)
        return QStringLiteral("the keyboard has no F12 key");

    for (uint16_t modifiers : lockModifierVariants) {
        auto cookie = xcb_grab_key_checked(
            c, 0, m_root, modifiers, m_keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t *error = xcb_request_check(c, cookie)) {
            const bool taken = error->error_code == badAccess;
            std::free(error);
            release();
            return taken ? QStringLiteral("F12 is already taken by another program")
                         : QStringLiteral("the X server refused to grab F12");
        }
        m_grabbed.append(modifiers);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    return std::nullopt;
}

void X11HotKey::release()
{
    if (m_grabbed.isEmpty())
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t *c = connection()) {
        for (uint16_t modifiers : std::as_const(m_grabbed))
            xcb_ungrab_key(c, m_keycode, m_root, modifiers);
        xcb_flush(c);
    }
    m_grabbed.clear();
}

bool X11HotKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release share one layout.
    auto *key = static_cast<xcb_key_press_event_t *>(message);
    if (key->detail != m_keycode || key->event != m_root)
        return false;
    if (type == XCB_KEY_RELEASE)
        m_repeat.release(key->time);
    else if (m_repeat.press(key->time))
        Q_EMIT activated();
    return true;
}
