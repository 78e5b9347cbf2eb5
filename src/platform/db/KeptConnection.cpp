#include "db/KeptConnection.h"

#include <QMutex>

namespace db {

namespace {

// One kept connection: the program works on one file at a time. Readers may run on other threads (one
// thread at a time per connection), so the hand-over is guarded.
QMutex gMutex;
std::unique_ptr<Database>& kept() {
    static std::unique_ptr<Database> d;
    return d;
}

} // namespace

KeptConnection::KeptConnection(const QString& path) {
    std::unique_ptr<Database> waiting;
    {
        QMutexLocker hold(&gMutex);
        if (kept() && kept()->path() == path)
            waiting = std::move(kept());
    }
    if (waiting) {
        try {
            waiting->retake();
            db_ = std::move(waiting);
            return;
        } catch (const DbError& e) {
            if (e.kind() == ErrorKind::Busy)
                throw; // someone has the file alone: opening afresh would only wait for it again
            waiting.reset(); // the file changed hands: opened afresh, which says why when it cannot be
        }
    }
    db_ = std::make_unique<Database>(path);
}

KeptConnection::~KeptConnection() {
    if (!db_ || !db_->idle())
        return;
    try {
        db_->release();
    } catch (...) {
        return;
    }
    std::unique_ptr<Database> older; // closes after the guard is let go
    QMutexLocker hold(&gMutex);
    older = std::move(kept());
    kept() = std::move(db_);
}

void KeptConnection::closeKept() {
    std::unique_ptr<Database> older; // closes after the guard is let go
    QMutexLocker hold(&gMutex);
    older = std::move(kept());
}

} // namespace db
