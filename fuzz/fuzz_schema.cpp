// The schema check on our own sqlite_master rows with one edit: the first byte picks a row (one past the
// last adds a row "type<US>name<US>table<US>sql" from the text), the next two a place in its SQL, the
// fourth how many characters go there; the rest is put in. Neither check fails on any text. Rows whose
// texts compare as ours run in the engine (the others a sixteenth of the time: it is slow) and make our
// tables and indexes, column by column (a declared type by its tokens); a file the whole check takes
// for ours has exactly our columns.
#include "core/Schema.h"
#include "db/DbError.h"
#include "db/SchemaCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>

namespace {

struct Close {
    void operator()(sqlite3* d) const { sqlite3_close_v2(d); }
};
using Db = std::unique_ptr<sqlite3, Close>;

int stopLongRuns(void* steps) {
    return ++*static_cast<int*>(steps) > 1000;
}

Db open(int& steps) {
    sqlite3* d = nullptr;
    sqlite3_open_v2(":memory:", &d, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_progress_handler(d, 100, stopLongRuns, &steps); // a CREATE ... AS SELECT may loop without end
    return Db(d);
}

// Runs one CREATE statement and nothing else (no ATTACH or VACUUM INTO writing files).
bool run(sqlite3* d, const QString& sql) {
    if (db::sqlTokens(sql).value(0) != QLatin1String("CREATE")) return false;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(d, utf8.constData(), int(utf8.size()), &st, &tail) != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        return false;
    }
    const bool alone =
        db::sqlTokens(QString::fromUtf8(tail, utf8.constData() + utf8.size() - tail)).isEmpty();
    const bool ok = alone && sqlite3_step(st) == SQLITE_DONE;
    sqlite3_finalize(st);
    return ok;
}

// Every column of every table and index of ours, as the engine sees them.
QStringList shape(sqlite3* d, const std::vector<db::SchemaObject>& objects, bool typeSpelling) {
    QStringList out;
    for (const db::SchemaObject& o : objects) {
        const bool table = o.type == QLatin1String("table");
        const char* sql =
            table ? "SELECT cid, name, type, \"notnull\", dflt_value, pk, hidden FROM pragma_table_xinfo(?)"
                  : "SELECT seqno, cid, name, \"desc\", coll, \"key\" FROM pragma_index_xinfo(?)";
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(d, sql, -1, &st, nullptr);
        const QByteArray name = o.name.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                QString v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
                // The engine keeps a declared type as written, whitespace and comments inside it too.
                if (table && i == 2 && !typeSpelling) v = db::sqlTokens(v).join(QLatin1Char(' '));
                out << v;
            }
        sqlite3_finalize(st);
        out << QStringLiteral("|");
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<db::TableDef> defs = core::companyTableDefs(core::kDefaultFieldLen);
    static const std::shared_ptr<const db::ExpectedSchema> schema = db::ExpectedSchema::of(defs);
    static const std::vector<db::SchemaObject>& expected = schema->objects;
    static int steps = 0;
    static int oursSteps = 0;
    static const Db ours = [] {
        Db d = open(oursSteps);
        for (const db::SchemaObject& o : expected)
            run(d.get(), o.sql);
        return d;
    }();
    if (size < 4) return 0;
    std::vector<db::SchemaObject> found = expected;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 4), qsizetype(size - 4));
    const std::size_t row = data[0] % (found.size() + 1);
    if (row == found.size()) {
        const QStringList f = text.split(QChar(0x1f));
        found.push_back({f.value(0), f.value(1), f.value(2), f.value(3)});
    } else {
        QString& sql = found[row].sql;
        const qsizetype at = (data[1] << 8 | data[2]) % (sql.size() + 1);
        sql.replace(at, data[3] % 16, text);
    }
    // The engine reads a schema text to its first NUL, as the file's own schema is read when it opens.
    for (db::SchemaObject& o : found)
        if (const qsizetype nul = o.sql.indexOf(QChar(0)); nul >= 0) o.sql.truncate(nul);
    // Texts of the same tokens as ours must make the same object as ours.
    const bool textsOurs = row < expected.size() && db::sqlTokens(found[row].sql) == db::sqlTokens(expected[row].sql);
    if (!textsOurs && data[3] % 16 != 0) return 0;

    steps = 0;
    Db d = open(steps);
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.type == QLatin1String("table") &&
               b.type != QLatin1String("table"); // tables before their indexes
    });
    bool allRan = true;
    for (const db::SchemaObject& o : found)
        allRan = run(d.get(), o.sql) && allRan;
    steps = 0;
    oursSteps = 0;
    if (textsOurs && (!allRan || shape(d.get(), expected, false) != shape(ours.get(), expected, false)))
        std::abort();      // texts taken for ours that make something else
    if (!allRan) return 0; // a schema missing an object: nothing more to learn from the whole check
    try {
        if (!db::schemaDifference(d.get(), *schema) &&
            shape(d.get(), expected, true) != shape(ours.get(), expected, true))
            std::abort();
    } catch (const db::DbError&) {
    }
    return 0;
}
