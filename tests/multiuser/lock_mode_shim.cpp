// Preloaded into a worker: what can stop a use lock file from getting its mode, as VARNOX_LOCK_MODE says.
// "kill" ends the process right there (a crash or a power cut between making the file and its mode),
// "refuse" fails the call, "ignore" succeeds without changing a bit (a mount that maps owners). Only files
// whose name holds "-lock" are touched. "kill-nolinks": a file system with neither links nor a rename that
// keeps what is there, the process ended at the mode of the lock file made in its place.
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

bool isLockFile(int fd) {
    char link[64], target[PATH_MAX] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 && std::strstr(target, "-lock") != nullptr;
}

const char* const kHow = std::getenv("VARNOX_LOCK_MODE");
const bool kNoLinks = kHow && std::strcmp(kHow, "kill-nolinks") == 0;

} // namespace

extern "C" int fchmod(int fd, mode_t mode) {
    using Real = int (*)(int, mode_t);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "fchmod"));
    const char* how = std::getenv("VARNOX_LOCK_MODE");
    static int lockModes = 0; // the one made aside, then the one in place
    if (kNoLinks && isLockFile(fd) && ++lockModes == 2) std::raise(SIGKILL);
    if (how && isLockFile(fd)) {
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
    return kNoLinks ? (errno = EPERM, -1) : reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "link"))(from, to);
}

extern "C" int renameat2(int fd, const char* from, int toFd, const char* to, unsigned flags) {
    using Real = int (*)(int, const char*, int, const char*, unsigned);
    if (kNoLinks) return errno = EINVAL, -1;
    return reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "renameat2"))(fd, from, toFd, to, flags);
}
