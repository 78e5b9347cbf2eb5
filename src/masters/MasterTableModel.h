// An editable table model over one table's recordset: one column per field in field order, rows read
// lazily, and an empty new-record row after the last. An edit is held for its row until save().
#pragma once

#include "db/Recordset.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <memory>
#include <optional>

namespace masters {

class MasterTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Opens the table in db (which must outlive the model); throws db::DbError.
    MasterTableModel(db::Database& db, const QString& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Holds the typed value for the row; false (and nothing held) for text the field's type cannot take
    // or, in a text field, a character CP932 cannot hold.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Long fields that number orders and lines: a typed number below 1 is refused like bad text.
    void setNumberFields(const QStringList& names) { numberFields_ = names; }

    int recordCount() const { return count_; }
    bool isNewRow(int row) const { return row == count_; }
    const std::vector<db::FieldInfo>& fields() const { return rs_.fields(); }

    // The row the record selector marks as current.
    void setCurrentRow(int row);
    int currentRow() const { return current_; }

    bool hasPending() const { return pendingRow_ >= 0; }
    int pendingRow() const { return pendingRow_; }
    // Stores the held edit (adds the row when it is the new-record row); a refusal rethrows the
    // db::DbError. A refusal of the file itself (keepsEditOnRefusal) keeps the edit held for another try;
    // one of the values or the row drops it, and the row shows its stored values again.
    void save();
    static bool keepsEditOnRefusal(db::ErrorKind kind);
    void dropPending();
    // The fields the held edit changed, each as 「name」：shown text, in field order.
    QStringList heldValues() const;

    // Deletes the record at row at once; throws db::DbError (NoCurrentRecord for the new-record row).
    void removeRecord(int row);
    // Reads the rows again from the table (held edits are dropped).
    void requery();
    // Row of the record added or changed last, or -1.
    int lastModifiedRow() const;

    // Text shown for a stored value (also the text an editor starts from).
    static QString displayText(const db::FieldInfo& f, const QVariant& v);
    // The stored value for typed text; nothing when the text does not fit the field's type.
    static std::optional<QVariant> parseText(const db::FieldInfo& f, const QString& text);

signals:
    // A typed value the field's type cannot take (the grid's own error path).
    void editRefused();
    // The edit held for another row could not be stored for a cause of the file (keepsEditOnRefusal): it
    // stays held, and the text typed at index was not taken.
    void heldEditRefused(const QModelIndex& index, const QString& typed, const db::DbError& error);
    // Typed text with a character the database's files cannot hold (CP932): nothing is held; the
    // message names the field and the character, stored is the typed text in its stored form.
    void textRefused(const QModelIndex& index, const QString& message, const QString& stored, int badIndex,
                     int badLength);

private:
    const QVariantList& row(int r) const;
    void invalidate();

    db::Recordset rs_;
    int count_ = 0;
    int current_ = -1;
    int pendingRow_ = -1;
    QVariantList pending_;
    QStringList numberFields_;
    db::StoredRow shown_; // the row as it was read for the screen when its edit began
    QList<bool> changed_;
    struct CachedRow {
        QVariantList values;
        db::StoredRow stored; // the same read, as the file held it
    };
    const CachedRow& cached(int r) const;
    mutable QHash<int, CachedRow> cache_;
};

} // namespace masters
