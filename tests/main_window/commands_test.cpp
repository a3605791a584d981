// The six buttons: the display cycle, editing, copying, inserting and deleting rows.
#include "controls/colors.h"
#include "main_window/form1_fixture.h"

namespace dravesse::test {
namespace {

TEST_F(Form1Test, DisplayCyclesThroughTheThreeModes) {
    open();
    unlock();
    const QString mask = QStringLiteral("********");
    struct Step {
        qint16 mode;
        quint32 color;
        QLineEdit::EchoMode echo;
        bool editAndSave;
        QString col1, col2;  // first row, as the grid shows it
    };
    const Step steps[] = {
        {1, kLightCyan, QLineEdit::Normal, false, "alice", mask},
        {2, kCyan, QLineEdit::Password, true, "alice", "s3cret"},
        {0, kButtonFace, QLineEdit::Password, false, mask, mask},
    };
    for (const Step& s : steps) {
        form->Text1->setText(QStringLiteral("typed"));
        form->SSCommand1->click();
        EXPECT_EQ(GridMode, s.mode);
        EXPECT_EQ(form->SSCommand1->BackColor(), s.color) << s.mode;
        EXPECT_EQ(form->Text1->echoMode(), s.echo) << s.mode;
        EXPECT_EQ(form->Text1->text(), QString()) << s.mode;
        EXPECT_EQ(form->SSCommand3->isEnabled(), s.editAndSave) << s.mode;
        EXPECT_EQ(form->SSCommand4->isEnabled(), s.editAndSave) << s.mode;
        EXPECT_EQ(cell(1, 1), s.col1) << s.mode;
        EXPECT_EQ(cell(2, 1), s.col2) << s.mode;
        EXPECT_TRUE(form->SSCommand1->isEnabled());
        EXPECT_TRUE(form->SSCommand2->isEnabled());
    }
    EXPECT_FALSE(form->SSCommand5->isEnabled());
    EXPECT_FALSE(form->SSCommand6->isEnabled());
}

TEST_F(Form1Test, EditUnlocksCellsAndDisplaySwitchesItOff) {
    open();
    fullView();
    clickCell(1, 2);
    form->SSCommand3->click();
    EXPECT_EQ(EditFlag, 1);
    EXPECT_EQ(form->SSCommand3->BackColor(), kLightCyan);
    EXPECT_FALSE(form->vaSpread1->Lock());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Item Name"));
    EXPECT_EQ(form->Text1->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(form->Text1->text(), QStringLiteral("Mail"));  // the active row's name

    form->SSCommand3->click();
    EXPECT_EQ(EditFlag, 0);
    EXPECT_TRUE(form->vaSpread1->Lock());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Password"));
    EXPECT_EQ(form->Text1->text(), QString());

    form->SSCommand3->click();
    form->SSCommand1->click();  // Display forces editing off
    EXPECT_EQ(EditFlag, 0);
    EXPECT_EQ(form->SSCommand3->BackColor(), kButtonFace);
    EXPECT_TRUE(form->vaSpread1->Lock());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Password"));
}

TEST_F(Form1Test, AnOpenCellEditorIsCommittedBeforeTheGridIsRead) {
    open();
    fullView();
    form->SSCommand3->click();
    form->vaSpread1->setCurrentCell(0, 0);
    QTest::keyClick(form->vaSpread1, Qt::Key_F2);
    auto* editor = form->vaSpread1->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("typed"));
    form->SSCommand5->setEnabled(true);
    form->SSCommand5->click();  // Insert reads the grid
    EXPECT_FALSE(form->vaSpread1->Editing());
    EXPECT_EQ(cell(1, 2), QStringLiteral("typed"));  // moved down with its row
}

TEST_F(Form1Test, CopyTakesTheStoredValueInEveryMode) {
    open();
    unlock();
    for (int press = 0; press < 3; ++press) {
        clickCell(2, 1);
        QGuiApplication::clipboard()->clear();
        form->SSCommand2->click();
        EXPECT_EQ(clipboardText(), QStringLiteral("s3cret")) << GridMode;
        form->SSCommand1->click();
    }
    fullView();
    form->SSCommand3->click();
    form->vaSpread1->SetText(2, 1, QStringLiteral("unsaved"));
    form->SSCommand2->click();
    EXPECT_EQ(clipboardText(), QStringLiteral("s3cret"));

    clickRowHeader(4);
    form->SSCommand2->click();
    EXPECT_EQ(clipboardText(), QStringLiteral("Card"));
}

// A table of n rows named "Item1" to "Itemn", the credentials row second.
void putRows(int n) {
    SaveInput in = SampleTable();
    in.rowCount = n;
    for (int r = 0; r < n; ++r)
        in.table[r] = {QStringLiteral("Item%1").arg(r + 1), QStringLiteral("v%1").arg(r + 1)};
    in.table[1] = SampleTable().table[2];
    PutInSharedState(in);
}

TEST_F(Form1Test, InsertAddsANamedRowAtTheActiveRow) {
    putRows(8);
    open();
    fullView();
    clickRowHeader(5);
    form->SSCommand5->click();
    EXPECT_EQ(form->vaSpread1->MaxRows(), 9);
    EXPECT_EQ(cell(0, 5), QStringLiteral("New5"));
    EXPECT_EQ(cell(1, 5), QString());
    EXPECT_EQ(cell(0, 6), QStringLiteral("Item5"));
    EXPECT_EQ(cell(0, 9), QStringLiteral("Item8"));
    EXPECT_EQ(RowCount, 8);  // the stored table follows only at Save

    form->SSCommand6->click();  // Delete the active row (the new one)
    EXPECT_EQ(form->vaSpread1->MaxRows(), 8);
    EXPECT_EQ(cell(0, 5), QStringLiteral("Item5"));
    EXPECT_EQ(RowCount, 8);
}

TEST_F(Form1Test, InsertNearTheEndOfTheFile) {
    struct Case {
        int rows, activeRow;
        bool inserts;
    };
    for (const Case c : {Case{97, 97, true}, Case{98, 98, false}, Case{99, 5, false}}) {
        putRows(c.rows);
        open();
        fullView();
        form->vaSpread1_Click(0, c.activeRow);
        form->vaSpread1->setCurrentCell(c.activeRow - 1, 0);
        const int before = form->vaSpread1->MaxRows();
        form->SSCommand5->click();
        EXPECT_EQ(form->vaSpread1->MaxRows(), before + (c.inserts ? 1 : 0)) << c.rows;
        EXPECT_LE(form->vaSpread1->MaxRows(), 99);
    }
}

TEST_F(Form1Test, DeleteKeepsAtLeastTwoRows) {
    putRows(3);
    open();
    fullView();
    clickRowHeader(2);
    form->SSCommand6->click();
    EXPECT_EQ(names(), (QStringList{"Item1", "Item3"}));
    form->SSCommand6->setEnabled(true);
    form->SSCommand6->click();
    EXPECT_EQ(names(), (QStringList{"Item1", "Item3"}));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(Form1Test, DisplayRefillShowsTheStoredTableAgain) {
    putRows(6);
    open();
    fullView();
    clickRowHeader(3);
    form->SSCommand6->click();
    form->SSCommand6->click();
    clickRowHeader(2);
    form->SSCommand5->click();
    form->SSCommand1->click();  // leaves full view: refilled from the table
    EXPECT_EQ(names(), (QStringList{"Item1", "LoginPassword", "Item3", "Item4", "Item5", "Item6"}));
    CurRow = 6;
    CurCol = 0;
    form->CopyCell();
    EXPECT_EQ(clipboardText(), QStringLiteral("Item6"));
}

TEST_F(Form1Test, CopyBelowTheStoredRowsCopiesNothing) {
    open();
    fullView();
    clickRowHeader(4);
    form->SSCommand5->click();  // the grid has 5 rows, the table 4
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    clickRowHeader(5);
    form->SSCommand2->click();
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
}

}  // namespace
}  // namespace dravesse::test
