// Save: collecting the grid into the table, the questions before saving, and what is left when
// nothing is written.
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "main_window/form1_fixture.h"
#include "main_window/main_window_texts.h"
#include "main_window/save_from_grid.h"
#include "store/read_item_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/folder_snapshot.h"

namespace dravesse::test {
namespace {

class SaveTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(folder.isValid());
        AppPath = folder.path();
        SetSaveFaultHook({});
    }
    void TearDown() override {
        SetSaveFaultHook({});
        Form1Test::TearDown();
    }
    // The window in full view with editing on, as the user saves.
    void openForEditing() {
        open();
        fullView();
        form->SSCommand3->click();
        messages.clear();
    }
    void save() { form->SSCommand4->click(); }
    QStringList tableNames() {
        QStringList out;
        for (int r = 0; r < RowCount; ++r) out << ItemTable[r][0];
        return out;
    }

    QTemporaryDir folder;
};

TEST_F(SaveTest, SavesTheGridSilentlyAndKeepsTheView) {
    openForEditing();
    form->vaSpread1->SetText(1, 1, QStringLiteral("bob"));
    form->vaSpread1->SetText(0, 4, QStringLiteral("Cards"));
    save();
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(ItemTable[0][1], QStringLiteral("bob"));
    EXPECT_EQ(ItemTable[3][0], QStringLiteral("Cards"));
    EXPECT_EQ(ItemTable[4][0], QString());
    EXPECT_EQ(GridMode, 2);
    EXPECT_EQ(EditFlag, 1);
    EXPECT_TRUE(form->SSCommand4->isEnabled());
    EXPECT_EQ(cell(1, 1), QStringLiteral("bob"));

    ResetSharedState();  // and it reads back
    AppPath = folder.path();
    EXPECT_EQ(ReadItemFile(), 4);
    EXPECT_EQ(ItemTable[0][1], QStringLiteral("bob"));
    EXPECT_EQ(ItemTable[3][0], QStringLiteral("Cards"));
}

// Every way to write nothing leaves the folder and the table as they were.
struct NothingCase {
    const char* what;
    std::function<void(Form1Test&, Form1&)> change;
    std::vector<int> answers;
    std::vector<QString> titlesShown;  // message titles, in order
};

class NothingWrittenTest : public SaveTest, public testing::WithParamInterface<NothingCase> {};

TEST_P(NothingWrittenTest, LeavesFolderAndTableUnchanged) {
    const NothingCase& c = GetParam();
    PutInSharedState(SampleTable());
    ASSERT_TRUE(WriteItemFile());
    openForEditing();
    const FolderSnapshot before = SnapshotFolder(folder.path());
    const Table table = ItemTable;
    const int rows = RowCount;
    c.change(*this, *form);
    for (int a : c.answers) messages.answerNext(a);
    save();
    std::vector<QString> titles;
    for (const ShownMessage& m : messages.shown()) titles.push_back(m.title);
    EXPECT_EQ(titles, c.titlesShown);
    EXPECT_EQ(SnapshotFolder(folder.path()), before);
    EXPECT_EQ(ItemTable, table);
    EXPECT_EQ(RowCount, rows);
    SetSaveFaultHook({});
}

const QString save_ = QStringLiteral("Save / Dravesse");

INSTANTIATE_TEST_SUITE_P(
    Cases, NothingWrittenTest,
    testing::Values(
        NothingCase{"gap_declined",
                    [](Form1Test&, Form1& f) { f.vaSpread1->SetText(0, 2, QString()); },
                    {kIdCancel},
                    {save_}},
        NothingCase{"no_credentials_declined",
                    [](Form1Test&, Form1& f) { f.vaSpread1->SetText(0, 3, QStringLiteral("X")); },
                    {kIdCancel},
                    {save_}},
        NothingCase{"first_row_unnamed",
                    [](Form1Test&, Form1& f) { f.vaSpread1->SetText(0, 1, QString()); },
                    {kIdOk, kIdOk},
                    {save_, save_, save_}},
        NothingCase{
            "same_passwords_declined",
            [](Form1Test&, Form1& f) { f.vaSpread1->SetText(3, 3, QStringLiteral("login!")); },
            {kIdCancel},
            {save_}},
        NothingCase{
            "hint_is_a_password_declined",
            [](Form1Test&, Form1& f) { f.vaSpread1->SetText(1, 3, QStringLiteral("edit!")); },
            {kIdCancel},
            {save_}},
        NothingCase{"store_refuses_a_comma",
                    [](Form1Test&, Form1& f) { f.vaSpread1->SetText(1, 1, QStringLiteral("a,b")); },
                    {},
                    {save_}},
        NothingCase{"write_fails",
                    [](Form1Test&, Form1&) {
                        SetSaveFaultHook([](SaveStep s) { return s == SaveStep::WriteTemp; });
                    },
                    {},
                    {QStringLiteral("Error")}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SaveTest, QuestionsHaveTheirTexts) {
    openForEditing();
    form->vaSpread1->SetText(0, 2, QString());
    messages.answerNext(kIdCancel);
    save();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0],
              (ShownMessage{kUnnamedRowQuestion.arg(2), kMbExclamation | kMbOkCancel, save_}));

    messages.clear();
    form->vaSpread1->SetText(0, 2, QStringLiteral("Mail"));
    form->vaSpread1->SetText(0, 3, QStringLiteral("Other"));
    messages.answerNext(kIdCancel);
    save();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(
        messages.shown()[0].prompt,
        QStringLiteral(u"[LoginPassword]がありません。このまま保存終了すると、次回このファイル"
                       u"が開けなくなります。このまま保存しますか？"));
    EXPECT_EQ(messages.shown()[0].style, kMbCritical | kMbOkCancel);

    messages.clear();
    form->vaSpread1->SetText(0, 3, QStringLiteral("LoginPassword"));
    form->vaSpread1->SetText(1, 3, QStringLiteral("same"));
    form->vaSpread1->SetText(2, 3, QStringLiteral("same"));
    form->vaSpread1->SetText(3, 3, QStringLiteral("same"));
    messages.answerNext(kIdCancel);
    save();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].prompt,
              QStringLiteral(u"ログインパスワードと編集パスワードが同じです。\r\n"
                             u"ログインパスワードと連想言葉が同じです。\r\n"
                             u"編集パスワードと連想言葉が同じです。\r\nこのまま保存しますか？"));
}

