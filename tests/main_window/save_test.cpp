// Save: a save that works, every way of writing nothing, and random command sequences checked
// against a model.
#include <QHeaderView>
#include <QRandomGenerator>
#include <numeric>

#include "main_window/form1_fixture.h"
#include "main_window/main_window_texts.h"
#include "store/read_item_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/folder_snapshot.h"

namespace dravesse::test {
namespace {

// Save commits a still open cell editor, says nothing but the answered question about the
// emptied login password, and leaves the view as it was. A password generated in an editor is
// saved like typed text.
TEST_F(Form1Test, SaveWritesTheGridAndKeepsTheView) {
    unlock(true, true);
    form->vaSpread1->SetText(2, 3, QString());
    QLineEdit* editor = nullptr;
    for (int row : {3, 0}) {
        form->vaSpread1->setCurrentCell(row, row ? 2 : 0);
        QTest::keyClick(form->vaSpread1, Qt::Key_F2);
        editor = form->vaSpread1->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        if (row) QTest::keyClick(editor, Qt::Key_G, Qt::ControlModifier);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    const QString generated = cell(3, 4);
    EXPECT_EQ(generated.size(), 20);
    editor->setText(QStringLiteral("bob"));
    form->SSCommand4->click();
    EXPECT_EQ(
        messages.shown(),
        (std::vector<ShownMessage>{
            {kEmptyLoginText.arg("hoshizoramieru") + "\r\n" + kSaveAnywayText, 49, kSaveTitle}}));
    EXPECT_EQ(GridMode * 10 + EditFlag, 21);  // full view, editing on
    EXPECT_TRUE(form->SSCommand4->isEnabled());
    EXPECT_EQ(cell(1, 1), QStringLiteral("bob"));
    ResetSharedState();  // and it reads back
    AppPath = folder.path();
    ASSERT_EQ(ReadItemFile(), 4);
    EXPECT_EQ(ItemTable[0][1], QStringLiteral("bob"));
    EXPECT_EQ(LoginPass, QStringLiteral("hoshizoramieru"));
    EXPECT_EQ(ItemTable[3][3], generated);
}

// Every question declined and every refusal leaves the folder and the stored table unchanged.
// The grid's cell (col, row) gets text first; without text, writing the file fails. Answer: to
// the first question, later ones are answered OK. An empty expected prompt stands for a store
// message, which ends with the nothing-saved note.
TEST_F(Form1Test, SaveThatWritesNothingLeavesFileAndTableUnchanged) {
    const QString s = kSaveTitle, nl = QStringLiteral("\r\n");
    // clang-format off
    struct Case { int col, row; const char* text; int answer; std::vector<ShownMessage> shown; };
    const Case cases[] = {
        {0, 2, "",       kIdCancel, {{kUnnamedRowQuestion.arg(2), 49, s}}},                  // a gap
        {0, 3, "X",      kIdCancel, {{kNoCredentialsQuestion, 17, s}}},                      // no credentials row
        {0, 1, "",       kIdOk,     {{kNothingToSaveText, 48, s}}},                          // first row unnamed
        {3, 3, "login!", kIdCancel, {{kSamePasswordsText + nl + kSaveAnywayText, 49, s}}},   // edit password is login
        {1, 3, "login!", kIdCancel, {{kHintIsLoginText + nl + kSaveAnywayText, 49, s}}},
        {1, 3, "edit!",  kIdCancel, {{kHintIsEditText + nl + kSaveAnywayText, 49, s}}},
        {3, 3, "",       kIdCancel, {{kEmptyEditText.arg("kaze no tayorie") + nl + kSaveAnywayText, 49, s}}},  // emptied
        {0, 0, nullptr,  kIdOk,     {{"", 48 | 4096, kErrorTitle}}},                         // writing fails
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        open();
        ASSERT_TRUE(WriteItemFile());
        unlock(true, true);
        const FolderSnapshot before = SnapshotFolder(folder.path());
        const Table table = ItemTable;
        if (c.text)
            form->vaSpread1->SetText(c.col, c.row, QString::fromUtf8(c.text));
        else
            SetSaveFaultHook([](SaveStep step) { return step == SaveStep::WriteTemp; });
        messages.answerNext(c.answer);
        form->SSCommand4->click();
        SetSaveFaultHook({});
        std::vector<ShownMessage> shown = messages.shown();
        for (size_t i = 0; i < std::min(shown.size(), c.shown.size()); ++i)
            if (c.shown[i].prompt.isEmpty() && shown[i].prompt.endsWith(kNothingSavedText))
                shown[i].prompt.clear();
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(SnapshotFolder(folder.path()), before);
        EXPECT_EQ(ItemTable, table);
        EXPECT_EQ(RowCount, 4);
    }
}

// Random sequences of Insert, Delete, row-header double-clicks, Display and Save (answering OK),
// checked against a model of the grid's rows (name and values joined by "|") and of the stored row
// each shows (-1: none): the grid always shows what the model says, a refill shows the stored
// table, and a save stores exactly the grid's named rows. No stored row is ever lost, and the
// grid's menu and the masked click copy the stored value of the row chosen, or nothing.
TEST_F(Form1Test, NoSequenceOfGridCommandsLosesAStoredRow) {
    const QString empty(ColCount, u'|');
    auto unnamed = [](const QString& row) { return row.startsWith(u'|'); };
    auto rowsOf = [](int rows, auto at) {
        QStringList out(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c <= ColCount; ++c) out[r] += (c ? "|" : "") + at(r, c);
        return out;
    };
    auto grid = [&] {
        return rowsOf(form->vaSpread1->MaxRows(), [&](int r, int c) { return cell(c, r + 1); });
    };
    auto stored = [&] { return rowsOf(RowCount, [](int r, int c) { return ItemTable[r][c]; }); };
    auto clickRowHeader = [&](int row, bool twice) {  // then double-clicks it if twice
        QHeaderView* header = form->vaSpread1->verticalHeader();
        const QPoint at(header->width() / 2, header->sectionViewportPosition(row - 1) + 5);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    for (quint32 seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        open();
        unlock(true, true);
        QRandomGenerator random(seed);
        QStringList model = stored();
        auto storedRows = [&](int n) {
            std::vector<int> rows(model.size(), -1);
            std::iota(rows.begin(), rows.begin() + n, 0);
            return rows;
        };
        std::vector<int> origin = storedRows(RowCount);
        auto copies = [&](int row, auto copy) {  // as the model says
            QGuiApplication::clipboard()->setText(QStringLiteral("none"));
            copy();
            const int at = origin[row - 1];
            return clipboardText() == (at < 0 ? QStringLiteral("none") : ItemTable[at][2]);
        };
        for (int step = 0; step < 40; ++step) {
            const int rows = form->vaSpread1->MaxRows(), row = 1 + random.bounded(rows),
                      command = random.bounded(5);
            if (command < 3) clickRowHeader(row, command == 2);
            if (command == 0) {
                form->SSCommand5->click();  // Insert
                if (row + 1 < 99 && rows < 99) {
                    model.insert(row - 1, QStringLiteral("New%1").arg(row) + empty);
                    origin.insert(origin.begin() + row - 1, -1);
                }
            } else if (command == 1) {
                form->SSCommand6->click();  // Delete
                if (rows > 2) model.removeAt(row - 1), origin.erase(origin.begin() + row - 1);
            } else if (command == 2) {  // an empty row above a named row, an empty row removed
                if (unnamed(model[row - 1]))
                    model.removeAt(row - 1), origin.erase(origin.begin() + row - 1);
                else
                    model.insert(row - 1, empty), origin.insert(origin.begin() + row - 1, -1);
            } else if (command == 3) {  // Display three times: full view, refilled from the table
                form->SSCommand1->click();
                model = stored();
                origin = storedRows(RowCount);
                const int g = std::min(row, static_cast<int>(model.size()));
                EXPECT_TRUE(copies(g, [&] { form->vaSpread1_Click(2, g); })) << step;
                for (int i = 0; i < 2; ++i) form->SSCommand1->click();
                form->SSCommand3->click();
            } else {  // Save: the named rows at the top are stored; none: nothing changes
                const QStringList before = stored();
                form->SSCommand4->click();
                const auto named =
                    std::find_if(model.begin(), model.end(), unnamed) - model.begin();
                EXPECT_EQ(stored(), named ? model.mid(0, named) : before) << step;
                if (named) origin = storedRows(named);
            }
            ASSERT_EQ(grid(), model) << "step " << step;
            const int chosen = 1 + random.bounded(model.size());
            EXPECT_TRUE(
                copies(chosen, [&] { form->GridMenu(chosen, 2)->actions()[0]->trigger(); }));
        }
    }
}

}  // namespace
}  // namespace dravesse::test
