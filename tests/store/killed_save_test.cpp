// A save killed at any of its calls, in a plain folder, through a linked Tamblet.csv or on FAT,
// must leave Tamblet.csv holding the table before the save or the one being saved; the next start
// opens one of them, at most after asking to finish the save that was cut short.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <csignal>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/recover_item_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/fat_folder.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse::test {

// The largest table, with the generation number in every value.
SaveInput generation(int n) {
    SaveInput in{kMaxItemRows, kMaxValueCols, {}, {}, QStringLiteral("hint")};
    for (int r = 0; r < in.rowCount; ++r) {
        in.table[r][0] = QStringLiteral("Item%1").arg(r);
        for (int c = 1; c <= in.colCount; ++c)
            in.table[r][c] = QStringLiteral("%1-").arg(n).repeated(20).left(60);
    }
    return in;
}

int SaveGeneration(const QString& folder, int n) {
    MsgBoxScript quiet;
    return WriteItemFileTo(folder, generation(n)) ? 0 : 1;
}

namespace {

int generationIn(const QByteArray& bytes) {
    const QString first = SoundFirstValue(bytes);
    return first.isEmpty() ? -1 : first.section(u'-', 0, 0).toInt();
}

// The generation that the next start opens, answering OK to its one question if it asks (counted
// in `asked`; it must begin with `question`); -1 when it opens none or asks more.
int asked = 0;
int nextStart(const QString& folder, const char* question = "A save did not finish") {
    ResetSharedState();
    AppPath = folder;
    MsgBoxScript script;
    if (LoadAtStart() != StartWith::MainWindow || script.shown().size() > 1) return -1;
    asked += int(script.shown().size());
    for (const ShownMessage& m : script.shown())
        EXPECT_TRUE(m.prompt.startsWith(question)) << m.prompt.toStdString();
    return ItemTable[0][1].section(u'-', 0, 0).toInt();
}

using test::FatFolder;
const auto run = test::RunProgram;

// Saves generation n in a process of its own under strace, killed at the nth call of `call`.
// True when it was killed.
bool saveKilledAt(const QString& folder, int n, const char* call, int nth) {
    const int code =
        run(QStringLiteral("strace"),
            {"-f", "-qq", "-o", "/dev/null", "-e", QStringLiteral("trace=%1").arg(call), "-e",
             QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(call).arg(nth),
             QCoreApplication::applicationFilePath(), "--save", folder, QString::number(n)});
    EXPECT_TRUE(code == 0 || code == 128 + SIGKILL) << "the save itself failed: " << code;
    return code != 0;
}

// The generation that Tamblet.csv (g = 0) or backup g holds.
int heldIn(const QString& folder, int g) {
    return generationIn(ReadBytes(QDir(folder).filePath(g ? BackupFileName(g) : kItemFileName)));
}

// Four saves, generations n to n + 3: Tamblet.csv to Tamblet3.csv then hold the newest to oldest.
void layFourGenerations(const QString& folder, int& n) {
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(WriteItemFileTo(folder, generation(++n)));
    for (int g = 0; g < 4; ++g) EXPECT_EQ(heldIn(folder, g), n - g);
}

// Kills a save at each call it makes that renames, links or removes a file, one save for each,
// and counts the kills.
int killAtEveryCall(const QString& folder, int& n) {
    const QString item = QDir(folder).filePath(kItemFileName);
    const bool linked = QFileInfo(item).isSymLink();
    int kills = 0;
    for (const char* call :
         {"rename", "renameat", "renameat2", "link", "linkat", "unlink", "unlinkat"})
        for (int nth = 1;; ++nth) {
            SCOPED_TRACE(testing::Message() << "killed at " << call << " #" << nth);
            const int before = n;
            if (!saveKilledAt(folder, ++n, call, nth)) break;  // the save ran to its end
            ++kills;
            EXPECT_TRUE(QFileInfo(item).isFile()) << "no Tamblet.csv";
            EXPECT_EQ(QFileInfo(item).isSymLink(), linked);
            const int left = generationIn(ReadBytes(item));
            EXPECT_TRUE(left == before || left == n) << "Tamblet.csv holds " << left;
            const int opened = nextStart(folder);
            EXPECT_TRUE(opened == before || opened == n) << "the next start opened " << opened;
            EXPECT_TRUE(WriteItemFileTo(folder, generation(++n)));
            for (int g = 1; g < 4; ++g)  // four tables, newest first: none kept twice
                EXPECT_TRUE(heldIn(folder, g) > 0 && heldIn(folder, g) < heldIn(folder, g - 1))
                    << "Tamblet" << g << ".csv holds " << heldIn(folder, g);
        }
    return kills;
}

TEST(KilledSave, LeavesTheOldOrTheNewTable) {
    ASSERT_EQ(run("strace", {"-qq", "-o", "/dev/null", "true"}), 0)
        << "strace must be installed (scripts/deps test) and allowed to trace";
    QTemporaryDir plain, linked, synced;
    int n = 0;
    layFourGenerations(plain.path(), n);
    int kills = killAtEveryCall(plain.path(), n);

    // Tamblet.csv a link to a file in another folder.
    layFourGenerations(linked.path(), n);
    const QString item = QDir(linked.path()).filePath(kItemFileName);
    ASSERT_TRUE(QFile::rename(item, synced.filePath("table.csv")));
    ASSERT_TRUE(QFile::link(synced.filePath("table.csv"), item));
    kills += killAtEveryCall(linked.path(), n);
    EXPECT_EQ(QDir(synced.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"table.csv"});
    // Not passed for want of kills: some starts after them asked to finish the save.
    EXPECT_TRUE(kills > 0 && asked > 0) << kills << ", " << asked;
}

// On FAT (no hard links, no O_TMPFILE, no no-replace rename): a first table, saves with their
// backups, kills at every call, and a missing Tamblet.csv restored from its newest backup.
TEST(KilledSave, OnFat) {
    FatFolder fat;
    if (*fat.skipReason()) GTEST_SKIP() << fat.skipReason() << ": the FAT test cannot run here";
    int n = 0;
    layFourGenerations(fat.path(), n);
    EXPECT_GT(killAtEveryCall(fat.path(), n), 0) << "kills on FAT";
    ASSERT_TRUE(QFile::remove(QDir(fat.path()).filePath(kItemFileName)));
    EXPECT_EQ(nextStart(fat.path(), "Tamblet.csv is missing."), n - 1);
}

}  // namespace
}  // namespace dravesse::test
