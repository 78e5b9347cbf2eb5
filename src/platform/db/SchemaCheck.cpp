#include "db/SchemaCheck.h"

#include "db/DbError.h"
#include "db/Defensive.h"
#include "db/TableSql.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace db {

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isHex(QChar c) {
    return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
// As the engine reads a name: ASCII letters, digits, '_', '$' and every character beyond ASCII.
bool isIdChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isDigit(c) || c == u'_' || c == u'$' ||
           c.unicode() >= 0x80;
}

// The end of the quoted token starting at i (a doubled closing character is part of it); the text's end
// when it is not closed.
qsizetype quotedEnd(const QString& s, qsizetype i, QChar close) {
    for (qsizetype j = i + 1; j < s.size(); ++j) {
        if (s[j] != close) continue;
        if (close != u']' && j + 1 < s.size() && s[j + 1] == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return s.size();
}

qsizetype idEnd(const QString& s, qsizetype j) {
    while (j < s.size() && isIdChar(s[j]))
        ++j;
    return j;
}

qsizetype numberEnd(const QString& s, qsizetype i) {
    qsizetype j = i;
    if (s[j] == u'0' && j + 2 < s.size() && (s[j + 1] == u'x' || s[j + 1] == u'X') && isHex(s[j + 2])) {
        j += 2;
        while (j < s.size() && isHex(s[j]))
            ++j;
        return idEnd(s, j);
    }
    while (j < s.size() && isDigit(s[j]))
        ++j;
    if (j < s.size() && s[j] == u'.') {
        ++j;
        while (j < s.size() && isDigit(s[j]))
            ++j;
    }
    if (j + 1 < s.size() && (s[j] == u'e' || s[j] == u'E') &&
        (isDigit(s[j + 1]) ||
         ((s[j + 1] == u'+' || s[j + 1] == u'-') && j + 2 < s.size() && isDigit(s[j + 2])))) {
        j += 2;
        while (j < s.size() && isDigit(s[j]))
            ++j;
    }
    return idEnd(s, j); // digits running into a name are one (illegal) token, as the engine reads them
}

// The operators of more than one character.
qsizetype operatorEnd(const QString& s, qsizetype i) {
    static const char* const twos[] = {"==", "<=", "<>", "<<", ">=", ">>", "!=", "||", "->"};
    if (i + 1 < s.size())
        for (const char* two : twos)
            if (s[i] == QLatin1Char(two[0]) && s[i + 1] == QLatin1Char(two[1])) {
                if (two[0] == '-' && i + 2 < s.size() && s[i + 2] == u'>') return i + 3; // ->>
                return i + 2;
            }
    return i + 1;
}

} // namespace

QStringList sqlTokens(const QString& s) {
    QStringList out;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        qsizetype j = i + 1;
        if (isSpace(c)) {
            i = j;
            continue;
        }
        if (c == u'-' && j < s.size() && s[j] == u'-') {
            while (j < s.size() && s[j] != u'\n')
                ++j;
            i = j;
            continue;
        }
        if (c == u'/' && j < s.size() && s[j] == u'*') {
            const qsizetype close = s.indexOf(QLatin1String("*/"), j + 1);
            i = close < 0 ? s.size() : close + 2;
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'`')
            j = quotedEnd(s, i, c);
        else if (c == u'[')
            j = quotedEnd(s, i, QLatin1Char(']'));
        else if ((c == u'x' || c == u'X') && j < s.size() && s[j] == u'\'')
            j = quotedEnd(s, j, QLatin1Char('\''));
        else if (isDigit(c) || (c == u'.' && j < s.size() && isDigit(s[j])))
            j = numberEnd(s, i);
        else if (isIdChar(c) || c == u'?' || c == u'@' || c == u':' || c == u'#')
            j = idEnd(s, j);
        else
            j = operatorEnd(s, i);
        QString token = s.mid(i, j - i);
        if (isIdChar(c) && !isDigit(c)) // names and keywords: the engine folds the case of ASCII letters only
            for (QChar& t : token)
                if (t >= u'a' && t <= u'z') t = QChar(t.unicode() - 0x20);
        out << token;
        i = j;
    }
    return out;
}

namespace {

struct CloseDb {
    void operator()(sqlite3* d) const { sqlite3_close_v2(d); }
};
struct Finalize {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};

[[noreturn]] void fail(sqlite3* d) {
    throwSqlite(sqlite3_extended_errcode(d), sqlite3_errmsg(d));
}

// Every row of a query as texts (Null as "\x01null", so it differs from every text).
std::vector<QStringList> rows(sqlite3* d, const char* sql, const QString& param = {}) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(d, sql, -1, &raw, nullptr) != SQLITE_OK) fail(d);
    const std::unique_ptr<sqlite3_stmt, Finalize> st(raw);
    const QByteArray bound = param.toUtf8();
    if (!param.isNull() &&
        sqlite3_bind_text(raw, 1, bound.constData(), int(bound.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        fail(d);
    std::vector<QStringList> out;
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(raw); ++i) {
            if (sqlite3_column_type(raw, i) == SQLITE_NULL)
                row << QStringLiteral("\x01null");
            else
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, i)),
                                         sqlite3_column_bytes(raw, i));
        }
        out.push_back(row);
    }
    if (rc != SQLITE_DONE) fail(d);
    return out;
}

