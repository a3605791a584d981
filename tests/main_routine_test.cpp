#include "main_routine.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <string>

#include "app/instance_lock.h"
#include "app/msg_box.h"
#include "app/shared_state.h"
#include "main_window/form1.h"
#include "store/recover_item_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"
#include "support/child_process.h"
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

    // The window that is up: a modal dialog or box, else the main window.
    static QWidget* windowUp() {
        QWidget* up = QApplication::activeModalWidget();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!up && w->isVisible() && qobject_cast<Form1*>(w)) up = w;
        return up;
    }
    // Runs Main; while it waits (event loop or modal dialog), notes which window is up and
    // closes it.
    int runMain() {
        QTimer::singleShot(0, [this] {
            if (QWidget* up = windowUp()) {
                shownWindow_ = up->metaObject()->className();
                up->close();
            }
        });
        return Main(*qApp, folder_.path());
    }

    QTemporaryDir runtime_, folder_, elsewhere_;
    const QByteArray good_ = test::ItemFileBytes("2x1,A", {"r0,a,h", "r1,b,r0"});  // a sound table
    MsgBoxScript script_;
    QString shownWindow_;
};

// The item file is looked up in the program folder, never in the current directory: there the
// main window opens on it, without one the create dialog opens, and a file that does not load
// ends the program after the damaged-file message. A missing or damaged file with a sound backup
// is restored from it on OK (Tamblet1.csv before Tamblet2.csv, whatever their times; a damaged one
// kept under a name no file has), a newer table left by a cut-short save becomes Tamblet.csv on
// OK, and is kept under a name of its own when the new file cannot take the name Tamblet.csv (the
// start goes on with Tamblet.csv as it is). Backups that do not read are named and, on OK, kept
// aside; a Tamblet.csv that is not a file is named, never taken for a missing one. The person's
// files and FIFOs under any name are never opened, offered or touched. Cancel, equal times and
// odd entries under our other names are tried at random by the store checker.
TEST_F(MainTest, ChoosesTheWindowByTheItemFileInTheProgramFolder) {
    using Files = QMap<QString, QByteArray>;
    const QByteArray newer = test::ItemFileBytes("2x1,A", {"r0,z,h", "r1,b,r0"});
    // A sound Tamblet.csv in the current directory throughout, never to be opened.
    test::WriteBytes(QDir(elsewhere_.path()).filePath(kItemFileName), good_);
    const QString t0 = kItemFileName, t1 = BackupFileName(1), t2 = BackupFileName(2),
                  t3 = BackupFileName(3), temp = ".Tamblet.csv.dravesse-save-0123456789ab";
    const QString d1 = "Tamblet-damaged1.csv", d2 = "Tamblet-damaged2.csv",
                  d3 = "Tamblet-damaged3.csv";
    const QString missing = "Tamblet.csv is missing.", damaged = kDamagedText,
                  offer = "The newest file", unfinished = "A save did not finish";
    const QString noneReads =
        "Tamblet.csv is missing, and none of its backups reads correctly:\r\n"
        "Tamblet1.csv is damaged.\r\nTamblet2.csv can not be read: Permission denied.\r\n"
        "Tamblet3.csv is a FIFO (named pipe), not a file.\r\nOK keeps Tamblet1.csv as "
        "Tamblet-damaged1.csv, Tamblet2.csv as Tamblet-damaged2.csv, Tamblet3.csv as "
        "Tamblet-damaged3.csv, and opens \"Create Tamblet\"";
    const QString notAFile = kCanNotOpenText + "\r\nReason: Tamblet.csv is a ";
    const QString kept = "The newer table is kept as Tamblet-unfinished1.csv, in " +
                         folder_.path() + ". Dravesse opens Tamblet.csv as it is.";
    const QString notCommitted =
        QStringList{kCanNotSaveText, "The new file could not take the name Tamblet.csv.",
                    ReasonLine("Input/output error", folder_.path()), kNothingSavedText, kept}
            .join("\r\n");
    const QByteArray gone = "(removed)", unreadable = "<unreadable>" + good_;
    const QMap<QString, int> reversed{{t1, -100}, {t3, 0}};
    // clang-format off
    const struct { const char* name; Files files; int answer, exit; const char* window; QStringList messages; Files changed; QMap<QString, int> ages = {}; bool commitFails = false; } cases[] = {
        {"item file", {{t0, good_}}, kIdOk, 0, "dravesse::Form1", {}, {}},
        {"none", {}, kIdOk, 0, "dravesse::Form2", {}, {}},
        {"empty, a damaged backup", {{t0, ""}, {t1, "junk"}}, kIdOk, 1, "", {damaged}, {}},
        {"none, backups by generation, their times reversed", {{t1, good_}, {t3, newer}}, kIdOk, 0, "dravesse::Form1",
         {missing + "\r\nThe newest file that reads correctly is Tamblet1.csv"}, {{t0, good_}}, reversed},
        {"none, backups that do not read", {{t1, "junk"}, {t2, unreadable}, {t3, "<fifo>"}}, kIdOk, 0, "dravesse::Form2",
         {noneReads}, {{t1, gone}, {t2, gone}, {t3, gone}, {d1, "junk"}, {d2, unreadable}, {d3, "<fifo>"}}},
        {"a FIFO named Tamblet.csv, a backup", {{t0, "<fifo>"}, {t1, good_}}, kIdOk, 1, "", {notAFile + "FIFO (named pipe), not a file."}, {}},
        {"damaged, a backup, an earlier damaged file", {{t0, "junk"}, {t1, good_}, {d1, "old"}},
         kIdOk, 0, "dravesse::Form1", {damaged, offer}, {{t0, good_}, {d2, "junk"}}},
        {"damaged, a backup, Cancel", {{t0, "junk"}, {t1, good_}}, kIdCancel, 1, "", {damaged, offer}, {}},
        {"a newer table of a cut-short save", {{t0, good_}, {temp, newer}}, kIdOk, 0, "dravesse::Form1",
         {unfinished}, {{t0, newer}, {t1, good_}, {temp, gone}}},
        {"the same, OK, the new file not taking the name", {{t0, good_}, {temp, newer}}, kIdOk, 0, "dravesse::Form1",
         {unfinished, notCommitted}, {{temp, gone}, {"Tamblet-unfinished1.csv", newer}}, {}, true},
        {"the person's files, newer and sound", {{t0, good_}, {".Tamblet.csv.backup", newer}, {".tamblet.csv.abc123", newer},
         {".Tamblet.csv.AbC123", newer}, {"Tamblet.csv.bak", newer}, {"Tamblet-notes.csv", newer}}, kIdOk, 0, "dravesse::Form1", {}, {}},
        {"a cut-short save's table older than Tamblet.csv (a clock stepped back)", {{t0, good_}, {temp, newer}}, kIdOk, 0, "dravesse::Form1",
         {unfinished + ": " + temp}, {{temp, gone}, {"Tamblet-unfinished1.csv", newer}}, {{t0, 0}, {temp, -1}}},
        {"a link to nothing (a folder not mounted), a backup", {{t0, "<link to nothing>"}, {t1, good_}}, kIdOk, 1, "",
         {notAFile + "link to "}, {}},
        {"damaged, a backup, the restore failing (a full disk)", {{t0, "junk"}, {t1, good_}}, kIdOk, 1, "",
         {damaged, offer, "Tamblet.csv could not be restored."}, {}, {}, true},
        {"FIFOs under a temporary name and a person's", {{t0, good_}, {temp, "<fifo>"}, {".Tamblet.csv.abcdef", "<fifo>"}}, kIdOk, 0,
         "dravesse::Form1", {temp + " is a FIFO (named pipe), not a file, in "}, {}}};
    // clang-format on
    const QDir folder(folder_.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::EmptyFolder(folder_.path());
        const QDateTime now = QDateTime::currentDateTime();
        for (const auto& [name, bytes] : c.files.asKeyValueRange()) {
            if (bytes == "<link to nothing>")  // into an empty mount point
                QFile::link(QDir(elsewhere_.path()).filePath("mnt/pw.csv"), folder.filePath(name));
            else
                test::LayEntry(folder.filePath(name), bytes);
            // Written after Tamblet.csv, unless the case says otherwise.
            const int age = c.ages.value(name, name.startsWith(u'.') ? 60 : -200);
            QFile file(folder.filePath(name));
            if (QFileInfo(file).isFile() && file.open(QIODevice::Append))
                file.setFileTime(now.addSecs(age), QFileDevice::FileModificationTime);
        }
        script_.clear();
        for (const QString& m : c.messages) script_.answerNext(m == damaged ? kIdOk : c.answer);
        shownWindow_.clear();
        SetSaveFaultHook([&](SaveStep step) { return c.commitFails && step == SaveStep::Commit; });
        {
            const test::WithoutPermissionOverride asTheOwner;
            ::alarm(60);  // a FIFO opened for reading would hang the start
            EXPECT_EQ(runMain(), c.exit);
            ::alarm(0);
            QApplication::processEvents();
        }
        SetSaveFaultHook({});
        EXPECT_EQ(shownWindow_, QLatin1String(c.window));
        EXPECT_EQ(qsizetype(script_.shown().size()), c.messages.size());
        for (qsizetype i = 0; i < std::min(c.messages.size(), qsizetype(script_.shown().size()));
             ++i)
            EXPECT_TRUE(script_.shown()[i].prompt.startsWith(c.messages[i]))
                << script_.shown()[i].prompt.toStdString();
        EXPECT_EQ(AppPath, folder_.path());
        Files expected = c.files, after;
        for (const auto& [name, bytes] : c.changed.asKeyValueRange())
            bytes == gone ? void(expected.remove(name)) : void(expected[name] = bytes);
        for (const QString& name : test::SnapshotFolder(folder_.path()).keys())
            after[name] = test::EntryAsLaid(folder.filePath(name));
        EXPECT_EQ(after, expected) << "nothing else is written";
    }
}

