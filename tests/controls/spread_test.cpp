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
        for (int r = 1; r <= 4; ++r) {
            grid.SetText(0, r, QStringLiteral("N%1").arg(r));
            grid.SetText(1, r, QStringLiteral("v%1").arg(r));
        }
        grid.show();
    }
    QString text(int col, int row) {
        QString v;
        return grid.GetText(col, row, v) ? v : QString();
    }
    QStringList rows() {  // name and column 1 of every row
        QStringList out;
        for (int r = 1; r <= grid.MaxRows(); ++r) out << text(0, r) + text(1, r);
        return out;
    }

    Spread grid;
};

TEST_F(SpreadTest, RowActionsMoveRowsButKeepTheRowCount) {
    const struct {
        qint16 action;
        int row;
        QStringList rows;
    } cases[] = {
        {kActionInsertRow, 2, {"N1v1", "", "N2v2", "N3v3"}},
        {kActionDeleteRow, 1, {"N2v2", "N3v3", "N4v4", ""}},
        {kActionInsertRow, 5, {"N1v1", "N2v2", "N3v3", "N4v4"}},
        {kActionDeleteRow, 0, {"N1v1", "N2v2", "N3v3", "N4v4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        SetUp();
        grid.SetRow(c.row);
        grid.SetAction(c.action);
        EXPECT_EQ(rows(), c.rows);
        EXPECT_EQ(grid.model()->headerData(3, Qt::Vertical), c.rows[3].left(2));  // never "4"
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

TEST_F(SpreadTest, EditorOpensOnlyWhenUnlockedAndIsCommittedBeforeReads) {
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

TEST_F(SpreadTest, ClicksReportColAndRowAndTrackTheActiveCell) {
    QSignalSpy clicks(&grid, &Spread::Click);
    QHeaderView* rowHeader = grid.verticalHeader();
    const QPoint header4(rowHeader->width() / 2, rowHeader->sectionViewportPosition(3) + 5);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(2, 1)).center());
    EXPECT_EQ(clicks.value(clicks.size() - 1), (QVariantList{2, 3}));
    EXPECT_EQ(std::pair(grid.ActiveRow(), grid.ActiveCol()), std::pair(3, 2));
    QTest::mouseClick(rowHeader->viewport(), Qt::LeftButton, {}, header4);
    EXPECT_EQ(clicks.value(clicks.size() - 1), (QVariantList{0, 4}));
    EXPECT_EQ(std::pair(grid.ActiveRow(), grid.ActiveCol()), std::pair(4, 0));
    grid.SetMaxRows(2);  // the active cell stays inside the grid
    EXPECT_EQ(grid.ActiveRow(), 2);
}

}  // namespace
}  // namespace dravesse
