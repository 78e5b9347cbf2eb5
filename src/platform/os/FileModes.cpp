#include "os/FileModes.h"

#include "os/OpenChecked.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // On what was opened: a link of our naming is never followed to give another file its mode.
    const QByteArray name = QFile::encodeName(path);
    const Opened o = openChecked(name.constData(), O_RDONLY, 0, linksFor(name.constData()));
    if (!o) return false;
    const bool ok = ::fchmod(o.fd, mode) == 0;
    ::close(o.fd);
    return ok;
}

bool setFileMode(int fd, mode_t mode) { return fd >= 0 && ::fchmod(fd, mode) == 0; }

int fileMode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

Shared shareAs(int fd, const QString& model, mode_t bits) {
    struct stat want {};
    if (::stat(QFile::encodeName(model).constData(), &want) != 0) return Shared::Same;
    struct stat now {};
    if (::fstat(fd, &now) != 0) return Shared::NoMode;
    // Only root may give another owner; a member may give the group (already there in a setgid folder).
    const uid_t owner = ::geteuid() == 0 ? want.st_uid : uid_t(-1);
    const bool group = (owner == uid_t(-1) || now.st_uid == owner) && now.st_gid == want.st_gid;
    const bool given = group || ::fchown(fd, owner, want.st_gid) == 0;
    // After the group, since a change of owner or group clears the setgid bit.
    const mode_t mode = want.st_mode & bits;
    if (::fchmod(fd, mode) != 0 || ::fstat(fd, &now) != 0 || (now.st_mode & bits) != mode)
        return Shared::NoMode;
    return given ? Shared::Same : Shared::NoGroup;
}

Shared shareAs(const QString& path, const QString& model, mode_t bits) {
    const Opened o = openChecked(path, O_RDONLY);
    if (!o) return Shared::NoMode;
    const Shared got = shareAs(o.fd, model, bits);
    ::close(o.fd);
    return got;
}

} // namespace os
