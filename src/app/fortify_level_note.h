#pragma once

// Checked libc calls (_FORTIFY_SOURCE) leave no trace in a binary where no call's buffer size is
// known when compiling, so the level the C library applies is written into the build notes of
// each binary that includes this, for scripts/check-hardening to read (readelf -p .comment).
#include <features.h>

#if defined(__USE_FORTIFY_LEVEL) && __USE_FORTIFY_LEVEL > 0
#define DRAVESSE_TEXT(x) #x
#define DRAVESSE_LEVEL(x) DRAVESSE_TEXT(x)
asm(".ident \"Dravesse: _FORTIFY_SOURCE level " DRAVESSE_LEVEL(__USE_FORTIFY_LEVEL) "\"");
#endif
