#include "store/read_item_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/modulate.h"
#include "store/store_texts.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse {
namespace {

using test::ItemFileBytes;

enum class Shown { Nothing, Damaged, CannotOpen };

class ReadItemFileTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        ASSERT_TRUE(dir_.isValid());
        AppPath = dir_.path();
        RowCount = kMaxItemRows;  // as the start-up sets them before loading
        ColCount = kMaxValueCols;
    }
    void writeFile(const QByteArray& bytes) {
        test::WriteBytes(QDir(dir_.path()).filePath(kItemFileName), bytes);
    }
    Shown shown() const {
        if (script_.shown().empty()) return Shown::Nothing;
        EXPECT_EQ(script_.shown().size(), 1u);
        const ShownMessage& m = script_.shown().front();
        if (m == ShownMessage{kDamagedText, kMbCritical, kReadTitle}) return Shown::Damaged;
        if (m == ShownMessage{kCanNotOpenText, kMbExclamation | kMbSystemModal, kErrorTitle})
            return Shown::CannotOpen;
        ADD_FAILURE() << "unexpected message " << m.prompt.toStdString();
        return Shown::Nothing;
    }

    QTemporaryDir dir_;
    MsgBoxScript script_;
};

TEST_F(ReadItemFileTest, MissingFileCannotBeOpened) {
    EXPECT_EQ(ReadItemFile(), 0);
    EXPECT_EQ(shown(), Shown::CannotOpen);
}