// A damaged Tamblet.csv larger than the memory the program may use is kept whole, without being
// read into memory, and the restore goes on; also when it is a link to a file on another file
// system, which is copied with its holes skipped: far less is read than the file's size. Not
// built under AddressSanitizer, which reserves more address space than such a limit allows.
#if !defined(__SANITIZE_ADDRESS__)
qint64 bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    qint64 value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

TEST_F(MainTest, AHugeDamagedItemFileIsKeptWithoutReadingIt) {
    const QDir folder(folder_.path());
    constexpr qint64 kHuge = qint64(3) << 30;  // sparse: it takes no room on disk
    QTemporaryDir other(QDir("/dev/shm").exists() ? "/dev/shm/dravesse-XXXXXX" : QString());
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked);
        test::EmptyFolder(folder_.path());
        test::WriteBytes(folder.filePath(BackupFileName(1)), good_);
        const QString damaged =
            linked ? QDir(other.path()).filePath("pw.csv") : folder.filePath(kItemFileName);
        QFile item(damaged);
        ASSERT_TRUE(item.open(QIODevice::WriteOnly) && item.write("junk") == 4 &&
                    item.resize(kHuge));
        item.close();
        if (linked) {
            ASSERT_TRUE(QFile::link(damaged, folder.filePath(kItemFileName)));
        }
        AppPath = folder_.path();
        const int failed = test::RunForked([&] {
            // What the process uses now, and 1 GiB more: far less than the file.
            rlim_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlim_t max = pages * ::sysconf(_SC_PAGESIZE) + (rlim_t(1) << 30);
            const rlimit limit{max, max};
            if (pages == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) return 3;
            const qint64 before = bytesReadSoFar();
            if (LoadAtStart() != StartWith::MainWindow || script_.shown().size() != 2) return 1;
            return bytesReadSoFar() - before < (qint64(64) << 20) ? 0 : 2;
        });
        EXPECT_EQ(failed, 0) << "3: no limit; 1: not restored; 2: its holes were read";
        EXPECT_EQ(QFileInfo(folder.filePath("Tamblet-damaged1.csv")).size(), kHuge);
        EXPECT_EQ(test::ReadBytes(folder.filePath(kItemFileName)), good_);
        QFile::remove(damaged);
    }
}
#endif

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

