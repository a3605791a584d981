// A save killed at any moment must leave a folder whose newest loadable table is either the one
// before the save or the one being saved, and never a damaged Tamblet.csv.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <ctime>

#include "app/msg_box.h"
#include "store/item_file_format.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/folder_snapshot.h"

namespace dravesse {
namespace {

// The largest table, marked with a generation number in every value.
SaveInput generation(int n) {
    SaveInput in;
    in.rowCount = kMaxItemRows;
    in.colCount = kMaxValueCols;
    in.hintWord = QStringLiteral("hint");
    for (int c = 1; c <= in.colCount; ++c) in.titles[c] = QStringLiteral("T%1").arg(c);
    for (int r = 0; r < in.rowCount; ++r) {
        in.table[r][0] = QStringLiteral("Item%1").arg(r);
        for (int c = 1; c <= in.colCount; ++c)
            in.table[r][c] = QStringLiteral("%1-").arg(n).repeated(12).left(60);
    }
    return in;
}

// The generation held by a file, or -1 when it does not load (or does not exist).
int generationIn(const QString& path) {
    const std::optional<ItemFileContents> file = ParseItemFile(test::ReadBytes(path));
    if (!file || !LinksMatch(file->table, file->rowCount, file->colCount)) return -1;
    return file->table[0][1].section(u'-', 0, 0).toInt();
}

// The newest loadable generation in the folder: Tamblet.csv if it exists (it must then load),
// else the newest backup that loads.
int newestGeneration(const QDir& dir) {
    if (QFile::exists(dir.filePath(kItemFileName)))
        return generationIn(dir.filePath(kItemFileName));
    for (int g = 1; g <= 3; ++g)
        if (int n = generationIn(dir.filePath(BackupFileName(g))); n >= 0) return n;
    return -1;
}

class KilledSaveTest : public testing::Test {
  protected:
    // Saves generation n in a child process that is killed after `delayNs`, or by the fault hook
    // at the given step occurrence. Returns true when the child was killed before finishing.
    bool saveAndKill(int n, long delayNs, std::optional<std::pair<SaveStep, int>> atStep = {}) {
        const pid_t child = ::fork();
        if (child == 0) {
            int seen = 0;
            if (atStep) {
                SetSaveFaultHook([&](SaveStep s) {
                    if (s == atStep->first && ++seen == atStep->second) ::raise(SIGKILL);
                    return false;
                });
            }
            ::_exit(WriteItemFileTo(dir_.path(), generation(n)) ? 0 : 1);
        }
        if (!atStep) {
            const timespec pause{0, delayNs};
            ::nanosleep(&pause, nullptr);
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << "the save itself failed";
        }
        return WIFSIGNALED(status);
    }

    QTemporaryDir dir_;
    MsgBoxScript script_;
};

TEST_F(KilledSaveTest, KilledAtEveryStepLeavesTheOldOrTheNewTable) {
    int n = 0;
    for (; n < 4; ++n) ASSERT_TRUE(WriteItemFileTo(dir_.path(), generation(n)));  // all 3 backups
    const std::pair<SaveStep, int> steps[] = {
        {SaveStep::CreateTemp, 1}, {SaveStep::WriteTemp, 1}, {SaveStep::FlushTemp, 1},
        {SaveStep::VerifyTemp, 1}, {SaveStep::Rotate, 1},    {SaveStep::Rotate, 2},
        {SaveStep::Rotate, 3},     {SaveStep::Rotate, 4},    {SaveStep::Commit, 1},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& step : steps) {
            const int before = newestGeneration(QDir(dir_.path()));
            ++n;
            EXPECT_TRUE(saveAndKill(n, 0, step));
            const int after = newestGeneration(QDir(dir_.path()));
            EXPECT_TRUE(after == before || after == n)
                << "step " << int(step.first) << ": " << after;
            ASSERT_TRUE(WriteItemFileTo(dir_.path(), generation(++n)));  // the next save succeeds
        }
    }
}

TEST_F(KilledSaveTest, KilledAtRandomMomentsLeavesTheOldOrTheNewTable) {
    ASSERT_TRUE(WriteItemFileTo(dir_.path(), generation(0)));
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(WriteItemFileTo(dir_.path(), generation(1)));
    const qint64 saveNs = std::max<qint64>(timer.nsecsElapsed(), 1'000'000);

    QRandomGenerator rng(7);
    int killed = 0;
    constexpr int kRounds = 150;
    for (int n = 2; n < 2 + kRounds; ++n) {
        const int before = newestGeneration(QDir(dir_.path()));
        const long delay = static_cast<long>(rng.bounded(static_cast<double>(saveNs) * 1.5));
        killed += saveAndKill(n, delay);
        const int after = newestGeneration(QDir(dir_.path()));
        ASSERT_TRUE(after == before || after == n) << "round " << n << ": " << after;
    }
    RecordProperty("kills", killed);
    std::printf("%d of %d saves killed part way, each leaving the old or the new table\n", killed,
                kRounds);
}

}  // namespace
}  // namespace dravesse