// Files whose rows are given as plain text: each case is read and its result, message and
// counts checked.
TEST_F(ReadItemFileTest, LoaderCases) {
    const struct Case {
        const char* name;
        QByteArray header;
        QList<QByteArray> rows;
        int result;
        int rowCount;
        int colCount;
    } cases[] = {
        {"well formed", "3x2,A,B", {"r0,a,b,hint", "r1,c,d,r0", "r2,e,f,r1"}, 3, 3, 2},
        {"renamed row breaks the next link",
         "3x2,A,B",
         {"r0,a,b,h", "r1x,c,d,r0", "r2,e,f,r1"},
         0,
         0,
         0},
        {"row 0's link is never compared", "2x1,A", {"r0,a,anything", "r1,b,r0"}, 2, 2, 1},
        {"short row leaves an empty link", "2x2,A,B", {"r0,a,b,h", "r1,c"}, 0, 0, 0},
        {"short row after an unnamed row", "2x2,A,B", {",a,b,h", "r1,c"}, 2, 2, 2},
        {"extra fields are ignored", "2x1,A", {"r0,a,h", "r1,b,r0,extra,more"}, 2, 2, 1},
        {"a comma in a value shifts the link", "2x1,A", {"r0,a,h", "r1,b,c,r0"}, 0, 0, 0},
        {"more lines than rows: all read, only header rows checked",
         "2x1,A",
         {"r0,a,h", "r1,b,r0", "r2,c,WRONG", "r3,d,r2"},
         4,
         2,
         1},
        {"fewer lines than rows", "3x1,A", {"r0,a,h", "r1,b,r0"}, 0, 0, 0},
        {"fewer lines, last name empty", "3x1,A", {"r0,a,h", ",b,r0"}, 2, 3, 1},
        {"fewer titles than columns", "1x3,A", {"r0,a,b,c,h"}, 1, 1, 3},
        {"row count beyond 16 bits keeps 99", "99999x1,A", {"r0,a,h", ",b,r0"}, 2, 99, 1},
        {"column count beyond 16 bits keeps 9", "1x70000", {"r0,1,2,3,4,5,6,7,8,9,h"}, 1, 1, 9},
        {"counts round half to even", "2.5x1.5,A,B", {"r0,a,b,h", "r1,c,d,r0"}, 2, 2, 2},
        {"blanks inside the counts", " 1 2x 3", {"r0,a,b,c,h", ",a,b,c,r0"}, 2, 12, 3},
        {"only a header", "2x1,A", {}, 0, 0, 0},
        {"no x in the first field", "12,A", {"r0,a,h"}, 0, 0, 0},
        {"too many rows", "150x3", {"r0,a,b,c,h"}, 0, 0, 0},
        {"too many columns", "12x15", {"r0,a,b,c,h"}, 0, 0, 0},
        {"negative columns", "12x-1", {"r0,h"}, 0, 0, 0},
        {"zero rows", "0x5", {"r0,a,b,c,d,e,h"}, 0, 0, 0},
        {"zero columns", "1x0", {"r0,h"}, 0, 0, 0},
        {"NUL inside a row", "1x1,A", {QByteArray("r0,a\0b,h", 8)}, 0, 0, 0},
        {"invalid UTF-8 inside a row", "1x1,A", {"r0,\xff\xfe,h"}, 0, 0, 0},
        {"invalid UTF-8 in the header", "1x1,\xc3", {"r0,a,h"}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetSharedState();
        AppPath = dir_.path();
        RowCount = kMaxItemRows;
        ColCount = kMaxValueCols;
        script_.clear();
        writeFile(ItemFileBytes(c.header, c.rows));
        EXPECT_EQ(ReadItemFile(), c.result);
        EXPECT_EQ(shown(), c.result ? Shown::Nothing : Shown::Damaged);
        if (c.result) {
            EXPECT_EQ(RowCount, c.rowCount);
            EXPECT_EQ(ColCount, c.colCount);
        } else {
            for (const TableRow& row : ItemTable) EXPECT_TRUE(row[0].isEmpty());
        }
    }
}

TEST_F(ReadItemFileTest, DamagedBytesNeverLoad) {
    const QByteArray good = ItemFileBytes("1x1,A", {"r0,a,h"});
    const QByteArray line = good.mid(good.indexOf('\n') + 1).chopped(2);
    const QList<QByteArray> files = {
        QByteArray(),
        "1x1,A\r\n\r\n",  // an empty data line
        "1x1,A\r\nnot scrambled\r\n",
        "1x1,A\r\n" + line.left(20) + "," + line.mid(20) + "\r\n",  // a comma inside a line
        "1x1,A\r\n\"" + line + "\"\r\n",
        "1x1,A\r\n" + QByteArray(2000, 'A') + "\r\n",  // far too long
        good + "\r\n",                                 // a blank line after the rows
        QByteArray(kMaxFileBytes + 1, 'x'),
    };
    for (const QByteArray& bytes : files) {
        script_.clear();
        writeFile(bytes);
        EXPECT_EQ(ReadItemFile(), 0) << bytes.left(40).toStdString();
        EXPECT_EQ(shown(), Shown::Damaged);
    }
}

TEST_F(ReadItemFileTest, AcceptsBomLfOnlyAndLeadingBlanks) {
    const QByteArray crlf = ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0"});
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    QByteArray blanks = crlf;
    blanks.replace("\r\n", "\r\n \t");
    blanks.chop(2);
    const QByteArray noFinalBreak = crlf.chopped(2);
    for (const QByteArray& bytes : {"\xEF\xBB\xBF" + crlf, lf, blanks, noFinalBreak}) {
        script_.clear();
        writeFile(bytes);
        EXPECT_EQ(ReadItemFile(), 2) << bytes.toStdString();
        EXPECT_EQ(ColumnTitles[1], "A");
        EXPECT_EQ(ItemTable[1][1], "b");
    }
    EXPECT_TRUE(script_.shown().empty());
}

TEST_F(ReadItemFileTest, ReadsAtMost99Lines) {
    QList<QByteArray> rows{"r0,a,h"};
    for (int i = 1; i < 120; ++i) rows << QStringLiteral("r%1,v,r%2").arg(i).arg(i - 1).toUtf8();
    writeFile(ItemFileBytes("99x1,A", rows));
    EXPECT_EQ(ReadItemFile(), 99);
    EXPECT_EQ(ItemTable[98][0], "r98");
    EXPECT_TRUE(ItemTable[99][0].isEmpty());
}

TEST_F(ReadItemFileTest, CredentialsAndDefaults) {
    const struct {
        const char* name;
        QList<QByteArray> rows;
        QString hint, login, edit;
    } cases[] = {
        {"no credentials row", {"r0,a,b,c,h"}, "", "hoshizoramieru", "kaze no tayorie"},
        {"credentials row", {"LoginPassword,stars,in,ed,h"}, "stars", "in", "ed"},
        {"empty passwords keep the defaults",
         {"LoginPassword,,,,h"},
         "",
         "hoshizoramieru",
         "kaze no tayorie"},
        {"a later row overrides",
         {"LoginPassword,one,in1,ed1,h", "LoginPassword,two,in2,,LoginPassword"},
         "two",
         "in2",
         "ed1"},
        {"case matters", {"loginpassword,x,in,ed,h"}, "", "hoshizoramieru", "kaze no tayorie"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetSharedState();
        AppPath = dir_.path();
        writeFile(ItemFileBytes(QByteArray::number(c.rows.size()) + "x3,A,B,C", c.rows));
        EXPECT_GT(ReadItemFile(), 0);
        EXPECT_EQ(HintWord, c.hint);
        EXPECT_EQ(LoginPass, c.login);
        EXPECT_EQ(EditPass, c.edit);
        EXPECT_EQ(ItemTable[0][ColCount + 1], c.hint);  // row 0's link holds the hint word
    }
}

}  // namespace
}  // namespace dravesse
