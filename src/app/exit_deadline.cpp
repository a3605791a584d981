#include "app/exit_deadline.h"

#include <unistd.h>

#include <thread>

namespace dravesse {

void EndWithin(std::chrono::milliseconds time, int exitCode) {
    std::thread([time, exitCode] {
        std::this_thread::sleep_for(time);
        _exit(exitCode);
    }).detach();
}

}  // namespace dravesse
