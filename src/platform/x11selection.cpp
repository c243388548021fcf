#include "x11selection.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace X11Selection {

namespace {

using Clock = std::chrono::steady_clock;
// As long as an owner may stay silent between two steps of a transfer.
constexpr auto ownerTimeout = std::chrono::seconds(5);
// How often a wait looks at `cancelled`.
constexpr int cancelCheckMs = 100;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

struct Connection
{
    xcb_connection_t *c = nullptr;
    ~Connection()
    {
        if (c)
            xcb_disconnect(c);
    }
};

class Reader
{
public:
    Reader(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t incr,
        const std::atomic<bool> &cancelled)
        : m_c(c)
        , m_window(window)
        , m_property(property)
        , m_incr(incr)
        , m_cancelled(cancelled)
    { }

    // The selection converted to `target`, as data of `type`, or absent when the owner has
    // no such form.
    std::optional<QByteArray> convert(xcb_atom_t selection, xcb_atom_t target, xcb_atom_t type)
    {
        xcb_convert_selection(m_c, m_window, selection, target, m_property, XCB_CURRENT_TIME);
        xcb_flush(m_c);
        const auto notify = waitFor([](const xcb_generic_event_t *event) {
            return (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        });
        if (!notify) {
            m_stuck = true;
            return std::nullopt;
        }
        const auto *selectionNotify
            = reinterpret_cast<const xcb_selection_notify_event_t *>(notify.get());
        if (selectionNotify->property == XCB_NONE)
            return std::nullopt;
        xcb_atom_t given = XCB_NONE;
        std::optional<QByteArray> bytes = takeProperty(&given);
        if (bytes && given == m_incr)
            return takeIncrementally();
        // Some owners answer every request with what they hold, whatever was asked.
        if (given != type)
            return std::nullopt;
        return bytes;
    }

    // The owner stopped answering, or the read was cancelled: no other form is worth asking.
    bool isStuck() const { return m_stuck; }

private:
    template<typename Predicate> Reply<xcb_generic_event_t> waitFor(Predicate matches)
    {
        const auto deadline = Clock::now() + ownerTimeout;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
                Reply<xcb_generic_event_t> owned(event);
                if (matches(event))
                    return owned;
            }
            if (xcb_connection_has_error(m_c) || m_cancelled.load())
                return nullptr;
            const auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return nullptr;
            pollfd descriptor {xcb_get_file_descriptor(m_c), POLLIN, 0};
            ::poll(&descriptor, 1, int(std::min<qint64>(left.count(), cancelCheckMs)));
        }
    }

    // Reads and deletes the property; deleting it is what asks an INCR owner for more.
    std::optional<QByteArray> takeProperty(xcb_atom_t *type)
    {
        const auto cookie = xcb_get_property(
            m_c, 1, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, 0, maximumTextBytes / 4);
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_c, cookie, nullptr));
        if (!reply || reply->bytes_after > 0)
            return std::nullopt;
        *type = reply->type;
        const int length = xcb_get_property_value_length(reply.get());
        return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())), length);
    }

    std::optional<QByteArray> takeIncrementally()
    {
        QByteArray bytes;
        for (;;) {
            const auto event = waitFor([this](const xcb_generic_event_t *event) {
                if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    return false;
                const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
                return notify->atom == m_property && notify->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!event) {
                m_stuck = true;
                return std::nullopt;
            }
            xcb_atom_t type = XCB_NONE;
            const std::optional<QByteArray> chunk = takeProperty(&type);
            if (!chunk)
                return std::nullopt;
            if (chunk->isEmpty())
                return bytes;
            if (bytes.size() + chunk->size() > maximumTextBytes)
                return std::nullopt;
            bytes += *chunk;
        }
    }

    xcb_connection_t *m_c;
    xcb_window_t m_window;
    xcb_atom_t m_property;
    xcb_atom_t m_incr;
    const std::atomic<bool> &m_cancelled;
    bool m_stuck = false;
};

} // namespace

std::optional<QString> readClipboardText(const std::atomic<bool> &cancelled)
{
    int screenNumber = 0;
    Connection connection {xcb_connect(nullptr, &screenNumber)};
    xcb_connection_t *c = connection.c;
    if (xcb_connection_has_error(c))
        return std::nullopt;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    if (!screens.data)
        return std::nullopt;

    const std::array<QByteArray, 8> names {"CLIPBOARD", "UTF8_STRING", "text/plain;charset=utf-8",
        "STRING", "INCR", "CORVINA_CLIPBOARD", "TARGETS", "ATOM"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies {};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(c, 0, uint16_t(names[i].size()), names[i].constData());
    std::array<xcb_atom_t, names.size()> atoms {};
    for (std::size_t i = 0; i < names.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        if (!reply)
            return std::nullopt;
        atoms[i] = reply->atom;
    }
    const auto [clipboard, utf8String, textPlainUtf8, string, incr, property, targets, atom]
        = atoms;

    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &eventMask);

    Reader reader(c, window, property, incr, cancelled);
    // Only the forms the owner lists, where it lists them.
    const std::optional<QByteArray> offered = reader.convert(clipboard, targets, atom);
    if (reader.isStuck())
        return std::nullopt;
    const auto isOffered = [&offered](xcb_atom_t target) {
        if (!offered)
            return true;
        const auto *list = reinterpret_cast<const xcb_atom_t *>(offered->constData());
        return std::find(list, list + offered->size() / sizeof(xcb_atom_t), target)
            != list + offered->size() / sizeof(xcb_atom_t);
    };
    for (const xcb_atom_t target : {utf8String, textPlainUtf8, string}) {
        if (!isOffered(target))
            continue;
        if (auto bytes = reader.convert(clipboard, target, target))
            return target == string ? QString::fromLatin1(*bytes) : QString::fromUtf8(*bytes);
        if (reader.isStuck())
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace X11Selection
