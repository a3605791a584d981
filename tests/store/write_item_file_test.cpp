#include "store/write_item_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/read_item_file.h"
#include "store/save_checks.h"
#include "store/store_texts.h"
#include "support/child_process.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse::test {
namespace {

class WriteItemFileTest : public testing::Test {
  protected:
    void SetUp() override { AppPath = dir_.path(); }
    void TearDown() override { SetSaveFaultHook({}); }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    // Each generation present holds its own text: "gen0" in Tamblet.csv, "gen1".. in backups.
    void layGenerations(unsigned present) {
        for (int g = 0; g < 4; ++g)
            if (present & (1u << g))
                WriteBytes(path(g ? BackupFileName(g) : kItemFileName),
                           "gen" + QByteArray::number(g));
    }
    // Expects the save to fail with one message and the folder to be exactly as it was.
    void expectNothingWritten(const FolderSnapshot& before, const QString& title) {
        EXPECT_EQ(SnapshotFolder(dir_.path()), before);
        ASSERT_EQ(script_.shown().size(), 1u);
        EXPECT_EQ(script_.shown()[0].title, title);
        script_.clear();
    }

    QTemporaryDir dir_;
    MsgBoxScript script_;
};

QString randomText(QRandomGenerator& rng) {
    static const QString pool = QStringLiteral(u"aZ09 _-.\"'!?#日本語のパスワード口座ｱｲｳé\t");
    QString text;
    for (int i = rng.bounded(0, 16); i > 0; --i) text += pool[rng.bounded(int(pool.size()))];
    return text + (rng.bounded(4) == 0 ? QStringLiteral(u"😀") : QString());
}

// Random tables written from the shared state and loaded again come back unchanged; the files
// are owner-only whatever the umask and end every line with CR LF.
TEST_F(WriteItemFileTest, RandomTablesReadBackUnchanged) {
    QRandomGenerator rng(20261206);
    ::umask(022);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        SaveInput in;
        in.rowCount = round ? rng.bounded(1, 100) : 99;
        in.colCount = round ? rng.bounded(1, 10) : 9;
        for (int c = 1; c <= in.colCount; ++c) in.titles[c] = randomText(rng);
        for (int r = 0; r < in.rowCount; ++r)
            for (int c = 0; c <= in.colCount; ++c) in.table[r][c] = randomText(rng);
        const int credentials = rng.bounded(-1, in.rowCount);  // -1: none
        if (credentials >= 0) in.table[credentials][0] = kCredentialsName;
        in.hintWord = credentials >= 0 ? in.table[credentials][1] : QString();

        ResetSharedState();
        AppPath = dir_.path();
        PutInSharedState(in);
        ASSERT_TRUE(WriteItemFile());
        const QByteArray bytes = ReadBytes(path(kItemFileName));
        EXPECT_EQ(bytes.count("\r\n"), in.rowCount + 1);
        EXPECT_EQ(bytes.count('\n'), in.rowCount + 1);
        // Read and write for the owner alone, whatever the umask; Tamblet1.csv is the file that was
        // Tamblet.csv in the round before.
        if (round > 0) {
            EXPECT_EQ(QFile::permissions(path(kItemFileName)) & 0x7077, 0x6000);
        }

        ResetSharedState();
        AppPath = dir_.path();
        RowCount = kMaxItemRows;
        ColCount = kMaxValueCols;
        ASSERT_EQ(ReadItemFile(), in.rowCount);
        EXPECT_EQ(ColCount, in.colCount);
        for (int c = 1; c <= in.colCount; ++c) EXPECT_EQ(ColumnTitles[c], in.titles[c]);
        for (int r = 0; r < in.rowCount; ++r)
            for (int c = 0; c <= in.colCount; ++c) ASSERT_EQ(ItemTable[r][c], in.table[r][c]);
        EXPECT_EQ(HintWord, in.hintWord);
    }
    EXPECT_TRUE(script_.shown().empty());
}

