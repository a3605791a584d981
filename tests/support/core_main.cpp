#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <string_view>

#include "support/child_process.h"

namespace dravesse::test {
int SaveGeneration(const QString& folder, int n);  // killed_save_test.cpp
}

int main(int argc, char** argv) {
    // "--save <folder> <n>": one save and nothing else, for the test that kills it under strace.
    // It ends with _exit: a traced process cannot run the leak checker's exit hook.
    if (argc == 4 && std::string_view(argv[1]) == "--save") {
        QCoreApplication app(argc, argv);
        ::_exit(
            dravesse::test::SaveGeneration(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3])));
    }
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::string_view(argv[1]) == "--child") {
        const auto child = dravesse::test::ChildMains().find(argv[2]);
        ::_exit(child == dravesse::test::ChildMains().end() ? 2 : child->second());
    }
    return RUN_ALL_TESTS();
}
