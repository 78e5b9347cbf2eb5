// One open database file: SQLite with a rollback journal, so the file alone holds every committed write,
// with the engine's typed fields and rules.
// Every statement is a constant SQL text with bound parameters; identifiers are checked against the schema.
#pragma once

#include "db/Currency.h"
#include "db/DbError.h"
#include "db/FileIdentity.h"
#include "db/SchemaCheck.h"
#include "db/TableDef.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <unordered_map>

Q_DECLARE_METATYPE(db::Currency)

namespace SQLite {
class Database;
class Statement;
} // namespace SQLite

struct sqlite3_stmt;

namespace db {

// A bound parameter: QVariant() is Null; Currency binds as its raw integer; QDate/QDateTime as OLE dates.
using Params = QVariantList;

// A field exactly as the file holds it: its storage class and, for a text or a blob, its bytes. An edit is
// checked against it, so that a value another program stored oddly (a blob, bytes that are not UTF-8)
// still compares equal to itself.
struct StoredValue {
    enum class Class { Null, Integer, Real, Text, Blob };
    Class kind = Class::Null;
    QVariant value; // qint64, double, or the bytes of a text or a blob
};

// Forward cursor over a query's rows.
class UseLock;
class Database;

class Query {
public:
    Query(Query&&) noexcept;
    ~Query();
    bool next();
    int columnCount() const;
    QString columnName(int i) const;
    QVariant value(int i) const; // integer, double, text or Null, as stored
    // The field undecoded, from the same read: no second column of its bytes.
    StoredValue stored(int i) const;
    bool isNull(int i) const;
    qint64 toInt64(int i) const;
    double toDouble(int i) const;
    QString toText(int i) const; // Null reads as ""
    // The same text into a string the caller keeps from row to row, in the memory it already has.
    void readText(int i, QString& into) const;
    Currency toCurrency(int i) const { return Currency::fromRaw(toInt64(i)); }

private:
    friend class Database;
    // The engine's own statement: a list reads millions of fields, and each read through the wrapper made
    // and dropped a counted column object.
    struct Finalize {
        void operator()(sqlite3_stmt* st) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;
    Query(Statement st, std::shared_ptr<UseLock> use, std::shared_ptr<int> ownReads, Database* owner);
    void finishRead();
    Statement st_;
    bool done_ = false;
    // While it holds a row, the query counts among the reads of the file and of its connection.
    std::shared_ptr<UseLock> use_;
    std::shared_ptr<int> ownReads_;
    Database* owner_; // whose file it reads: a query never outlives its connection
    bool reading_ = false;
};

struct FieldInfo {
    QString name;
    FieldType type;
    int size;
    bool required;
};

class Database {
public:
    // ReadOnly writes nothing into the file, not even its journal mode (writes through it fail): for
    // looking into a file before it is known to be ours. The connection may still write, so that on
    // closing it tidies away the log files of a database in WAL mode, as a read-only one cannot.
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file; throws DbError (Io when it cannot be opened, NotADatabase when it is not ours,
    // Busy when another program resets or replaces it). A read-write connection holds the file's use lock,
    // and keeps to the schema expected of the path (expectSchema) from its opening on: ForeignSchema.
    // Never: no wait at all, neither for the use lock nor for another program's lock on the file, from the
    // first read on; Busy at once. For a look between other work on the window's thread.
    enum class Wait { BusyTime, Never };
    explicit Database(const QString& path, Access access = Access::ReadWrite, Wait wait = Wait::BusyTime);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Creates a new, empty database file; refuses (Io) when a file with content already exists there.
    static std::unique_ptr<Database> create(const QString& path);

    const QString& path() const { return path_; }
    void close(); // checkpoints the write-ahead log; the object is unusable afterwards
    bool isOpen() const;

    int execute(const QString& sql, const Params& params = {}); // returns the number of changed rows
    qint64 lastInsertRowid();
    QVariant scalar(const QString& sql, const Params& params = {});
    Query query(const QString& sql, const Params& params = {});

    void createTable(const TableDef& def);
    bool hasTable(const QString& table);
    std::vector<FieldInfo> fields(const QString& table); // in field order; throws NotFound

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return inTx_; }

    SQLite::Database& handle();

