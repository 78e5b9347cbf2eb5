// Saves through the real windows, then power cuts at many points of them. Every write, sync, truncation and
// folder change of the database's files is recorded; the folder is rebuilt as a cut would leave it on a
// POSIX file system (what was synced stays; of the rest a random part, in order: a removal or creation
// only stays for sure once the folder was synced) and opened with the engine, which plays a journal it
// finds back. Every save reported before the cut must be there, and the file whole.
// VARNOX_POWER_CUTS and VARNOX_POWER_SEED set the number of cuts and the first seed (scripts/power-cut.sh).
#include "support/MainRoad.h"

#include "db/WriteErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sqlite3.h>

using mainroad::Program;

namespace {

struct Op {
    enum Kind { Write, Truncate, Sync, Create, Unlink, SyncFolder } kind;
    int file = -1; // which file: a name created again is another file
    QString name;  // for the folder's changes
    qint64 at = 0; // the write's offset, or the size truncated to
    QByteArray data;
};

struct Recording {
    QString folder;
    bool on = false;
    std::vector<Op> ops;
    QHash<QString, int> fileOf; // the file each name stands for now
    std::map<int, QByteArray> start;
    int files = 0;
} rec;

sqlite3_vfs* below = nullptr;
sqlite3_vfs recorder;

struct File {
    sqlite3_file base;
    sqlite3_file* real;
    const char* name; // the engine keeps it until the file is closed
    bool syncsFolder; // the layer below syncs the folder with a new journal's first sync
};
sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}

int recorded(const char* path) {
    if (!rec.on || path == nullptr || QFileInfo(QString::fromUtf8(path)).absolutePath() != rec.folder)
        return -1;
    return rec.fileOf.value(QFileInfo(QString::fromUtf8(path)).fileName(), -1);
}
void add(Op op) {
    if (op.file >= 0 || op.kind == Op::SyncFolder) rec.ops.push_back(std::move(op));
}

int xClose(sqlite3_file* f) {
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    f->pMethods = nullptr;
    return rc;
}
int xRead(sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
    return real(f)->pMethods->xRead(real(f), p, n, at);
}
int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
    const int rc = real(f)->pMethods->xWrite(real(f), p, n, at);
    if (rc == SQLITE_OK)
        add({Op::Write,
             recorded(reinterpret_cast<File*>(f)->name),
             {},
             at,
             QByteArray(static_cast<const char*>(p), n)});
    return rc;
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    const int rc = real(f)->pMethods->xTruncate(real(f), size);
    if (rc == SQLITE_OK) add({Op::Truncate, recorded(reinterpret_cast<File*>(f)->name), {}, size, {}});
    return rc;
}
int xSync(sqlite3_file* f, int flags) {
    const int rc = real(f)->pMethods->xSync(real(f), flags);
    auto* file = reinterpret_cast<File*>(f);
    if (rc == SQLITE_OK && recorded(file->name) >= 0) {
        add({Op::Sync, recorded(file->name), {}, 0, {}});
        if (std::exchange(file->syncsFolder, false)) add({Op::SyncFolder, -1, {}, 0, {}});
    }
    return rc;
}
int xFileSize(sqlite3_file* f, sqlite3_int64* s) {
    return real(f)->pMethods->xFileSize(real(f), s);
}
int xLock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xLock(real(f), l);
}
int xUnlock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xUnlock(real(f), l);
}
int xCheckReservedLock(sqlite3_file* f, int* o) {
    return real(f)->pMethods->xCheckReservedLock(real(f), o);
}
int xFileControl(sqlite3_file* f, int op, void* a) {
    return real(f)->pMethods->xFileControl(real(f), op, a);
}
int xSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
// Version 1 only: the shared memory and mapping entries stay unused (no WAL, no memory mapping).
const sqlite3_io_methods methods = [] {
    sqlite3_io_methods m{};
    m.iVersion = 1;
    m.xClose = xClose;
    m.xRead = xRead;
    m.xWrite = xWrite;
    m.xTruncate = xTruncate;
    m.xSync = xSync;
    m.xFileSize = xFileSize;
    m.xLock = xLock;
    m.xUnlock = xUnlock;
    m.xCheckReservedLock = xCheckReservedLock;
    m.xFileControl = xFileControl;
    m.xSectorSize = xSectorSize;
    m.xDeviceCharacteristics = xDeviceCharacteristics;
    return m;
}();

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->name = name;
    file->base.pMethods = nullptr;
    const bool existed = name && QFileInfo::exists(QString::fromUtf8(name));
    const int rc = below->xOpen(below, name, file->real, flags, outFlags);
    if (rc != SQLITE_OK || !file->real->pMethods) return rc;
    file->base.pMethods = &methods;
    const bool here = rec.on && name && QFileInfo(QString::fromUtf8(name)).absolutePath() == rec.folder;
    if (here && !existed) {
        const QString n = QFileInfo(QString::fromUtf8(name)).fileName();
        rec.fileOf[n] = rec.files++;
        add({Op::Create, rec.fileOf[n], n, 0, {}});
    }
    file->syncsFolder = (flags & SQLITE_OPEN_MAIN_JOURNAL) && (flags & SQLITE_OPEN_CREATE);
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncFolder) {
    const int file = recorded(name);
    const int rc = below->xDelete(below, name, syncFolder);
    if (rc == SQLITE_OK && file >= 0) {
        const QString n = QFileInfo(QString::fromUtf8(name)).fileName();
        add({Op::Unlink, file, n, 0, {}});
        rec.fileOf.remove(n);
        if (syncFolder) add({Op::SyncFolder, -1, {}, 0, {}});
    }
    return rc;
}

