#include "os/FileModes.h"

#include "os/OpenChecked.h"

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

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

namespace {

// An extended attribute of the file at path (followed like stat), or of the open file; nullopt when it has
// none.
std::optional<QByteArray> attribute(const QByteArray& path, int fd, const char* name) {
    for (int tries = 0; tries < 4; ++tries) {
        const ssize_t size =
            fd >= 0 ? ::fgetxattr(fd, name, nullptr, 0) : ::getxattr(path.constData(), name, nullptr, 0);
        if (size < 0) return std::nullopt;
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t got = fd >= 0 ? ::fgetxattr(fd, name, value.data(), value.size())
                                    : ::getxattr(path.constData(), name, value.data(), value.size());
        if (got >= 0) return value.left(got);
        if (errno != ERANGE) return std::nullopt; // else it grew meanwhile
    }
    return std::nullopt;
}

// Gives the open file the extended attributes of the file at model: its access control list and whatever
// else the file system keeps there. The names of those that could not be given.
QStringList copyAttributes(int fd, const QByteArray& model) {
    std::vector<char> names;
    for (int tries = 0;; ++tries) {
        const ssize_t size = ::listxattr(model.constData(), nullptr, 0);
        if (size <= 0) {
            // A file system without them has nothing to give.
            if (size == 0 || errno == ENOTSUP || errno == ENOSYS) return {};
            return {QStringLiteral("*")};
        }
        names.resize(size_t(size));
        const ssize_t got = ::listxattr(model.constData(), names.data(), names.size());
        if (got >= 0) {
            names.resize(size_t(got));
            break;
        }
        if (errno != ERANGE || tries == 3) return {QStringLiteral("*")};
    }
    QStringList lost;
    for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        const std::optional<QByteArray> want = attribute(model, -1, name);
        if (!want) continue;                           // removed meanwhile
        if (attribute({}, fd, name) == want) continue; // the folder gave it already (a label, a default ACL)
        if (::fsetxattr(fd, name, want->constData(), size_t(want->size()), 0) != 0)
            lost << QString::fromLatin1(name);
    }
    return lost;
}

} // namespace

Shared shareAs(int fd, const QString& model, mode_t bits, QStringList* notKept) {
    struct stat want {};
    if (::stat(QFile::encodeName(model).constData(), &want) != 0) return Shared::Same;
    struct stat now {};
    if (::fstat(fd, &now) != 0) return Shared::NoMode;
    // Only root may give another owner; a member may give the group (already there in a setgid folder).
    const uid_t owner = ::geteuid() == 0 ? want.st_uid : uid_t(-1);
    const bool group = (owner == uid_t(-1) || now.st_uid == owner) && now.st_gid == want.st_gid;
    const bool given = group || ::fchown(fd, owner, want.st_gid) == 0;
    // Before the mode, which then trims the list's mask and owner entries as it does on the model.
    const QStringList lost = copyAttributes(fd, QFile::encodeName(model));
    if (notKept) *notKept = lost;
    // After the group, since a change of owner or group clears the setgid bit.
    const mode_t mode = want.st_mode & bits;
    if (::fchmod(fd, mode) != 0 || ::fstat(fd, &now) != 0 || (now.st_mode & bits) != mode)
        return Shared::NoMode;
    if (!given) return Shared::NoGroup;
    return lost.isEmpty() ? Shared::Same : Shared::NoRights;
}

Shared shareAs(const QString& path, const QString& model, mode_t bits, QStringList* notKept) {
    const Opened o = openChecked(path, O_RDONLY);
    if (!o) return Shared::NoMode;
    const Shared got = shareAs(o.fd, model, bits, notKept);
    ::close(o.fd);
    return got;
}

} // namespace os
