#include <gtest/gtest.h>

#include <QApplication>
#include <string_view>

#include "controls/fonts.h"
#include "support/child_process.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform warns each time a window's size is fixed or a window is raised; that
// says nothing about us.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("does not support propagateSizeHints")) &&
        !text.contains(QLatin1String("does not support raise()")))
        defaultHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // The tests need nothing of the person's desktop: without their display, compositor, buses and
    // session manager in the environment, neither the tests nor the programs they start can reach
    // them. The bus address names a socket that cannot exist; with none at all, libdbus would
    // start a bus through dbus-launch (dbus-x11), which writes into ~/.dbus. A run on an X server
    // of the test's own (xvfb-run) says so, and keeps that display.
    for (const char* name : {"WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS", "SESSION_MANAGER"})
        qunsetenv(name);
    if (qgetenv("DRAVESSE_TEST_OWN_DISPLAY") != "1") qunsetenv("DISPLAY");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    dravesse::RegisterGothicSubstitution();
    if (argc == 3 && std::string_view(argv[1]) == "--child") {
        const auto child = dravesse::test::ChildMains().find(argv[2]);
        return child == dravesse::test::ChildMains().end() ? 2 : child->second();
    }
    return RUN_ALL_TESTS();
}
