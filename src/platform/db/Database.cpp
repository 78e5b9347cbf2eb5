#include "db/Database.h"

#include "db/Defensive.h"
#include "db/OleDate.h"
#include "db/SideFiles.h"
#include "db/TableSql.h"
#include "db/UseLock.h"
#include "db/WriteErrors.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <SQLiteCpp/SQLiteCpp.h>
#include <atomic>
#include <map>
#include <mutex>
#include <sqlite3.h>
#include <utility>

namespace db {

namespace {

[[noreturn]] void rethrow(const SQLite::Exception& e) { throwSqlite(e.getExtendedErrorCode(), e.what()); }

// Files that failed the check, by device and inode, for every connection of the program: what the check
// found. Looked into only while there is one.
struct DamagedFiles {
    std::mutex lock;
    std::map<std::array<qint64, 2>, QString> found;
    std::atomic<int> count{0};
};
DamagedFiles& damagedFiles() {
    static DamagedFiles d;
    return d;
}

// Year(date) and Month(date) over OLE dates, as the list queries use them.
void oleDatePart(sqlite3_context* ctx, int, sqlite3_value** argv, bool year) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QDate d = dateFromOle(sqlite3_value_double(argv[0]));
    if (!d.isValid()) { // beyond the engine's dates: no year, so no list period matches it
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, year ? d.year() : d.month());
}
void sqlYear(sqlite3_context* c, int n, sqlite3_value** v) { oleDatePart(c, n, v, true); }
void sqlMonth(sqlite3_context* c, int n, sqlite3_value** v) { oleDatePart(c, n, v, false); }

FieldType parseType(const QString& decl, int& size) {
    size = 0;
    const QString t = decl.trimmed().toUpper();
    if (t == QLatin1String("LONG"))
        return FieldType::Long;
    if (t == QLatin1String("CURRENCY"))
        return FieldType::Currency;
    if (t == QLatin1String("SINGLE"))
        return FieldType::Single;
    if (t == QLatin1String("DATE"))
        return FieldType::Date;
    if (t.startsWith(QLatin1String("TEXT("))) {
        size = t.mid(5, t.size() - 6).toInt();
        return FieldType::Text;
    }
    throw DbError(ErrorKind::NotADatabase, QStringLiteral("unknown field type ") + decl);
}

} // namespace

// ---- binding ----

namespace {

// The one rule of binding a value, for the wrapper's statements and the engine's own: bind is called
// with nullptr (Null), an int64_t, a double or a std::string (UTF-8).
template <class Bind> auto bindVariant(const QVariant& v, Bind&& bind) -> decltype(bind(nullptr)) {
    if (!v.isValid() || v.isNull())
        return bind(nullptr);
    if (v.metaType() == QMetaType::fromType<Currency>())
        return bind(static_cast<int64_t>(v.value<Currency>().raw()));
    switch (v.metaType().id()) {
    case QMetaType::Bool: return bind(int64_t(v.toBool() ? -1 : 0));
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::UInt: return bind(static_cast<int64_t>(v.toLongLong()));
    case QMetaType::Float:
    case QMetaType::Double: return bind(v.toDouble());
    case QMetaType::QDate: return bind(toOleDate(v.toDate()));
    case QMetaType::QDateTime: return bind(toOleDate(v.toDateTime()));
    default: {
        std::string text = v.toString().toStdString();
        // Longer than the connection takes and so than any field: the value's fault, as a value over its
        // field's size is (the engine's TooBig would blame the file).
        if (text.size() > size_t(kMaxValueBytes))
            throw DbError(ErrorKind::TooLong,
                          QStringLiteral("value of %1 bytes is longer than any field").arg(text.size()));
        return bind(text);
    }
    }
}

struct RawBinder {
    sqlite3_stmt* st;
    int index;
    int operator()(std::nullptr_t) const { return sqlite3_bind_null(st, index); }
    int operator()(int64_t x) const { return sqlite3_bind_int64(st, index, x); }
    int operator()(double x) const { return sqlite3_bind_double(st, index, x); }
    int operator()(const std::string& x) const {
        return sqlite3_bind_text(st, index, x.data(), int(x.size()), SQLITE_TRANSIENT);
    }
};

[[noreturn]] void throwLast(sqlite3* db) { throwSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db)); }

} // namespace

