// What the one door costs: open(2) of a company file alone against the door's open (fstat and the flag
// change after it), and the engine's open and first read of a database before and after every open of the
// engine goes through the door.
#include "db/WriteErrors.h"
#include "os/OpenChecked.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace {

double medianUs(int rounds, const std::function<void()>& f) {
    std::vector<double> took;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        f();
        took.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::sort(took.begin(), took.end());
    return took[took.size() / 2];
}

void openAndRead(const QByteArray& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("shop.vrd")));
    sqlite3* db = nullptr;
    if (sqlite3_open(file.constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1)", nullptr, nullptr, nullptr) !=
            SQLITE_OK)
        return 1;
    sqlite3_close(db);
    constexpr int kRounds = 5000;
    const double plain = medianUs(kRounds, [&] { ::close(::open(file.constData(), O_RDONLY | O_CLOEXEC)); });
    const double door = medianUs(kRounds, [&] { ::close(os::openChecked(file.constData(), O_RDONLY).fd); });
    const double bare = medianUs(kRounds, [&] { openAndRead(file); });
    db::recordWriteErrors();
    const double checked = medianUs(kRounds, [&] { openAndRead(file); });
    std::printf("open(2) %.2f us, through the door %.2f us\n"
                "engine open and first read: %.2f us bare, %.2f us through the door (median of %d)\n",
                plain, door, bare, checked, kRounds);
    return 0;
}