// Every combination of an existing item file and backups, with Tamblet.csv a plain file or a link
// to a file elsewhere: each generation moves one place down, the oldest is dropped, a missing
// Tamblet1.csv leaves Tamblet2/3 where they are, a missing Tamblet.csv (deleted while the program
// ran) leaves every backup where it is, a link stays a link to its file (which takes the new
// table), the backups are plain files, and no temporary file (also not one left by a killed save)
// remains. The person's files, in either folder, stay as they are through every save, whatever
// their names (the link's target name is no wildcard), and so does a table a start kept as
// Tamblet-unfinished1.csv.
TEST_F(WriteItemFileTest, RotationForEveryCombinationOfExistingFiles) {
    QTemporaryDir elsewhere;
    const QString linkTarget = elsewhere.filePath("pw*.csv");
    const QStringList persons{
        ".Tamblet.csv.backup", ".tamblet.csv.abc123", ".Tamblet.csv.AbC123",    "Tamblet.csv.bak",
        "Tamblet-notes.csv",   ".Tamblet3.csv.old",   "Tamblet-unfinished1.csv"};
    for (const QString& name : persons) WriteBytes(path(name), "the person's " + name.toUtf8());
    WriteBytes(elsewhere.filePath(".pw-notes.csv.abc123"), "the person's notes");
    const auto personsBefore = SnapshotFolder(elsewhere.path());
    for (unsigned present = 0; present < 32; ++present) {
        const bool linked = present & 16;
        if (linked && !(present & 1)) continue;
        SCOPED_TRACE(present);
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
            if (!persons.contains(name)) QFile::remove(path(name));
        layGenerations(present);
        if (linked) {
            QFile::remove(linkTarget);
            ASSERT_TRUE(QFile::rename(path(kItemFileName), linkTarget));
            ASSERT_TRUE(QFile::link(linkTarget, path(kItemFileName)));
        }
        WriteBytes(path(".Tamblet.csv.dravesse-save-0123456789ab"), "left by a killed save");
        WriteBytes(path(".Tamblet3.csv.dravesse-drop-0123456789ab"), "set aside by it");
        auto gen = [&](int g) { return (present >> g) & 1u ? "gen" + QByteArray::number(g) : ""; };
        const QByteArray expected[4] = {
            "", present & 1 ? gen(0) : gen(1),
            present & 1 ? (present & 2 ? gen(1) : gen(2)) : gen(2),
            present & 1 && present & 2 ? (present & 4 ? gen(2) : gen(3)) : gen(3)};
        const QDateTime written = QFileInfo(path(kItemFileName)).lastModified();
        ASSERT_TRUE(WriteItemFileTo(dir_.path(), SampleTable()));
        if (present & 1) {  // linked or copied, Tamblet1.csv keeps the time its table was written
            EXPECT_EQ(QFileInfo(path(BackupFileName(1))).lastModified(), written);
        }
        QStringList left = persons + QStringList{kItemFileName};
        for (int g = 1; g <= 3; ++g) {
            EXPECT_EQ(ReadBytes(path(BackupFileName(g))), expected[g]) << g;
            EXPECT_FALSE(QFileInfo(path(BackupFileName(g))).isSymLink());
            if (!expected[g].isEmpty()) left << BackupFileName(g);
        }
        // An oldest backup set aside by a killed save goes once a newer Tamblet3.csv took its
        // place.
        if (expected[3].isEmpty()) left << ".Tamblet3.csv.dravesse-drop-0123456789ab";
        left.sort();
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), left);
        EXPECT_EQ(QFileInfo(path(kItemFileName)).isSymLink(), linked);
        if (linked) {
            EXPECT_EQ(ReadBytes(linkTarget), ReadBytes(path(kItemFileName)));
            EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        }
    }
    for (const QString& name : persons)
        EXPECT_EQ(ReadBytes(path(name)), "the person's " + name.toUtf8());
    QFile::remove(linkTarget);
    EXPECT_EQ(SnapshotFolder(elsewhere.path()), personsBefore);
    EXPECT_TRUE(script_.shown().empty());
}

// A save that fails at any step, or in a folder it cannot write, leaves the folder byte for byte
// as it was, and says so.
TEST_F(WriteItemFileTest, FailedSavesLeaveTheFolderUnchanged) {
    const SaveInput in = SampleTable();
    layGenerations(0b1111);
    const auto before = SnapshotFolder(dir_.path());
    // clang-format off
    const std::pair<SaveStep, int> faults[] = {  // the step, and which occurrence of it fails
        {SaveStep::CreateTemp, 1}, {SaveStep::WriteTemp, 1}, {SaveStep::FlushTemp, 1},
        {SaveStep::VerifyTemp, 1}, {SaveStep::Rotate, 1}, {SaveStep::Rotate, 2},
        {SaveStep::Rotate, 3}, {SaveStep::Backup, 1}, {SaveStep::Commit, 1}};
    // clang-format on
    const QString ioError = ReasonLine("Input/output error", dir_.path());
    for (const auto& [step, nth] : faults) {
        SCOPED_TRACE(testing::Message() << int(step) << "/" << nth);
        int seen = 0;
        SetSaveFaultHook([&](SaveStep s) { return s == step && ++seen == nth; });
        EXPECT_FALSE(WriteItemFileTo(dir_.path(), in));
        EXPECT_TRUE(script_.shown().at(0).prompt.contains(ioError))
            << script_.shown()[0].prompt.toStdString();
        expectNothingWritten(before, kErrorTitle);
    }
    SetSaveFaultHook({});

    const QString denied = kCanNotOpenText + "\r\n" + ReasonLine("Permission denied", dir_.path());
    // A real unwritable folder. Root writes anywhere, so root saves from a child that gave it up.
    if (::geteuid() != 0) {
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(WriteItemFileTo(dir_.path(), in));
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(script_.shown().at(0).prompt, denied);
        expectNothingWritten(before, kErrorTitle);
    } else {
        EXPECT_EQ(RunForked([&] {
                      script_.clear();
                      return int(::setgid(65534) != 0 || ::setuid(65534) != 0 ||
                                 WriteItemFileTo(dir_.path(), in) ||
                                 script_.shown().at(0).prompt != denied);
                  }),
                  0)
            << "the save must fail";
        EXPECT_EQ(SnapshotFolder(dir_.path()), before);
    }
}

