#include "os/FileModes.h"

#include <QFile>
#include <sys/stat.h>

namespace os {

mode_t currentUmask() {
    // Linux shows it in /proc; umask(2) itself only reads by setting, which races with other threads.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        while (!status.atEnd()) {
            const QByteArray line = status.readLine();
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return mode_t(mask & 0777);
            break;
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

mode_t newFileMode() { return 0666 & ~currentUmask(); }

bool setFileMode(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

bool setFileMode(int fd, mode_t mode) { return fd >= 0 && ::fchmod(fd, mode) == 0; }

int fileMode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

} // namespace os
