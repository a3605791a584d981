// What the grid shows in each display mode, and what clicks on it copy or change.
#include "main_window/form1_fixture.h"
#include "main_window/grid_routines.h"

namespace dravesse::test {
namespace {

TEST_F(Form1Test, FillGridMasksValuesByGridMode) {
    open();
    const QString mask = QStringLiteral("********");
    struct Case {
        qint16 mode;
        QStringList row1;  // name and columns 1 to 3 of the first row
    };
    const Case cases[] = {
        {0, {"Bank", mask, mask, mask}},
        {1, {"Bank", "alice", mask, mask}},
        {2, {"Bank", "alice", "s3cret", QStringLiteral(u"口座 1234")}},
    };
    for (const Case& c : cases) {
        GridMode = c.mode;
        FillGrid(*form->vaSpread1);
        QStringList row1;
        for (int col = 0; col <= 3; ++col) row1 << cell(col, 1);
        EXPECT_EQ(row1, c.row1) << c.mode;
        EXPECT_EQ(cell(0, 0), QStringLiteral("Item"));
        EXPECT_EQ(cell(2, 0), QStringLiteral("Login"));
        EXPECT_EQ(cell(0, 3), QStringLiteral("LoginPassword"));
    }
}

TEST_F(Form1Test, FillGridStopsAtTheFirstUnnamedRowAndDropsGridChanges) {
    ItemTable[1][0].clear();
    open();
    EXPECT_EQ(names(), (QStringList{"Bank", "", "", ""}));
    EXPECT_EQ(cell(1, 3), QString());

    ItemTable[1][0] = QStringLiteral("Mail");
    form->vaSpread1->SetText(0, 1, QStringLiteral("renamed"));
    form->vaSpread1->SetText(1, 4, QStringLiteral("typed"));
    FillGrid(*form->vaSpread1);
    EXPECT_EQ(names(), (QStringList{"Bank", "Mail", "LoginPassword", "Card"}));
    EXPECT_EQ(cell(1, 4), QStringLiteral("********"));
}

TEST_F(Form1Test, ClickOnAMaskedCellCopiesTheStoredValue) {
    open();
    showPanels();
    clickCell(2, 2);
    EXPECT_EQ(clipboardText(), QStringLiteral("pw"));
    EXPECT_EQ(cell(2, 2), QStringLiteral("********"));
    EXPECT_EQ(CurRow, 2);
    EXPECT_EQ(CurCol, 2);
}

TEST_F(Form1Test, ClicksThatCopyNothing) {
    open();
    showPanels();
    form->vaSpread1->SetMaxRows(6);  // rows 5 and 6 lie below the stored table
    struct Case {
        const char* what;
        qint16 mode;
        bool locked;
        qint32 col, row;
    };
    const Case cases[] = {
        {"column title", 0, true, 2, 0},    {"corner", 0, true, 0, 0},
        {"below the table", 0, true, 1, 5}, {"column 1 shown", 1, true, 1, 1},
        {"all shown", 2, true, 2, 1},       {"editing on", 0, false, 2, 1},
    };
    for (const Case& c : cases) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        GridMode = c.mode;
        form->vaSpread1->SetLock(c.locked);
        form->vaSpread1_Click(c.col, c.row);
        EXPECT_EQ(clipboardText(), QStringLiteral("before")) << c.what;
    }
}

TEST_F(Form1Test, CopyCellStaysInsideTheStoredTable) {
    open();
    for (auto [row, col] : {std::pair{0, 1}, {5, 1}, {1, -1}, {1, 4}, {1, 10}, {-3, 0}}) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        CurRow = row;
        CurCol = col;
        form->CopyCell();
        EXPECT_EQ(clipboardText(), QStringLiteral("before")) << row << "," << col;
    }
    CurRow = 4;
    CurCol = 0;
    form->CopyCell();
    EXPECT_EQ(clipboardText(), QStringLiteral("Card"));
}

TEST_F(Form1Test, RowHeaderClickOffersInsertAndDeleteOnlyInFullView) {
    open();
    showPanels();
    form->vaSpread1_Click(0, 2);
    EXPECT_FALSE(form->SSCommand5->isEnabled());
    GridMode = 2;
    clickRowHeader(2);
    EXPECT_TRUE(form->SSCommand5->isEnabled());
    EXPECT_TRUE(form->SSCommand6->isEnabled());
    EXPECT_EQ(form->vaSpread1->ActiveRow(), 2);
    EXPECT_EQ(form->vaSpread1->ActiveCol(), 0);
    clickCell(1, 3);
    EXPECT_FALSE(form->SSCommand5->isEnabled());
    EXPECT_FALSE(form->SSCommand6->isEnabled());
}

TEST_F(Form1Test, RowHeaderDoubleClicksInsertAndRemoveRowsWhileEditing) {
    open();
    showPanels();
    doubleClickRowHeader(2);  // editing off: only the chosen cell changes
    EXPECT_EQ(names(), (QStringList{"Bank", "Mail", "LoginPassword", "Card"}));
    EXPECT_EQ(CurRow, 2);
    EXPECT_EQ(CurCol, 0);

    EditFlag = 1;
    doubleClickRowHeader(2);  // a named row: an empty row above it
    EXPECT_EQ(names(), (QStringList{"Bank", "", "Mail", "LoginPassword", "Card"}));
    EXPECT_EQ(CurRow, 2);
    doubleClickRowHeader(2);  // the empty row: removed
    EXPECT_EQ(names(), (QStringList{"Bank", "Mail", "LoginPassword", "Card"}));
    EXPECT_EQ(RowCount, 4);  // the stored table is untouched
    EXPECT_EQ(ItemTable[1][0], QStringLiteral("Mail"));

    form->vaSpread1_DblClick(0, 0);  // the corner never inserts
    EXPECT_EQ(form->vaSpread1->MaxRows(), 4);
    EXPECT_EQ(cell(0, 0), QStringLiteral("Item"));
    EXPECT_EQ(CurRow, 0);
}

TEST_F(Form1Test, RowHeaderDoubleClickNeverGrowsTheGridBeyond99Rows) {
    open();
    EditFlag = 1;
    form->vaSpread1->SetMaxRows(99);
    form->vaSpread1_DblClick(0, 1);
    EXPECT_EQ(form->vaSpread1->MaxRows(), 99);
    EXPECT_EQ(cell(0, 1), QStringLiteral("Bank"));
}

TEST(CellValue, GivesTheTextACellShows) {
    EXPECT_EQ(CellValue(QVariant()), QString());
    EXPECT_EQ(CellValue(QVariant(QString())), QString());
    EXPECT_EQ(CellValue(5), QStringLiteral("5"));
    EXPECT_EQ(CellValue(qint16(-12)), QStringLiteral("-12"));
    EXPECT_EQ(CellValue(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(CellValue(QStringLiteral("  padded  ")), QStringLiteral("  padded  "));
}

TEST(ClearRows, ACountBelowOneClearsNothing) {
    Spread grid;
    grid.SetMaxCols(2);
    grid.SetMaxRows(3);
    grid.SetText(0, 1, QStringLiteral("A"));
    grid.SetText(1, 2, QStringLiteral("b"));
    ClearRows(grid, 1, 0);
    ClearRows(grid, 2, -1);
    EXPECT_EQ(ReadCell(grid, 1, 0), QStringLiteral("A"));
    ClearRows(grid, 1, 2);
    EXPECT_EQ(ReadCell(grid, 1, 0), QString());
    EXPECT_EQ(ReadCell(grid, 2, 1), QString());
}

}  // namespace
}  // namespace dravesse::test