void bindValue(SQLite::Statement& st, int index, const QVariant& v) {
    bindVariant(v, [&](const auto& x) {
        if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::nullptr_t>)
            st.bind(index);
        else
            st.bind(index, x);
    });
}

// ---- Query ----

void Query::Finalize::operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }

Query::Query(Statement st, std::shared_ptr<UseLock> use, std::shared_ptr<int> ownReads, Database* owner)
    : st_(std::move(st)), use_(std::move(use)), ownReads_(std::move(ownReads)), owner_(owner) {}
Query::Query(Query&& o) noexcept
    : st_(std::move(o.st_)), done_(o.done_), use_(std::move(o.use_)), ownReads_(std::move(o.ownReads_)),
      owner_(o.owner_), reading_(o.reading_) {
    o.reading_ = false;
}
Query::~Query() { finishRead(); }

void Query::finishRead() {
    if (reading_) {
        use_->readEnded();
        --*ownReads_;
    }
    reading_ = false;
}

bool Query::next() {
    if (done_ || !st_)
        return false; // past the last row it stays there, rather than starting the query again
    // The first step takes the read lock, and plays back a journal left beside the file: what it wrote
    // back is checked before the row is handed on.
    const int playedBack = journalsPlayedBack();
    const int rc = sqlite3_step(st_.get());
    if (owner_ && journalsPlayedBack() != playedBack) {
        try {
            owner_->checkIfPlayedBack(playedBack);
        } catch (...) {
            done_ = true;
            finishRead();
            sqlite3_reset(st_.get());
            throw;
        }
    }
    if (rc == SQLITE_ROW) {
        if (!reading_ && use_) {
            use_->readStarted();
            ++*ownReads_;
            reading_ = true;
        }
        return true;
    }
    done_ = true;
    finishRead(); // the engine gave up the read lock with the last row, or with the error
    if (rc != SQLITE_DONE) {
        sqlite3* h = sqlite3_db_handle(st_.get());
        const int primary = sqlite3_extended_errcode(h) & 0xff;
        // Another program put other pages under the read (a copy over the file in place): they look like
        // damage, but the file is whole. Said for what it is; the next read reads the file afresh.
        if (owner_ && (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) && owner_->changedUnderRead())
            throw DbError(
                ErrorKind::Replaced,
                QStringLiteral("the database file was changed by another program while it was read: ") +
                    owner_->path());
        try {
            throwLast(h);
        } catch (const DbError& e) {
            if ((e.kind() != ErrorKind::Corrupt && e.kind() != ErrorKind::Damaged) || !owner_) throw;
            throw DbError(e.kind(), e.detail(), owner_->path()); // named in the cure
        }
    }
    return false;
}

int Query::columnCount() const { return sqlite3_column_count(st_.get()); }
QString Query::columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(st_.get(), i)); }
bool Query::isNull(int i) const { return sqlite3_column_type(st_.get(), i) == SQLITE_NULL; }
qint64 Query::toInt64(int i) const { return sqlite3_column_int64(st_.get(), i); }
double Query::toDouble(int i) const { return sqlite3_column_double(st_.get(), i); }
QString Query::toText(int i) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_.get(), i));
    return QString::fromUtf8(text, sqlite3_column_bytes(st_.get(), i));
}

void Query::readText(int i, QString& into) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_.get(), i));
    const int bytes = sqlite3_column_bytes(st_.get(), i);
    // As fromUtf8 decodes: a byte order mark is kept, a broken sequence becomes a replacement character.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    into.resize(utf8.requiredSpace(bytes));
    QChar* const start = into.data();
    into.truncate(utf8.appendToBuffer(start, QByteArrayView(text, bytes)) - start);
}

QVariant Query::value(int i) const {
    switch (sqlite3_column_type(st_.get(), i)) {
    case SQLITE_INTEGER: return QVariant::fromValue<qint64>(toInt64(i));
    case SQLITE_FLOAT: return toDouble(i);
    case SQLITE_TEXT: return toText(i);
    case SQLITE_NULL: return QVariant();
    default:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st_.get(), i)), sqlite3_column_bytes(st_.get(), i));
    }
}