std::unique_ptr<sqlite3, CloseDb> buildInMemory(const std::vector<TableDef>& defs) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, CloseDb> d(raw);
    if (rc != SQLITE_OK || !raw) throwSqlite(rc, "cannot open a database in memory");
    defendConnection(raw);
    for (const TableDef& def : defs)
        for (const QString& sql : createStatements(def))
            if (sqlite3_exec(raw, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                fail(raw);
    return d;
}

// The first object of found (in its order) that expected does not hold the same, else the first of
// expected that found lacks.
SchemaDifference compareSchema(const std::vector<SchemaObject>& found,
                               const std::vector<SchemaObject>& expected) {
    QHash<QString, const SchemaObject*> ours;
    for (const SchemaObject& o : expected)
        ours.insert(o.name, &o);
    QHash<QString, bool> seen;
    for (const SchemaObject& o : found) {
        const SchemaObject* want = ours.value(o.name);
        if (!want || want->type != o.type || want->table != o.table || seen.contains(o.name))
            return {SchemaDifference::Kind::Foreign, o.type, o.name};
        if (sqlTokens(o.sql) != sqlTokens(want->sql) || o.sql.isEmpty())
            return {SchemaDifference::Kind::Changed, o.type, o.name};
        seen.insert(o.name, true);
    }
    for (const SchemaObject& o : expected)
        if (!seen.contains(o.name)) return {SchemaDifference::Kind::Missing, o.type, o.name};
    return {};
}

const char* const kMaster = "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid";
const char* const kColumns =
    "SELECT cid, name, type, \"notnull\", dflt_value, pk, hidden FROM pragma_table_xinfo(?) ORDER BY cid";

// The rows of the connection's sqlite_master in their order.
std::vector<SchemaObject> schemaObjects(sqlite3* d) {
    std::vector<SchemaObject> out;
    for (const QStringList& r : rows(d, kMaster))
        out.push_back({r[0], r[1], r[2], r[3] == QStringLiteral("\x01null") ? QString() : r[3]});
    return out;
}

} // namespace

ExpectedSchema::ExpectedSchema(const std::vector<TableDef>& defs) {
    const auto mem = buildInMemory(defs);
    objects = schemaObjects(mem.get());
    for (const TableDef& def : defs)
        columns.emplace_back(def.name, rows(mem.get(), kColumns, def.name));
}

SchemaDifference schemaDifference(sqlite3* d, const ExpectedSchema& expected) {
    // Texts of another encoding come back converted, but the file compares and stores them as its own: a
    // code typed here would find nothing, an edit change nothing.
    const std::vector<QStringList> encoding = rows(d, "PRAGMA encoding");
    if (encoding.empty() || encoding[0].value(0) != QLatin1String("UTF-8"))
        return {SchemaDifference::Kind::Encoding, QStringLiteral("encoding"),
                encoding.empty() ? QString() : encoding[0].value(0)};
    if (const SchemaDifference diff = compareSchema(schemaObjects(d), expected.objects)) return diff;
    for (const auto& [table, columns] : expected.columns)
        if (rows(d, kColumns, table) != columns) return {SchemaDifference::Kind::Changed, QStringLiteral("table"), table};
    return {};
}

// Kept by the statements the definitions make: one made for other field sizes never answers.
std::shared_ptr<const ExpectedSchema> ExpectedSchema::of(const std::vector<TableDef>& defs) {
    QStringList statements;
    for (const TableDef& def : defs)
        statements << createStatements(def);
    const QString key = statements.join(QLatin1Char('\n'));
    static QMutex mutex; // connections open on reader threads too
    static QString lastKey;
    static std::shared_ptr<const ExpectedSchema> last;
    QMutexLocker hold(&mutex);
    if (!last || lastKey != key) {
        last = std::make_shared<const ExpectedSchema>(defs);
        lastKey = key;
    }
    return last;
}

namespace {

QMutex gExpectedMutex; // connections open on reader threads too
QHash<QString, SchemaTest>& expected() {
    static QHash<QString, SchemaTest> tests;
    return tests;
}

} // namespace

void expectSchema(const QString& path, SchemaTest test) {
    const QString key = QFileInfo(path).absoluteFilePath();
    QMutexLocker hold(&gExpectedMutex);
    if (test)
        expected().insert(key, std::move(test));
    else
        expected().remove(key);
}

SchemaTest expectedSchema(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    QMutexLocker hold(&gExpectedMutex);
    return expected().value(key);
}

} // namespace db
