#include "printing/ReportRows.h"

#include "core/Schema.h"
#include "db/Database.h"

#include <array>
#include <cstdint>
#include <optional>

namespace printing {

namespace {

const QString kOrders = QStringLiteral("受注データ");
const QString kLines = QStringLiteral("受注個別データ");

// The only statements these readers run: constant texts over the five business tables. Orders read as "o"
// never include the row an order entry window holds.
QString whereClause(const char* where, bool orders) {
    QStringList terms;
    if (where) terms << QLatin1Char('(') + QString::fromUtf8(where) + QLatin1Char(')');
    if (orders) terms << core::kNotPendingOrder;
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

QString tableStatement(const QString& table, const char* where) {
    static const QStringList known{QStringLiteral("商品マスタ"), QStringLiteral("顧客マスタ"),
                                   QStringLiteral("社員マスタ"), kOrders, kLines};
    if (!known.contains(table))
        throw db::DbError(db::ErrorKind::NotFound, QStringLiteral("no report table ") + table);
    return QStringLiteral("SELECT * FROM %1 AS o").arg(db::Database::quoteIdent(table)) +
           whereClause(where, table == kOrders) + QStringLiteral(" ORDER BY rowid");
}

class SnapshotRows : public Rows {
public:
    explicit SnapshotRows(const TableSnapshot& t) : t_(t) {}
    bool next() override { return ++row_ < t_.size(); }
    QVariant value(const QString& field) const override { return t_.value(row_, field); }

private:
    const TableSnapshot& t_;
    int row_ = -1;
};

class SnapshotOrders : public OrdersWithLines {
public:
    SnapshotOrders(const TableSnapshot& orders, const TableSnapshot& lines) : orders_(orders), lines_(lines) {
        for (int i = 0; i < lines.size(); ++i) {
            const QVariant no = lines.value(i, QStringLiteral("受注No"));
            if (!no.isNull())
                byOrder_[no.toLongLong()].push_back(i);
        }
    }
    bool next() override {
        if (++row_ >= orders_.size())
            return false;
        const auto it = byOrder_.constFind(orders_.value(row_, QStringLiteral("受注No")).toLongLong());
        current_ = it == byOrder_.cend() ? nullptr : &*it;
        return true;
    }
    QVariant value(const QString& field) const override { return orders_.value(row_, field); }
    int lineCount() const override { return current_ ? int(current_->size()) : 0; }
    QVariant line(int i, const QString& field) const override { return lines_.value((*current_)[size_t(i)], field); }

private:
    const TableSnapshot& orders_;
    const TableSnapshot& lines_;
    QHash<qint64, std::vector<int>> byOrder_;
    const std::vector<int>* current_ = nullptr;
    int row_ = -1;
};

// Column numbers by field name. The record readers ask for the same literal names on every row; a
// literal's text never moves, so those are remembered by its address and a row costs no hashing.
class ColumnIndex {
public:
    ColumnIndex() = default;
    ColumnIndex(const db::Query& q, int from, int to) {
        for (int i = from; i < to; ++i)
            if (!byName_.contains(q.columnName(i)))
                byName_.insert(q.columnName(i), i);
    }
    int of(const QString& name) const {
        if (name.data_ptr().isMutable()) // text that may be freed and reused
            return byName_.value(name, -1);
        // Open addressing on the address; a table kept at most half full.
        std::size_t slot = (reinterpret_cast<std::uintptr_t>(name.constData()) >> 4) % kSlots;
        for (;; slot = (slot + 1) % kSlots) {
            const Seen& s = seen_[slot];
            if (s.text == name.constData() && s.size == name.size())
                return s.column;
            if (!s.text)
                break;
        }
        const int column = byName_.value(name, -1);
        if (used_ < kSlots / 2) {
            seen_[slot] = {name.constData(), name.size(), column};
            ++used_;
        }
        return column;
    }

private:
    struct Seen {
        const QChar* text = nullptr;
        qsizetype size = 0;
        int column = -1;
    };
    static constexpr std::size_t kSlots = 64;
    QHash<QString, int> byName_;
    mutable std::array<Seen, kSlots> seen_{};
    mutable std::size_t used_ = 0;
};

class QueryRows : public Rows {
  public:
    QueryRows(db::Database& db, const QString& table, const char* where)
        : q_(db.query(tableStatement(table, where))), columns_(q_, 0, q_.columnCount()) {}
    bool next() override { return q_.next(); }
    QVariant value(const QString& field) const override {
        const int i = columns_.of(field);
        return i < 0 ? QVariant() : q_.value(i);
    }

private:
    db::Query q_;
    ColumnIndex columns_;
};

// One pass over the orders joined to their lines through the index on the lines' 受注No: an order
// comes with all its lines, in table order, and no more than one order is held at a time.
class QueryOrders : public OrdersWithLines {
  public:
    QueryOrders(db::Database& db, const char* where)
        : q_(db.query(
              QStringLiteral(
                  "SELECT o.rowid AS order_rowid, o.*, l.rowid AS line_rowid, l.* FROM 受注データ AS o "
                  "LEFT JOIN 受注個別データ AS l ON l.受注No = o.受注No") +
              whereClause(where, true) + QStringLiteral(" ORDER BY o.rowid, l.rowid"))) {
        int lineRowid = -1;
        for (int i = 0; i < q_.columnCount(); ++i)
            if (q_.columnName(i) == QLatin1String("line_rowid"))
                lineRowid = i;
        lineRowid_ = lineRowid;
        orderColumns_ = ColumnIndex(q_, 1, lineRowid);
        lineColumns_ = ColumnIndex(q_, lineRowid + 1, q_.columnCount());
        lineWidth_ = q_.columnCount() - lineRowid - 1;
        pending_ = q_.next();
    }
    bool next() override {
        if (!pending_)
            return false;
        const qint64 rowid = q_.toInt64(0);
        order_.resize(0);
        for (int i = 1; i < lineRowid_; ++i)
            order_.push_back(q_.value(i));
        lines_.clear(); // keeps its room: one order's lines after another cost no allocation
        do {
            if (!q_.isNull(lineRowid_))
                for (int i = lineRowid_ + 1; i < q_.columnCount(); ++i)
                    lines_.push_back(q_.value(i));
            pending_ = q_.next();
        } while (pending_ && q_.toInt64(0) == rowid);
        return true;
    }
    QVariant value(const QString& field) const override {
        const int i = orderColumns_.of(field);
        return i < 0 ? QVariant() : order_[i - 1];
    }
    int lineCount() const override { return lineWidth_ > 0 ? int(lines_.size()) / lineWidth_ : 0; }
    QVariant line(int n, const QString& field) const override {
        const int i = lineColumns_.of(field);
        return i < 0 ? QVariant() : lines_[size_t(n) * size_t(lineWidth_) + size_t(i - lineRowid_ - 1)];
    }

private:
    db::Query q_;
    int lineRowid_ = 0;
    int lineWidth_ = 0;
    ColumnIndex orderColumns_;
    ColumnIndex lineColumns_;
    bool pending_ = false;
    QVariantList order_;
    std::vector<QVariant> lines_; // the current order's lines, lineWidth_ fields each
};

} // namespace

std::unique_ptr<Rows> rowsOf(const TableSnapshot& table) { return std::make_unique<SnapshotRows>(table); }

std::unique_ptr<OrdersWithLines> ordersWithLinesOf(const TableSnapshot& orders, const TableSnapshot& lines) {
    return std::make_unique<SnapshotOrders>(orders, lines);
}

std::unique_ptr<Rows> readRows(db::Database& db, const QString& table, const char* where) {
    return std::make_unique<QueryRows>(db, table, where);
}

std::unique_ptr<OrdersWithLines> readOrdersWithLines(db::Database& db, const char* where) {
    return std::make_unique<QueryOrders>(db, where);
}

QHash<QString, QString> namesOf(const TableSnapshot& table, const QString& codeField, const QString& nameField) {
    QHash<QString, QString> names;
    for (int i = 0; i < table.size(); ++i) {
        const QVariant code = table.value(i, codeField);
        if (!code.isNull() && !names.contains(code.toString()))
            names.insert(code.toString(), table.value(i, nameField).toString());
    }
    return names;
}

qint64 countRows(db::Database& db, const QString& table) {
    tableStatement(table, nullptr); // refuses names outside the schema
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(db::Database::quoteIdent(table)))
        .toLongLong();
}

} // namespace printing
