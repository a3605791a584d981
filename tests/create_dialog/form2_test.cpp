// The create dialog: its fit to the column count, Enter and Tab in its boxes, closing, and Save.
#include "create_dialog/form2.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/message_box.h"
#include "controls/panel3d.h"
#include "controls/twips.h"
#include "store/item_file_format.h"
#include "store/write_item_file.h"
#include "support/every_key_chord.h"
#include "support/folder_snapshot.h"

namespace dravesse::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Typed = std::vector<std::pair<int, QString>>;  // box index, text

class Form2Test : public testing::Test {
  protected:
    void SetUp() override { open(); }
    void TearDown() override { SetSaveFaultHook({}); }

    // A fresh dialog on screen over an empty program folder, both passwords and the hint word
    // typed and then `typed`, no message recorded.
    void open(const Typed& typed = {}) {
        folder.emplace();
        ASSERT_TRUE(folder->isValid());
        ResetSharedState();
        AppPath = folder->path();
        messages.clear();
        dialog = std::make_unique<Form2>();
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        for (const Typed& t : {Typed{{2, "login-pw"}, {3, "edit-pw"}, {4, "hint"}}, typed})
            for (const auto& [i, text] : t) box(i)->setText(text);
    }

    QLineEdit* box(int i) const { return dialog->Text1[i]; }
    QWidget* focus() const { return QApplication::focusWidget(); }
    // How many of the widgets are shown, all before the hidden ones; -1 when not so.
    static int shown(const auto& w) {
        const auto on = [](auto x) { return !x->isHidden(); };
        return std::ranges::is_partitioned(w, on) ? int(std::ranges::count_if(w, on)) : -1;
    }
    // A click on Save in a fresh dialog; whatever Save does, it stores the passwords and the hint
    // word trimmed.
    void save(const Typed& typed) {
        open(typed);
        QTest::mouseClick(dialog->SSCommand1, Qt::LeftButton);
        EXPECT_EQ(LoginPass, box(2)->text().trimmed());
        EXPECT_EQ(EditPass, box(3)->text().trimmed());
        EXPECT_EQ(HintWord, box(4)->text().trimmed());
    }
    // No file in the program folder, and the shared table as it was before.
    void expectNothingStored() const {
        EXPECT_TRUE(SnapshotFolder(folder->path()).isEmpty());
        EXPECT_EQ(int(RowCount), 0);
        EXPECT_TRUE(ItemTable[0][0].isEmpty());
    }

    std::optional<QTemporaryDir> folder;
    MsgBoxScript messages;
    std::unique_ptr<Form2> dialog;
};

// From box 0, Enter (either key) visits every shown box in order and wraps to box 0; it never
// presses a button. Tab and Shift+Tab follow the tab order, the shown boxes, Close and Save, both
// ways round. Every control they reach is named for screen readers: a box by its label.
TEST_F(Form2Test, EnterWalksTheShownBoxesAndTabFollowsTheTabOrder) {
    for (int cols : {3, 5, 7})
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab, Qt::Key_Backtab}) {
            SCOPED_TRACE(testing::Message() << cols << " columns, key " << key);
            box(1)->setText(QString::number(cols));
            dialog->ArrangeColumns();
            std::vector<QWidget*> order(dialog->Text1.begin(), dialog->Text1.begin() + cols + 5);
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
                order.insert(order.end(), {dialog->SSCommand2, dialog->SSCommand1});
            if (key == Qt::Key_Backtab) std::reverse(order.begin() + 1, order.end());
            const auto mods = key == Qt::Key_Enter     ? Qt::KeypadModifier
                              : key == Qt::Key_Backtab ? Qt::ShiftModifier
                                                       : Qt::NoModifier;
            box(0)->setFocus();
            for (size_t i = 0; i < order.size(); ++i) {
                const auto at = std::ranges::find(dialog->Text1, focus()) - dialog->Text1.begin();
                EXPECT_EQ(QAccessible::queryAccessibleInterface(focus())->text(QAccessible::Name),
                          at < 12 ? dialog->Label1[at]->text()
                                  : static_cast<QPushButton*>(focus())->text());
                QTest::keyClick(focus(), key, mods);
                EXPECT_EQ(focus(), order[(i + 1) % order.size()]) << i;
            }
            EXPECT_TRUE(dialog->isVisible());
        }
    EXPECT_TRUE(messages.shown().empty());
}

