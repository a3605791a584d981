#include "app/exit_deadline.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dravesse {
namespace {

// A process whose teardown hangs still ends, with the exit code it was given.
TEST(ExitDeadline, EndsAHangingProcessWithItsExitCode) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        EndWithin(std::chrono::milliseconds(50), 7);
        for (;;) pause();  // a teardown that never ends
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
}  // namespace dravesse
