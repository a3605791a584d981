#include "store/write_item_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/read_item_file.h"
#include "store/store_texts.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse {
namespace {

using test::FolderSnapshot;
using test::ReadBytes;
using test::SnapshotFolder;
using test::WriteBytes;

class WriteItemFileTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        ASSERT_TRUE(dir_.isValid());
        AppPath = dir_.path();
    }
    void TearDown() override { SetSaveFaultHook({}); }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    // Loads the folder's item file as the start-up would.
    int load() {
        RowCount = kMaxItemRows;
        ColCount = kMaxValueCols;
        return ReadItemFile();
    }
    // Every generation present holds its own text: "gen0" for Tamblet.csv, "gen1".. for backups.
    void layGenerations(unsigned present) {
        for (int g = 0; g < 4; ++g)
            if (present & (1u << g))
                WriteBytes(path(g ? BackupFileName(g) : kItemFileName),
                           "gen" + QByteArray::number(g));
    }

    QTemporaryDir dir_;
    MsgBoxScript script_;
};

QString randomText(QRandomGenerator& rng) {
    static const QString pool = QStringLiteral(u"aZ09 _-.\"'!?#日本語のパスワード口座ｱｲｳ😀é\t");
    QString text;
    const int length = rng.bounded(0, 16);
    for (int i = 0; i < length; ++i) {
        const int at = rng.bounded(static_cast<int>(pool.size()));
        if (pool[at].isHighSurrogate()) {
            text += pool.mid(at, 2);
        } else if (!pool[at].isLowSurrogate()) {
            text += pool[at];
        }
    }
    return text;
}

TEST_F(WriteItemFileTest, RandomTablesReadBackUnchanged) {
    QRandomGenerator rng(20261206);
    ::umask(022);
    for (int round = 0; round < 60; ++round) {
        SaveInput in;
        in.rowCount = round == 0 ? kMaxItemRows : rng.bounded(1, kMaxItemRows + 1);
        in.colCount = round == 0 ? kMaxValueCols : rng.bounded(1, kMaxValueCols + 1);
        for (int c = 1; c <= in.colCount; ++c) in.titles[c] = randomText(rng);
        for (int r = 0; r < in.rowCount; ++r)
            for (int c = 0; c <= in.colCount; ++c) in.table[r][c] = randomText(rng);
        const int credentials = rng.bounded(-1, in.rowCount);  // -1: no credentials row
        if (credentials >= 0) in.table[credentials][0] = kCredentialsName;
        in.hintWord = credentials >= 0 ? in.table[credentials][1] : QString();

        SCOPED_TRACE(round);
        ResetSharedState();
        AppPath = dir_.path();
        test::PutInSharedState(in);
        ASSERT_TRUE(WriteItemFile());
        const QByteArray bytes = ReadBytes(path(kItemFileName));
        EXPECT_EQ(bytes.count("\r\n"), in.rowCount + 1);
        EXPECT_EQ(bytes.count('\n'), in.rowCount + 1);
        // Read and write for the owner alone, whatever the umask (022 here).
        const auto ownerGroupOther = QFile::Permissions(0x7077),
                   ownerReadWrite = QFile::Permissions(0x6000);
        for (const QString& name : {kItemFileName, BackupFileName(1)}) {
            if (round > 0) {
                EXPECT_EQ(QFile::permissions(path(name)) & ownerGroupOther, ownerReadWrite);
            }
        }
        ASSERT_EQ(load(), in.rowCount);
        EXPECT_TRUE(script_.shown().empty());
        EXPECT_EQ(RowCount, in.rowCount);
        EXPECT_EQ(ColCount, in.colCount);
        for (int c = 1; c <= in.colCount; ++c) EXPECT_EQ(ColumnTitles[c], in.titles[c]);
        for (int r = 0; r < in.rowCount; ++r)
            for (int c = 0; c <= in.colCount; ++c) ASSERT_EQ(ItemTable[r][c], in.table[r][c]);
        EXPECT_EQ(HintWord, in.hintWord);
        if (credentials >= 0 && !in.table[credentials][2].isEmpty()) {
            EXPECT_EQ(LoginPass, in.table[credentials][2]);
        }
    }
}

// Every combination of an existing item file and backups: each generation moves one place down,
// the oldest is dropped, a missing Tamblet1.csv leaves Tamblet2/3 where they are.
TEST_F(WriteItemFileTest, RotationForEveryCombinationOfExistingFiles) {
    const SaveInput in = test::SampleTable();
    for (unsigned present = 0; present < 16; ++present) {
        SCOPED_TRACE(present);
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(path(name));
        layGenerations(present);
        WriteBytes(path(".Tamblet.csv.AbC123"), "left by a killed save");
        auto has = [&](int g) { return (present >> g) & 1u; };
        QByteArray expected[4];
        if (has(1)) {
            expected[3] = has(2) ? "gen2" : (has(3) ? "gen3" : "");
            expected[2] = "gen1";
        } else {
            expected[2] = has(2) ? "gen2" : "";
            expected[3] = has(3) ? "gen3" : "";
        }
        expected[1] = has(0) ? "gen0" : "";

        ASSERT_TRUE(WriteItemFileTo(dir_.path(), in));
        for (int g = 1; g <= 3; ++g) {
            EXPECT_EQ(QFile::exists(path(BackupFileName(g))), !expected[g].isEmpty()) << g;
            EXPECT_EQ(ReadBytes(path(BackupFileName(g))), expected[g]) << g;
        }
        EXPECT_EQ(load(), in.rowCount);
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(),
                  1 + int(!expected[1].isEmpty()) + int(!expected[2].isEmpty()) +
                      int(!expected[3].isEmpty()))
            << "no temporary, stale or parked file is left";
    }
    EXPECT_TRUE(script_.shown().empty());
}

