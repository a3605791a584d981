// Ends the process when its last steps take too long.
#pragma once

#include <chrono>

namespace dravesse {

// From now on the process has the given time to end; after it, it ends at once with the exit
// code, without running any more of its clean-up. Called once the program's own work is done and
// only the toolkit's teardown is left: Qt 6.4's Wayland teardown now and then waits forever for
// its event thread, which waits in the Wayland library for a read that never comes.
void EndWithin(std::chrono::milliseconds time, int exitCode);

}  // namespace dravesse
