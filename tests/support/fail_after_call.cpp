// Loaded with LD_PRELOAD into a process under test: the Nth rename or link call named by
// DRAVESSE_FAIL_AFTER ("rename:N" or "link:N") is done, and then reported as failed with EIO, as
// a network file system does when its reply is lost.
#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

int reported(int result, const char* family) {
    static int calls = 0;
    const char* wanted = std::getenv("DRAVESSE_FAIL_AFTER");
    const size_t n = std::strlen(family);
    if (!wanted || std::strncmp(wanted, family, n) != 0 || wanted[n] != ':') return result;
    if (++calls != std::atoi(wanted + n + 1) || result != 0) return result;
    errno = EIO;
    return -1;
}

template <typename Call>
Call next(const char* name) {
    return reinterpret_cast<Call>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {
int rename(const char* from, const char* to) {
    static auto call = next<int (*)(const char*, const char*)>("rename");
    return reported(call(from, to), "rename");
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static auto call = next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return reported(call(fromDir, from, toDir, to, flags), "rename");
}
int link(const char* from, const char* to) {
    static auto call = next<int (*)(const char*, const char*)>("link");
    return reported(call(from, to), "link");
}
int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    static auto call = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return reported(call(fromDir, from, toDir, to, flags), "link");
}
}
