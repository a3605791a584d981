// Clicks on the grid, and the two routines they share with the buttons: copying a stored value
// and showing the active row's item name.
#include <QLabel>
#include <QLineEdit>

#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "main_window/grid_routines.h"
#include "main_window/main_window_texts.h"

namespace dravesse {

// A value cell copies its stored value while everything is masked and locked; a row header
// in full view offers Insert and Delete.
void Form1::vaSpread1_Click(qint32 Col, qint32 Row) {
    CurRow = Row;
    CurCol = Col;
    if (Col != 0) {
        SSCommand5->setEnabled(false);
        SSCommand6->setEnabled(false);
        if (GridMode == 0 && vaSpread1->Lock()) CopyCell();
        ShowItemName();
    } else if (GridMode == 2) {
        SSCommand5->setEnabled(true);
        SSCommand6->setEnabled(true);
    }
}

// A cell reached with the keys becomes the chosen one as a clicked cell does, but copies nothing:
// moving through a masked table must not pass every value over the clipboard. (A mouse press on
// a cell comes here too; its click follows.)
void Form1::vaSpread1_Moved(qint32 Col, qint32 Row) {
    CurRow = Row;
    CurCol = Col;
    SSCommand5->setEnabled(false);
    SSCommand6->setEnabled(false);
    ShowItemName();
}

// While editing is on, a double-click on a named row's header inserts an empty row above it and
// one on an unnamed row's header removes that row. The header row is never touched, and the
// grid never grows beyond the rows the item file can hold.
void Form1::vaSpread1_DblClick(qint32 Col, qint32 Row) {
    CurRow = Row;
    CurCol = Col;
    if (Col != 0 || EditFlag != 1 || Row < 1) return;
    vaSpread1->CommitEdit();
    vaSpread1->SetRow(Row);
    const QString name = ReadCell(*vaSpread1, Row, 0);
    if (!name.isEmpty()) {
        if (vaSpread1->MaxRows() >= kMaxItemRows) return;
        vaSpread1->SetMaxRows(vaSpread1->MaxRows() + 1);
        vaSpread1->SetAction(kActionInsertRow);
        ClearRows(*vaSpread1, Row, 1);
        CurCol = 0;
        CurRow = Row;
    } else {
        vaSpread1->SetAction(kActionDeleteRow);
        vaSpread1->SetMaxRows(vaSpread1->MaxRows() - 1);
    }
}

// Copies the stored value (never the mask, never the grid's unsaved text) of the chosen cell.
void Form1::CopyCell() {
    if (CurRow < 1 || CurRow > RowCount || CurCol < 0 || CurCol > ColCount) return;
    clipboard_.PutText(ItemTable[CurRow - 1][CurCol]);
}

void Form1::ShowItemName() {
    if (Label1->text() != kItemNameCaption) return;
    const auto row = static_cast<qint16>(vaSpread1->ActiveRow());
    QString name;
    Text1->setText(vaSpread1->GetText(0, row, name) ? name : QString());
}

}  // namespace dravesse
