#include "db/Defensive.h"

#include "db/DbError.h"

#include <QRegularExpression>
#include <QStringList>
#include <chrono>
#include <sqlite3.h>
#include <thread>

namespace db {

bool defendConnection(sqlite3* db) {
    int on = 0;
    bool ok = sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, &on) == SQLITE_OK && on == 1;
    ok = sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &on) == SQLITE_OK && on == 0 && ok;
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    return ok && sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1) == kMaxValueBytes;
}

void refuseDamagedFile(sqlite3* db, long long fileBytes, const QString& path) {
    const char* sql =
        fileBytes <= kWholeCheckBytes ? "PRAGMA integrity_check(100)" : "PRAGMA quick_check(100)";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        throwSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
    }
    QStringList problems;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const QString line = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("*** "))) problems << line;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE && problems.isEmpty()) problems << QString(); // the check itself met the damage
    if (problems.isEmpty()) return;
    // The lines that name an index name its table; the others name pages only.
    static const QRegularExpression indexLine(QStringLiteral("(?:from|in) index (.+)$"));
    QStringList tables;
    for (const QString& line : problems) {
        const QRegularExpressionMatch m = indexLine.match(line);
        if (!m.hasMatch()) continue;
        sqlite3_stmt* t = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT tbl_name FROM sqlite_master WHERE type = 'index' AND name = ?", -1,
                               &t, nullptr) == SQLITE_OK) {
            const QByteArray name = m.captured(1).toUtf8();
            sqlite3_bind_text(t, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(t) == SQLITE_ROW) {
                const QString table =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(t, 0)));
                if (!tables.contains(table)) tables << table;
            }
        }
        sqlite3_finalize(t);
    }
    QStringList named;
    for (const QString& t : tables)
        named << QStringLiteral("テーブル「%1」").arg(t);
    // Even where only indexes disagree, a table may hold the wrong rows (a page played back to another
    // number): REINDEX would make the index agree with them. Only a copy from before is sure.
    const char* file = sqlite3_db_filename(db, "main");
    throw DbError(ErrorKind::Corrupt, named.join(QStringLiteral("、")),
                  path.isEmpty() && file ? QString::fromUtf8(file) : path);
}

namespace {

constexpr int kBusyTimeoutMs = 5000;

// A connection is used by one thread, so the start of its wait is the thread's.
int waitForLock(void*, int tries) {
    thread_local std::chrono::steady_clock::time_point since;
    const auto now = std::chrono::steady_clock::now();
    if (tries == 0) since = now;
    if (now - since >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

} // namespace

void waitForLocks(sqlite3* db) { sqlite3_busy_handler(db, &waitForLock, nullptr); }

} // namespace db
