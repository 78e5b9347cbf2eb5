// Preloaded into the crash test's child: counts every rename and kills the process with SIGKILL just
// before or just after the one the environment names, so every step that puts a file in place is tried.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

int renames = 0;

int wanted(const char* var) {
    const char* v = std::getenv(var);
    return v ? std::atoi(v) : 0;
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

void before(const char* from, const char* to) {
    ++renames;
    log(from, to);
    if (wanted("VARNOX_KILL_BEFORE_RENAME") == renames)
        ::raise(SIGKILL);
}

int after(int result) {
    if (wanted("VARNOX_KILL_AFTER_RENAME") == renames)
        ::raise(SIGKILL);
    return result;
}

template <typename F> F real(const char* name) { return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name)); }

} // namespace

extern "C" {

int rename(const char* from, const char* to) {
    static const auto next = real<int (*)(const char*, const char*)>("rename");
    before(from, to);
    return after(next(from, to));
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static const auto next = real<int (*)(int, const char*, int, const char*)>("renameat");
    before(from, to);
    return after(next(fromDir, from, toDir, to));
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    static const auto next = real<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    before(from, to);
    return after(next(fromDir, from, toDir, to, flags));
}
}
