// An updatable view of one table's rows, like the engine's dynaset: navigate, find, add, edit, delete.
// Rows are known by their row ids and read one at a time, so a large table opens at once.
#pragma once

#include "db/Database.h"

#include <QHash>
#include <QVariant>
#include <vector>

namespace db {

using StoredRow = std::vector<StoredValue>;

class Recordset {
public:
    // All rows of a table, or those that match a constant SQL condition with bound values, in the given
    // order (field names; insertion order when empty).
    Recordset(Database& db, const QString& table, const QString& whereSql = {}, const Params& params = {},
              const QStringList& orderBy = {});

    const std::vector<FieldInfo>& fields() const { return fields_; }
    int fieldIndex(const QString& name) const; // throws NotFound

    // Navigation; position is 0-based, -1 before the first row (BOF), recordCount() after the last (EOF).
    int recordCount() const { return int(rowids_.size()); }
    bool bof() const { return pos_ < 0 || rowids_.empty(); }
    bool eof() const { return pos_ >= recordCount() || rowids_.empty(); }
    int position() const { return pos_; }
    void moveFirst() { moveTo(0); }
    void moveLast() { moveTo(recordCount() - 1); }
    void moveNext() { moveTo(pos_ + 1); }
    void movePrevious() { moveTo(pos_ - 1); }
    void moveTo(int position); // clamps to -1 .. recordCount()
    qint64 rowid() const;      // of the current row
    bool moveToRowid(qint64 rowid);

    // Reads the re-selected rows again (after another window changed the table).
    void requery();

    // Finds by exact equality of one field; noMatch() tells the result, and a failed find keeps the
    // current row (unlike the engine, which leaves no current row).
    bool findFirst(const QString& field, const QVariant& value);
    bool findNext(const QString& field, const QVariant& value);
    bool findPrevious(const QString& field, const QVariant& value);
    bool findLast(const QString& field, const QVariant& value);
    bool noMatch() const { return noMatch_; }

    // Values of the current row (or of the edit buffer while editing). Typed by the field:
    // Long -> int, Currency -> Currency, Single -> float, Date -> double (OLE), Text -> QString; Null -> QVariant().
    QVariant value(const QString& field) const;
    QVariant value(int index) const;
    bool isNull(const QString& field) const { return !value(field).isValid(); }
    qint32 getLong(const QString& field) const;
    Currency getCurrency(const QString& field) const;
    double getDouble(const QString& field) const;
    QString getText(const QString& field) const; // Null reads as ""

    // The current row's fields exactly as stored, from the same read as value().
    StoredRow stored() const;

    // Editing: addNew() or edit(), set values, update(). A failed update throws and keeps the buffer,
    // so the caller can correct it or cancelUpdate(). edit() reads the row afresh; update() writes only the
    // fields that were set, and only where each of them, and the row's unique keys, still hold what was
    // read: otherwise it throws Changed (NoCurrentRecord when the row is gone), so one user's write never
    // undoes another's, while a change to another field (a sale lowering the stock) is no conflict. An edit
    // or a delete throws Damaged when a unique key of the row no longer leads to it through its index.
    void addNew();
    void edit();
    // As edit(), checked against the row as it was read when shown to the user (stored() then).
    void edit(const StoredRow& asShown);
    void setValue(const QString& field, const QVariant& v);
    void setNull(const QString& field) { setValue(field, QVariant()); }
    void update();
    void cancelUpdate();
    bool editing() const { return mode_ != Mode::None; }
    bool addingNew() const { return mode_ == Mode::AddNew; }
    qint64 lastModified() const { return lastModified_; }
    void deleteCurrent(); // the position stays; the next row moves up into it

    Database& database() { return db_; }
    const QString& table() const { return table_; }

private:
    enum class Mode { None, Edit, AddNew };
    void loadRowids();
    void loadCurrent() const;
    void checkKeys(qint64 rowid); // throws Damaged
    QVariant typed(int index, const QVariant& stored) const;
    QString sameAs(int index, const StoredValue& v, Params& params) const;
    QVariant storable(int index, const QVariant& v) const;
    std::vector<qint64> matching(const QString& field, const QVariant& value);
    bool findFrom(const QString& field, const QVariant& value, int start, int step);

    Database& db_;
    QString table_;
    QString whereSql_;
    Params params_;
    QStringList orderBy_;
    std::vector<FieldInfo> fields_;
    QHash<QString, int> fieldIndex_;
    void updateChanged();

    QString insertSql_;
    QString selectSql_;
    std::vector<bool> unique_; // fields of a unique index: what names the row besides its row id
    std::vector<qint64> rowids_;
    int pos_ = -1;
    mutable int loadedPos_ = -2;
    mutable StoredRow current_;
    QVariantList buffer_;
    StoredRow original_; // the row the edit is checked against
    std::vector<bool> dirty_;
    Mode mode_ = Mode::None;
    bool noMatch_ = false;
    qint64 lastModified_ = -1;
};

} // namespace db
