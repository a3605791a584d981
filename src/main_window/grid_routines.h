// The routines that move the table into the grid and read cells back.
#pragma once

#include <QString>
#include <QVariant>

namespace dravesse {

class Spread;

// Puts the column titles and rows 0 to RowCount - 1 of ItemTable into the grid, masking the
// values that GridMode hides. The display stops at the first row without a name.
void FillGrid(Spread& grid);

// Empties the text of rows first to first + count - 1, row headers included.
void ClearRows(Spread& grid, qint32 first, qint16 count);

// The text of one cell, "" when it holds none.
QString ReadCell(Spread& grid, qint32 row, qint32 col);

// A value as a cell shows it: numbers as trimmed digits, nothing as "", text unchanged.
QString CellValue(const QVariant& value);

// True when GridMode hides the values of value column col.
bool IsMasked(qint32 col);

}  // namespace dravesse