// A second start of the real program, copied alone into the program folder, in a child process,
// ends with 0 and brings forward the create dialog, minimized behind another window, answered
// from the dialog's own event loop. (The main window and the damaged-file question are brought
// forward by the end-to-end run of the installed program.)
TEST_F(MainTest, ASecondStartBringsForwardTheCreateDialog) {
    const QString program = QDir(folder_.path()).filePath("dravesse");
    // Alone, as the program is kept: one executable beside its table.
    ASSERT_TRUE(QFile::copy(DRAVESSE_PROGRAM, program)) << "in the same folder, under its lock";
    int exitCode = -1;
    QString cameForward;
    bool stillMinimized = true;
    QTimer::singleShot(0, [&] {
        QWidget* const shown = windowUp();
        if (!shown) return;
        QWidget other;  // another program's window, in front
        other.show();
        other.activateWindow();
        shown->showMinimized();
        (void)QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; });
        QProcess second;
        second.start(program, QStringList());
        // This instance's loop runs meanwhile, and serves the request.
        if (QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000) &&
            second.exitStatus() == QProcess::NormalExit)
            exitCode = second.exitCode();
        (void)QTest::qWaitFor([&] { return QApplication::activeWindow() == shown; });
        if (QWidget* active = QApplication::activeWindow())
            cameForward = active->metaObject()->className();
        stillMinimized = shown->isMinimized();
        other.close();
        shown->close();
    });
    Main(*qApp, folder_.path());
    EXPECT_EQ(exitCode, 0) << "the second start ends, silently";
    EXPECT_EQ(cameForward, QLatin1String("dravesse::Form2"));
    EXPECT_FALSE(stillMinimized);
}

}  // namespace
}  // namespace dravesse
