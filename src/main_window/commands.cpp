// The six buttons: Display, Copy, Edit, Save, Insert and Delete.
#include <QLabel>
#include <QLineEdit>

#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/colors.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "main_window/grid_routines.h"
#include "main_window/main_window_texts.h"

namespace dravesse {

// Display: masked (0) -> column 1 shown (1) -> all shown, Edit and Save enabled (2) -> masked.
// Every press switches editing off and refills the grid from the stored table.
void Form1::SSCommand1_Click() {
    vaSpread1->CommitEdit();
    Text1->setText(QString());
    if (GridMode == 0) {
        SSCommand1->SetBackColor(kLightCyan);
        GridMode = 1;
        SetText1PasswordChar(false);
        SSCommand3->setEnabled(false);
        SSCommand4->setEnabled(false);
    } else {
        EditFlag = 1;  // forces Edit into its switch-off branch
        if (GridMode == 1) {
            SSCommand3_Click();
            SSCommand1->SetBackColor(kCyan);
            GridMode = 2;
            SetText1PasswordChar(true);
            SSCommand3->setEnabled(true);
            SSCommand4->setEnabled(true);
        } else {
            SSCommand3_Click();
            SSCommand1->SetBackColor(kButtonFace);
            GridMode = 0;
            SetText1PasswordChar(true);
            SSCommand3->setEnabled(false);
            SSCommand4->setEnabled(false);
            SSCommand5->setEnabled(false);
            SSCommand6->setEnabled(false);
        }
    }
    refillGrid();
}

// Copy: the stored value of the active cell, in every display mode.
void Form1::SSCommand2_Click() {
    vaSpread1->CommitEdit();
    copyCellAt(vaSpread1->ActiveRow(), vaSpread1->ActiveCol());
}

// Edit: unlocks every cell and lets Enter in the entry box rename the chosen row, or locks
// everything again.
void Form1::SSCommand3_Click() {
    vaSpread1->CommitEdit();
    vaSpread1->SetRow(-1);
    vaSpread1->SetCol(-1);
    if (EditFlag == 0) {
        EditFlag = 1;
        SSCommand3->SetBackColor(kLightCyan);
        vaSpread1->SetLock(false);
        Label1->setText(kItemNameCaption);
        SetText1PasswordChar(false);
        ShowItemName();
    } else {
        EditFlag = 0;
        SSCommand3->SetBackColor(kButtonFace);
        vaSpread1->SetLock(true);
        Label1->setText(kPasswordCaption);
        Text1->setText(QString());
        SetText1PasswordChar(true);
    }
}

// Insert: an empty row named "New" + its row number at the active row. Only the grid changes; the
// table follows at the next save. The grid never holds more rows than the item file can.
void Form1::SSCommand5_Click() {
    vaSpread1->CommitEdit();
    const auto n = static_cast<qint16>(vaSpread1->ActiveRow());
    if (n + 1 >= kMaxItemRows || n < 1 || vaSpread1->MaxRows() >= kMaxItemRows) return;
    vaSpread1->SetMaxRows(vaSpread1->MaxRows() + 1);
    vaSpread1->SetRow(n);
    vaSpread1->SetAction(kActionInsertRow);
    gridRowInserted(n);
    vaSpread1->SetText(0, n, kNewRowName + QString::number(n));
    const int cols = ColCount;
    for (int c = 1; c <= cols; ++c) vaSpread1->SetText(c, n, QString());
}

// Delete: removes the active row from the grid, without asking; at least two rows stay.
void Form1::SSCommand6_Click() {
    vaSpread1->CommitEdit();
    if (vaSpread1->MaxRows() <= 2) return;
    vaSpread1->SetRow(vaSpread1->ActiveRow());
    vaSpread1->SetAction(kActionDeleteRow);
    gridRowDeleted(vaSpread1->Row());
    vaSpread1->SetMaxRows(vaSpread1->MaxRows() - 1);
}

}  // namespace dravesse
