// Preloaded into the crash test's child: counts the renames into or out of the folder the environment
// names (VARNOX_RENAME_DIR) and kills the process with SIGKILL just before or just after the one it names,
// so every step that puts a file of the write in place is tried. Renames elsewhere (a settings file, a
// font cache written on a first start) come and go from run to run and are not counted.
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

int renames = 0;

int wanted(const char* var) {
    const char* v = std::getenv(var);
    return v ? std::atoi(v) : 0;
}

// The path as the system resolves it: relative ones against the directory descriptor, and the folder part
// through every link (the file itself may not exist yet).
std::string resolved(int dirFd, const char* path) {
    std::string full = path;
    if (path[0] != '/') {
        char dir[PATH_MAX] = {};
        if (dirFd == AT_FDCWD) {
            if (!::getcwd(dir, sizeof dir)) return {};
        } else {
            const std::string link = "/proc/self/fd/" + std::to_string(dirFd);
            if (::readlink(link.c_str(), dir, sizeof dir - 1) < 0) return {};
        }
        full = std::string(dir) + "/" + path;
    }
    const std::size_t slash = full.rfind('/');
    char real[PATH_MAX];
    if (!::realpath(slash == 0 ? "/" : full.substr(0, slash).c_str(), real)) return {};
    return std::string(real) + full.substr(slash);
}

bool inWatchedFolder(int fromDir, const char* from, int toDir, const char* to) {
    const char* dir = std::getenv("VARNOX_RENAME_DIR");
    char real[PATH_MAX];
    if (!dir || !::realpath(dir, real)) return false;
    const std::string prefix = std::string(real) + "/";
    for (const std::string& p : {resolved(fromDir, from), resolved(toDir, to)})
        if (p.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

void log(const char* from, const char* to) {
    if (const char* file = std::getenv("VARNOX_RENAME_LOG")) {
        const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            dprintf(fd, "%s -> %s\n", from, to);
            ::close(fd);
        }
    }
}

// Whether this rename is one of the write's; kills before it when it is the one named.
bool before(int fromDir, const char* from, int toDir, const char* to) {
    if (!inWatchedFolder(fromDir, from, toDir, to)) return false;
    ++renames;
    log(from, to);
    if (wanted("VARNOX_KILL_BEFORE_RENAME") == renames) ::raise(SIGKILL);
    return true;
}

int after(bool counted, int result) {
    if (counted && wanted("VARNOX_KILL_AFTER_RENAME") == renames) ::raise(SIGKILL);
    return result;
}

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int rename(const char* from, const char* to) {
    static const auto next = real<int (*)(const char*, const char*)>("rename");
    const bool counted = before(AT_FDCWD, from, AT_FDCWD, to);
    return after(counted, next(from, to));
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static const auto next = real<int (*)(int, const char*, int, const char*)>("renameat");
    const bool counted = before(fromDir, from, toDir, to);
    return after(counted, next(fromDir, from, toDir, to));
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    static const auto next = real<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    const bool counted = before(fromDir, from, toDir, to);
    return after(counted, next(fromDir, from, toDir, to, flags));
}
}