// Both count boxes typed into, then Enter (or Tab or Shift+Tab, leaving the box) in box `enter`
// (none when -1). Either way a count box is confirmed: it holds the rows to 7..32 and the columns
// to 3..7 (rounded half to even), fits the title boxes, frames and outer height to the columns and
// the focus moves on. Other keys go into the box as typed and fit nothing. Hidden title boxes keep
// their text.
TEST_F(Form2Test, CountBoxesFitTheDialog) {
    EXPECT_EQ(focus(), box(0));
    // clang-format off
    struct Case { int enter; const char *rows, *cols, *rowsShown, *colsShown; int titles; Qt::Key key = Qt::Key_Return; };
    const Case cases[] = {
        {0, "7", "3", "7", "3", 3}, {0, "7", "4", "7", "4", 4}, {0, "7", "5", "7", "5", 5}, {0, "7", "6", "7", "6", 6},
        {0, "7", "7", "7", "7", 7}, {0, "7", "2", "7", "3", 3}, {0, "7", "12", "7", "7", 7}, {0, "7", "4.5", "7", "4.5", 4},
        {0, "40", "5", "32", "5", 5, Qt::Key_Tab}, {0, "3", "5", "7", "5", 5}, {0, "99999", "9", "32", "7", 7},
        {1, "7", "9", "7", "7", 7, Qt::Key_Tab}, {1, "7", "1", "7", "3", 3, Qt::Key_Backtab}, {1, "7", "12", "7", "7", 7},
        {-1, "9a ,", "9a ,", "9a ,", "9a ,", 5}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << '|' << c.cols << '|' << c.enter);
        open({{0, ""}, {1, ""}});
        box(4)->setFocus();
        QTest::keyClicks(box(0), c.rows);
        QTest::keyClicks(box(1), c.cols);
        if (c.enter >= 0) {
            box(c.enter)->setFocus();
            QTest::keyClick(box(c.enter), c.key,
                            c.key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        }
        EXPECT_EQ(box(0)->text(), c.rowsShown);
        EXPECT_EQ(box(1)->text(), c.colsShown);
        EXPECT_EQ(focus(), box(c.enter < 0 ? 4 : c.key == Qt::Key_Backtab ? 0 : c.enter + 1));
        EXPECT_EQ(shown(dialog->Text1), c.titles + 5);
        EXPECT_EQ(shown(dialog->SSFrame1), c.titles + 4);
        EXPECT_EQ(dialog->frameGeometry().height(), TwipsToPixels(7425 - (7 - c.titles) * 630));
        EXPECT_EQ(box(11)->text(), QStringLiteral("Aux"));
    }
}

