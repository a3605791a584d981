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
        vaSpread1_Moved(Col, Row);
        if (GridMode == 0 && vaSpread1->Lock()) CopyCell();
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
        gridRowInserted(Row);
        ClearRows(*vaSpread1, Row, 1);
        CurCol = 0;
        CurRow = Row;
    } else {
        vaSpread1->SetAction(kActionDeleteRow);
        gridRowDeleted(Row);
        vaSpread1->SetMaxRows(vaSpread1->MaxRows() - 1);
    }
}

// Copies the stored value (never the mask, never the grid's unsaved text) of the chosen cell:
// that of the stored row the grid row shows, which rows inserted or deleted since the last refill
// or save have moved. A row not stored yet copies nothing.
void Form1::CopyCell() {
    if (const QString* value = storedValue(CurRow, CurCol)) clipboard_.PutText(*value);
}

const QString* Form1::storedValue(qint32 row, qint32 col) const {
    const qint32 stored =
        row >= 1 && row < static_cast<qint32>(storedRows_.size()) ? storedRows_[row] : -1;
    if (stored < 0 || stored >= RowCount || col < 0 || col > ColCount) return nullptr;
    return &ItemTable[stored][col];
}

void Form1::copyCellAt(qint32 row, qint32 col) {
    CurRow = row;
    CurCol = col;
    CopyCell();
}

void Form1::resetStoredRows(int stored) {
    storedRows_.assign(static_cast<size_t>(stored) + 1, -1);
    for (int g = 1; g <= stored; ++g) storedRows_[g] = g - 1;
}

void Form1::gridRowInserted(qint32 row) {
    if (row >= 1 && row <= static_cast<qint32>(storedRows_.size()))
        storedRows_.insert(storedRows_.begin() + row, -1);
}

void Form1::gridRowDeleted(qint32 row) {
    if (row >= 1 && row < static_cast<qint32>(storedRows_.size()))
        storedRows_.erase(storedRows_.begin() + row);
}

void Form1::ShowItemName() {
    if (Label1->text() != kItemNameCaption) return;
    const auto row = static_cast<qint16>(vaSpread1->ActiveRow());
    QString name;
    Text1->setText(vaSpread1->GetText(0, row, name) ? name : QString());
}

}  // namespace dravesse
