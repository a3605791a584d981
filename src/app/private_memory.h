// Keeps the table's secrets in the program's memory from being read from outside it.
#pragma once

namespace dravesse {

// No core dump is written, not even to a crash handler the kernel pipes cores to (which ignores
// the core size limit), and other processes of the same user can neither attach a debugger nor
// read the program's memory through /proc. Called first thing at start.
void KeepMemoryPrivate();

}  // namespace dravesse