// The login and edit passwords leave the dialog only by Save: no key chord in their boxes writes
// the clipboard or the selection, and there is no menu (Qt's has Copy and Cut). The hint word is
// no secret: its box has the menu. Typing, undo and paste still work in a password box.
TEST_F(Form2Test, PasswordBoxesKeepTheirText) {
    for (int b : {2, 3}) {
        SCOPED_TRACE(b);
        ExpectNoChordCopies([&]() -> QLineEdit* {
            if (!dialog->isVisible()) open();
            box(b)->setFocus();
            box(b)->setText(QStringLiteral(u"s3cret 口座"));
            box(b)->selectAll();
            return box(b);
        });
    }
    for (int b : {2, 4}) {
        open();
        QContextMenuEvent event(QContextMenuEvent::Mouse, {2, 2},
                                box(b)->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(box(b), &event);
        QWidget* menu = QApplication::activePopupWidget();
        EXPECT_EQ(menu != nullptr, b == 4) << "a menu in box " << b;
        if (menu) menu->close();
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClicks(box(2), QStringLiteral("ab"));  // after "login-pw"
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
    for (const auto& [key, mods, text] : {std::tuple{Qt::Key_Left, shift, "login-pwab"},
                                          {Qt::Key_V, ctrl, "login-pwapasted"},
                                          {Qt::Key_Z, ctrl, "login-pwab"},
                                          {Qt::Key_Z, ctrl | shift, "login-pwapasted"}}) {
        QTest::keyClick(box(2), key, mods);
        EXPECT_EQ(box(2)->text(), QString::fromLatin1(text));
    }
}

// Close, Escape and the title bar's close button end the dialog and write nothing.
TEST_F(Form2Test, EveryWayOfClosingWritesNothing) {
    const std::function<void()> ways[] = {
        [&] { QTest::mouseClick(dialog->SSCommand2, Qt::LeftButton); },
        [&] { QTest::keyClick(box(3), Qt::Key_Escape); }, [&] { dialog->close(); }};
    for (const auto& way : ways) {
        SCOPED_TRACE(&way - ways);
        open();
        way();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_TRUE(messages.shown().empty());
        EXPECT_TRUE(LoginPass.isEmpty());
        expectNothingStored();
    }
}

// What Save does with the entries. Refused, it shows the first check that fails only (a refusal
// given here by its first line is compared to that line), stores nothing and stays open. Accepted,
// it closes, and the store reads the file back: the header, rows "New1" onwards with empty values,
// and the credentials row second to last, its hint word linked from row 0. Title boxes up to the
// column count are read even when hidden, later ones never.
TEST_F(Form2Test, SaveRefusesOrWritesTheFirstItemFile) {
    const QString different = u"\r\n異なるパスワードを設定してください。"_s;
    const QString rows = u"行数（パスワードの数）が範囲外です。"_s, cols = u"列数が範囲外です。"_s;
    const QString bad = u"に使用できない文字が含まれています。"_s;
    const QString five = "User Name,Login,Confirm,Kouza No,Card Password";
    // clang-format off
    struct Case { Typed typed; QString refusal, header{}; };
    const Case cases[] = {
        {{{2, ""}, {3, ""}, {4, ""}}, u"ログインパスワードが設定されていません。\r\n"_s},
        {{{3, "  "}, {4, "login-pw"}}, u"編集パスワードが設定されていません。\r\n"_s},
        {{{2, " pw "}, {3, "pw  "}, {4, "pw"}}, u"ログインパスワードと編集パスワードが同じです。"_s + different},
        {{{4, " login-pw"}}, u"ログインパスワードと連想言葉が同じです。"_s + different},
        {{{4, "edit-pw"}}, u"編集パスワードと連想言葉が同じです。"_s + different},
        {{{0, "1"}}, rows + u"\r\n行数は２から９９までの数を設定してください。"_s}, {{{0, "100"}}, rows}, {{{1, "2"}}, cols}, {{{1, "8"}}, cols},
        {{{2, "a,b"}}, u"ログインパスワード"_s + bad}, {{{3, ",x"}}, u"編集パスワード"_s + bad},
        {{{4, "h\nx"}}, u"連想言葉"_s + bad}, {{{1, "7"}, {11, "A\rB"}}, u"第７列項目名"_s + bad},
        {{{2, QString(700, u'x')}}, u"入力された文字が長すぎて保存できません。"_s},
        // Accepted: passwords differing only in case; an empty hint word, 3 rows, 7 columns;
        // 99 rows, an emptied title and a title past the column count.
        {{{2, "  Secret "}, {3, "secret"}, {4, "SECRET"}}, {}, "7x5," + five},
        {{{4, "  "}, {0, "3"}, {1, "7"}, {10, " Phone No "}}, {}, "3x7," + five + ",Phone No,Aux"},
        {{{0, "99"}, {5, ""}, {10, "a,b"}}, {}, "99x5,,Login,Confirm,Kouza No,Card Password"}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.refusal.toStdString() << c.header.toStdString());
        save(c.typed);
        const bool refused = !c.refusal.isEmpty();
        EXPECT_EQ(dialog->isVisible(), refused);
        EXPECT_EQ(dialog->result(), refused ? QDialog::Rejected : QDialog::Accepted);
        ASSERT_EQ(messages.shown().size(), refused ? 1u : 0u);
        if (refused) {
            ShownMessage shown = messages.shown()[0];
            if (!c.refusal.contains(u'\r')) shown.prompt = shown.prompt.section(u"\r\n"_s, 0, 0);
            EXPECT_EQ(shown, (ShownMessage{c.refusal, kMbCritical, "Save/ Create Tamblet"}));
            expectNothingStored();
            continue;
        }
        const QByteArray bytes = ReadBytes(folder->filePath("Tamblet.csv"));
        EXPECT_TRUE(bytes.startsWith(c.header.toUtf8() + "\r\n"));
        const std::optional<ItemFileContents> file = ParseItemFile(bytes);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->linesRead, file->rowCount);
        EXPECT_TRUE(LinksMatch(file->table, file->rowCount, file->colCount));
        for (int r = 0; r < file->rowCount; ++r) {
            if (r == file->rowCount - 2) continue;  // the credentials row
            EXPECT_EQ(file->table[r][0], QStringLiteral("New%1").arg(r + 1));
            for (int col = 1; col <= file->colCount; ++col) EXPECT_EQ(file->table[r][col], "");
        }
        const auto& row = file->table[file->rowCount - 2];
        const QStringList credentials{"LoginPassword", HintWord,        LoginPass,
                                      EditPass,        "LoginPassword", "EditPassword"};
        EXPECT_EQ(QStringList(row.begin(), row.begin() + 6), credentials);
        EXPECT_EQ(file->table[0][file->colCount + 1], HintWord);
    }
}

