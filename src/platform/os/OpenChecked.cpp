#include "os/OpenChecked.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

// What lies at the path when the open itself said no for what it is (a link refused, a pipe with no reader,
// a folder opened for writing): O_PATH opens nothing, so no pipe waits and no device acts.
mode_t kindAt(const char* path, bool follow) {
    const int fd = ::open(path, O_PATH | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    if (fd < 0) return 0;
    struct stat st {};
    const mode_t kind = ::fstat(fd, &st) == 0 ? st.st_mode & S_IFMT : 0;
    ::close(fd);
    return kind == S_IFREG ? 0 : kind;
}

Opened refused(int error, mode_t kind) {
    Opened o;
    o.error = error;
    o.kind = kind;
    errno = error;
    return o;
}

} // namespace

Opened openChecked(const char* path, int flags, mode_t mode, Links links) {
    const bool follow = links == Links::Follow;
    const int fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW), mode);
    if (fd < 0) {
        const int err = errno;
        const bool forWhatItIs = err == ELOOP || err == ENXIO || err == EISDIR || err == ENODEV ||
                                 err == EOPNOTSUPP || err == ETXTBSY;
        return refused(err, forWhatItIs ? kindAt(path, follow) : 0);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return refused(err, 0);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return refused(S_ISDIR(st.st_mode) ? EISDIR : ENXIO, st.st_mode & S_IFMT);
    }
    // A regular file does not wait anyway; its reads and writes are as everyone expects them.
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
        const int err = errno;
        ::close(fd);
        return refused(err, 0);
    }
    Opened o;
    o.fd = fd;
    return o;
}

Opened openChecked(const QString& path, int flags, mode_t mode, Links links) {
    return openChecked(QFile::encodeName(path).constData(), flags, mode, links);
}

Opened openFolder(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return refused(err, err == ENOTDIR ? kindAt(path, true) : 0);
    }
    Opened o;
    o.fd = fd;
    return o;
}

Opened openFolder(const QString& path) {
    return openFolder(QFile::encodeName(path).constData());
}

Links linksFor(const char* path) {
    const size_t n = std::strlen(path);
    const auto endsWith = [&](const char* tail) {
        const size_t t = std::strlen(tail);
        return n > t && path[n - t - 1] != '/' && ::strcasecmp(path + n - t, tail) == 0;
    };
    return endsWith(".vrd") || endsWith(".vrk") ? Links::Follow : Links::Refuse;
}

} // namespace os
