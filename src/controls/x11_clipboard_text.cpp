#include "controls/x11_clipboard_text.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace dravesse {
namespace {

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The owner's answer to our request, or null once the deadline has passed.
Reply<xcb_selection_notify_event_t> awaitAnswer(xcb_connection_t* c, QDeadlineTimer deadline) {
    pollfd watched{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY)
                return Reply<xcb_selection_notify_event_t>(
                    reinterpret_cast<xcb_selection_notify_event_t*>(event));
            std::free(event);
        }
        if (xcb_connection_has_error(c) || deadline.hasExpired()) return nullptr;
        poll(&watched, 1, int(deadline.remainingTime()));
    }
}

}  // namespace

std::optional<QByteArray> X11ClipboardText(std::chrono::milliseconds bound) {
    const QDeadlineTimer deadline(bound);
    int screenNumber = 0;
    const std::unique_ptr<xcb_connection_t, Disconnect> c(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(c.get())) return std::nullopt;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c.get()));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return std::nullopt;

    const xcb_atom_t clipboard = atom(c.get(), "CLIPBOARD");
    const xcb_atom_t utf8 = atom(c.get(), "UTF8_STRING");
    const xcb_atom_t into = atom(c.get(), "DRAVESSE_CLIPBOARD");
    const xcb_window_t window = xcb_generate_id(c.get());
    xcb_create_window(c.get(), XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screens.data->root_visual, 0, nullptr);
    xcb_convert_selection(c.get(), window, clipboard, utf8, into, XCB_CURRENT_TIME);
    xcb_flush(c.get());

    const Reply<xcb_selection_notify_event_t> answer = awaitAnswer(c.get(), deadline);
    if (!answer || answer->property == XCB_ATOM_NONE) return std::nullopt;
    // A text too long for one answer comes in parts (type INCR): no value of ours is that long.
    const Reply<xcb_get_property_reply_t> value(xcb_get_property_reply(
        c.get(), xcb_get_property(c.get(), 1, window, into, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
        nullptr));
    if (!value || value->type != utf8 || value->format != 8 || value->bytes_after)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(value.get())),
                      xcb_get_property_value_length(value.get()));
}

}  // namespace dravesse
