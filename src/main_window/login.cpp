// The entry box: Enter renames the chosen row (full view), logs in, unlocks editing, or counts a
// wrong password.
#include <QLabel>
#include <QLineEdit>
#include <limits>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/panel3d.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "main_window/grid_routines.h"
#include "main_window/main_window_texts.h"

namespace dravesse {

void Form1::Text1_KeyPress(qint16& KeyAscii) {
    if (KeyAscii != 13 || lockedOut_) return;
    const QString s = Text1->text();
    const bool loggedIn = !SSPanel1->isHidden();
    if (loggedIn && GridMode == 2) {
        if (CurRow >= 0 && CurRow <= vaSpread1->MaxRows())
            vaSpread1->SetText(0, CurRow, CellValue(s));
        return;
    }
    if (s == LoginPass) {
        Text1->setText(QString());
        SSPanel1->show();
        SSPanel2->show();
        return;
    }
    if (!SSPanel2->isHidden() && s == EditPass) {
        Text1->setText(QString());
        FormSize(QStringLiteral("L"));
        SizeFlag = 0;  // the window is large now, so the next label double-click hides it
        SSCommand1->setEnabled(true);
        return;
    }
    if (loggedIn) return;
    if (FailCount < std::numeric_limits<qint16>::max()) ++FailCount;
    if (FailCount > 9)
        lockOut();
    else if (FailCount > 6)
        MsgBox(kFinderText, kMbCritical, kPasswordEntryTitle);
    else if (FailCount == 3)
        MsgBox(kHintText + HintWord, kMbQuestion, kPasswordEntryTitle);
}

void Form1::Text1_Click() {
    Text1->setText(QString());
}

// From the tenth wrong password on, nothing in the window takes input any more; the window
// stays open and can still be closed.
void Form1::lockOut() {
    lockedOut_ = true;
    Text1->setEnabled(false);
    Label1->setEnabled(false);
    SSPanel1->setEnabled(false);
    SSPanel2->setEnabled(false);
}

}  // namespace dravesse