// A save that fails at any step leaves the folder byte for byte as it was, and says so.
TEST_F(WriteItemFileTest, FailureAtAnyStepLeavesTheFolderUnchanged) {
    const SaveInput in = test::SampleTable();
    layGenerations(0b1111);
    const FolderSnapshot before = SnapshotFolder(dir_.path());
    const struct {
        const char* name;
        SaveStep step;
        int nth;  // which occurrence of the step fails (rotation renames are counted)
    } faults[] = {
        {"create", SaveStep::CreateTemp, 1},
        {"write", SaveStep::WriteTemp, 1},
        {"flush", SaveStep::FlushTemp, 1},
        {"verify", SaveStep::VerifyTemp, 1},
        {"set aside the oldest", SaveStep::Rotate, 1},
        {"move Tamblet2", SaveStep::Rotate, 2},
        {"move Tamblet1", SaveStep::Rotate, 3},
        {"move Tamblet.csv", SaveStep::Rotate, 4},
        {"commit", SaveStep::Commit, 1},
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(f.name);
        script_.clear();
        int seen = 0;
        SetSaveFaultHook([&](SaveStep step) { return step == f.step && ++seen == f.nth; });
        EXPECT_FALSE(WriteItemFileTo(dir_.path(), in));
        EXPECT_EQ(SnapshotFolder(dir_.path()), before);
        ASSERT_EQ(script_.shown().size(), 1u);
        EXPECT_EQ(script_.shown()[0].title, kErrorTitle);
    }
}

TEST_F(WriteItemFileTest, UnwritableFolderLeavesItUnchanged) {
    const SaveInput in = test::SampleTable();
    layGenerations(0b0011);
    const FolderSnapshot before = SnapshotFolder(dir_.path());
    if (::geteuid() == 0) {
        // root writes anywhere, so the save runs in a child that has given up root.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            ::_exit(WriteItemFileTo(dir_.path(), in) ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must fail and say so";
    } else {
        ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
        EXPECT_FALSE(WriteItemFileTo(dir_.path(), in));
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_EQ(script_.shown().size(), 1u);
        EXPECT_EQ(script_.shown()[0].prompt, kCanNotOpenText);
    }
    EXPECT_EQ(SnapshotFolder(dir_.path()), before);
    EXPECT_FALSE(WriteItemFileTo(dir_.path() + "/missing", in));
}

TEST_F(WriteItemFileTest, RefusesTablesTheFileCannotHoldAndWritesNothing) {
    layGenerations(0b0001);
    const FolderSnapshot before = SnapshotFolder(dir_.path());
    const struct {
        const char* name;
        std::function<void(SaveInput&)> change;
    } cases[] = {
        {"comma in a name", [](SaveInput& in) { in.table[1][0] = "a,b"; }},
        {"comma in a value", [](SaveInput& in) { in.table[3][2] = "1,2"; }},
        {"line feed in a value", [](SaveInput& in) { in.table[0][1] = "a\nb"; }},
        {"carriage return in a title", [](SaveInput& in) { in.titles[2] = "a\rb"; }},
        {"NUL in a password", [](SaveInput& in) { in.table[2][2] = QString("a") + QChar(0); }},
        {"lone surrogate", [](SaveInput& in) { in.table[0][1] = QString(QChar(0xD800)); }},
        {"comma in the hint word", [](SaveInput& in) { in.hintWord = "x,y"; }},
        {"row too long", [](SaveInput& in) { in.table[1][1] = QString(720, u'w'); }},
        {"no rows", [](SaveInput& in) { in.rowCount = 0; }},
        {"100 rows", [](SaveInput& in) { in.rowCount = 100; }},
        {"no columns", [](SaveInput& in) { in.colCount = 0; }},
        {"10 columns", [](SaveInput& in) { in.colCount = 10; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        script_.clear();
        SaveInput in = test::SampleTable();
        c.change(in);
        EXPECT_FALSE(WriteItemFileTo(dir_.path(), in));
        EXPECT_EQ(SnapshotFolder(dir_.path()), before);
        ASSERT_EQ(script_.shown().size(), 1u);
        EXPECT_EQ(script_.shown()[0].title, kSaveTitle);
        EXPECT_TRUE(script_.shown()[0].prompt.endsWith(kNothingSavedText));
    }
    // The message names the row.
    SaveInput in = test::SampleTable();
    in.table[1][2] = "p,w";
    script_.clear();
    WriteItemFileTo(dir_.path(), in);
    EXPECT_TRUE(script_.shown()[0].prompt.startsWith("Row 2 (\"Mail\")"));
}

}  // namespace
}  // namespace dravesse
