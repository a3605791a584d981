#include "controls/spread.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace dravesse {
namespace {

// A 4 x 3 grid whose rows are named N1 to N4 and hold v1 to v4 in column 1.
class SpreadTest : public testing::Test {
  protected:
    void SetUp() override {
        grid.resize(600, 300);
        grid.SetMaxCols(3);
        grid.SetMaxRows(4);
        for (int r = 1; r <= 4; ++r)
            for (int c = 0; c < 2; ++c) grid.SetText(c, r, QString(c ? "v%1" : "N%1").arg(r));
        grid.show();
    }
    QString text(int col, int row) {
        QString v;
        return grid.GetText(col, row, v) ? v : QString();
    }

    Spread grid;
};

// Rows given as name and column 1; the last row's header never shows its number.
TEST_F(SpreadTest, RowActionsMoveRowsButKeepTheRowCount) {
    // clang-format off
    const std::tuple<qint16, int, QStringList> cases[] = {
        {kActionInsertRow, 2, {"N1v1", "", "N2v2", "N3v3"}}, {kActionDeleteRow, 1, {"N2v2", "N3v3", "N4v4", ""}},
        {kActionInsertRow, 5, {"N1v1", "N2v2", "N3v3", "N4v4"}}, {kActionDeleteRow, 0, {"N1v1", "N2v2", "N3v3", "N4v4"}}};
    // clang-format on
    for (const auto& [action, row, rows] : cases) {
        SCOPED_TRACE(row);
        SetUp();
        grid.SetRow(row);
        grid.SetAction(action);
        EXPECT_EQ(grid.MaxRows(), 4);
        for (int r = 1; r <= 4; ++r) EXPECT_EQ(text(0, r) + text(1, r), rows[r - 1]) << r;
        EXPECT_EQ(grid.model()->headerData(3, Qt::Vertical), rows[3].left(2));
    }
}

TEST_F(SpreadTest, GetTextIsFalseForEmptyUnsetOutsideCellsAndUnnamedRows) {
    grid.SetText(1, 1, QString());
    grid.SetMaxRows(6);  // rows 5 and 6: never set, their headers never named
    for (auto [col, row] : {std::pair{1, 1}, {2, 5}, {0, 6}, {4, 1}, {1, 7}, {-1, 1}}) {
        QString v = QStringLiteral("untouched");
        EXPECT_FALSE(grid.GetText(col, row, v)) << col << "," << row;
        EXPECT_EQ(v, QStringLiteral("untouched"));
    }
}

// Clicks report their column and row and move the active cell, which stays inside the grid; the
// editor opens only when unlocked and is committed before the grid is read or changed.
TEST_F(SpreadTest, ClicksTrackTheActiveCellAndOpenEditorsAreCommitted) {
    QSignalSpy clicks(&grid, &Spread::Click);
    QHeaderView* rowHeader = grid.verticalHeader();
    auto clickCell = [&](int row, int col) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          grid.visualRect(grid.model()->index(row - 1, col - 1)).center());
    };
    clickCell(3, 2);
    EXPECT_EQ(clicks.takeLast(), (QVariantList{2, 3}));
    EXPECT_EQ(std::pair(grid.ActiveRow(), grid.ActiveCol()), std::pair(3, 2));
    // A row inserted at the active row leaves it active; a click below then moves it there.
    grid.SetRow(3);
    grid.SetAction(kActionInsertRow);
    EXPECT_EQ(grid.ActiveRow(), 3);
    clickCell(4, 2);
    EXPECT_EQ(grid.ActiveRow(), 4);
    QTest::mouseClick(rowHeader->viewport(), Qt::LeftButton, {},
                      QPoint(rowHeader->width() / 2, rowHeader->sectionViewportPosition(3) + 5));
    EXPECT_EQ(clicks.takeLast(), (QVariantList{0, 4}));
    EXPECT_EQ(std::pair(grid.ActiveRow(), grid.ActiveCol()), std::pair(4, 0));
    grid.SetMaxRows(2);
    EXPECT_EQ(grid.ActiveRow(), 2);

    grid.setCurrentCell(0, 0);
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_FALSE(grid.Editing());  // locked and protected
    grid.SetLock(false);
    QTest::keyClick(&grid, Qt::Key_F2);
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("typed"));
    grid.SetAction(kActionInsertRow);  // row 0 is outside: the action only commits
    EXPECT_FALSE(grid.Editing());
    EXPECT_EQ(text(1, 1), QStringLiteral("typed"));
}

}  // namespace
}  // namespace dravesse
