#include "controls/spread.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace dravesse {
namespace {

class SpreadTest : public testing::Test {
  protected:
    void SetUp() override {
        grid.resize(600, 300);
        grid.SetMaxCols(3);
        grid.SetMaxRows(4);
        for (int r = 1; r <= 4; ++r) {
            grid.SetText(0, r, QStringLiteral("N%1").arg(r));
            for (int c = 1; c <= 3; ++c) grid.SetText(c, r, QStringLiteral("v%1%2").arg(r).arg(c));
        }
        grid.show();
    }

    QString text(int col, int row) {
        QString v;
        return grid.GetText(col, row, v) ? v : QStringLiteral("<none>");
    }
    QStringList names() {
        QStringList out;
        for (int r = 1; r <= grid.MaxRows(); ++r) out << text(0, r);
        return out;
    }
    static QVariantList last(QSignalSpy& spy) {
        return spy.isEmpty() ? QVariantList{} : spy.takeLast();
    }
    QPoint cellCenter(int col, int row) {
        return grid.visualRect(grid.model()->index(row - 1, col - 1)).center();
    }

    Spread grid;
};

TEST_F(SpreadTest, AddressesCornerTitlesRowHeadersAndCells) {
    struct Case {
        int col, row;
    };
    for (const Case c : {Case{0, 0}, Case{2, 0}, Case{0, 3}, Case{3, 4}}) {
        grid.SetText(c.col, c.row, QStringLiteral("x"));
        EXPECT_EQ(text(c.col, c.row), QStringLiteral("x")) << c.col << "," << c.row;
    }
    EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), QStringLiteral("x"));
    EXPECT_EQ(grid.verticalHeaderItem(2)->text(), QStringLiteral("x"));
    EXPECT_EQ(grid.item(3, 2)->text(), QStringLiteral("x"));
}

TEST_F(SpreadTest, GetTextIsFalseForEmptyUnsetAndOutsideCells) {
    grid.SetText(1, 1, QString());
    grid.SetMaxRows(6);  // row 5 and 6: never set, header never named
    for (auto [col, row] : {std::pair{1, 1}, {2, 5}, {0, 6}, {4, 1}, {1, 7}, {-1, 1}, {1, -1}}) {
        QString v = QStringLiteral("untouched");
        EXPECT_FALSE(grid.GetText(col, row, v)) << col << "," << row;
        EXPECT_EQ(v, QStringLiteral("untouched"));
    }
    // A row header never named shows nothing, not Qt's row number.
    EXPECT_EQ(grid.model()->headerData(5, Qt::Vertical).toString(), QString());
}

TEST_F(SpreadTest, InsertAndDeleteKeepTheRowCount) {
    grid.SetRow(2);
    grid.SetAction(kActionInsertRow);
    EXPECT_EQ(names(), (QStringList{"N1", "<none>", "N2", "N3"}));
    EXPECT_EQ(text(1, 3), QStringLiteral("v21"));
    EXPECT_EQ(text(1, 2), QStringLiteral("<none>"));

    grid.SetRow(1);
    grid.SetAction(kActionDeleteRow);
    EXPECT_EQ(names(), (QStringList{"<none>", "N2", "N3", "<none>"}));
    EXPECT_EQ(grid.model()->headerData(3, Qt::Vertical).toString(), QString());

    // The callers' sequences: one more row before an insert, one fewer after a delete.
    grid.SetMaxRows(grid.MaxRows() + 1);
    grid.SetRow(2);
    grid.SetAction(kActionInsertRow);
    EXPECT_EQ(names(), (QStringList{"<none>", "<none>", "N2", "N3", "<none>"}));
    grid.SetRow(1);
    grid.SetAction(kActionDeleteRow);
    grid.SetMaxRows(grid.MaxRows() - 1);
    EXPECT_EQ(names(), (QStringList{"<none>", "N2", "N3", "<none>"}));
}

TEST_F(SpreadTest, RowActionsOutsideTheDataRowsDoNothing) {
    for (int row : {0, -1, 5}) {
        grid.SetRow(row);
        grid.SetAction(kActionInsertRow);
        grid.SetAction(kActionDeleteRow);
    }
    EXPECT_EQ(names(), (QStringList{"N1", "N2", "N3", "N4"}));
    EXPECT_EQ(text(2, 0), QStringLiteral("<none>"));
}

