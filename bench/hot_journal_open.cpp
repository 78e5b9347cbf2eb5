// ＤＢオープン of a file of 100,000 orders, without and with a hot journal beside it (one that writes a page
// back as it was: the file stays whole), against the bare engine's open and first read of the same file.
// With the journal, Varnox checks what was played back before anything reads it.
#include "gen/BenchApp.h"
#include "gen/DataGen.h"
#include "shell/DbFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {

QByteArray bigEndian(quint32 v) {
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}

// The journal a write killed half way leaves, holding the root page of 受注データ as it is now.
bool plantJournal(const QString& db) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(QFile::encodeName(db).constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT rootpage FROM sqlite_master WHERE name = '受注データ'", -1, &st, nullptr);
    const quint32 root = sqlite3_step(st) == SQLITE_ROW ? quint32(sqlite3_column_int(st, 0)) : 0;
    sqlite3_finalize(st);
    sqlite3_close(h);
    QFile f(db);
    if (root == 0 || !f.open(QIODevice::ReadOnly) || !f.seek(qint64(root - 1) * 4096)) return false;
    const QByteArray page = f.read(4096);
    quint32 sum = 0;
    for (int i = 4096 - 200; i > 0; i -= 200)
        sum += quint8(page[i]);
    const QByteArray head = QByteArray::fromHex("d9d505f920a163d70000000100000000") +
                            bigEndian(quint32(f.size() / 4096)) + bigEndian(512) + bigEndian(4096);
    QFile j(db + QStringLiteral("-journal"));
    const QByteArray bytes =
        head + QByteArray(512 - head.size(), '\0') + bigEndian(root) + page + bigEndian(sum);
    return j.open(QIODevice::WriteOnly | QIODevice::Truncate) && j.write(bytes) == bytes.size();
}

bool bareOpen(const QString& db) {
    sqlite3* h = nullptr;
    bool ok =
        sqlite3_open_v2(QFile::encodeName(db).constData(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_exec(h, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(h);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    benchgen::BenchApp bench(argc, argv);
    QTemporaryDir dir;
    core::AppState made;
    const QString db = dir.filePath(QStringLiteral("shop.vrd"));
    benchgen::DbSpec spec;
    spec.orders = 100000;
    benchgen::makeDatabase(made, db, spec);
    std::printf("file of %d orders: %.1f MB\n", spec.orders, QFile(db).size() / 1048576.0);
    bool ok = true;
    const auto varnoxOpen = [&](bool journal) {
        return benchgen::bestOfMs(5, [&] {
            core::AppState s;
            core::InitFieldLimits(s);
            if (journal) ok = plantJournal(db) && ok;
            ok = shell::openDatabase(s, db, {}) && ok;
            ok = !QFile::exists(db + QStringLiteral("-journal")) && ok;
        });
    };
    const auto engineOpen = [&](bool journal) {
        return benchgen::bestOfMs(5, [&] {
            if (journal) ok = plantJournal(db) && ok;
            ok = bareOpen(db) && ok;
            ok = !QFile::exists(db + QStringLiteral("-journal")) && ok;
        });
    };
    std::printf("ＤＢオープン:                       best %8.2f ms\n", varnoxOpen(false));
    std::printf("ＤＢオープン with a hot journal:    best %8.2f ms\n", varnoxOpen(true));
    std::printf("bare engine open + first read:      best %8.2f ms\n", engineOpen(false));
    std::printf("the same with a hot journal:        best %8.2f ms\n", engineOpen(true));
    if (!ok || !bench.messages().texts().isEmpty()) {
        std::printf("failed: %s\n", qPrintable(bench.messages().texts().join('|')));
        return 1;
    }
    return 0;
}
