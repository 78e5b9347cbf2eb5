#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testenv {

namespace {

// Removes the tree even where a test left a folder without write or search permission; folders another
// file system is mounted on are left alone (a test that ended early may not have unmounted it).
void removeTree(const QString& path, dev_t device) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (st.st_dev != device)
            return;
        ::chmod(name.constData(), 0700);
        for (const QString& entry :
             QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            removeTree(path + QLatin1Char('/') + entry, device);
        ::rmdir(name.constData());
    } else {
        ::unlink(name.constData());
    }
}

// This process's own part of the temporary folder: its home and, as TMPDIR, the temporary folder of the
// process and of every child it starts. Removed whole at exit, so a child killed by its test leaves
// nothing behind.
class ProcessTemp {
public:
    ProcessTemp() : dir_(QDir::tempPath() + QStringLiteral("/varnox-test-XXXXXX")) {
        dir_.setAutoRemove(false);
        // As /tmp: children running as other users (the shared-folder tests) reach their folders in it.
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0711);
        QDir(dir_.path()).mkpath(QStringLiteral("tmp"));
        ::chmod(QFile::encodeName(dir_.path() + QStringLiteral("/tmp")).constData(), 01777);
        watchFromOutside();
    }
    ~ProcessTemp() {
        struct stat st {};
        if (dir_.isValid() && ::lstat(QFile::encodeName(dir_.path()).constData(), &st) == 0)
            removeTree(dir_.path(), st.st_dev);
    }
    QString path() const { return dir_.path(); }

private:
    // A process that crashes or is killed runs no destructor: a small watcher forked now (while we are one
    // thread) removes the folder once our end of a pipe closes, which the kernel does however we end.
    void watchFromOutside() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ends[1]);
            const int null = ::open("/dev/null", O_RDWR); // nothing of ours keeps the test's output open
            for (int fd : {0, 1, 2})
                ::dup2(null, fd);
            for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
                std::signal(sig, SIG_IGN); // a Ctrl-C meant for the test
            char c = 0;
            while (::read(ends[0], &c, 1) < 0 && errno == EINTR) {
            }
            struct stat st {};
            if (::lstat(QFile::encodeName(dir_.path()).constData(), &st) == 0)
                removeTree(dir_.path(), st.st_dev);
            ::_exit(0);
        }
        // Our write end stays open, unused, for as long as we live.
        ::close(ends[0]);
        if (pid < 0)
            ::close(ends[1]);
    }

    QTemporaryDir dir_;
};

} // namespace

void isolateUserFolders() {
    static const ProcessTemp own;
    const QString h = own.path() + QStringLiteral("/home");
    for (const char* sub : {"config", "data", "cache", "runtime"})
        QDir(h).mkpath(sub);
    qputenv("TMPDIR", (own.path() + "/tmp").toLocal8Bit());
    qputenv("HOME", h.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (h + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (h + "/data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (h + "/cache").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (h + "/runtime").toLocal8Bit());
    QFile::setPermissions(h + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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
