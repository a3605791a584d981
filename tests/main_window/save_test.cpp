// Save: a save that works, every way of writing nothing, and random command sequences checked
// against a model.
#include <QRandomGenerator>

#include "main_window/form1_fixture.h"
#include "main_window/main_window_texts.h"
#include "store/read_item_file.h"
#include "store/store_texts.h"
#include "support/folder_snapshot.h"

namespace dravesse::test {
namespace {

// Save commits a still open cell editor, says nothing and leaves the view as it was.
TEST_F(Form1Test, SaveWritesTheGridSilentlyAndKeepsTheView) {
    open();
    unlock(true, true);
    form->vaSpread1->SetText(0, 4, QStringLiteral("Cards"));
    form->vaSpread1->setCurrentCell(0, 0);
    QTest::keyClick(form->vaSpread1, Qt::Key_F2);
    auto* editor = form->vaSpread1->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("bob"));
    form->SSCommand4->click();
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(GridMode * 10 + EditFlag, 21);  // full view, editing on
    EXPECT_TRUE(form->SSCommand4->isEnabled());
    EXPECT_EQ(cell(1, 1), QStringLiteral("bob"));
    ResetSharedState();  // and it reads back
    AppPath = folder.path();
    ASSERT_EQ(ReadItemFile(), 4);
    EXPECT_EQ(ItemTable[0][1], QStringLiteral("bob"));
    EXPECT_EQ(ItemTable[3][0], QStringLiteral("Cards"));
}

// Every question declined and every refusal leaves the folder and the stored table unchanged.
// An empty expected prompt stands for a store message, which ends with the nothing-saved note.
TEST_F(Form1Test, SaveThatWritesNothingLeavesFileAndTableUnchanged) {
    const QString save = kSaveTitle, nl = QStringLiteral("\r\n");
    struct Case {
        const char* what;
        int col, row;
        const char* text;  // put into the grid first; nullptr: writing the file fails
        int answer;        // to the first question; later ones are answered OK
        std::vector<ShownMessage> shown;
    };
    const Case cases[] = {
        {"gap", 0, 2, "", kIdCancel, {{kUnnamedRowQuestion.arg(2), 49, save}}},
        {"no credentials", 0, 3, "X", kIdCancel, {{kNoCredentialsQuestion, 17, save}}},
        {"first row unnamed",
         0,
         1,
         "",
         kIdOk,
         {{kUnnamedRowQuestion.arg(1), 49, save},
          {kNoCredentialsQuestion, 17, save},
          {kNothingToSaveText, 48, save}}},
        {"same passwords",
         3,
         3,
         "login!",
         kIdCancel,
         {{kSamePasswordsText + nl + kSaveAnywayText, 49, save}}},
        {"hint is login",
         1,
         3,
         "login!",
         kIdCancel,
         {{kHintIsLoginText + nl + kSaveAnywayText, 49, save}}},
        {"hint is edit",
         1,
         3,
         "edit!",
         kIdCancel,
         {{kHintIsEditText + nl + kSaveAnywayText, 49, save}}},
        {"store refuses a comma", 1, 1, "a,b", kIdOk, {{"", 48, save}}},
        {"write fails", 0, 0, nullptr, kIdOk, {{"", 48 | 4096, kErrorTitle}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        ASSERT_TRUE(WriteItemFile());
        unlock(true, true);
        const FolderSnapshot before = SnapshotFolder(folder.path());
        const Table table = ItemTable;
        if (c.text)
            form->vaSpread1->SetText(c.col, c.row, QString::fromUtf8(c.text));
        else
            SetSaveFaultHook([](SaveStep s) { return s == SaveStep::WriteTemp; });
        messages.answerNext(c.answer);
        form->SSCommand4->click();
        SetSaveFaultHook({});
        ASSERT_EQ(messages.shown().size(), c.shown.size());
        for (size_t i = 0; i < c.shown.size(); ++i) {
            const ShownMessage& got = messages.shown()[i];
            EXPECT_EQ(std::pair(got.style, got.title),
                      std::pair(c.shown[i].style, c.shown[i].title));
            if (c.shown[i].prompt.isEmpty())
                EXPECT_TRUE(got.prompt.endsWith(kNothingSavedText)) << i;
            else
                EXPECT_EQ(got.prompt, c.shown[i].prompt) << i;
        }
        EXPECT_EQ(SnapshotFolder(folder.path()), before);
        EXPECT_EQ(ItemTable, table);
        EXPECT_EQ(RowCount, 4);
    }
}

// Random sequences of Insert, Delete, row-header double-clicks, Display and Save (answering OK),
// checked against a model: the grid always shows what the model says, a refill shows the stored
// table, and a save stores exactly the grid's named rows. No stored row is ever lost.
TEST_F(Form1Test, NoSequenceOfGridCommandsLosesAStoredRow) {
    using Rows = QList<QStringList>;  // name and values
    auto collect = [](int rows, auto at) {
        Rows out(rows, QStringList(ColCount + 1));
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c <= ColCount; ++c) out[r][c] = at(r, c);
        return out;
    };
    auto gridRows = [&] {
        return collect(form->vaSpread1->MaxRows(), [&](int r, int c) { return cell(c, r + 1); });
    };
    auto storedRows = [&] {  // the display stops at the first unnamed row
        return collect(RowCount, [](int r, int c) {
            return ItemTable[r][0].isEmpty() ? QString() : ItemTable[r][c];
        });
    };
    for (quint32 seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        open();
        unlock(true, true);
        const QStringList empty(ColCount + 1);
        QRandomGenerator random(seed);
        Rows model = storedRows();
        for (int step = 0; step < 40; ++step) {
            const int rows = form->vaSpread1->MaxRows(), row = 1 + random.bounded(rows);
            switch (random.bounded(5)) {
                case 0:  // Insert
                    clickRowHeader(row);
                    form->SSCommand5->click();
                    if (row + 1 < 99 && rows < 99)
                        model.insert(row - 1,
                                     QStringList{QStringLiteral("New%1").arg(row)} + empty.mid(1));
                    break;
                case 1:  // Delete
                    clickRowHeader(row);
                    form->SSCommand6->click();
                    if (rows > 2) model.removeAt(row - 1);
                    break;
                case 2:  // double-click: an empty row above a named row, an empty row removed
                    clickRowHeader(row, true);
                    if (model[row - 1][0].isEmpty())
                        model.removeAt(row - 1);
                    else
                        model.insert(row - 1, empty);
                    break;
                case 3:  // Display three times: back in full view, refilled from the table
                    for (int i = 0; i < 3; ++i) form->SSCommand1->click();
                    form->SSCommand3->click();
                    model = storedRows();
                    break;
                case 4: {
                    form->SSCommand4->click();
                    int named = 0;
                    while (named < model.size() && !model[named][0].isEmpty()) ++named;
                    if (named > 0) {
                        EXPECT_EQ(storedRows(), model.mid(0, named)) << step;
                    }
                    break;
                }
            }
            ASSERT_EQ(gridRows(), model) << "step " << step;
        }
    }
}

}  // namespace
}  // namespace dravesse::test
