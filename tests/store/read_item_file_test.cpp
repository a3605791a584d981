#include "store/read_item_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/replace_file.h"
#include "store/store_texts.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse::test {
namespace {

class ReadItemFileTest : public testing::Test {
  protected:
    // Loads the bytes as the start-up does and returns the result; `message` gets what was shown.
    int load(const QByteArray& bytes, QString* message = nullptr) {
        ResetSharedState();
        AppPath = dir_.path();
        RowCount = kMaxItemRows;
        ColCount = kMaxValueCols;
        script_.clear();
        WriteBytes(QDir(dir_.path()).filePath(kItemFileName), bytes);
        const int result = ReadItemFile();
        EXPECT_LE(script_.shown().size(), 1u);
        if (message) *message = script_.shown().empty() ? QString() : script_.shown()[0].prompt;
        return result;
    }

    QTemporaryDir dir_;
    MsgBoxScript script_;
};

TEST_F(ReadItemFileTest, MissingFileCannotBeOpened) {
    AppPath = dir_.path();
    EXPECT_EQ(ReadItemFile(), 0);
    const ShownMessage expected{
        kCanNotOpenText + "\r\n" + ReasonLine("No such file or directory", dir_.path()),
        kMbExclamation | kMbSystemModal, kErrorTitle};
    EXPECT_EQ(script_.shown(), std::vector<ShownMessage>{expected});
}

// Each file is loaded; a result of 0 must come with the damaged-file message and leave no name.
TEST_F(ReadItemFileTest, LoaderCases) {
    QList<QByteArray> hundredRows{"r0,a,h"};
    for (int i = 1; i < 120; ++i)
        hundredRows << QStringLiteral("r%1,v,r%2").arg(i).arg(i - 1).toUtf8();
    const QByteArray good = ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0"});
    QByteArray lfOnly = good, blanks = good;
    lfOnly.replace("\r\n", "\n");
    blanks.replace("\r\n", "\r\n \t").chop(2);

    // clang-format off
    const struct Case { const char* name; QByteArray bytes; int result, rowCount, colCount; } cases[] = {
        {"well formed", ItemFileBytes("3x2,A,B", {"r0,a,b,h", "r1,c,d,r0", "r2,e,f,r1"}), 3, 3, 2},
        {"BOM", "\xEF\xBB\xBF" + good, 2, 2, 1},
        {"LF only", lfOnly, 2, 2, 1},
        {"blanks before lines, no final line break", blanks, 2, 2, 1},
        {"renamed row", ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0x"}), 0, 0, 0},
        {"row 0's link never compared", ItemFileBytes("2x1,A", {"r0,a,any", "r1,b,r0"}), 2, 2, 1},
        {"short row: empty link", ItemFileBytes("2x2,A,B", {"r0,a,b,h", "r1,c"}), 0, 0, 0},
        {"short row after unnamed row", ItemFileBytes("2x2,A,B", {",a,b,h", "r1,c"}), 2, 2, 2},
        {"extra fields ignored", ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0,x,y"}), 2, 2, 1},
        {"more lines than rows", ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0", "r2,c,WRONG", "r3,d,r2"}), 4, 2, 1},
        {"at most 99 lines", ItemFileBytes("99x1,A", hundredRows), 99, 99, 1},
        {"fewer lines than rows", ItemFileBytes("3x1,A", {"r0,a,h", "r1,b,r0"}), 0, 0, 0},
        {"fewer lines, last unnamed (cut off after a whole line)", ItemFileBytes("3x1,A", {"r0,a,h", ",b,r0"}), 0, 0, 0},
        {"fewer titles than columns", ItemFileBytes("1x3,A", {"r0,a,b,c,h"}), 1, 1, 3},
        {"rows beyond 16 bits keep 99", ItemFileBytes("99999x1", hundredRows), 99, 99, 1},
        {"columns beyond 16 bits keep 9", ItemFileBytes("1x70000", {"r0,1,2,3,4,5,6,7,8,9,h"}), 1, 1, 9},
        {"counts round half to even", ItemFileBytes("2.5x1.5,A,B", {"r0,a,b,h", "r1,c,d,r0"}), 2, 2, 2},
        {"only a header", "2x1,A\r\n", 0, 0, 0},
        {"no x", ItemFileBytes("12,A", {"r0,a,h"}), 0, 0, 0},
        {"150 rows", ItemFileBytes("150x3", {"r0,a,b,c,h"}), 0, 0, 0},
        {"15 columns", ItemFileBytes("12x15", {"r0,a,b,c,h"}), 0, 0, 0},
        {"-1 columns", ItemFileBytes("12x-1", {"r0,h"}), 0, 0, 0},
        {"0 rows", ItemFileBytes("0x5", {"r0,a,b,c,d,e,h"}), 0, 0, 0},
        {"NUL in a row", ItemFileBytes("1x1,A", {QByteArray("r0,a\0b,h", 8)}), 0, 0, 0},
        {"invalid UTF-8 in a row", ItemFileBytes("1x1,A", {"r0,\xff\xfe,h"}), 0, 0, 0},
        {"invalid UTF-8 in the header", ItemFileBytes("1x1,\xc3", {"r0,a,h"}), 0, 0, 0},
        {"blank line after the rows", good + "\r\n", 0, 0, 0},
        {"not scrambled", "1x1,A\r\nr0,a,h\r\n", 0, 0, 0},
        {"line too long", "1x1,A\r\n" + QByteArray(2000, 'A') + "\r\n", 0, 0, 0},
        {"file too large", QByteArray(kMaxFileBytes + 1, 'x'), 0, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString message;
        EXPECT_EQ(load(c.bytes, &message), c.result);
        EXPECT_EQ(message, c.result ? QString() : kDamagedText);
        if (c.result) {
            EXPECT_EQ(RowCount, c.rowCount);
            EXPECT_EQ(ColCount, c.colCount);
        } else {
            EXPECT_EQ(script_.shown()[0].style, kMbCritical);
            EXPECT_EQ(script_.shown()[0].title, kReadTitle);
            for (const TableRow& row : ItemTable) ASSERT_TRUE(row[0].isEmpty());
        }
    }
}

TEST_F(ReadItemFileTest, CredentialsAndDefaults) {
    // clang-format off
    const struct { const char* name; QList<QByteArray> rows; QString hint, login, edit; } cases[] = {
        {"none", {"r0,a,b,c,h"}, "", "hoshizoramieru", "kaze no tayorie"},
        {"stored", {"LoginPassword,stars,in,ed,h"}, "stars", "in", "ed"},
        {"empty passwords", {"LoginPassword,,,,h"}, "", "hoshizoramieru", "kaze no tayorie"},
        {"later overrides", {"LoginPassword,1,in1,ed1,h", "LoginPassword,2,in2,,LoginPassword"}, "2", "in2", "ed1"},
        {"case matters", {"loginpassword,x,in,ed,h"}, "", "hoshizoramieru", "kaze no tayorie"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_GT(load(ItemFileBytes(QByteArray::number(c.rows.size()) + "x3,A,B,C", c.rows)), 0);
        EXPECT_EQ(HintWord, c.hint);
        EXPECT_EQ(LoginPass, c.login);
        EXPECT_EQ(EditPass, c.edit);
        EXPECT_EQ(ItemTable[0][ColCount + 1], c.hint);  // row 0's link holds the hint word
    }
}

}  // namespace
}  // namespace dravesse::test