StoredValue Query::stored(int i) const {
    sqlite3_stmt* st = st_.get();
    const int type = sqlite3_column_type(st, i); // before any read converts the value
    switch (type) {
    case SQLITE_INTEGER:
        return {StoredValue::Class::Integer, QVariant::fromValue<qint64>(toInt64(i))};
    case SQLITE_FLOAT:
        return {StoredValue::Class::Real, toDouble(i)};
    case SQLITE_NULL:
        return {};
    default: {
        // Asked for as a blob first, a text keeps the bytes the file holds: no conversion of its encoding.
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
        return {type == SQLITE_TEXT ? StoredValue::Class::Text : StoredValue::Class::Blob,
                QByteArray(bytes, sqlite3_column_bytes(st, i))};
    }
    }
}

// ---- Database ----

Database::Database(const QString& path, Access access, Wait wait)
    : path_(path), wait_(wait), nativePath_(QFile::encodeName(path)) {
    // A pipe or a device in its place, or a missing file, is refused by the engine's open (see
    // recordWriteErrors), on the descriptor it would read. No name at all would open a private database.
    if (path.isEmpty()) throw DbError(ErrorKind::Io, QStringLiteral("file not found: (no name)"));
    recordWriteErrors();
    refuseBadSideFiles(path);
    const int playedBack = journalsPlayedBack();
    try {
        // SQLite takes an empty or short file for a new database and writes one into it; a file that does
        // not start as a database already is refused untouched.
        openConnection();
        // A look into a file not yet known to be ours leaves nothing beside it, not even a lock file.
        if (access == Access::ReadWrite) {
            use_ = takeUse();
            use_->connectionOpened();
            // Opened before the lock was ours: VarnoxReplica or a new database may have put another file at
            // the path meanwhile. Nothing was read yet; the file there now is the one opened.
            if (moved())
                openConnection();
        }
        configure(access);
        if (const std::optional<FileLook> look = lookNow()) fileId_ = look->identity;
        checkIfPlayedBack(playedBack);
        recheckIfKnownDamaged();
        if (access == Access::ReadWrite) {
            schemaTest_ = expectedSchema(path);
            guardSchema();
        }
    } catch (...) {
        cache_.clear();
        db_.reset();
        if (use_)
            use_->connectionClosed();
        use_.reset();
        throw;
    }
}

std::shared_ptr<UseLock> Database::takeUse() const {
    return wait_ == Wait::Never ? UseLock::tryTake(path_, UseLock::Mode::Shared)
                                : UseLock::take(path_, UseLock::Mode::Shared);
}

