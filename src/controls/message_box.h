#pragma once

#include <QString>
#include <Qt>

namespace dravesse {

// Shows a real message box for MsgBox, as the transient of the window it belongs to (see
// ownerWindow in the .cpp), which the window manager keeps over that window: the icon and buttons
// come from the style value (16 stop, 32 question, 48 exclamation; 1 adds Cancel; 4096 keeps it
// above every window). Returns the button pressed.
int ShowMessageBox(const QString& prompt, int style, const QString& title);

// Makes MsgBox show its messages with ShowMessageBox.
void InstallMessageBoxes();

// The title bar of a fixed-size dialog or box: its title and a close button, no minimise or
// maximise button.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

}  // namespace dravesse
