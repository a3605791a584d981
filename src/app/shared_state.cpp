#include "app/shared_state.h"

namespace dravesse {

Table ItemTable;
std::array<QString, kTableFields> ColumnTitles;
BoundedCount<kMaxItemRows> RowCount;
BoundedCount<kMaxValueCols> ColCount;
QString AppPath;
qint16 LoadResult = 0;
qint16 GridMode = 0;
qint16 EditFlag = 0;
qint16 SizeFlag = 0;
qint32 CurRow = 0;
qint32 CurCol = 0;
QString HintWord;
QString LoginPass;
QString EditPass;
qint16 FailCount = 0;

void ResetSharedState() {
    for (auto& row : ItemTable) row.fill(QString());
    ColumnTitles.fill(QString());
    RowCount = 0;
    ColCount = 0;
    AppPath.clear();
    LoadResult = GridMode = EditFlag = SizeFlag = FailCount = 0;
    CurRow = CurCol = 0;
    HintWord.clear();
    LoginPass.clear();
    EditPass.clear();
}

}  // namespace dravesse