// A real message box opens centred over the active window, its parent.
TEST_F(Form2Test, MessageBoxesOpenOverTheActiveWindow) {
    QRect shownAt;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box->parentWidget() == dialog.get()) shownAt = box->frameGeometry();
        box->close();
    });
    EXPECT_EQ(ShowMessageBox("Refused", kMbCritical, "Save/ Create Tamblet"), kIdOk);
    EXPECT_LE((shownAt.center() - dialog->frameGeometry().center()).manhattanLength(), 2);
}

// A first write that fails keeps the dialog open with everything typed, and says so; once the
// folder takes files again, Save writes the table and closes.
TEST_F(Form2Test, SaveStaysOpenWhenTheFileCannotBeWritten) {
    SetSaveFaultHook([](SaveStep step) { return step == SaveStep::CreateTemp; });
    save({{6, "Pass"}});
    ASSERT_EQ(messages.shown().size(), 1u);  // the store's own message
    EXPECT_EQ(messages.shown()[0].title, QStringLiteral("Error"));
    EXPECT_TRUE(
        messages.shown()[0].prompt.startsWith(u"   Can not open Tamblet.csv !    \r\nReason: "_s));
    EXPECT_TRUE(messages.shown()[0].prompt.endsWith(u"press Save again."_s));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(box(6)->text(), "Pass");
    EXPECT_TRUE(SnapshotFolder(folder->path()).isEmpty());
    SetSaveFaultHook({});
    QTest::mouseClick(dialog->SSCommand1, Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(ReadBytes(folder->filePath("Tamblet.csv")).startsWith("7x5,User Name,Pass,"));
}

}  // namespace
}  // namespace dravesse::test
