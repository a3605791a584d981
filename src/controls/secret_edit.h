// A line edit that shows a secret as typed still lets its text out without the program choosing
// to: through the copy, cut and clear-line keys, the Copy and Cut of its menu, and the X11 primary
// selection (middle-click paste), which a selection made with the mouse or Shift+arrows takes at
// once. The grid's cell editors and the create dialog's password boxes close these ways with what
// is here, and by showing no menu of the edit's own (Qt's has Copy and Cut, with no names to find
// them by).
#pragma once

#include <functional>

class QObject;
class QWidget;

namespace dravesse {

// From now on the line edit `edit` cannot put its text on the clipboard or the X11 selection,
// whatever key, mouse button or input method asks it to. Qt's line edit copies only in its normal
// echo mode, so the edit is switched to the password echo mode for as long as it handles any
// event but those that draw its text or find a place in it (paint, mouse press, move and double
// click, input method); the undo and redo keys go to its undo and redo, which the password echo
// mode would turn into clearing. Typing, selecting, paste, undo and redo work as before; a word
// move goes to the start or end of the text, as in a password box.
// The guard delivers those events itself, so it must be the first event filter installed on the
// edit: filters installed later still see every event before the edit does. `edit` may still be
// under construction; it is checked to be a QLineEdit at each event. Input methods are told the
// text is sensitive: no prediction, no learning, no capitals of their own.
void GuardSecretEdit(QObject* edit);

// The input-method hints for a box that shows a secret in clear.
void HintSecretInput(QWidget* edit);

// From now on, as long as `context` lives: whenever the program takes the X11 selection while
// `holdsSecret` says so of the widget with the keyboard focus, the selection is given up again in
// the same moment, before another program can ask for it.
void KeepSelectionEmpty(QObject* context, std::function<bool(const QWidget*)> holdsSecret);

}  // namespace dravesse
