#include "form2_fixture.h"
#include "store/item_file_format.h"
#include "store/write_item_file.h"
#include "support/folder_snapshot.h"

namespace dravesse::test {
namespace {

const QString kTitle = QStringLiteral("Save/ Create Tamblet");

class SaveTest : public Form2Test {
  protected:
    void TearDown() override { SetSaveFaultHook({}); }

    QByteArray fileBytes() const { return ReadBytes(folder.filePath("Tamblet.csv")); }

    // Saves with the mouse and reads the written file back through the store.
    ItemFileContents saveAndReadBack() {
        clickSave();
        EXPECT_TRUE(messages.shown().empty());
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        const std::optional<ItemFileContents> file = ParseItemFile(fileBytes());
        if (!file) {
            ADD_FAILURE() << "no readable item file";
            return {};
        }
        EXPECT_EQ(file->linesRead, file->rowCount);
        EXPECT_TRUE(LinksMatch(file->table, file->rowCount, file->colCount));
        return *file;
    }

    void expectRefused(const QString& first, const QString& second) {
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0],
                  (ShownMessage{first + "\r\n" + second, kMbCritical, kTitle}));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(folderIsEmpty());
        EXPECT_EQ(int(RowCount), 0);
        EXPECT_TRUE(ItemTable[0][0].isEmpty());
    }
};

// Entries as typed (box 2, 3, 4), or the count boxes' texts, and the one refusal they get.
struct RefusalCase {
    const char* name;
    std::function<void(Form2&)> enter;
    const char16_t* first;
    const char16_t* second;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusalTest : public SaveTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ShowsTheFirstRefusalOnlyAndWritesNothing) {
    setCredentials();
    GetParam().enter(*dialog);
    clickSave();
    expectRefused(QString::fromUtf16(GetParam().first), QString::fromUtf16(GetParam().second));
    // Stored, trimmed, even though refused.
    EXPECT_EQ(LoginPass, box(2)->text().trimmed());
    EXPECT_EQ(HintWord, box(4)->text().trimmed());
}

std::function<void(Form2&)> entries(const char* login, const char* edit, const char* hint) {
    return [=](Form2& d) {
        d.Text1[2]->setText(login);
        d.Text1[3]->setText(edit);
        d.Text1[4]->setText(hint);
    };
}
std::function<void(Form2&)> typeInto(int i, const QString& text) {
    return [=](Form2& d) { d.Text1[i]->setText(text); };
}

