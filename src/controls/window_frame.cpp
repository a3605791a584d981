#include "controls/window_frame.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace dravesse {

std::optional<QMargins> ScreenFrameExtents(const QWindow* window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !window) return std::nullopt;
    static const xcb_atom_t extentsAtom = [connection] {
        static const char kName[] = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(kName), kName), nullptr);
        const xcb_atom_t found = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(atom);
        return found;
    }();
    if (extentsAtom == XCB_ATOM_NONE) return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, static_cast<xcb_window_t>(window->winId()), extentsAtom,
                         XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    std::optional<QMargins> extents;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        extents = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));  // left, right, top, bottom
    }
    std::free(reply);
    return extents;
}

}  // namespace dravesse
