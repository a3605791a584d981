#pragma once

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

}  // namespace dravesse::test