constexpr auto kDifferent = u"異なるパスワードを設定してください。";
constexpr auto kNoCommas = u"カンマ（,）と改行は使用できません。";
constexpr auto kTooLong = u"入力された文字が長すぎて保存できません。";
constexpr auto kTooLongHow = u"パスワード、連想言葉、項目名を短くしてください。";
constexpr auto kRows = u"行数（パスワードの数）が範囲外です。";
constexpr auto kRowsHow = u"行数は７から３２までの数を設定してください。";
constexpr auto kCols = u"列数が範囲外です。";
constexpr auto kColsHow = u"列数は３から７までの数を設定してください。";

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    testing::Values(
        RefusalCase{"BothEmpty", entries("", "", ""), u"ログインパスワードが設定されていません。",
                    u""},
        RefusalCase{"LoginBlanks", entries("   ", "e", "h"),
                    u"ログインパスワードが設定されていません。", u""},
        RefusalCase{"EditBlanks", entries("l", "  ", "l"), u"編集パスワードが設定されていません。",
                    u""},
        RefusalCase{"SameAfterTrim", entries(" pw ", "pw  ", "pw"),
                    u"ログインパスワードと編集パスワードが同じです。", kDifferent},
        RefusalCase{"HintIsLogin", entries("l", "e", " l"),
                    u"ログインパスワードと連想言葉が同じです。", kDifferent},
        RefusalCase{"HintIsEdit", entries("l", "e", "e"), u"編集パスワードと連想言葉が同じです。",
                    kDifferent},
        RefusalCase{"OneRow", typeInto(0, "1"), kRows, kRowsHow},
        RefusalCase{"HundredRows", typeInto(0, "100"), kRows, kRowsHow},
        RefusalCase{"HugeRows", typeInto(0, "99999"), kRows, kRowsHow},
        RefusalCase{"TwoCols", typeInto(1, "2"), kCols, kColsHow},
        RefusalCase{"EightCols", typeInto(1, "8"), kCols, kColsHow},
        RefusalCase{"CommaInLogin", typeInto(2, "a,b"),
                    u"ログインパスワードに使用できない文字が含まれています。", kNoCommas},
        RefusalCase{"CommaInEdit", typeInto(3, ",x"),
                    u"編集パスワードに使用できない文字が含まれています。", kNoCommas},
        RefusalCase{"LineFeedInHint", typeInto(4, "h\nx"),
                    u"連想言葉に使用できない文字が含まれています。", kNoCommas},
        RefusalCase{"CommaInTitle1", typeInto(5, "User,Name"),
                    u"第１列項目名に使用できない文字が含まれています。", kNoCommas},
        RefusalCase{"ReturnInHiddenTitle7",
                    [](Form2& d) {
                        d.Text1[1]->setText("7");
                        d.Text1[11]->setText("A\rB");
                    },
                    u"第７列項目名に使用できない文字が含まれています。", kNoCommas},
        RefusalCase{"LongLogin", typeInto(2, QString(700, u'x')), kTooLong, kTooLongHow},
        RefusalCase{"LongTitles", typeInto(6, QString(30000, u'題')), kTooLong, kTooLongHow}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(SaveTest, WritesTheDesignTable) {
    box(2)->setText(QStringLiteral("  Secret "));
    box(3)->setText(QStringLiteral("secret"));  // differing only in case is accepted
    box(4)->setText(QStringLiteral("SECRET"));
    const ItemFileContents file = saveAndReadBack();
    EXPECT_TRUE(fileBytes().startsWith("7x5,User Name,Login,Confirm,Kouza No,Card Password\r\n"));
    const QStringList names{"New1", "New2", "New3", "New4", "New5", "LoginPassword", "New7"};
    for (int r = 0; r < 7; ++r) {
        EXPECT_EQ(file.table[r][0], names[r]) << r;
        for (int c = 1; c <= 5 && r != 5; ++c) EXPECT_TRUE(file.table[r][c].isEmpty()) << r;
    }
    EXPECT_EQ(QStringList(file.table[5].begin(), file.table[5].begin() + 6),
              QStringList({"LoginPassword", "SECRET", "Secret", "secret", "LoginPassword",
                           "EditPassword"}));
    EXPECT_EQ(file.table[0][6], QStringLiteral("SECRET"));  // row 0's link is the hint word
}

TEST_F(SaveTest, CountsAndTitlesTypedAndSavedWithTheMouse) {
    setCredentials();
    box(4)->setText(QStringLiteral("  "));  // an empty hint word is accepted
    box(0)->setText(QStringLiteral("3"));
    box(1)->setText(QStringLiteral("7"));  // hidden title boxes 10 and 11 are read
    box(10)->setText(QStringLiteral(" Phone No "));
    const ItemFileContents file = saveAndReadBack();
    EXPECT_TRUE(fileBytes().startsWith(
        "3x7,User Name,Login,Confirm,Kouza No,Card Password,Phone No,Aux\r\n"));
    EXPECT_EQ(file.table[0][0], QStringLiteral("New1"));
    EXPECT_EQ(file.table[1][0], QStringLiteral("LoginPassword"));
    EXPECT_EQ(file.table[1][1], QString());
    EXPECT_EQ(file.table[2][0], QStringLiteral("New3"));
}

TEST_F(SaveTest, ThreeColumnsKeepTheCredentialsAndIgnoreLaterTitles) {
    setCredentials();
    box(1)->setText(QStringLiteral("3"));
    box(5)->clear();                         // an emptied title gives an empty title
    box(9)->setText(QStringLiteral("a,b"));  // past the count: never read
    const ItemFileContents file = saveAndReadBack();
    EXPECT_TRUE(fileBytes().startsWith("7x3,,Login,Confirm\r\n"));
    EXPECT_EQ(QStringList(file.table[5].begin(), file.table[5].begin() + 4),
              QStringList({"LoginPassword", "hint", "login-pw", "edit-pw"}));
}

TEST_F(SaveTest, RowCountsOutsideTheEnterRangeAreWrittenWhenTheFileHoldsThem) {
    for (int rows : {2, 99}) {
        QFile::remove(folder.filePath("Tamblet.csv"));
        QFile::remove(folder.filePath("Tamblet1.csv"));
        dialog = std::make_unique<Form2>();
        dialog->show();
        setCredentials();
        box(0)->setText(QString::number(rows));
        const ItemFileContents file = saveAndReadBack();
        EXPECT_EQ(file.rowCount, rows);
        EXPECT_EQ(file.table[rows - 2][0], QStringLiteral("LoginPassword"));
        EXPECT_EQ(file.table[rows - 1][0], QStringLiteral("New%1").arg(rows));
    }
}

TEST_F(SaveTest, ClosesEvenWhenTheFileCannotBeWritten) {
    setCredentials();
    SetSaveFaultHook([](SaveStep step) { return step == SaveStep::CreateTemp; });
    clickSave();
    ASSERT_EQ(messages.shown().size(), 1u);  // the store's own message
    EXPECT_EQ(messages.shown()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(folderIsEmpty());
}

}  // namespace
}  // namespace dravesse::test
