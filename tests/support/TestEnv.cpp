#include "support/TestEnv.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

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

FileSizeLimit::FileSizeLimit(long long bytes) {
    old_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit l{};
    getrlimit(RLIMIT_FSIZE, &l);
    saved_ = static_cast<long long>(l.rlim_cur);
    l.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &l);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit l{};
    getrlimit(RLIMIT_FSIZE, &l);
    l.rlim_cur = static_cast<rlim_t>(saved_);
    setrlimit(RLIMIT_FSIZE, &l);
    std::signal(SIGXFSZ, old_);
}

long residentKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(key))
            return l.mid(qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace testenv
