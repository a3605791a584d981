#include "app/private_memory.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include "app/fortify_level_note.h"

namespace dravesse {

void KeepMemoryPrivate() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace dravesse