    // Between its readers a connection may wait idle (KeptConnection). It then holds nothing: release()
    // gives up the file's use lock, so that the file counts as free; retake() takes it again before the next
    // use, and throws (Replaced when the file was moved or deleted meanwhile, Busy as opening does) when the
    // connection must not be used again. A copy put over the file in place is simply read, afresh.
    bool idle() const { return db_ && !inTx_ && ownReads_.use_count() == 1; } // no transaction, no query left
    void release();
    void retake();

    static QString quoteIdent(const QString& name);

    // A check of the file's content that holds until another connection writes the file (our own writes
    // keep the indexes whole): whether it passed since, and that it passed now.
    bool passedSinceChange(const QString& check);
    void passed(const QString& check);

private:
    std::unique_ptr<SQLite::Statement> prepare(const QString& sql, const Params& params);
    Query::Statement prepareQuery(const QString& sql, const Params& params);
    SQLite::Statement& cached(const QString& sql, const Params& params);
    bool writes(const QString& sql); // whether the statement changes the file
    int run(const QString& sql, const Params& params = {}); // one statement, as it is
    void configure(Access access);
    void setJournal(); // the rollback journal, or the WAL mode another program keeps the file in
    void openConnection(); // on path_, its header checked; throws
    std::shared_ptr<UseLock> takeUse() const; // the file's use lock, shared, waiting as wait_ says
    // Bytes of the file's header, read through the engine's own descriptor; false when they cannot be read.
    bool readHeader(void* into, int size, qint64 offset);
    void checkHeader(); // throws NotADatabase
    bool moved();       // the path names another file than the connection's, or none
    // The file's change count and look, read while no one else can write: under the open transaction, or
    // a read lock of its own; none when they cannot be read.
    std::optional<FileLook> lookNow();
    std::optional<FileLook> lookLocked();
    void keepLook(); // after a change of our own
    void checkIfPlayedBack(int playedBefore); // throws Corrupt
    void checkFile();                         // throws Corrupt
    // A file that failed the check stays refused by this connection, and by every other connection of the
    // program to the same file, until it is opened again and passes.
    void remember(const DbError& e);
    void refuseIfDamaged(); // throws Corrupt
    void recheckIfKnownDamaged();
    friend class Query;
    bool changedUnderRead() const; // stat() shows the file otherwise than when it was last judged
    // Throws Replaced for another file. When the file changed under an unchanged count: outside a
    // transaction, forgets what was cached; inside one, only says so (false), as the pages it read are
    // still held.
    bool judgeFile();
    void forgetCached(); // throws Busy while a statement still reads
    void freshenForRead();
    void checkpointIfLogged(); // a file left in WAL mode by another program still gets every commit in place
    // Runs the expected schema's test when the file's schema version moved since it last passed; throws
    // ForeignSchema. One pragma read otherwise.
    void guardSchema();

    QString path_;
    Wait wait_;
    QByteArray nativePath_; // for the stat() before a read, encoded once
    static constexpr std::chrono::milliseconds kReadLookEvery{2};
    std::chrono::steady_clock::time_point lastReadLook_{};
    std::unique_ptr<SQLite::Database> db_;
    // Statements that execute() runs again and again stay prepared (before db_ in destruction order).
    std::unordered_map<QString, std::unique_ptr<SQLite::Statement>> cache_;
    std::unordered_map<QString, bool> writes_;
    bool inTx_ = false;
    bool wal_ = false;
    FileIdentity identity_;
    bool checked_ = false;               // the open transaction was judged and may have written into the file
    SchemaTest schemaTest_;              // none: the file was not opened as a database of ours
    std::optional<qint64> schemaPassed_; // the schema version the test last passed
    std::unordered_map<QString, qint64> passed_; // check -> the file's data version it passed at
    std::shared_ptr<UseLock> use_;
    std::shared_ptr<int> ownReads_ = std::make_shared<int>(0);
    std::optional<QString> damage_;               // what the check found, once it failed
    std::optional<std::array<qint64, 2>> fileId_; // device and inode of the file opened
};

// Binds one value; shared by Database and Recordset.
void bindValue(SQLite::Statement& st, int index, const QVariant& v);

// For every connection that writes. A commit is the journal's removal, which the engine by default leaves
// in the folder's cache: a power cut can bring the journal back, and it then undoes a save reported done.
// This syncs the folder after the removal.
void syncEveryCommit(SQLite::Database& db);

} // namespace db
