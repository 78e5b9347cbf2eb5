#include "support/TestEnv.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>

namespace testenv {

void isolateUserFolders() {
    static QTemporaryDir home(QDir::tempPath() + "/varnox-test-home-XXXXXX");
    const QString h = home.path();
    for (const char* sub : {"config", "data", "cache", "runtime"})
        QDir(h).mkpath(sub);
    qputenv("HOME", h.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (h + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (h + "/data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (h + "/cache").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (h + "/runtime").toLocal8Bit());
    QFile::setPermissions(h + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStandardPaths::setTestModeEnabled(true);
}

TempFolder::TempFolder() : dir_(QDir::tempPath() + "/varnox-test-XXXXXX") {}

QString TempFolder::path(const QString& name) const {
    return name.isEmpty() ? dir_.path() : dir_.filePath(name);
}

} // namespace testenv
