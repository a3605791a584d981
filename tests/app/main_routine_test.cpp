#include "app/main_routine.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>

#include "app/instance_lock.h"
#include "app/msg_box.h"
#include "app/shared_state.h"
#include "create_dialog/form2.h"
#include "main_window/form1.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/folder_snapshot.h"
#include "support/sample_table.h"

namespace dravesse {
namespace {

class MainTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        ASSERT_TRUE(runtime_.isValid() && folder_.isValid() && elsewhere_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        QDir::setCurrent(elsewhere_.path());
    }
    QString itemFile() const { return QDir(folder_.path()).filePath(kItemFileName); }

    // Runs Main; while it waits (event loop or modal dialog), notes which window is up and
    // closes it.
    int runMain() {
        QTimer::singleShot(0, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                shownWindow_ = modal->metaObject()->className();
                modal->close();
                return;
            }
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && qobject_cast<Form1*>(w)) {
                    shownWindow_ = w->metaObject()->className();
                    w->close();
                }
            }
        });
        return Main(*qApp, folder_.path());
    }

    QTemporaryDir runtime_, folder_, elsewhere_;
    MsgBoxScript script_;
    QString shownWindow_;
};

// The item file is looked up in the program folder, never in the current directory: there the
// main window opens on it, without one the create dialog opens, and a file that does not load
// ends the program after the damaged-file message. A missing or damaged file with a sound backup
// is restored from it when the person answers OK (a damaged one kept as Tamblet-damaged1.csv),
// and with Cancel the program ends with every file as it was.
TEST_F(MainTest, ChoosesTheWindowByTheItemFileInTheProgramFolder) {
    const QByteArray good = test::ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0"});
    const QString cwdFile = QDir(elsewhere_.path()).filePath(kItemFileName);
    const QString backup = QDir(folder_.path()).filePath(BackupFileName(1));
    const QString missing = "Tamblet.csv is missing.", damaged = kDamagedText;
    // clang-format off
    const struct { const char* name; QByteArray inFolder, inCwd, backup; int answer, exit; const char* window; QStringList messages; } cases[] = {
        {"item file", good, "", "", kIdOk, 0, "dravesse::Form1", {}},
        {"none, one in the current directory", "", good, "", kIdOk, 0, "dravesse::Form2", {}},
        {"only a header", "7x5,A,B,C,D,E\r\n", "", "", kIdOk, 1, "", {damaged}},
        {"empty", QByteArray(0, 'x'), "", "junk", kIdOk, 1, "", {damaged}},
        {"junk", "junk", "", "", kIdOk, 1, "", {damaged}},
        {"none, a backup", "", "", good, kIdOk, 0, "dravesse::Form1", {missing}},
        {"none, a backup, Cancel", "", "", good, kIdCancel, 1, "", {missing}},
        {"damaged, a backup", "junk", "", good, kIdOk, 0, "dravesse::Form1", {damaged, "The newest"}},
        {"damaged, a backup, Cancel", "junk", "", good, kIdCancel, 1, "", {damaged, "The newest"}}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : QDir(folder_.path()).entryList(QDir::Files))
            QFile::remove(QDir(folder_.path()).filePath(name));
        QFile::remove(cwdFile);
        if (c.window != QLatin1String("dravesse::Form2") && c.messages.value(0) != missing)
            test::WriteBytes(itemFile(), c.inFolder);
        if (!c.inCwd.isEmpty()) test::WriteBytes(cwdFile, c.inCwd);
        if (!c.backup.isEmpty()) test::WriteBytes(backup, c.backup);
        const auto before = test::SnapshotFolder(folder_.path());
        script_.clear();
        for (const QString& m : c.messages) script_.answerNext(m == damaged ? kIdOk : c.answer);
        shownWindow_.clear();
        EXPECT_EQ(runMain(), c.exit);
        QApplication::processEvents();
        EXPECT_EQ(shownWindow_, QLatin1String(c.window));
        ASSERT_EQ(qsizetype(script_.shown().size()), c.messages.size());
        for (qsizetype i = 0; i < c.messages.size(); ++i)
            EXPECT_TRUE(script_.shown()[i].prompt.startsWith(c.messages[i]));
        EXPECT_EQ(AppPath, folder_.path());
        auto after = test::SnapshotFolder(folder_.path()), expected = before;
        if (!c.messages.isEmpty() && c.exit == 0) {  // restored, the damaged file kept
            EXPECT_EQ(after.take(kItemFileName).bytes, c.backup);
            expected.remove(kItemFileName);
            if (!c.inFolder.isEmpty()) {
                EXPECT_EQ(after.take("Tamblet-damaged1.csv").bytes, c.inFolder);
            }
        }
        EXPECT_EQ(after, expected) << "nothing else is written";
    }
}

TEST_F(MainTest, ASecondInstanceEndsSilently) {
    ASSERT_TRUE(WriteItemFileTo(folder_.path(), test::SampleTable()));
    const InstanceLock first(folder_.path());
    ASSERT_FALSE(first.anotherInstanceRuns());
    EXPECT_EQ(Main(*qApp, folder_.path()), 0);
    EXPECT_TRUE(script_.shown().empty());
    EXPECT_TRUE(AppPath.isEmpty()) << "nothing is touched";
    rlimit core{};
    EXPECT_TRUE(::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0) << "core dumps are off";
    // Another program folder is another program.
    QTemporaryDir other;
    EXPECT_FALSE(InstanceLock(other.path()).anotherInstanceRuns());
}

TEST_F(MainTest, ALockLeftByAKilledInstanceIsTakenOver) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock held(folder_.path());
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_FALSE(QDir(runtime_.path()).entryList({"dravesse-*.lock"}, QDir::Files).isEmpty());
    EXPECT_FALSE(InstanceLock(folder_.path()).anotherInstanceRuns());
}

}  // namespace
}  // namespace dravesse
