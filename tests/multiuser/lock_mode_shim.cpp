// Preloaded into a worker: what can stop a use lock file from getting its mode, as VARNOX_LOCK_MODE says.
// "kill" ends the process right there (a crash or a power cut between making the file and its mode),
// "refuse" fails the call, "ignore" succeeds without changing a bit (a mount that maps owners). Only files
// whose name holds "-lock" are touched. "kill-nolinks" is a file system with neither links nor a rename that
// keeps what is there, the process ended at the mode of the lock file in its place.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isLockFile(int fd, bool placed) {
    char link[64], target[PATH_MAX] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 && (placed ? n > 5 && std::strcmp(target + n - 5, "-lock") == 0
                            : std::strstr(target, "-lock") != nullptr);
}

bool noLinks() {
    const char* how = std::getenv("VARNOX_LOCK_MODE");
    return how && std::strcmp(how, "kill-nolinks") == 0;
}

} // namespace

extern "C" int fchmod(int fd, mode_t mode) {
    using Real = int (*)(int, mode_t);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "fchmod"));
    const char* how = std::getenv("VARNOX_LOCK_MODE");
    if (noLinks() && isLockFile(fd, true)) std::raise(SIGKILL);
    if (how && isLockFile(fd, false)) {
        if (std::strcmp(how, "kill") == 0) std::raise(SIGKILL);
        if (std::strcmp(how, "refuse") == 0) {
            errno = EPERM;
            return -1;
        }
        if (std::strcmp(how, "ignore") == 0) return 0;
    }
    return real(fd, mode);
}

extern "C" int link(const char* from, const char* to) {
    using Real = int (*)(const char*, const char*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "link"));
    if (noLinks()) {
        errno = EPERM;
        return -1;
    }
    return real(from, to);
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    using Real = int (*)(int, const char*, int, const char*, unsigned);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "renameat2"));
    if (noLinks()) {
        errno = EINVAL;
        return -1;
    }
    return real(fromDir, from, toDir, to, flags);
}
