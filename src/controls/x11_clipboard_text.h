// The X11 clipboard's text as another program offers it, asked for on a connection of our own and
// waited for no longer than a bound, so that a program that never answers cannot hold up the
// window (Qt's own clipboard waits for seconds, with the window frozen).
#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>

namespace dravesse {

// The UTF-8 text on the X11 clipboard of the display in $DISPLAY; nothing when there is no X
// server, no owner, no text, or no whole answer within `bound`.
std::optional<QByteArray> X11ClipboardText(std::chrono::milliseconds bound);

}  // namespace dravesse
