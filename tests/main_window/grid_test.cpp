// What the grid shows in each display mode, what clicks and Copy put on the clipboard, and the
// Display, Edit, Insert and Delete buttons.
#include "controls/colors.h"
#include "main_window/form1_fixture.h"
#include "main_window/grid_routines.h"

namespace dravesse::test {
namespace {

const QString mask = QStringLiteral("********");

TEST_F(Form1Test, FillGridMasksByGridModeAndStopsAtTheFirstUnnamedRow) {
    open();
    const std::pair<qint16, QStringList> cases[] = {
        // the first row: name and columns 1 to 3
        {0, {"Bank", mask, mask, mask}},
        {1, {"Bank", "alice", mask, mask}},
        {2, {"Bank", "alice", "s3cret", QStringLiteral(u"口座 1234")}}};
    for (const auto& [mode, row1] : cases) {
        GridMode = mode;
        FillGrid(*form->vaSpread1);
        EXPECT_EQ((QStringList{cell(0, 1), cell(1, 1), cell(2, 1), cell(3, 1)}), row1) << mode;
    }
    EXPECT_EQ(cell(2, 0), QStringLiteral("Login"));
    ItemTable[1][0].clear();  // the rows from Mail on disappear from the grid
    FillGrid(*form->vaSpread1);
    EXPECT_EQ(names(), (QStringList{"Bank", "", "", ""}));
    EXPECT_EQ(cell(2, 3), QString());
}

// A click copies only while everything is masked and locked, Copy in every mode; both copy the
// stored value, never the grid's text, and nothing outside the stored rows.
TEST_F(Form1Test, ClicksAndCopyTakeOnlyStoredValues) {
    open();
    unlock();
    form->vaSpread1->SetMaxRows(5);  // row 5 lies below the stored table
    struct Case {
        const char* what;
        qint16 mode;
        bool locked;
        qint32 col, row;
    };
    for (const Case& c : {Case{"title", 0, true, 2, 0}, Case{"below the table", 0, true, 1, 5},
                          Case{"column 1 shown", 1, true, 1, 1}, Case{"all shown", 2, true, 2, 1},
                          Case{"editing on", 0, false, 2, 1}, Case{"masked", 0, true, 2, 2}}) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        GridMode = c.mode;
        form->vaSpread1->SetLock(c.locked);
        form->vaSpread1_Click(c.col, c.row);
        EXPECT_EQ(clipboardText(), c.col == 2 && c.row == 2 ? "pw" : "before") << c.what;
    }
    for (int mode = 0; mode < 3; ++mode) {
        GridMode = static_cast<qint16>(mode);
        form->vaSpread1->SetText(2, 1, QStringLiteral("unsaved"));
        clickCell(2, 1);
        QGuiApplication::clipboard()->clear();
        form->SSCommand2->click();
        EXPECT_EQ(clipboardText(), QStringLiteral("s3cret")) << mode;
    }
    clickRowHeader(5);
    form->SSCommand2->click();
    EXPECT_EQ(clipboardText(), QStringLiteral("s3cret"));
}

TEST_F(Form1Test, DisplayCyclesThroughTheThreeModes) {
    open();
    unlock();
    struct Step {
        qint16 mode;
        quint32 color;
        QLineEdit::EchoMode echo;
        bool editAndSave;
        QStringList row1;  // columns 1 and 2, as the grid shows them
    };
    for (const Step& s : {Step{1, kLightCyan, QLineEdit::Normal, false, {"alice", mask}},
                          Step{2, kCyan, QLineEdit::Password, true, {"alice", "s3cret"}},
                          Step{0, kButtonFace, QLineEdit::Password, false, {mask, mask}}}) {
        SCOPED_TRACE(s.mode);
        form->Text1->setText(QStringLiteral("typed"));
        form->SSCommand1->click();
        EXPECT_EQ(GridMode, s.mode);
        EXPECT_EQ(form->SSCommand1->BackColor(), s.color);
        EXPECT_EQ(form->Text1->echoMode(), s.echo);
        EXPECT_EQ(form->Text1->text(), QString());
        EXPECT_EQ(form->SSCommand3->isEnabled(), s.editAndSave);
        EXPECT_EQ(form->SSCommand4->isEnabled(), s.editAndSave);
        EXPECT_EQ((QStringList{cell(1, 1), cell(2, 1)}), s.row1);
        EXPECT_TRUE(form->SSCommand1->isEnabled() && form->SSCommand2->isEnabled());
        EXPECT_FALSE(form->SSCommand5->isEnabled() || form->SSCommand6->isEnabled());
    }
}

// Edit unlocks the cells and shows the active row's name for renaming; Display forces it off.
TEST_F(Form1Test, EditTogglesAndDisplaySwitchesItOff) {
    open();
    unlock(true);
    clickCell(1, 2);
    Button3D* const edit = form->SSCommand3;
    for (auto [button, on] :
         {std::pair{edit, true}, {edit, false}, {edit, true}, {form->SSCommand1, false}}) {
        button->click();
        EXPECT_EQ(EditFlag, on ? 1 : 0);
        EXPECT_EQ(form->vaSpread1->Lock(), !on);
        EXPECT_EQ(edit->BackColor(), on ? kLightCyan : kButtonFace);
        EXPECT_EQ(form->Label1->text(), on ? "Item Name" : "Password");
        EXPECT_EQ(form->Text1->echoMode(), on ? QLineEdit::Normal : QLineEdit::Password);
        EXPECT_EQ(form->Text1->text(), on ? "Mail" : "");
    }
}

// Insert stops short of the rows the item file can hold; Delete leaves at least two rows. Only
// the grid changes: the stored table follows at Save.
TEST_F(Form1Test, InsertAndDeleteStayWithinTheRowLimits) {
    struct Case {
        int rows, active, rowsAfter;
        const char* activeName;  // afterwards
    };
    for (const Case& c :
         {Case{97, 97, 98, "New97"}, Case{98, 98, 98, "Item98"}, Case{99, 5, 99, "Item5"},
          Case{3, 2, 2, "Item3"}, Case{2, 1, 2, "Item1"}}) {
        SCOPED_TRACE(c.rows);
        open(rows(c.rows));
        unlock(true);
        form->vaSpread1->setCurrentCell(c.active - 1, 0);
        form->vaSpread1_Click(0, c.active);
        (c.rows >= 97 ? form->SSCommand5 : form->SSCommand6)->click();
        EXPECT_EQ(form->vaSpread1->MaxRows(), c.rowsAfter);
        EXPECT_EQ(cell(0, c.active), QString::fromUtf8(c.activeName));
        EXPECT_EQ(RowCount, c.rows);
    }
}

}  // namespace
}  // namespace dravesse::test
