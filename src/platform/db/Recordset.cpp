#include "db/Recordset.h"

#include <cmath>
#include <limits>

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <optional>
#include <unordered_set>

#include "db/KeyedRows.h"
#include "db/OleDate.h"
#include "db/Transaction.h"

namespace db {

Recordset::Recordset(Database& db, const QString& table, const QString& whereSql, const Params& params,
                     const QStringList& orderBy)
    : db_(db), table_(table), whereSql_(whereSql), params_(params), orderBy_(orderBy) {
    fields_ = db_.fields(table_);
    for (int i = 0; i < int(fields_.size()); ++i)
        fieldIndex_.insert(fields_[i].name, i);
    for (const auto& f : orderBy_)
        fieldIndex(f); // refuse unknown names before they reach SQL
    QStringList cols, marks;
    for (const auto& f : fields_) {
        cols << Database::quoteIdent(f.name);
        marks << QStringLiteral("?");
    }
    insertSql_ = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                     .arg(Database::quoteIdent(table_), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    selectSql_ = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                     .arg(cols.join(QStringLiteral(", ")), Database::quoteIdent(table_));
    unique_.assign(fields_.size(), false);
    Query keys = db_.query(QStringLiteral("SELECT ii.name FROM pragma_index_list(?) AS il, "
                                          "pragma_index_info(il.name) AS ii WHERE il.\"unique\""),
                           {table_});
    while (keys.next())
        if (const auto it = fieldIndex_.find(keys.toText(0)); it != fieldIndex_.end())
            unique_[size_t(*it)] = true;
    loadRowids();
    moveFirst();
}

int Recordset::fieldIndex(const QString& name) const {
    const auto it = fieldIndex_.find(name);
    if (it == fieldIndex_.end())
        throw DbError(ErrorKind::NotFound, QStringLiteral("no such field: ") + name);
    return *it;
}

void Recordset::loadRowids() {
    QString sql = QStringLiteral("SELECT rowid FROM ") + Database::quoteIdent(table_);
    if (!whereSql_.isEmpty())
        sql += QStringLiteral(" WHERE ") + whereSql_;
    QStringList order;
    for (const auto& f : orderBy_)
        order << Database::quoteIdent(f);
    order << QStringLiteral("rowid");
    sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    rowids_.clear();
    Query q = db_.query(sql, params_);
    while (q.next())
        rowids_.push_back(q.toInt64(0));
    loadedPos_ = -2;
}

void Recordset::requery() {
    const qint64 keep = (bof() || eof()) ? -1 : rowid();
    loadRowids();
    if (keep < 0 || !moveToRowid(keep))
        moveFirst();
}

void Recordset::moveTo(int position) {
    if (mode_ != Mode::None)
        cancelUpdate();
    pos_ = std::clamp(position, -1, recordCount());
    if (rowids_.empty())
        pos_ = 0;
}

qint64 Recordset::rowid() const {
    if (bof() || eof())
        throw DbError(ErrorKind::NoCurrentRecord, QStringLiteral("no current record"));
    return rowids_[size_t(pos_)];
}

bool Recordset::moveToRowid(qint64 id) {
    const auto it = std::find(rowids_.begin(), rowids_.end(), id);
    if (it == rowids_.end())
        return false;
    moveTo(int(it - rowids_.begin()));
    return true;
}

namespace {

// The value as a query gives it (a text decoded from UTF-8).
QVariant asRead(const StoredValue& v) {
    return v.kind == StoredValue::Class::Text ? QVariant(QString::fromUtf8(v.value.toByteArray())) : v.value;
}

} // namespace

void Recordset::loadCurrent() const {
    if (loadedPos_ == pos_)
        return;
    const qint64 id = rowid();
    Query q = const_cast<Database&>(db_).query(selectSql_, {id});
    if (!q.next())
        throw DbError(ErrorKind::NoCurrentRecord, QStringLiteral("the row was deleted by another window"));
    // Each field as the engine holds it: a text's bytes, not as they decode.
    current_.resize(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i)
        current_[i] = q.stored(int(i));
    loadedPos_ = pos_;
}

StoredRow Recordset::stored() const {
    loadCurrent();
    return current_;
}

QVariant Recordset::typed(int index, const QVariant& stored) const {
    if (!stored.isValid())
        return {};
    const FieldType type = fields_[size_t(index)].type;
    if ((type == FieldType::Long || type == FieldType::Currency) && stored.typeId() == QMetaType::Double) {
        // A real number where an integer belongs (an edited database): kept as it is when no integer can
        // hold it, since converting NaN or a huge value would be undefined.
        const double d = stored.toDouble();
        const double limit = type == FieldType::Long ? 2147483648.0 : 9223372036854775808.0;
        if (!std::isfinite(d) || std::fabs(d) >= limit)
            return stored;
    }
    if (type == FieldType::Long && stored.typeId() == QMetaType::LongLong &&
        (stored.toLongLong() < std::numeric_limits<int>::min() || stored.toLongLong() > std::numeric_limits<int>::max()))
        return stored; // beyond a Long: kept whole rather than cut to 32 bits
    switch (type) {
    case FieldType::Long: return QVariant::fromValue<int>(int(stored.toLongLong()));
    case FieldType::Currency: return QVariant::fromValue(Currency::fromRaw(stored.toLongLong()));
    case FieldType::Single: return QVariant::fromValue<float>(float(stored.toDouble()));
    case FieldType::Date: return stored.toDouble();
    case FieldType::Text: return stored.toString();
    }
    return stored;
}

QVariant Recordset::storable(int index, const QVariant& v) const {
    if (!v.isValid() || v.isNull())
        return {};
    const FieldType t = fields_[size_t(index)].type;
    if (t == FieldType::Single)
        return toSingle(v.toDouble());
    if (t == FieldType::Date) {
        if (v.metaType().id() == QMetaType::QDate)
            return toOleDate(v.toDate());
        if (v.metaType().id() == QMetaType::QDateTime)
            return toOleDate(v.toDateTime());
        return v.toDouble();
    }
    return v; // Long, Currency and Text bind as they are; the engine checks type and range
}

QVariant Recordset::value(int index) const {
    if (mode_ != Mode::None)
        return typed(index, buffer_.value(index));
    loadCurrent();
    if (index < 0 || index >= int(current_.size())) return {};
    return typed(index, asRead(current_[size_t(index)]));
}

QVariant Recordset::value(const QString& field) const { return value(fieldIndex(field)); }

qint32 Recordset::getLong(const QString& field) const { return value(field).toInt(); }
Currency Recordset::getCurrency(const QString& field) const {
    const QVariant v = value(field);
    return v.isValid() ? v.value<Currency>() : Currency();
}
double Recordset::getDouble(const QString& field) const { return value(field).toDouble(); }
QString Recordset::getText(const QString& field) const { return value(field).toString(); }

void Recordset::addNew() {
    if (mode_ != Mode::None)
        cancelUpdate();
    buffer_ = QVariantList();
    for (size_t i = 0; i < fields_.size(); ++i)
        buffer_ << QVariant();
    mode_ = Mode::AddNew;
}

void Recordset::edit() {
    if (mode_ != Mode::None)
        cancelUpdate();
    loadedPos_ = -2; // what another user wrote since the row was last read counts
    loadCurrent();
    buffer_.clear();
    for (const StoredValue& v : current_)
        buffer_ << asRead(v);
    original_ = current_;
    dirty_.assign(fields_.size(), false);
    mode_ = Mode::Edit;
}

void Recordset::edit(const StoredRow& asShown) {
    edit();
    if (asShown.size() == fields_.size()) original_ = asShown;
}

void Recordset::setValue(const QString& field, const QVariant& v) {
    if (mode_ == Mode::None)
        throw DbError(ErrorKind::Other, QStringLiteral("not editing"));
    const int i = fieldIndex(field);
    buffer_[i] = storable(i, v);
    if (mode_ == Mode::Edit)
        dirty_[size_t(i)] = true;
}

void Recordset::update() {
    if (mode_ == Mode::None)
        throw DbError(ErrorKind::Other, QStringLiteral("not editing"));
    if (mode_ == Mode::AddNew) {
        db_.execute(insertSql_, buffer_);
        lastModified_ = db_.lastInsertRowid();
        rowids_.push_back(lastModified_);
        if (rowids_.size() == 1)
            pos_ = 0;
    } else {
        updateChanged();
        lastModified_ = rowid();
    }
    mode_ = Mode::None;
    loadedPos_ = -2;
}

// The condition that a field still holds v, storage class and bytes alike.
QString Recordset::sameAs(int index, const StoredValue& v, Params& params) const {
    const QString col = Database::quoteIdent(fields_[size_t(index)].name);
    switch (v.kind) {
    case StoredValue::Class::Null:
        return col + QStringLiteral(" IS NULL");
    case StoredValue::Class::Integer:
        params << v.value;
        return QStringLiteral("(typeof(%1) = 'integer' AND %1 = ?)").arg(col);
    case StoredValue::Class::Real:
        params << v.value;
        return QStringLiteral("(typeof(%1) = 'real' AND %1 = ?)").arg(col);
    case StoredValue::Class::Text:
    case StoredValue::Class::Blob:
        // Bytes bind as text only when they are UTF-8: compared through their hex digits instead.
        params << QString::fromLatin1(v.value.toByteArray().toHex().toUpper());
        return QStringLiteral("(typeof(%1) = '%2' AND hex(%1) = ?)")
            .arg(col, v.kind == StoredValue::Class::Text ? QStringLiteral("text") : QStringLiteral("blob"));
    }
    return {};
}

// Sets the fields that were set where each of them still holds what was read, and the row is still the
// one that was read (its unique keys): a field someone changed meanwhile matches no longer, and nothing is
// written. The other fields are neither compared nor written, however they are stored.
void Recordset::updateChanged() {
    QStringList sets, same;
    Params p;
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (!dirty_[i])
            continue;
        sets << Database::quoteIdent(fields_[i].name) + QStringLiteral(" = ?");
        p << buffer_[int(i)];
    }
    if (sets.isEmpty())
        return;
    p << rowid();
    for (size_t i = 0; i < fields_.size(); ++i)
        if (dirty_[i] || unique_[i]) same << sameAs(int(i), original_[i], p);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ? AND %3")
                            .arg(Database::quoteIdent(table_), sets.join(QStringLiteral(", ")),
                                 same.join(QStringLiteral(" AND ")));
    std::optional<Transaction> own;
    if (!db_.inTransaction())
        own.emplace(db_);
    checkKeys(rowid());
    if (db_.execute(sql, p) == 1) {
        if (own)
            own->commit();
        return;
    }
    const bool exists =
        db_.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE rowid = ?").arg(Database::quoteIdent(table_)), {rowid()})
            .toLongLong() > 0;
    throw DbError(exists ? ErrorKind::Changed : ErrorKind::NoCurrentRecord,
                  QStringLiteral("the row was changed or deleted by another user"));
}

void Recordset::cancelUpdate() {
    mode_ = Mode::None;
    buffer_.clear();
}

void Recordset::deleteCurrent() {
    const qint64 id = rowid();
    if (mode_ != Mode::None)
        cancelUpdate();
    std::optional<Transaction> own;
    if (!db_.inTransaction())
        own.emplace(db_);
    checkKeys(id);
    db_.execute(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(Database::quoteIdent(table_)), {id});
    if (own)
        own->commit();
    rowids_.erase(rowids_.begin() + pos_);
    loadedPos_ = -2;
}

// The row is named by its unique keys as well as its id: each must lead through its index to this row, or
// the index is damaged, and the next write that trusts it would change another row (KeyedRows).
void Recordset::checkKeys(qint64 id) {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (unique_[i])
            checkRowKey(db_, table_, fields_[i].name, id);
}

std::vector<qint64> Recordset::matching(const QString& field, const QVariant& value) {
    const int i = fieldIndex(field);
    return rowsWithKey(db_, table_, fields_[size_t(i)].name, storable(i, value));
}

bool Recordset::findFrom(const QString& field, const QVariant& value, int start, int step) {
    const std::vector<qint64> ids = matching(field, value);
    const std::unordered_set<qint64> hit(ids.begin(), ids.end());
    noMatch_ = true;
    for (int p = start; p >= 0 && p < recordCount(); p += step) {
        if (hit.count(rowids_[size_t(p)])) {
            moveTo(p);
            noMatch_ = false;
            break;
        }
    }
    return !noMatch_;
}

bool Recordset::findFirst(const QString& f, const QVariant& v) { return findFrom(f, v, 0, 1); }
bool Recordset::findNext(const QString& f, const QVariant& v) { return findFrom(f, v, pos_ + 1, 1); }
bool Recordset::findPrevious(const QString& f, const QVariant& v) { return findFrom(f, v, pos_ - 1, -1); }
bool Recordset::findLast(const QString& f, const QVariant& v) { return findFrom(f, v, recordCount() - 1, -1); }

} // namespace db
