// The frame the window manager draws around a top-level window.
#pragma once

#include <QMargins>
#include <optional>

class QWindow;

namespace dravesse {

// The frame in the screen's own pixels, as an X11 window manager announces it
// (_NET_FRAME_EXTENTS): exact, where QWindow::frameMargins rounds each side to this program's
// pixels. Empty on other platforms and before the window manager has framed the window.
std::optional<QMargins> ScreenFrameExtents(const QWindow* window);

}  // namespace dravesse
