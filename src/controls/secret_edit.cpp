#include "controls/secret_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace dravesse {
namespace {

// Events a line edit answers from where its text lies on screen or by drawing it: they need the
// text laid out as shown. None of them copies. (A press starts a selection; the release is what
// puts it in the X11 selection, and that one is guarded.)
bool needsShownText(QEvent::Type type) {
    switch (type) {
        case QEvent::Paint:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonDblClick:
        case QEvent::InputMethod:
        case QEvent::InputMethodQuery:
            return true;
        default:
            return false;
    }
}

class SecretEditGuard : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (!edit || edit->echoMode() != QLineEdit::Normal || needsShownText(event->type()))
            return false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
                key->matches(QKeySequence::Undo) ? edit->undo() : edit->redo();
                event->accept();
                return true;
            }
        }
        const QPointer<QLineEdit> alive(edit);
        const Qt::InputMethodHints hints = edit->inputMethodHints();
        edit->setEchoMode(QLineEdit::Password);
        static_cast<QObject*>(edit)->event(event);
        if (alive) {
            edit->setEchoMode(QLineEdit::Normal);
            edit->setInputMethodHints(hints);  // the echo mode sets its own
        }
        return true;  // delivered here; propagation to the parent follows the event's accept flag
    }
};

}  // namespace

void GuardSecretEdit(QObject* edit) {
    edit->installEventFilter(new SecretEditGuard(edit));
}

void HintSecretInput(QWidget* edit) {
    edit->setInputMethodHints(edit->inputMethodHints() | Qt::ImhSensitiveData |
                              Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
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
