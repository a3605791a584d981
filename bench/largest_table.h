// A table of 60-character values with a credentials row first (login password "in", edit
// password "ed"); at its largest, as the item file holds it, 99 rows and 9 columns.
#pragma once

#include "store/item_file_format.h"

namespace dravesse {

inline SaveInput TableOfSize(qint16 rows, qint16 cols) {
    SaveInput in;
    in.rowCount = rows;
    in.colCount = cols;
    in.hintWord = QStringLiteral("hint");
    for (int c = 1; c <= in.colCount; ++c) in.titles[c] = QStringLiteral("Title %1").arg(c);
    for (int r = 0; r < in.rowCount; ++r) {
        in.table[r][0] = QStringLiteral("Item %1").arg(r + 1);
        for (int c = 1; c <= in.colCount; ++c)
            in.table[r][c] = QStringLiteral("%1").arg(r * 10 + c, 60, 10, QLatin1Char('v'));
    }
    in.table[0] = {kCredentialsName, in.hintWord, QStringLiteral("in"), QStringLiteral("ed")};
    return in;
}

inline SaveInput LargestTable() {
    return TableOfSize(kMaxItemRows, kMaxValueCols);
}

}  // namespace dravesse