TEST_F(SpreadTest, BlockClearEmptiesTextsOnly) {
    grid.SetText(1, 0, QStringLiteral("Title"));
    grid.SetRow(2);
    grid.SetCol(0);
    grid.SetRow2(3);
    grid.SetCol2(grid.MaxCols());
    grid.SetBlockMode(true);
    grid.SetAction(kActionClearText);
    grid.SetBlockMode(false);
    EXPECT_EQ(names(), (QStringList{"N1", "<none>", "<none>", "N4"}));
    EXPECT_EQ(text(3, 3), QStringLiteral("<none>"));
    EXPECT_EQ(text(3, 4), QStringLiteral("v43"));
    EXPECT_EQ(text(1, 0), QStringLiteral("Title"));
    EXPECT_TRUE(grid.Lock());

    grid.SetRow(1);
    grid.SetCol(2);
    grid.SetAction(kActionClearText);  // without block mode: one cell
    EXPECT_EQ(text(2, 1), QStringLiteral("<none>"));
    EXPECT_EQ(text(1, 1), QStringLiteral("v11"));
}

TEST_F(SpreadTest, LockedAndProtectedCellsCannotBeTypedInto) {
    grid.setCurrentCell(0, 0);
    grid.SetProtect(true);
    grid.SetLock(true);
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_FALSE(grid.Editing());

    grid.SetLock(false);
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_TRUE(grid.Editing());
}

TEST_F(SpreadTest, CommitEditKeepsWhatWasTyped) {
    grid.SetLock(false);
    grid.setCurrentCell(1, 1);
    QTest::keyClick(&grid, Qt::Key_F2);
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("typed"));
    grid.CommitEdit();
    EXPECT_FALSE(grid.Editing());
    EXPECT_EQ(text(2, 2), QStringLiteral("typed"));

    // Locking the sheet also ends an open editor, keeping its text.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor
    grid.setCurrentCell(2, 2);
    QTest::keyClick(&grid, Qt::Key_F2);
    editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("again"));
    grid.SetLock(true);
    EXPECT_EQ(text(3, 3), QStringLiteral("again"));
}

TEST_F(SpreadTest, ClicksReportColAndRowAndMoveTheActiveCell) {
    EXPECT_EQ(grid.ActiveRow(), 1);
    EXPECT_EQ(grid.ActiveCol(), 1);
    QSignalSpy clicks(&grid, &Spread::Click);
    QSignalSpy doubleClicks(&grid, &Spread::DblClick);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCenter(2, 3));
    EXPECT_EQ(last(clicks), (QVariantList{2, 3}));
    EXPECT_EQ(grid.ActiveRow(), 3);
    EXPECT_EQ(grid.ActiveCol(), 2);

    QHeaderView* rows = grid.verticalHeader();
    const QPoint header4(rows->width() / 2,
                         rows->sectionViewportPosition(3) + rows->sectionSize(3) / 2);
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, header4);
    EXPECT_EQ(last(clicks), (QVariantList{0, 4}));
    EXPECT_EQ(grid.ActiveRow(), 4);
    EXPECT_EQ(grid.ActiveCol(), 0);
    QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, header4);
    EXPECT_EQ(last(doubleClicks), (QVariantList{0, 4}));

    QHeaderView* cols = grid.horizontalHeader();
    QTest::mouseClick(cols->viewport(), Qt::LeftButton, {},
                      QPoint(cols->sectionViewportPosition(2) + 5, cols->height() / 2));
    EXPECT_EQ(last(clicks), (QVariantList{3, 0}));

    auto* corner = grid.findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    QTest::mouseClick(corner, Qt::LeftButton);
    EXPECT_EQ(last(clicks), (QVariantList{0, 0}));
}

TEST_F(SpreadTest, CellDoubleClickReportsColAndRow) {
    QSignalSpy doubleClicks(&grid, &Spread::DblClick);
    // A real double-click: press and release, then the double-click event and its release.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCenter(1, 2));
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cellCenter(1, 2));
    EXPECT_EQ(last(doubleClicks), (QVariantList{1, 2}));
}

TEST_F(SpreadTest, ActiveCellStaysInsideTheGrid) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCenter(3, 4));
    grid.SetRow(4);
    grid.SetAction(kActionDeleteRow);
    grid.SetMaxRows(2);
    grid.SetMaxCols(2);
    EXPECT_EQ(grid.ActiveRow(), 2);
    EXPECT_EQ(grid.ActiveCol(), 2);
    grid.SetMaxRows(0);
    EXPECT_EQ(grid.ActiveRow(), 0);
    grid.SetMaxRows(3);
    EXPECT_EQ(grid.ActiveRow(), 1);
}

}  // namespace
}  // namespace dravesse
