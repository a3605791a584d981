#include "main_routine.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

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
// is restored from it on OK (a damaged one kept under a name no file has), a newer table left by
// a cut-short save becomes Tamblet.csv on OK and is kept under a name of its own on Cancel; any
// other Cancel leaves every file as it was.
TEST_F(MainTest, ChoosesTheWindowByTheItemFileInTheProgramFolder) {
    using Files = QMap<QString, QByteArray>;
    const QByteArray good = test::ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0"});
    const QByteArray newer = test::ItemFileBytes("2x1,A", {"r0,z,h", "r1,b,r0"});
    const QString cwdFile = QDir(elsewhere_.path()).filePath(kItemFileName);
    const QString t0 = kItemFileName, t1 = BackupFileName(1), temp = ".Tamblet.csv.AbC123";
    const QString missing = "Tamblet.csv is missing.", damaged = kDamagedText,
                  offer = "The newest file", unfinished = "A save did not finish";
    const QByteArray gone = "(removed)";
    // clang-format off
    const struct { const char* name; Files files; QByteArray inCwd; int answer, exit; const char* window; QStringList messages; Files changed; } cases[] = {
        {"item file", {{t0, good}}, "", kIdOk, 0, "dravesse::Form1", {}, {}},
        {"none, one in the current directory", {}, good, kIdOk, 0, "dravesse::Form2", {}, {}},
        {"only a header", {{t0, "7x5,A,B,C,D,E\r\n"}}, "", kIdOk, 1, "", {damaged}, {}},
        {"empty, a damaged backup", {{t0, ""}, {t1, "junk"}}, "", kIdOk, 1, "", {damaged}, {}},
        {"none, a backup", {{t1, good}}, "", kIdOk, 0, "dravesse::Form1", {missing}, {{t0, good}}},
        {"none, a backup, Cancel", {{t1, good}}, "", kIdCancel, 1, "", {missing}, {}},
        {"damaged, a backup, an earlier damaged file", {{t0, "junk"}, {t1, good}, {"Tamblet-damaged1.csv", "old"}}, "",
         kIdOk, 0, "dravesse::Form1", {damaged, offer}, {{t0, good}, {"Tamblet-damaged2.csv", "junk"}}},
        {"damaged, a backup, Cancel", {{t0, "junk"}, {t1, good}}, "", kIdCancel, 1, "", {damaged, offer}, {}},
        {"a newer table of a cut-short save", {{t0, good}, {temp, newer}}, "", kIdOk, 0, "dravesse::Form1",
         {unfinished}, {{t0, newer}, {t1, good}, {temp, gone}}},
        {"the same, Cancel", {{t0, good}, {temp, newer}}, "", kIdCancel, 0, "dravesse::Form1", {unfinished},
         {{temp, gone}, {"Tamblet-unfinished1.csv", newer}}}};
    // clang-format on
    const QDir folder(folder_.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            QFile::remove(folder.filePath(name));
        QFile::remove(cwdFile);
        for (const auto& [name, bytes] : c.files.asKeyValueRange()) {
            test::WriteBytes(folder.filePath(name), bytes);
            QFile file(folder.filePath(name));
            if (name.startsWith(u'.') && file.open(QIODevice::Append))  // written after Tamblet.csv
                file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime);
        }
        if (!c.inCwd.isEmpty()) test::WriteBytes(cwdFile, c.inCwd);
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
        Files expected = c.files, after;
        for (const auto& [name, bytes] : c.changed.asKeyValueRange())
            bytes == gone ? void(expected.remove(name)) : void(expected[name] = bytes);
        for (const auto& [name, state] : test::SnapshotFolder(folder_.path()).asKeyValueRange())
            after[name] = state.bytes;
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
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE), 0) << "nor can another process read the memory";
    // Another program folder is another program.
    QTemporaryDir other;
    EXPECT_FALSE(InstanceLock(other.path()).anotherInstanceRuns());
}

// A second start of the real program, in a child process, ends with 0 and brings forward what
// this instance shows, answered from whichever event loop runs: the main window, minimized behind
// another window; the create dialog; the damaged-file question, before any window.
TEST_F(MainTest, ASecondStartBringsForwardWhatIsShown) {
    const QString program = QDir(folder_.path()).filePath("dravesse");
    ASSERT_TRUE(QFile::copy(DRAVESSE_PROGRAM, program)) << "in the same folder, under its lock";
    const QByteArray good = test::ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0"});
    // clang-format off
    const struct { const char* name; QMap<QString, QByteArray> files; bool inBox; const char* forward; } cases[] = {
        {"the main window", {{kItemFileName, good}}, false, "dravesse::Form1"},
        {"the create dialog", {}, false, "dravesse::Form2"},
        {"the damaged-file question", {{kItemFileName, "junk"}, {BackupFileName(1), good}}, true, "QMessageBox"}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : {kItemFileName, BackupFileName(1)})
            QFile::remove(QDir(folder_.path()).filePath(name));
        for (const auto& [name, bytes] : c.files.asKeyValueRange())
            test::WriteBytes(QDir(folder_.path()).filePath(name), bytes);
        int exitCode = -1;
        QString cameForward;
        bool stillMinimized = true, done = false;
        const auto waitFor = [](auto condition) {
            const QDeadlineTimer deadline(5000);
            while (!condition() && !deadline.hasExpired())
                QApplication::processEvents(QEventLoop::AllEvents, 20);
        };
        const auto startAgain = [&] {
            QWidget* shown = QApplication::activeModalWidget();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (!shown && w->isVisible() && qobject_cast<Form1*>(w)) shown = w;
            if (!shown || std::exchange(done, true)) return;
            QWidget other;  // another program's window, in front
            other.show();
            other.activateWindow();
            shown->showMinimized();
            waitFor([&] { return QApplication::activeWindow() == &other; });
            QProcess second;
            second.start(program, QStringList());
            if (second.waitForFinished(20000) && second.exitStatus() == QProcess::NormalExit)
                exitCode = second.exitCode();
            waitFor([&] { return QApplication::activeWindow() == shown; });
            if (QWidget* active = QApplication::activeWindow())
                cameForward = active->metaObject()->className();
            stillMinimized = shown->isMinimized();
            other.close();
            shown->close();
        };
        script_.clear();
        script_.answerNext(kIdCancel);
        script_.answerNext(kIdCancel);
        if (c.inBox) {
            script_.onShow([&](const ShownMessage& m) {
                if (done) return;  // the first question only
                QMessageBox box(QMessageBox::Question, m.title, m.prompt);
                QTimer::singleShot(0, startAgain);
                box.exec();
            });
        } else {
            QTimer::singleShot(0, startAgain);
        }
        Main(*qApp, folder_.path());
        script_.onShow({});
        EXPECT_EQ(exitCode, 0) << "the second start ends, silently";
        EXPECT_EQ(cameForward, QLatin1String(c.forward));
        EXPECT_FALSE(stillMinimized);
    }
}

}  // namespace
}  // namespace dravesse
