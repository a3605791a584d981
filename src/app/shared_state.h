// The program's shared state: one set of globals that the store and both windows read and write.
#pragma once

#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <array>

namespace dravesse {

constexpr int kTableRows = 100;   // rows 0 to 99 of ItemTable
constexpr int kTableFields = 11;  // fields 0 to 10 of every row
constexpr int kMaxItemRows = 99;  // rows in use, the credentials row included
constexpr int kMaxValueCols = 9;  // value fields 1 to 9; field ColCount + 1 is the link field

// A 16-bit count that can never leave 0..Max, whatever is assigned to it. Every table index
// derived from it therefore stays inside ItemTable and ColumnTitles.
template <int Max>
class BoundedCount {
  public:
    constexpr BoundedCount() = default;
    constexpr BoundedCount& operator=(int n) {
        value_ = static_cast<qint16>(std::clamp(n, 0, Max));
        return *this;
    }
    constexpr operator int() const { return value_; }
    static constexpr int max() { return Max; }

  private:
    qint16 value_ = 0;
};

using TableRow = std::array<QString, kTableFields>;
using Table = std::array<TableRow, kTableRows>;

extern Table ItemTable;
extern std::array<QString, kTableFields> ColumnTitles;
extern BoundedCount<kMaxItemRows> RowCount;
extern BoundedCount<kMaxValueCols> ColCount;
extern QString AppPath;
extern qint16 LoadResult;
extern qint16 GridMode;
extern qint16 EditFlag;
extern qint16 SizeFlag;
extern qint32 CurRow;
extern qint32 CurCol;
extern QString HintWord;
extern QString LoginPass;
extern QString EditPass;
extern qint16 FailCount;

// The first field of the row that holds the hint word and both passwords.
inline const QString kCredentialsName = QStringLiteral("LoginPassword");

// Puts every shared value back to its value at program start (tests start from here).
void ResetSharedState();

}  // namespace dravesse
