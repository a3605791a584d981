// What the grid shows in each display mode, what clicks and Copy put on the clipboard, and the
// Display, Edit, Insert and Delete buttons.
#include <QAccessible>
#include <QApplication>

#include "controls/colors.h"
#include "main_window/form1_fixture.h"
#include "main_window/grid_routines.h"
#include "support/every_key_chord.h"

namespace dravesse::test {
namespace {

const QString mask = QStringLiteral("********");

// A click copies only while everything is masked and locked, Copy in every mode; both copy the
// stored value, never the grid's text, and nothing outside the stored rows. (That closing clears
// the copied value, or leaves another program's, the end-to-end run checks on the real clipboard.)
TEST_F(Form1Test, ClicksAndCopyTakeOnlyStoredValues) {
    unlock();
    // clang-format off
    struct Case { const char* what; qint16 mode; bool locked; qint32 col, row; };
    for (const Case& c : {Case{"title", 0, true, 2, 0}, {"below the table", 0, true, 1, 5}, {"column 1 shown", 1, true, 1, 1},
                          {"all shown", 2, true, 2, 1}, {"editing on", 0, false, 2, 1}, {"masked", 0, true, 2, 2}}) {
        // clang-format on
        form->vaSpread1->SetMaxRows(5);  // row 5 lies below the stored table
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        GridMode = c.mode;
        form->vaSpread1->SetLock(c.locked);
        form->vaSpread1_Click(c.col, c.row);
        EXPECT_EQ(clipboardText(), c.col == 2 && c.row == 2 ? "pw" : "before") << c.what;
    }
    // Copy, the copy key and the grid's menu; never the grid's text, never the mask.
    form->vaSpread1->SetText(2, 1, QStringLiteral("unsaved"));
    form->vaSpread1->setCurrentCell(0, 1);
    for (int way = 0; way < 9; ++way) {
        GridMode = static_cast<qint16>(way % 3);
        QGuiApplication::clipboard()->clear();
        if (way < 3) form->SSCommand2->click();
        if (way >= 3 && way < 6) QTest::keyClick(form->vaSpread1, Qt::Key_C, Qt::ControlModifier);
        if (way >= 6) form->GridMenu(1, 2)->actions().first()->trigger();
        EXPECT_EQ(clipboardText(), QStringLiteral("s3cret")) << way;
    }
}

// A cell editor shows its text in clear, but no key chord in it writes the clipboard or the
// selection (the grid's own Copy is the way out).
TEST_F(Form1Test, CellEditorsKeepTheirText) {
    unlock(true, true);
    ExpectNoChordCopies([&]() -> QLineEdit* {
        if (EditFlag != 1) {  // Ctrl+L locked the window
            open();
            unlock(true, true);
        }
        form->vaSpread1->CommitEdit();
        form->vaSpread1->setCurrentCell(0, 1);
        static_cast<QAbstractItemView*>(form->vaSpread1)->edit(form->vaSpread1->currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (editor) editor->setText(QStringLiteral(u"s3cret 口座"));
        if (editor) editor->selectAll();
        return editor;
    });
}

// The keys reach what the mouse does. A move chooses the cell (Copy takes it, the entry box shows
// its row's name for renaming) without copying; Shift+Space chooses the row for Insert and Delete;
// Ctrl+Tab leaves the grid, keeping an open editor's text, and Ctrl+Shift+Tab comes back to the
// control before it. Every control that Tab reaches is named for screen readers.
TEST_F(Form1Test, KeysDoWhatTheMouseDoes) {
    unlock(true, true);
    Spread* const grid = form->vaSpread1;
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(std::tuple(CurRow, CurCol, form->Text1->text()), std::tuple(2, 1, "Mail"));
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    form->SSCommand2->click();
    EXPECT_EQ(clipboardText(), QStringLiteral("alice@example.org"));
    QTest::keyClick(grid, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(std::pair(grid->ActiveRow(), grid->ActiveCol()), std::pair(2, 0));
    EXPECT_TRUE(form->SSCommand5->isEnabled() && form->SSCommand6->isEnabled());
    QTest::keyClicks(grid, QStringLiteral("x"));
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(QApplication::focusWidget())->text(QAccessible::Name),
        QStringLiteral("User Name"));  // the open editor, by its column's title
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(cell(1, 2), QStringLiteral("x"));
    const std::vector<QWidget*> tabOrder{
        form->Text1,      form->SSCommand2, form->SSCommand4, form->SSCommand3,
        form->SSCommand1, form->SSCommand5, form->SSCommand6, grid};
    for (QWidget* expected : tabOrder) {
        EXPECT_EQ(QApplication::focusWidget(), expected);
        EXPECT_FALSE(
            QAccessible::queryAccessibleInterface(expected)->text(QAccessible::Name).isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Tab in the grid moved to the next cell, which disabled Insert and Delete again.
    EXPECT_EQ(std::pair(grid->currentRow(), grid->currentColumn()), std::pair(1, 1));
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->SSCommand1);
}

// Display cycles through the three modes, masking by mode; a refill stops at the first unnamed
// row. In full view Edit unlocks the cells and shows the active row's name for renaming; Display
// forces it off.
TEST_F(Form1Test, DisplayCyclesThroughTheModesAndEditTogglesInFullView) {
    unlock(true);
    // clang-format off
    struct Step { qint16 mode; quint32 color; QLineEdit::EchoMode echo; bool editAndSave; QStringList row1; };  // row1: name, columns 1 to 3
    for (const Step& s : {Step{0, kButtonFace, QLineEdit::Password, false, {"Bank", mask, mask, mask}},
                          Step{1, kLightCyan, QLineEdit::Normal, false, {"Bank", "alice", mask, mask}},
                          Step{2, kCyan, QLineEdit::Password, true, {"Bank", "alice", "s3cret", QStringLiteral(u"口座 1234")}}}) {
        // clang-format on
        SCOPED_TRACE(s.mode);
        form->Text1->setText(QStringLiteral("typed"));
        form->SSCommand1->click();
        EXPECT_EQ(GridMode, s.mode);
        EXPECT_EQ(form->SSCommand1->BackColor(), s.color);
        EXPECT_EQ(form->Text1->echoMode(), s.echo);
        EXPECT_EQ(form->Text1->text(), QString());
        EXPECT_EQ(form->SSCommand3->isEnabled(), s.editAndSave);
        EXPECT_EQ(form->SSCommand4->isEnabled(), s.editAndSave);
        EXPECT_EQ((QStringList{cell(0, 1), cell(1, 1), cell(2, 1), cell(3, 1)}), s.row1);
        EXPECT_TRUE(form->SSCommand1->isEnabled() && form->SSCommand2->isEnabled());
        EXPECT_FALSE(form->SSCommand5->isEnabled() || form->SSCommand6->isEnabled());
    }
    EXPECT_EQ(cell(2, 0), QStringLiteral("Login"));
    form->vaSpread1->setCurrentCell(1, 0);
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
    ItemTable[1][0].clear();  // the rows from Mail on disappear from the grid
    FillGrid(*form->vaSpread1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("Bank"));
    for (int r = 2; r <= 4; ++r) EXPECT_EQ(cell(0, r) + cell(2, r), QString()) << r;
}

// A new password only in an item's value cell while editing is on, by the menu or Ctrl+G; the
// clipboard is never touched.
TEST_F(Form1Test, GeneratePasswordOnlyInItemValuesWhileEditing) {
    unlock(true);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    // clang-format off
    struct Case { bool editing; qint32 col, row; bool works; };  // row 3 holds the credentials
    for (const Case& c : {Case{false, 2, 1, false}, {true, 0, 1, false}, {true, 2, 0, false}, {true, 2, 3, false}, {true, 3, 4, true}}) {
        // clang-format on
        if (c.editing != (EditFlag == 1)) form->SSCommand3->click();
        const QString before = cell(c.col, c.row);
        const auto menu = form->GridMenu(c.row, c.col);
        EXPECT_EQ(menu->actions()[1]->isEnabled(), c.works);
        menu->actions()[1]->trigger();
        EXPECT_EQ(cell(c.col, c.row).size(), c.works ? 20 : before.size()) << c.col << c.row;
        EXPECT_EQ(cell(c.col, c.row) != before, c.works);
    }
    form->vaSpread1->setCurrentCell(0, 0);
    QTest::keyClick(form->vaSpread1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(cell(1, 1).size(), 20);
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
}

// Insert stops short of the rows the item file can hold; Delete leaves at least two rows. Only
// the grid changes: the stored table follows at Save.
TEST_F(Form1Test, InsertAndDeleteStayWithinTheRowLimits) {
    // rows, the active row, rows afterwards and the active row's name afterwards
    // clang-format off
    const std::tuple<int, int, int, const char*> cases[] = {
        {97, 97, 98, "New97"}, {98, 98, 98, "Item98"}, {99, 5, 99, "Item5"}, {3, 2, 2, "Item3"}, {2, 1, 2, "Item1"}};
    // clang-format on
    for (const auto& [rows, active, after, name] : cases) {
        SCOPED_TRACE(rows);
        open();
        unlock(true);
        form->vaSpread1->SetMaxRows(rows);
        for (int r = 1; r <= rows; ++r)
            form->vaSpread1->SetText(0, r, QStringLiteral("Item%1").arg(r));
        form->vaSpread1->setCurrentCell(active - 1, 0);
        form->vaSpread1_Click(0, active);
        (rows >= 97 ? form->SSCommand5 : form->SSCommand6)->click();
        EXPECT_EQ(form->vaSpread1->MaxRows(), after);
        EXPECT_EQ(cell(0, active), QString::fromUtf8(name));
        EXPECT_EQ(RowCount, 4);
    }
}

}  // namespace
}  // namespace dravesse::test
