#include "main_window/grid_routines.h"

#include "app/shared_state.h"
#include "controls/spread.h"
#include "main_window/main_window_texts.h"

namespace dravesse {

bool IsMasked(qint32 col) {
    return GridMode == 0 || (GridMode == 1 && col > 1);
}

void FillGrid(Spread& grid) {
    grid.CommitEdit();
    grid.SetRowHeight(-1, 14.5);
    grid.SetColWidth(-1, 15);
    grid.SetText(0, 0, CellValue(kCornerText));
    for (int c = 1; c <= ColCount; ++c) grid.SetText(c, 0, CellValue(ColumnTitles[c]));
    ClearRows(grid, 1, static_cast<qint16>(RowCount));
    for (int r = 0; r < RowCount; ++r) {
        const TableRow& row = ItemTable[r];
        if (row[0].isEmpty()) break;
        grid.SetText(0, r + 1, CellValue(row[0]));
        for (int c = 1; c <= ColCount; ++c)
            grid.SetText(c, r + 1, IsMasked(c) ? kMaskText : CellValue(row[c]));
    }
}

void ClearRows(Spread& grid, qint32 first, qint16 count) {
    if (count < 1) return;
    grid.SetRow(first);
    grid.SetCol(0);
    grid.SetRow2(first + count - 1);
    grid.SetCol2(grid.MaxCols());
    grid.SetBlockMode(true);
    grid.SetAction(kActionClearText);
    grid.SetBlockMode(false);
}

QString ReadCell(Spread& grid, qint32 row, qint32 col) {
    QString value;
    return grid.GetText(col, row, value) ? value : QString();
}

QString CellValue(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.typeId()) {
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Float:
        case QMetaType::Double:
            return value.toString().trimmed();
        default:
            return value.toString();
    }
}

}  // namespace dravesse
