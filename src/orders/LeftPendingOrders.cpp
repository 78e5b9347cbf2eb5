#include "orders/LeftPendingOrders.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Transaction.h"
#include "db/UseLock.h"
#include "orders/OrderStore.h"

#include <SQLiteCpp/Database.h>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <sys/stat.h>

namespace orders {

namespace {

struct Left {
    QString path;
    HeldOrder order;
    dev_t dev;
    ino_t ino;
};

std::vector<Left>& left() {
    static std::vector<Left> rows;
    return rows;
}

bool sameFile(const Left& l) {
    struct stat st {};
    return ::stat(QFile::encodeName(l.path).constData(), &st) == 0 && st.st_dev == l.dev &&
           st.st_ino == l.ino;
}

constexpr int kLookEveryMs = 3000;

void armLook() {
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setInterval(kLookEveryMs);
        QObject::connect(timer, &QTimer::timeout, [] {
            removeLeftPendingOrders();
            if (!anyLeftPendingOrders()) timer->stop();
        });
    }
    if (timer && !timer->isActive()) timer->start();
}

// A connection that never waits, from its opening on: a look between other work runs on the window's thread
// and must not hold it while another program has the file.
std::unique_ptr<db::Database> openNoWait(const QString& path) {
    return std::make_unique<db::Database>(path, db::Database::Access::ReadWrite, db::Database::Wait::Never);
}

// True when the row is gone (removed, or no longer ours to remove); false when the file is busy.
bool removeNow(const Left& l) {
    if (!sameFile(l)) return true;
    // A reset or replacement of the file under way holds it alone: its rows are not ours to touch.
    if (const auto held = db::UseLock::heldHere(l.path); held && held->mode() == db::UseLock::Mode::Exclusive)
        return false;
    try {
        const auto d = openNoWait(l.path);
        OrderStore(*d).deletePendingOrder(l.order.orderNo, l.order.since);
        return true;
    } catch (const db::DbError& e) {
        return e.kind() != db::ErrorKind::Busy;
    } catch (const std::exception&) {
        return true;
    }
}

void forget(const QString& path, std::int32_t orderNo) {
    std::erase_if(left(), [&](const Left& r) { return r.path == path && r.order.orderNo == orderNo; });
}

} // namespace

void leavePendingOrder(const QString& dbPath, const HeldOrder& order) {
    struct stat st {};
    if (::stat(QFile::encodeName(dbPath).constData(), &st) != 0) return;
    forget(dbPath, order.orderNo);
    left().push_back({dbPath, order, st.st_dev, st.st_ino});
    armLook();
}

std::vector<HeldOrder> leftPendingOrders(const QString& dbPath) {
    std::vector<HeldOrder> out;
    for (const Left& l : left())
        if (l.path == dbPath && sameFile(l)) out.push_back(l.order);
    return out;
}

void forgetLeftPendingOrders(const QString& dbPath, const std::vector<HeldOrder>& orders) {
    for (const HeldOrder& o : orders)
        forget(dbPath, o.orderNo);
}

void removeLeftPendingOrders() {
    // A copy: a look must never walk a list that another look changes.
    const std::vector<Left> now = left();
    for (const Left& l : now)
        if (removeNow(l)) forget(l.path, l.order.orderNo);
}

bool anyLeftPendingOrders() {
    return !left().empty();
}

void removeAbandonedPendingOrders(const QString& dbPath) {
    // Another user's open order window holds a pending row of its own, and always the file's use lock.
    if (db::UseLock::heldHere(dbPath) || db::UseLock::heldElsewhere(dbPath)) {
        removeLeftPendingOrders();
        return;
    }
    try {
        // Held alone while the rows go, so nobody opens an order window meanwhile.
        const auto alone = db::UseLock::tryTake(dbPath, db::UseLock::Mode::Exclusive);
        const auto d = openNoWait(dbPath);
        OrderStore(*d).deleteEveryPendingOrder();
        std::erase_if(left(), [&](const Left& r) { return r.path == dbPath; });
    } catch (const std::exception&) {
        // busy, gone or not ours: the next opening looks again
    }
}

} // namespace orders
