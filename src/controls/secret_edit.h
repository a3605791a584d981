// A line edit that shows a secret as typed still lets its text out without the program choosing
// to: through the copy and cut keys, the Copy and Cut of its menu, and the X11 primary selection
// (middle-click paste), which a selection made with the mouse or Shift+arrows takes at once. The
// grid's cell editors and the create dialog's password boxes close these ways with what is here,
// and by showing no menu of the edit's own (Qt's has Copy and Cut, with no names to find them by).
#pragma once

#include <functional>

class QKeyEvent;
class QObject;
class QWidget;

namespace dravesse {

// A key that would put the edit's text on the clipboard: copy, cut, and Qt's cut to the end of
// the line (Ctrl+K with X11 key bindings).
bool CopiesText(const QKeyEvent& key);

// From now on, as long as `context` lives: whenever the program takes the X11 selection while
// `holdsSecret` says so of the widget with the keyboard focus, the selection is given up again in
// the same moment, before another program can ask for it.
void KeepSelectionEmpty(QObject* context, std::function<bool(const QWidget*)> holdsSecret);

}  // namespace dravesse