void Database::openConnection() {
    cache_.clear();
    db_.reset();
    try {
        // A connection is used only by the thread that opened it: the engine's lock around every call
        // (a third of the cost of reading a field) guards nothing here.
        db_ = std::make_unique<SQLite::Database>(path_.toStdString(),
                                                 SQLite::OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
        if (wait_ != Wait::Never) waitForLocks(db_->getHandle());
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    // Read through the engine's own descriptor: a second one of ours, closed again, would drop the engine's
    // locks on the file.
    checkHeader();
}

std::unique_ptr<Database> Database::create(const QString& path) {
    recordWriteErrors();
    try {
        SQLite::Database created(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        defendConnection(created.getHandle());
        // An empty file is a name reserved for the new database (a temporary beside its final place); what
        // the engine opened must hold nothing yet.
        sqlite3_file* file = nullptr;
        sqlite3_int64 size = 0;
        if (sqlite3_file_control(created.getHandle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
            !file || !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK || size > 0)
            throw DbError(ErrorKind::Io, QStringLiteral("file exists: ") + path);
        syncEveryCommit(created);
        created.exec("PRAGMA user_version = 1");
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    return std::make_unique<Database>(path);
}

Database::~Database() {
    try {
        close();
    } catch (...) {
    }
}

bool Database::readHeader(void* into, int size, qint64 offset) {
    sqlite3_file* file = nullptr;
    return sqlite3_file_control(handle().getHandle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK &&
           file && file->pMethods && file->pMethods->xRead(file, into, size, offset) == SQLITE_OK;
}

void Database::checkHeader() {
    char head[16] = {};
    if (!readHeader(head, sizeof head, 0) || QByteArray(head, 16) != QByteArray("SQLite format 3", 16))
        throw DbError(ErrorKind::NotADatabase, QStringLiteral("not a database: ") + path_);
}

std::optional<FileLook> Database::lookNow() {
    unsigned char b[4] = {};
    if (!readHeader(b, sizeof b, 24))
        return std::nullopt;
    return FileIdentity::lookAt(nativePath_, quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]));
}

bool Database::moved() {
    int moved = 0;
    return sqlite3_file_control(handle().getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved;
}

void syncEveryCommit(SQLite::Database& db) {
    db.exec("PRAGMA synchronous = EXTRA");
}

void Database::configure(Access access) {
    if (!defendConnection(db_->getHandle()))
        throw DbError(ErrorKind::Other, QStringLiteral("the engine refused the defensive settings"));
    try {
        syncEveryCommit(*db_);
        if (access == Access::ReadWrite) {
            setJournal();
        } else {
            db_->exec("PRAGMA query_only = 1");
        }
        db_->exec("PRAGMA foreign_keys = OFF");
        db_->exec("SELECT count(*) FROM sqlite_master"); // a file that is not a database fails here
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    keepLook();
    sqlite3* h = db_->getHandle();
    sqlite3_create_function(h, "Year", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlYear, nullptr, nullptr);
    sqlite3_create_function(h, "Month", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlMonth, nullptr, nullptr);
}

// A rollback journal: a committed write is in the file itself, so a plain copy of the file holds it, and
// nothing relies on memory shared between the hosts of a network folder. A file another program keeps open
// in WAL mode cannot leave it now; then every commit is checkpointed. The setting answers with the mode the
// file is in after it.
void Database::setJournal() {
    std::string mode;
    try {
        mode = db_->execAndGet("PRAGMA journal_mode = DELETE").getString();
    } catch (const SQLite::Exception& e) {
        if ((e.getErrorCode() & 0xff) != SQLITE_BUSY && (e.getErrorCode() & 0xff) != SQLITE_LOCKED)
            throw;
        mode = db_->execAndGet("PRAGMA journal_mode").getString();
    }
    wal_ = mode == "wal";
    if (wal_ && onSharedFileSystem(path_))
        throw DbError(ErrorKind::Busy,
                      QStringLiteral("another program keeps the file in WAL mode on a network folder: ") + path_);
}

void Database::release() {
    if (!idle())
        throw DbError(ErrorKind::Other, QStringLiteral("the connection is still in use"));
    checkpointIfLogged();
    identity_.letGo();
    if (use_)
        use_->connectionClosed();
    use_.reset();
}

void Database::retake() {
    if (use_)
        return;
    refuseIfDamaged(); // a reader opens the file afresh, which checks it again
    use_ = takeUse();
    use_->connectionOpened();
    try {
        // Looked at under the lock, so that what another program did before it holds from now on. The
        // connection still reads the file it opened: one moved, deleted or renamed over since is not the
        // file at the path any more, and is not read again (a journal beside the path is not its own).
        if (moved())
            throw DbError(ErrorKind::Replaced, QStringLiteral("the database file was moved or deleted: ") + path_);
        checkHeader();
        refuseBadSideFiles(path_);
        judgeFile();
        setJournal();
        guardSchema(); // a view put under a table's name would mislead a list
    } catch (const SQLite::Exception& e) {
        release();
        rethrow(e);
    } catch (...) {
        release();
        throw;
    }
}

void Database::close() {
    if (!db_)
        return;
    if (inTx_)
        rollback();
    cache_.clear();
    checkpointIfLogged();
    db_.reset();
    if (use_)
        use_->connectionClosed();
    use_.reset();
}

void Database::checkpointIfLogged() {
    if (!wal_ || !db_)
        return;
    try {
        db_->exec("PRAGMA wal_checkpoint(PASSIVE)"); // never waits on another connection
    } catch (const SQLite::Exception&) {
        // another connection is reading; its own next commit or close checkpoints
    }
}

bool Database::isOpen() const { return db_ != nullptr; }

SQLite::Database& Database::handle() {
    if (!db_)
        throw DbError(ErrorKind::Io, QStringLiteral("database is closed"));
    return *db_;
}

QString Database::quoteIdent(const QString& name) { return quotedName(name); }

std::unique_ptr<SQLite::Statement> Database::prepare(const QString& sql, const Params& params) {
    try {
        auto st = std::make_unique<SQLite::Statement>(handle(), sql.toStdString());
        for (int i = 0; i < params.size(); ++i)
            bindValue(*st, i + 1, params[i]);
        return st;
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

SQLite::Statement& Database::cached(const QString& sql, const Params& params) {
    auto it = cache_.find(sql);
    if (it == cache_.end() && cache_.size() >= 128)
        cache_.clear(); // SQL texts are constants; this only bounds a caller that builds many
    if (it == cache_.end())
        it = cache_.emplace(sql, prepare(sql, {})).first;
    SQLite::Statement& st = *it->second;
    try {
        st.reset();
        st.clearBindings();
        for (int i = 0; i < params.size(); ++i)
            bindValue(st, i + 1, params[i]);
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    return st;
}

// A window keeps its connection while it is open. Once the file at the path was deleted or renamed over, the
// connection would write on into the old file, unseen; an earlier copy put over it in place (a backup
// restored) is not the file the window showed. Those refuse. A file whose times, mode or links changed, or
// whose pages another program wrote and gave back (a rolled-back transaction, a journal played back), is
// the same file: the write goes on, checked against what the file holds, with nothing cached from before.
std::optional<FileLook> Database::lookLocked() {
    if (inTx_)
        return lookNow(); // the transaction holds the file against other writers already
    try {
        db_->exec("BEGIN");
        db_->exec("SELECT count(*) FROM sqlite_master"); // a read lock; a journal left is played back first
        const std::optional<FileLook> now = lookNow();
        db_->exec("COMMIT");
        return now;
    } catch (const SQLite::Exception&) {
        try {
            db_->exec("ROLLBACK");
        } catch (const SQLite::Exception&) {
        }
        return std::nullopt; // unknown: the next judgement reads afresh
    }
}

// A journal this connection played back (a write another program did not finish): what it wrote back is
// checked before anything reads it. A file without one costs nothing here.
void Database::checkIfPlayedBack(int playedBefore) {
    if (journalsPlayedBack() != playedBefore) checkFile();
}

// The engine's check of the whole file; a failure is remembered.
void Database::checkFile() {
    try {
        refuseDamagedFile(handle().getHandle(), QFileInfo(path_).size(), path_);
    } catch (const DbError& e) {
        remember(e);
        throw;
    }
}

void Database::remember(const DbError& e) {
    if (e.kind() != ErrorKind::Corrupt) return; // the check could not run: the next one runs it again
    damage_ = e.detail();
    if (!fileId_) return;
    DamagedFiles& files = damagedFiles();
    const std::lock_guard<std::mutex> hold(files.lock);
    files.found[*fileId_] = e.detail();
    files.count = int(files.found.size());
}

void Database::refuseIfDamaged() {
    if (!damage_ && fileId_) {
        DamagedFiles& files = damagedFiles();
        if (files.count.load() > 0) {
            const std::lock_guard<std::mutex> hold(files.lock);
            if (const auto it = files.found.find(*fileId_); it != files.found.end()) damage_ = it->second;
        }
    }
    if (damage_) throw DbError(ErrorKind::Corrupt, *damage_, path_);
}

// Opened again, a file another connection found damaged is checked again: put right in place (a backup
// copied over it), it is used again.
void Database::recheckIfKnownDamaged() {
    DamagedFiles& files = damagedFiles();
    if (!fileId_ || files.count.load() == 0) return;
    {
        const std::lock_guard<std::mutex> hold(files.lock);
        if (!files.found.contains(*fileId_)) return;
    }
    checkFile();
    const std::lock_guard<std::mutex> hold(files.lock);
    files.found.erase(*fileId_);
    files.count = int(files.found.size());
}

// After a commit or a rollback nothing may throw: a journal played back by the look is checked, and a
// failure refuses the next use.
void Database::keepLook() {
    const int playedBack = journalsPlayedBack();
    identity_.keep(lookLocked());
    try {
        checkIfPlayedBack(playedBack);
    } catch (const DbError&) {
    }
}

bool Database::changedUnderRead() const {
    return !identity_.unchangedAt(nativePath_);
}

bool Database::judgeFile() {
    const int playedBack = journalsPlayedBack();
    const std::optional<FileLook> now = lookLocked();
    checkIfPlayedBack(playedBack);
    const FileIdentity::Judgement j = identity_.judge(now, moved(), wal_);
    if (j.verdict == FileIdentity::Verdict::Replaced)
        throw DbError(ErrorKind::Replaced, j.why + QStringLiteral(": ") + path_);
    const bool fresh = j.verdict == FileIdentity::Verdict::Freshen;
    if (fresh && !inTx_)
        forgetCached();
    if (!fresh || !inTx_)
        identity_.keep(now);
    return !fresh;
}

// The engine keeps pages while the count is the same, and the schema while its version is: both are read
// again. Pages a statement is reading cannot be let go, and no transaction may be open.
void Database::forgetCached() {
    sqlite3* h = handle().getHandle();
    for (sqlite3_stmt* st = sqlite3_next_stmt(h, nullptr); st; st = sqlite3_next_stmt(h, st))
        if (sqlite3_stmt_busy(st))
            throw DbError(ErrorKind::Busy, QStringLiteral("a list is still being read from the database"));
    sqlite3_db_release_memory(h);
    try {
        db_->exec("PRAGMA writable_schema = RESET");
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    schemaPassed_.reset(); // the schema read again is tested again
    passed_.clear();
}

bool Database::passedSinceChange(const QString& check) {
    const auto it = passed_.find(check);
    return it != passed_.end() && it->second == scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
}

void Database::passed(const QString& check) {
    passed_[check] = scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
}

// A window reads between its writes too: what it shows must come from the file now there, not from pages
// cached from one a copy was put over in place. One stat() tells whether anything happened to the file;
// only then is it judged under a lock. Another file is refused by the next write, not here: the read goes
// on from the file the window opened.
void Database::freshenForRead() {
    if (db_) refuseIfDamaged();
    if (!db_ || inTx_ || wal_ || *ownReads_ > 0) return;
    // A burst of reads (a grid fetching the rows it paints) looks at the file once: what another program
    // did within a moment of that look is seen by the next burst, and by any write.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReadLook_ < kReadLookEvery) return;
    lastReadLook_ = now;
    if (identity_.unchangedAt(nativePath_)) return;
    try {
        judgeFile();
    } catch (const DbError& e) {
        // Another file is refused by the next write; a statement of ours still reading is judged again
        // at the next read.
        if (e.kind() == ErrorKind::Corrupt) throw; // a journal played back damaged it: nothing is read
        if (e.kind() != ErrorKind::Replaced) lastReadLook_ = {};
    }
}

// Another program may add a trigger, a view, an index or a column to the file while we have it open; the
// engine then runs it with our writes. Every schema change moves the version (VACUUM too), and the engine
// reads the schema again only then, so an unchanged version is the schema that last passed.
void Database::guardSchema() {
    if (!schemaTest_)
        return;
    const bool own = !inTx_; // else the open transaction holds the file still
    try {
        if (own)
            db_->exec("BEGIN");
        const qint64 now = db_->execAndGet("PRAGMA schema_version").getInt64();
        if (now != schemaPassed_) {
            if (const QString why = schemaTest_(db_->getHandle()); !why.isEmpty())
                throw DbError(ErrorKind::ForeignSchema, why);
            schemaPassed_ = now;
        }
        if (own)
            db_->exec("COMMIT");
    } catch (...) {
        if (own)
            try {
                db_->exec("ROLLBACK");
            } catch (const SQLite::Exception&) {
            }
        try {
            throw;
        } catch (const SQLite::Exception& e) {
            rethrow(e);
        }
    }
}

bool Database::writes(const QString& sql) {
    auto it = writes_.find(sql);
    if (it != writes_.end())
        return it->second;
    if (writes_.size() >= 128)
        writes_.clear();
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(handle().getHandle(), utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return false; // preparing it again below reports the error
    }
    const bool w = st && !sqlite3_stmt_readonly(st);
    sqlite3_finalize(st);
    return writes_.emplace(sql, w).first->second;
}

int Database::execute(const QString& sql, const Params& params) {
    if (!inTx_ && writes(sql)) {
        // A lone write runs in a transaction of its own, so it is checked as every transaction is.
        begin();
        int changed = 0;
        try {
            changed = execute(sql, params);
        } catch (...) {
            rollback();
            throw;
        }
        commit();
        return changed;
    }
    if (inTx_) return run(sql, params); // the transaction holds the file: no journal is played back under it
    refuseIfDamaged();
    const int playedBack = journalsPlayedBack();
    int changed = 0;
    try {
        changed = run(sql, params);
    } catch (const DbError&) {
        checkIfPlayedBack(playedBack); // damage a journal brought back is named as such
        throw;
    }
    checkIfPlayedBack(playedBack);
    return changed;
}

int Database::run(const QString& sql, const Params& params) {
    SQLite::Statement& st = cached(sql, params);
    try {
        const int changed = st.exec();
        st.reset();
        return changed;
    } catch (const SQLite::Exception& e) {
        st.tryReset();
        rethrow(e);
    }
}

qint64 Database::lastInsertRowid() { return handle().getLastInsertRowid(); }

Query::Statement Database::prepareQuery(const QString& sql, const Params& params) {
    sqlite3* h = handle().getHandle();
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &raw, nullptr);
    Query::Statement st(raw);
    if (rc != SQLITE_OK)
        throwLast(h);
    for (int i = 0; i < params.size(); ++i)
        if (bindVariant(params[i], RawBinder{raw, i + 1}) != SQLITE_OK)
            throwLast(h);
    return st;
}

QVariant Database::scalar(const QString& sql, const Params& params) {
    freshenForRead();
    Query q(prepareQuery(sql, params), nullptr, nullptr, this);
    return q.next() ? q.value(0) : QVariant();
}

Query Database::query(const QString& sql, const Params& params) {
    freshenForRead();
    return Query(prepareQuery(sql, params), use_, ownReads_, this);
}

void Database::createTable(const TableDef& def) {
    for (const QString& sql : createStatements(def))
        execute(sql);
}

bool Database::hasTable(const QString& table) {
    return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"), {table})
               .toLongLong() > 0;
}

std::vector<FieldInfo> Database::fields(const QString& table) {
    std::vector<FieldInfo> out;
    Query q = query(QStringLiteral("SELECT name, type, \"notnull\" FROM pragma_table_info(?) ORDER BY cid"), {table});
    while (q.next()) {
        int size = 0;
        const FieldType t = parseType(q.toText(1), size);
        out.push_back({q.toText(0), t, size, q.toInt64(2) != 0});
    }
    if (out.empty())
        throw DbError(ErrorKind::NotFound, QStringLiteral("no such table: ") + table);
    return out;
}

void Database::begin() {
    if (inTx_)
        throw DbError(ErrorKind::Other, QStringLiteral("transaction already open"));
    // A reader of this thread suspended in a yield keeps its lock until we return: the commit would wait
    // the whole busy time for it in vain.
    if (use_ && use_->activeReads() > *ownReads_)
        throw DbError(ErrorKind::Busy, QStringLiteral("a list is still being read from the database"));
    // Opened while no lock file could be made: another user's VarnoxReplica would clear the file under this
    // write. Made now, or nothing is written.
    if (use_ && use_->unmade()) {
        auto made = takeUse();
        if (made->unmade())
            throw DbError(ErrorKind::LockUnmade, QStringLiteral("lock file cannot be made: ") + made->lockPath(),
                          made->lockPath());
        use_->connectionClosed();
        use_ = std::move(made);
        use_->connectionOpened();
    }
    // A connection whose file left the path never locks or reads it again: a journal at the path belongs
    // to the file there now.
    if (moved())
        throw DbError(ErrorKind::Replaced, QStringLiteral("the database file was moved or deleted: ") + path_);
    refuseIfDamaged();
    for (int tries = 0;; ++tries) {
        const int playedBack = journalsPlayedBack(); // taking the lock plays a journal left back
        run(QStringLiteral("BEGIN IMMEDIATE"));
        inTx_ = true;
        bool same = false;
        try {
            checkIfPlayedBack(playedBack);
            same = judgeFile();
            if (same)
                guardSchema(); // under the lock: what passes here is what our writes run with
        } catch (...) {
            rollback();
            throw;
        }
        if (same)
            break;
        // The transaction has read from what was cached: it goes, the cache goes, and the file is judged
        // again under a new one.
        rollback();
        if (tries == 2)
            throw DbError(ErrorKind::Busy, QStringLiteral("the database file keeps changing: ") + path_);
        judgeFile();
    }
    checked_ = true;
}

void Database::commit() {
    // A commit refused (another reader kept the file past the busy time, a full disk) leaves the engine's
    // transaction open with the file locked against everyone: it is undone, so the next try starts afresh.
    try {
        run(QStringLiteral("COMMIT"));
    } catch (...) {
        rollback();
        throw;
    }
    inTx_ = false;
    checked_ = false;
    keepLook();
    checkpointIfLogged();
}

void Database::rollback() {
    inTx_ = false;
    try {
        db_->exec("ROLLBACK");
    } catch (const SQLite::Exception&) {
        // nothing was open (SQLite may already have rolled back on the error)
    }
    // Pages a large transaction had already written into the file are written back.
    if (std::exchange(checked_, false) && db_) keepLook();
}

} // namespace db
