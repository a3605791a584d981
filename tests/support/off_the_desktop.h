#pragma once

#include <QtGlobal>

namespace dravesse::test {

// The tests draw on the offscreen platform and need nothing of the person's desktop: with their
// display, compositor, session bus, accessibility bus and session manager out of the environment,
// neither the tests nor the programs they start can reach or change them. The bus address names a
// socket that cannot exist, so nothing connects; with no address at all, libdbus would start a
// bus of its own through dbus-launch, which writes into ~/.dbus.
inline void KeepOffThePersonsDesktop() {
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS", "SESSION_MANAGER", "XAUTHORITY"})
        qunsetenv(name);
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus");
}

}  // namespace dravesse::test
