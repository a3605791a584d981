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
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/folder_snapshot.h"

namespace dravesse {
namespace {

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

// The generation in the newest loadable file: Tamblet.csv if it exists (it must then load), else
// the newest backup that loads; -1 when there is none.
int newestGeneration(const QDir& dir) {
    for (int g = 0; g <= 3; ++g) {
        const QString name = g ? BackupFileName(g) : kItemFileName;
        if (!QFile::exists(dir.filePath(name))) continue;
        const auto file = ParseItemFile(test::ReadBytes(dir.filePath(name)));
        if (file && LinksMatch(file->table, file->rowCount, file->colCount))
            return file->table[0][1].section(u'-', 0, 0).toInt();
        if (g == 0) return -1;
    }
    return -1;
}

// Saves generation n in a child that is killed after `delayNs`, or at the given occurrence of a
// save step. Returns true when the child was killed before it finished.
bool saveAndKill(const QString& folder, int n, long delayNs, SaveStep step = {}, int nth = 0) {
    const pid_t child = ::fork();
    if (child == 0) {
        int seen = 0;
        if (nth > 0)
            SetSaveFaultHook([&](SaveStep s) {
                if (s == step && ++seen == nth) ::raise(SIGKILL);
                return false;
            });
        ::_exit(WriteItemFileTo(folder, generation(n)) ? 0 : 1);
    }
    if (nth == 0) {
        const timespec pause{0, delayNs};
        ::nanosleep(&pause, nullptr);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == 0) << "the save itself failed";
    return WIFSIGNALED(status);
}

TEST(KilledSave, LeavesTheOldOrTheNewTable) {
    QTemporaryDir dir;
    MsgBoxScript quiet;
    int n = 0;
    for (; n < 4; ++n) ASSERT_TRUE(WriteItemFileTo(dir.path(), generation(n)));  // all backups
    auto killAndCheck = [&](long delayNs, SaveStep step, int nth) {
        const int before = newestGeneration(QDir(dir.path()));
        const bool killed = saveAndKill(dir.path(), ++n, delayNs, step, nth);
        const int after = newestGeneration(QDir(dir.path()));
        EXPECT_TRUE(after == before || after == n) << "save " << n << " left " << after;
        return killed;
    };

    // Killed at each step of a save: creating, writing, flushing, checking, each of the four
    // renames of the rotation, and the final rename.
    const std::pair<SaveStep, int> steps[] = {
        {SaveStep::CreateTemp, 1}, {SaveStep::WriteTemp, 1}, {SaveStep::FlushTemp, 1},
        {SaveStep::VerifyTemp, 1}, {SaveStep::Rotate, 1},    {SaveStep::Rotate, 2},
        {SaveStep::Rotate, 3},     {SaveStep::Rotate, 4},    {SaveStep::Commit, 1}};
    for (const auto& [step, nth] : steps) {
        EXPECT_TRUE(killAndCheck(0, step, nth));
        ASSERT_TRUE(WriteItemFileTo(dir.path(), generation(++n)));
    }

    // Killed at random moments across the time a save takes.
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(WriteItemFileTo(dir.path(), generation(++n)));
    const double saveNs = std::max<qint64>(timer.nsecsElapsed(), 1'000'000);
    QRandomGenerator rng(7);
    int killed = 0;
    constexpr int kRounds = 150;
    for (int i = 0; i < kRounds; ++i)
        killed += killAndCheck(static_cast<long>(rng.bounded(saveNs * 1.5)), {}, 0);
    std::printf("%d of %d saves killed part way, each leaving the old or the new table\n", killed,
                kRounds);
}

}  // namespace
}  // namespace dravesse
