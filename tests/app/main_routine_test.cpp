#include "app/main_routine.h"

#include <gtest/gtest.h>
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

TEST_F(MainTest, OpensTheMainWindowOnTheItemFileInTheProgramFolder) {
    // The current directory has no item file: the program folder's one counts.
    ASSERT_TRUE(WriteItemFileTo(folder_.path(), test::SampleTable()));
    EXPECT_EQ(runMain(), 0);
    EXPECT_EQ(shownWindow_, "dravesse::Form1");
    EXPECT_EQ(AppPath, folder_.path());
    EXPECT_EQ(LoadResult, 4);
    EXPECT_TRUE(script_.shown().empty());
}

TEST_F(MainTest, OpensTheCreateDialogWithoutAnItemFile) {
    // An item file in the current directory does not count.
    test::WriteBytes(QDir(elsewhere_.path()).filePath(kItemFileName), "1x1,A\r\n");
    EXPECT_EQ(runMain(), 0);
    EXPECT_EQ(shownWindow_, "dravesse::Form2");
    EXPECT_FALSE(QFile::exists(itemFile()));
}

TEST_F(MainTest, EndsAfterTheMessageWhenTheFileCannotBeLoaded) {
    for (const QByteArray& bytes :
         {QByteArray("7x5,A,B,C,D,E\r\n"), QByteArray(), QByteArray("junk")}) {
        script_.clear();
        shownWindow_.clear();
        test::WriteBytes(itemFile(), bytes);
        EXPECT_NE(runMain(), 0);
        QApplication::processEvents();
        EXPECT_TRUE(shownWindow_.isEmpty());
        ASSERT_EQ(script_.shown().size(), 1u);
        EXPECT_EQ(script_.shown()[0].prompt, kDamagedText);
    }
}

TEST_F(MainTest, ASecondInstanceEndsSilently) {
    ASSERT_TRUE(WriteItemFileTo(folder_.path(), test::SampleTable()));
    const InstanceLock first(folder_.path());
    ASSERT_FALSE(first.anotherInstanceRuns());
    EXPECT_EQ(Main(*qApp, folder_.path()), 0);
    EXPECT_TRUE(script_.shown().empty());
    EXPECT_TRUE(AppPath.isEmpty()) << "nothing is touched";
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
