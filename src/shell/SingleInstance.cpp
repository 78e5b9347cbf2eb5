#include "shell/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace shell {

QString SingleInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("varnox.lock"));
}

bool SingleInstance::acquire(const QString& lockPath) {
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0); // only a lock whose process has ended counts as stale
    if (!lock->tryLock(0))
        return false;
    lock_ = std::move(lock);
    return true;
}

} // namespace shell