TEST_F(SaveTest, AnsweringOkSavesTheRowsAboveTheGap) {
    openForEditing();
    form->vaSpread1->SetText(0, 4, QString());
    form->vaSpread1->SetText(0, 2, QString());  // Mail unnamed: Bank only, no credentials row
    save();
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(RowCount, 1);
    EXPECT_EQ(tableNames(), QStringList{"Bank"});
    EXPECT_EQ(ItemTable[1][0], QString());
}

TEST(CollectForSave, CountsUpTo99NamedGridRows) {
    ResetSharedState();
    ColCount = 1;
    MsgBoxScript messages;
    Spread grid;
    grid.SetMaxCols(1);
    grid.SetMaxRows(99);
    for (int r = 1; r <= 99; ++r) grid.SetText(0, r, QStringLiteral("R%1").arg(r));
    grid.SetText(0, 50, kCredentialsName);
    EXPECT_EQ(CollectForSave(grid), 99);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(ItemTable[98][0], QStringLiteral("R99"));
    EXPECT_EQ(ItemTable[99][0], QString());
}

// Random sequences of Insert, Delete, row-header double-clicks, Display and Save, checked
// against a model: the grid always shows what the model says, a refill shows the stored table,
// and a save stores exactly the grid's named rows. No stored row is ever lost.
TEST_F(SaveTest, NoSequenceOfGridCommandsLosesAStoredRow) {
    using Rows = QList<QStringList>;  // name and values
    auto gridRows = [&] {
        Rows out;
        for (int r = 1; r <= form->vaSpread1->MaxRows(); ++r) {
            QStringList row;
            for (int c = 0; c <= ColCount; ++c) row << cell(c, r);
            out << row;
        }
        return out;
    };
    auto storedRows = [&] {
        Rows out;
        for (int r = 0; r < RowCount; ++r) {
            QStringList row;
            bool named = !ItemTable[r][0].isEmpty();
            for (int c = 0; c <= ColCount; ++c) row << (named ? ItemTable[r][c] : QString());
            out << row;
        }
        return out;
    };
    const QStringList empty(ColCount + 1);
    for (quint32 seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        PutInSharedState(SampleTable());
        openForEditing();
        QRandomGenerator random(seed);
        Rows model = storedRows();
        for (int step = 0; step < 40; ++step) {
            const int rows = form->vaSpread1->MaxRows();
            const int row = 1 + random.bounded(rows);
            switch (random.bounded(5)) {
                case 0:  // Insert
                    clickRowHeader(row);
                    form->SSCommand5->click();
                    if (row + 1 < 99 && rows < 99) {
                        QStringList fresh = empty;
                        fresh[0] = QStringLiteral("New%1").arg(row);
                        model.insert(row - 1, fresh);
                    }
                    break;
                case 1:  // Delete
                    clickRowHeader(row);
                    form->SSCommand6->click();
                    if (rows > 2) model.removeAt(row - 1);
                    break;
                case 2:  // row-header double-click: insert above a named row, remove an empty one
                    doubleClickRowHeader(row);
                    if (!model[row - 1][0].isEmpty())
                        model.insert(row - 1, empty);
                    else
                        model.removeAt(row - 1);
                    break;
                case 3:  // Display three times: back in full view, refilled from the table
                    for (int i = 0; i < 3; ++i) form->SSCommand1->click();
                    form->SSCommand3->click();
                    model = storedRows();
                    break;
                case 4: {  // Save, answering OK to every question
                    save();
                    int named = 0;
                    while (named < model.size() && !model[named][0].isEmpty()) ++named;
                    if (named > 0) {
                        EXPECT_EQ(storedRows(), model.mid(0, named)) << step;
                    }
                    messages.clear();
                    break;
                }
            }
            ASSERT_EQ(gridRows(), model) << "step " << step;
        }
    }
}

}  // namespace
}  // namespace dravesse::test
