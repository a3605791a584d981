#pragma once

#include <QString>

namespace dravesse {

// Shows a real message box for MsgBox, centred over the active window: the icon and buttons come
// from the style value (16 stop, 32 question, 48 exclamation; 1 adds Cancel; 4096 keeps it above
// every window). Returns the button pressed.
int ShowMessageBox(const QString& prompt, int style, const QString& title);

// Makes MsgBox show its messages with ShowMessageBox.
void InstallMessageBoxes();

}  // namespace dravesse
