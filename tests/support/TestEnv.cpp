#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

PipeWatch::PipeWatch(const QString& pipe, int ms) : pipe_(pipe) {
    thread_ = std::thread([this, ms] {
        std::unique_lock<std::mutex> hold(mutex_);
        if (done_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return stop_; }))
            return;
        fired_ = true;
        // A writer lets a reader's open return; bytes and then the close let its read return, even when the
        // reader holds a writing end of its own.
        const int fd = ::open(QFile::encodeName(pipe_).constData(), O_RDWR | O_NONBLOCK);
        if (fd < 0)
            return;
        const QByteArray junk(4096, 'x');
        const ssize_t ignored = ::write(fd, junk.constData(), size_t(junk.size()));
        (void)ignored;
        done_.wait_for(hold, std::chrono::milliseconds(500), [this] { return stop_; });
        ::close(fd);
    });
}

PipeWatch::~PipeWatch() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        stop_ = true;
    }
    done_.notify_all();
    thread_.join();
}

bool makePipe(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0; }

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
