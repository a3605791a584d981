#include "app/private_memory.h"

#include <sys/prctl.h>
#include <sys/resource.h>

// Checked libc calls (_FORTIFY_SOURCE) leave no trace in the executable where no call's buffer
// size is known when compiling, so the level the C library applies is written into the
// executable's build notes, for scripts/check-hardening to read (readelf -p .comment).
#if defined(__USE_FORTIFY_LEVEL) && __USE_FORTIFY_LEVEL > 0
#define DRAVESSE_TEXT(x) #x
#define DRAVESSE_LEVEL(x) DRAVESSE_TEXT(x)
asm(".ident \"Dravesse: _FORTIFY_SOURCE level " DRAVESSE_LEVEL(__USE_FORTIFY_LEVEL) "\"");
#endif

namespace dravesse {

void KeepMemoryPrivate() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace dravesse
