// Helpers every test uses: isolated user folders and a per-test temporary folder.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace testenv {

// Points HOME, XDG folders and the settings store at a fresh temporary folder for this process.
void isolateUserFolders();

// A temporary folder that lives as long as the object.
class TempFolder {
public:
    TempFolder();
    QString path(const QString& name = {}) const;

private:
    QTemporaryDir dir_;
};

// A file-size limit for the lifetime of the object: past it a write fails with EFBIG, as on a full disk,
// instead of the signal killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    long long saved_ = 0;
    void (*old_)(int) = nullptr;
};

// A watch on a pipe (a FIFO) a test gives the program in a file's place: when the program has not come back
// from it within ms, the watch opens the pipe's other end, writes into it and closes it again, so that a
// program stuck in an open or a read of it comes back and the test fails instead of hanging.
class PipeWatch {
public:
    explicit PipeWatch(const QString& pipe, int ms = 5000);
    ~PipeWatch();
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;
    bool fired() const { return fired_; }

private:
    QString pipe_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false;
    bool fired_ = false;
    std::thread thread_;
};

// Makes a FIFO at path; false when it cannot.
bool makePipe(const QString& path);

// A memory figure of this process in KiB from /proc/self/status ("VmRSS:", "VmHWM:"); -1 when unknown.
long residentKb(const char* key);

} // namespace testenv

// Readable failure output for our value types.
#include "db/Currency.h"
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
namespace db {
inline void PrintTo(const Currency& c, std::ostream* os) { *os << c.toString().toStdString(); }
} // namespace db
