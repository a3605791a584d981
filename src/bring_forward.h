#pragma once

#include <QByteArray>

namespace dravesse {

// Brings this instance's windows to the person, as a second start asks: a minimized window is
// restored, and the window to work in is raised and activated. That is the open message box or
// dialog when there is one (the create dialog, or a question before any window), else the main
// window. On Wayland, `activationToken` is the token the desktop gave the second start, without
// which the compositor would not let this instance take the focus.
void BringForward(const QByteArray& activationToken);

}  // namespace dravesse
