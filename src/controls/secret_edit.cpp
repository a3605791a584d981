#include "controls/secret_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace dravesse {

bool CopiesText(const QKeyEvent& key) {
    return key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut) ||
           key.matches(QKeySequence::DeleteEndOfLine);
}

void KeepSelectionEmpty(QObject* context, std::function<bool(const QWidget*)> holdsSecret) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) return;
    QObject::connect(clipboard, &QClipboard::selectionChanged, context,
                     [clipboard, holdsSecret = std::move(holdsSecret)] {
                         if (clipboard->ownsSelection() && holdsSecret(QApplication::focusWidget()))
                             clipboard->clear(QClipboard::Selection);
                     });
}

}  // namespace dravesse