// Under every database file opened from now on, above the program's own layer.
void installRecorder() {
    db::recordWriteErrors();
    below = sqlite3_vfs_find(nullptr);
    recorder = *below;
    recorder.zName = "power-cut-recorder";
    recorder.szOsFile = int(sizeof(File)) + below->szOsFile;
    recorder.xOpen = xOpen;
    recorder.xDelete = xDelete;
    sqlite3_vfs_register(&recorder, 1);
}

void startRecording(const QString& dbPath) {
    QFile f(dbPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    rec.folder = QFileInfo(dbPath).absolutePath();
    rec.fileOf[QFileInfo(dbPath).fileName()] = rec.files;
    rec.start[rec.files++] = f.readAll();
    rec.on = true;
}

// The folder after the first `cut` operations, as the disk may hold it then.
std::map<QString, QByteArray> afterCut(int cut, std::mt19937& rng) {
    std::map<int, int> lastSync; // file -> index of its last sync before the cut
    int lastFolderSync = -1;
    for (int i = 0; i < cut; ++i) {
        if (rec.ops[i].kind == Op::Sync) lastSync[rec.ops[i].file] = i;
        if (rec.ops[i].kind == Op::SyncFolder) lastFolderSync = i;
    }
    std::map<int, QByteArray> content = rec.start;
    std::map<QString, int> folder;
    for (const auto& [name, file] : rec.fileOf.asKeyValueRange())
        if (rec.start.count(file)) folder[name] = file;
    std::bernoulli_distribution coin(0.5);
    for (int i = 0; i < cut; ++i) {
        const Op& op = rec.ops[i];
        const bool folderChange = op.kind == Op::Create || op.kind == Op::Unlink;
        const bool synced =
            folderChange ? i < lastFolderSync : lastSync.count(op.file) && i < lastSync[op.file];
        if (!synced && !coin(rng)) continue;
        QByteArray& bytes = content[op.file];
        switch (op.kind) {
        case Op::Write:
            if (bytes.size() < op.at + op.data.size()) bytes.resize(op.at + op.data.size(), '\0');
            bytes.replace(op.at, op.data.size(), op.data);
            break;
        case Op::Truncate:
            bytes.resize(op.at, '\0');
            break;
        case Op::Create:
            folder[op.name] = op.file;
            break;
        case Op::Unlink:
            if (folder.count(op.name) && folder[op.name] == op.file) folder.erase(op.name);
            break;
        default:
            break;
        }
    }
    std::map<QString, QByteArray> out;
    for (const auto& [name, file] : folder)
        out[name] = content[file];
    return out;
}

// A save as reported: what its query reads before and after, and how far the recording was then.
struct Save {
    QString what, sql, before, after;
    size_t reported;
};

QString read(sqlite3* h, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    QString out = QStringLiteral("(error)");
    if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

int envOr(const char* name, int fallback) {
    const int v = qEnvironmentVariableIntValue(name);
    return v > 0 ? v : fallback;
}

// Its lines and its sum: none while the window holds the number, both once saved.
QString orderSql(int no) {
    return QStringLiteral("SELECT (SELECT count(*) FROM 受注個別データ WHERE 受注No = %1) || '/' || "
                          "ifnull((SELECT 販売金額 FROM 受注データ WHERE 受注No = %1), 0)")
        .arg(no);
}

TEST(PowerCut, EverySaveReportedBeforeACutIsThereAndTheFileWhole) {
    installRecorder();
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    startRecording(db);

    std::vector<Save> saves;
    const auto save = [&](const QString& what, const QString& sql, const std::function<bool()>& act) {
        const QString before = p.scalar(sql).toString();
        ASSERT_TRUE(act()) << what.toStdString() << ": " << p.messages().texts().join('|').toStdString();
        saves.push_back({what, sql, before, p.scalar(sql).toString(), rec.ops.size()});
    };
    const auto order = [&](const QString& what, const std::vector<Program::OrderLine>& lines) {
        const int no = p.scalar(QStringLiteral("SELECT max(受注No) FROM 受注データ")).toInt() + 1;
        save(what, orderSql(no), [&] {
            return p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), lines) == no;
        });
    };
    order(QStringLiteral("order of two lines"), {{1, 2}, {2, 1}});
    save(QStringLiteral("payment"),
         QStringLiteral("SELECT ifnull(入金日, '-') FROM 受注データ WHERE 受注No = 1"),
         [&] { return p.payOrder(1, QDate(2024, 7, 1)); });
    order(QStringLiteral("order of one line"), {{3, 4}});
    save(QStringLiteral("cancel"), QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 3"),
         [&] { return p.toggleCancel(3); });
    order(QStringLiteral("order of three lines"), {{1, 1}, {2, 2}, {4, 1}});
    rec.on = false;
    ASSERT_GT(rec.ops.size(), 20u);

    const int cuts = envOr("VARNOX_POWER_CUTS", 150);
    const unsigned seed = unsigned(envOr("VARNOX_POWER_SEED", 1));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> where(0, int(rec.ops.size()));
    int lost = 0, broken = 0;
    for (int c = 0; c < cuts; ++c) {
        const int cut = c == 0 ? int(rec.ops.size()) : where(rng); // the last: all done, nothing synced after
        QTemporaryDir dir;
        for (const auto& [name, bytes] : afterCut(cut, rng)) {
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        sqlite3* h = nullptr;
        // The plain engine, as the next Varnox to open the file: a journal left beside it is played back.
        ASSERT_EQ(sqlite3_open_v2(dir.filePath(QFileInfo(db).fileName()).toUtf8().constData(), &h,
                                  SQLITE_OPEN_READWRITE, "unix"),
                  SQLITE_OK);
        const QString check = read(h, QStringLiteral("PRAGMA integrity_check"));
        if (check != QStringLiteral("ok")) {
            ++broken;
            ADD_FAILURE() << "cut at " << cut << " of " << rec.ops.size() << ": " << check.toStdString();
        }
        for (const Save& s : saves) {
            const QString now = read(h, s.sql);
            const bool reported = s.reported <= size_t(cut);
            if (now == s.after || (!reported && now == s.before)) continue;
            ++lost;
            ADD_FAILURE() << "cut at " << cut << " of " << rec.ops.size() << ": " << s.what.toStdString()
                          << (reported ? " reported done" : "") << " reads " << now.toStdString()
                          << ", before " << s.before.toStdString() << ", after " << s.after.toStdString();
        }
        sqlite3_close(h);
    }
    std::printf("%d cuts over %zu recorded operations (seed %u): %d saves lost or mixed, %d files broken\n",
                cuts, rec.ops.size(), seed, lost, broken);
}

} // namespace
