// Enter and Tab in the create dialog's boxes: confirm the box, hold a count box to its range,
// and move to the next box shown, or back to the row count box after the last one.
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

// The character a key press types, or 0 when it types none.
qint16 typedCharacter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier)))
        return kEnter;
    if (key.key() == Qt::Key_Tab && mods == Qt::NoModifier) return kTab;
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

void Form2::Text1_KeyPress(qint16 index, qint16 keyAscii) {
    if (keyAscii != kEnter && keyAscii != kTab) return;
    if (index < 0 || index >= kBoxes - 1) return;  // box 12 is never shown, so never typed into
    if (index == kRowCountBox) {
        clampCountBox(Text1[kRowCountBox], kMinRows, kMaxRows);
        ArrangeColumns();
    }
    if (index == kColCountBox) {
        clampCountBox(Text1[kColCountBox], kMinCols, kMaxCols);
        ArrangeColumns();
    }
    QLineEdit* next = Text1[index + 1];
    if (next->isHidden()) next = Text1[kRowCountBox];
    next->setFocus(Qt::TabFocusReason);
}

// Every key press in a box passes through here. Tab is taken over, so that it moves by the same
// walk as Enter instead of Qt's focus chain; all other keys, Enter included, go on to the box.
// Enter cannot close the dialog: no button is a default button.
bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto box = std::find(Text1.begin(), Text1.end(), watched);
    if (box == Text1.end()) return QDialog::eventFilter(watched, event);

    const qint16 keyAscii = typedCharacter(*static_cast<QKeyEvent*>(event));
    if (keyAscii != 0) Text1_KeyPress(static_cast<qint16>(box - Text1.begin()), keyAscii);
    return keyAscii == kTab;
}

}  // namespace dravesse
