#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>

namespace dravesse::test {

// A test that needs a process of its own, such as one started under another QT_SCALE_FACTOR,
// starts its own test program as "<program> --child <name>". The test file registers what that
// child does; the child's exit code is the function's result.
using ChildMain = int (*)();

inline std::map<std::string, ChildMain>& ChildMains() {
    static std::map<std::string, ChildMain> mains;
    return mains;
}

inline bool RegisterChild(const char* name, ChildMain run) {
    ChildMains()[name] = run;
    return true;
}

// Runs `body` in a forked copy of this process and gives its exit code, or 128 + the number of
// the signal that ended it; -1 when no child could be started.
inline int RunForked(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace dravesse::test