// Folders one step beside the usual, and calls that fail after doing their work or while a
// failed save is undone. Each case lays "gen0" to "gen3" in Tamblet.csv to Tamblet3.csv, changes
// the folder, and saves from the shared state as the main window does (answering OK; the
// store checker tries Cancel). After it, every table the folder held is still on disk under some
// name (the oldest of four may make room), the next start reads the file the save wrote, and the
// one message, if any, says what is on disk.
TEST_F(WriteItemFileTest, OddFoldersAndCallsThatLieAreSavedIntoOrRefused) {
    QTemporaryDir elsewhere;
    const QString cloud = elsewhere.filePath("cloud"), pw = cloud + "/pw.csv";
    const QString mount = elsewhere.filePath("mnt");
    // clang-format off
    const struct {
        const char* name;
        std::function<void()> change;
        SaveStep fails; int nth;  // the call made to fail (nth of that step), 0: none
        bool saved; QString message;  // how the one message begins, empty: none
        QStringList tables;  // where each table is afterwards: Tamblet.csv's through its link first
        bool commitFails = false;
    } cases[] = {
        {"Tamblet.csv a link to cloud/../pw.csv, cloud a linked folder", [&] {
             QDir().mkpath(cloud + "/inner");
             WriteBytes(pw, "gen0");
             QFile::remove(path(kItemFileName));
             QFile::link(cloud + "/inner", path("cloud"));
             ASSERT_EQ(::symlink("cloud/../pw.csv", QFile::encodeName(path(kItemFileName))), 0);
         }, SaveStep::Commit, 0, true, {}, {"new", "gen0", "gen1", "gen2"}},
        {"Tamblet.csv a link to its own Tamblet1.csv", [&] {
             QFile::remove(path(kItemFileName));
             QFile::link(BackupFileName(1), path(kItemFileName));
         }, SaveStep::Commit, 0, false, kCanNotSaveText + "\r\nReason: Tamblet.csv is a link to its own backup Tamblet1.csv",
         {"gen1", "gen1", "gen2", "gen3"}},
        {"a read-only Tamblet.csv", [&] { ::chmod(QFile::encodeName(path(kItemFileName)), 0400); },
         SaveStep::Commit, 0, false, kCanNotSaveText + "\r\nReason: Tamblet.csv is read-only", {"gen0", "gen1", "gen2", "gen3"}},
        {"Tamblet.csv a link into an empty mount point", [&] {
             QDir().mkpath(mount);
             QFile::remove(path(kItemFileName));
             QFile::link(mount + "/pw.csv", path(kItemFileName));
         }, SaveStep::Commit, 0, false, kCanNotSaveText + "\r\nReason: " + kDanglingLinkText.arg(mount + "/pw.csv"),
         {"", "gen1", "gen2", "gen3"}},
        {"the commit done, its reply lost", [] {}, SaveStep::CommitReplyLost, 1, true, {}, {"new", "gen0", "gen1", "gen2"}},
        {"a rotation done, its reply lost, then the commit failing", [] {}, SaveStep::RotateReplyLost, 2, false, kCanNotSaveText,
         {"gen0", "gen1", "gen2", "gen3"}, true},
        {"the folder not flushed before the commit", [] {}, SaveStep::SyncBackups, 1, false,
         kCanNotSaveText + "\r\nThe backups' new names could not be flushed to disk.", {"gen0", "gen1", "gen2", "gen3"}},
        {"the commit failing, a backup not put back", [] {}, SaveStep::Undo, 2, false, kCanNotSaveText,
         {"gen0", "gen1", "", "gen2", ".Tamblet3.csv.dravesse-drop-", "gen3"}, true},
        {"Tamblet.csv replaced by another program since it was read", [&] {
             WriteItemFileTo(dir_.path(), SampleTable());
             ReadItemFile();
             WriteBytes(path("other"), "theirs");
             ::rename(QFile::encodeName(path("other")), QFile::encodeName(path(kItemFileName)));
         }, SaveStep::Commit, 0, true, "Tamblet.csv was changed by another program", {"new", "theirs", "gen0", "gen1"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EmptyFolder(dir_.path());
        EmptyFolder(elsewhere.path());
        ResetSharedState();
        AppPath = dir_.path();
        layGenerations(0b1111);
        c.change();
        const bool replaced = c.message.startsWith("Tamblet.csv was changed");
        if (!replaced) NoteItemFileAsKnown(path(kItemFileName));  // as the start read it
        // The table to save: row 0's first value tells it from the sample table.
        PutInSharedState(SampleTable());
        ItemTable[0][1] = "new";
        int seen = 0;
        SetSaveFaultHook([&](SaveStep s) {
            return (c.commitFails && s == SaveStep::Commit) ||
                   (c.nth && s == c.fails && ++seen == c.nth);
        });
        script_.clear();
        if (replaced) script_.answerNext(kIdOk);
        EXPECT_EQ(WriteItemFile(), c.saved);
        SetSaveFaultHook({});
        EXPECT_EQ(script_.shown().size(), c.message.isEmpty() ? 0u : 1u);
        if (!c.message.isEmpty() && !script_.shown().empty()) {
            EXPECT_TRUE(script_.shown()[0].prompt.startsWith(c.message))
                << script_.shown()[0].prompt.toStdString();
            if (!c.saved && c.fails != SaveStep::Undo) {
                EXPECT_TRUE(script_.shown()[0].prompt.endsWith(kNothingSavedText));
            }
        }
        // Where each table is now: a sound table by its first value ("new" or "sample").
        const auto tableIn = [&](const QString& p) {
            const QByteArray bytes = ReadBytes(p);
            const QString first = SoundFirstValue(bytes);
            return first.isEmpty() ? bytes : first.toUtf8();
        };
        for (int g = 0; g < std::min<int>(4, c.tables.size()); ++g)
            EXPECT_EQ(tableIn(path(g ? BackupFileName(g) : kItemFileName)), c.tables[g].toUtf8())
                << g;
        if (c.tables.size() > 4) {  // the oldest, set aside, named in the message
            const QStringList aside =
                QDir(dir_.path()).entryList({c.tables[4] + "*"}, QDir::Files | QDir::Hidden);
            ASSERT_EQ(aside.size(), 1);
            ASSERT_FALSE(script_.shown().empty());
            EXPECT_EQ(ReadBytes(path(aside[0])), c.tables[5].toUtf8());
            EXPECT_TRUE(script_.shown()[0].prompt.contains(
                kNotAllPutBackText +
                "\r\nTamblet2.csv is now Tamblet3.csv.\r\nTamblet3.csv is now " + aside[0] + "."));
        }
    }
}

TEST_F(WriteItemFileTest, RefusesTablesTheFileCannotHoldAndWritesNothing) {
    layGenerations(0b0001);
    const auto before = SnapshotFolder(dir_.path());
    using Change = void (*)(SaveInput&);
    // clang-format off
    const std::pair<Change, const char*> cases[] = {  // the change, and how the message begins
        {[](SaveInput& in) { in.table[1][0] = "a,b"; }, "Row 2 (\"a,b\")"},
        {[](SaveInput& in) { in.table[1][2] = "1,2"; }, "Row 2 (\"Mail\")"},
        {[](SaveInput& in) { in.table[0][1] = "a\nb"; }, "Row 1 (\"Bank\")"},
        {[](SaveInput& in) { in.table[2][2] = QString("a") + QChar(0); }, "Row 3"},
        {[](SaveInput& in) { in.table[0][1] = QString(QChar(0xD800)); }, "Row 1"},
        {[](SaveInput& in) { in.table[1][1] = QString(720, u'w'); }, "Row 2 (\"Mail\") is too long"},
        {[](SaveInput& in) { in.titles[2] = "a\rb"; }, "Column title 2"},
        {[](SaveInput& in) { in.hintWord = "x,y"; }, "The password hint word"},
        {[](SaveInput& in) { in.rowCount = 0; }, "The table has 0 rows"},
        {[](SaveInput& in) { in.rowCount = 100; }, "The table has 100 rows"},
        {[](SaveInput& in) { in.colCount = 0; }, "The table has 0 columns"},
        {[](SaveInput& in) { in.colCount = 10; }, "The table has 10 columns"}};
    // clang-format on
    for (const auto& [change, beginning] : cases) {
        SCOPED_TRACE(beginning);
        SaveInput in = SampleTable();
        change(in);
        EXPECT_FALSE(WriteItemFileTo(dir_.path(), in));
        ASSERT_EQ(script_.shown().size(), 1u);
        EXPECT_TRUE(script_.shown()[0].prompt.startsWith(QLatin1String(beginning)));
        EXPECT_TRUE(script_.shown()[0].prompt.endsWith(kNothingSavedText));
        expectNothingWritten(before, kSaveTitle);
    }
}

}  // namespace
}  // namespace dravesse::test
