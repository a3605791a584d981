// Enter in the create dialog's boxes: confirms the box, holds a count box to its range, and moves
// to the next box shown, or back to the row count box after the last one. Tab and Shift+Tab move
// along the dialog's tab order (the boxes shown, Close, Save); leaving a count box with them
// confirms it as Enter does.
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "create_dialog/form2.h"
#include "store/number_text.h"

namespace dravesse {
namespace {

constexpr qint16 kTab = 9;
constexpr qint16 kEnter = 13;

constexpr int kMinRows = 7;
constexpr int kMaxRows = 32;
constexpr int kMinCols = 3;
constexpr int kMaxCols = 7;

// Tab and Shift+Tab as Qt moves the focus with them; they never reach a box as a character.
bool movesFocus(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
           !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// The character a key press types, or 0 when it types none.
qint16 typedCharacter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier)))
        return kEnter;
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return 0;
    const QString text = key.text();
    return text.isEmpty() ? 0 : static_cast<qint16>(text.front().unicode());
}

void clampCountBox(QLineEdit* box, int min, int max) {
    const qint16 n = ReadCount(box->text());
    if (n < min)
        box->setText(QString::number(min));
    else if (n > max)
        box->setText(QString::number(max));
}

}  // namespace

// Tab (9) is confirmed here too, should it ever arrive as a typed character; Qt keeps it for
// moving the focus (see eventFilter).
void Form2::Text1_KeyPress(qint16 index, qint16 keyAscii) {
    if (keyAscii != kEnter && keyAscii != kTab) return;
    if (index < 0 || index >= kBoxes - 1) return;  // box 12 is never shown, so never typed into
    confirmCountBox(index);
    QLineEdit* next = Text1[index + 1];
    if (next->isHidden()) next = Text1[kRowCountBox];
    next->setFocus(Qt::TabFocusReason);
}

// Confirming a count box holds it to its range and fits the dialog to the column count; other
// boxes need nothing.
void Form2::confirmCountBox(int index) {
    if (index == kRowCountBox) {
        clampCountBox(Text1[kRowCountBox], kMinRows, kMaxRows);
        ArrangeColumns();
    }
    if (index == kColCountBox) {
        clampCountBox(Text1[kColCountBox], kMinCols, kMaxCols);
        ArrangeColumns();
    }
}

// Every key press in a box passes through here and goes on to the box (the password boxes copy
// nothing: see GuardSecretEdit). Tab and Shift+Tab first confirm a count box, so that the title
// boxes it shows are in place before Qt moves the focus along the tab order. Enter cannot close
// the dialog: no button is a default button.
bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (passwordBoxEvent(watched, event)) return true;
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto box = std::find(Text1.begin(), Text1.end(), watched);
    if (box == Text1.end()) return QDialog::eventFilter(watched, event);

    const auto index = static_cast<qint16>(box - Text1.begin());
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (movesFocus(key))
        confirmCountBox(index);
    else if (const qint16 keyAscii = typedCharacter(key))
        Text1_KeyPress(index, keyAscii);
    return false;
}

}  // namespace dravesse
