#include "masters/MasterTableModel.h"

#include "core/Dates.h"

#include "db/OleDate.h"
#include "masters/TabFields.h"
#include "text/Cp932.h"

#include <QLocale>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace masters {

namespace {

constexpr int kCacheRows = 4000;

QString plainDecimal(db::Currency c) {
    QString s = c.toString(); // four decimals
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

std::optional<double> number(const QString& text) {
    QString t = text.trimmed();
    t.remove(QLatin1Char(','));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A day (years 100 to 9999, which the engine can hold), with or without a time, or an OLE date number.
std::optional<double> oleDate(const QString& text) {
    const auto day = [](double ole) -> std::optional<double> {
        if (!db::dateFromOle(ole).isValid()) return std::nullopt;
        return ole;
    };
    const QString t = text.trimmed();
    for (const char* fmt : {"yyyy/M/d H:m:s", "yyyy/M/d H:m", "yyyy-M-d H:m:s", "yyyy/M/d", "yyyy-M-d"}) {
        const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(fmt));
        if (dt.isValid()) return day(db::toOleDate(dt));
    }
    if (const auto v = number(t)) return day(*v); // 0 included
    return std::nullopt;
}

} // namespace

MasterTableModel::MasterTableModel(db::Database& db, const QString& table, QObject* parent)
    : QAbstractTableModel(parent), rs_(db, table) {
    count_ = rs_.recordCount();
}

int MasterTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_ + 1; }

int MasterTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rs_.fields().size());
}

const MasterTableModel::CachedRow& MasterTableModel::cached(int r) const {
    auto it = cache_.constFind(r);
    if (it != cache_.constEnd())
        return *it;
    if (cache_.size() >= kCacheRows)
        cache_.clear();
    CachedRow row;
    auto& rs = const_cast<db::Recordset&>(rs_);
    try {
        rs.moveTo(r);
        for (int i = 0; i < int(rs.fields().size()); ++i)
            row.values << rs.value(i);
        row.stored = rs.stored();
    } catch (const db::DbError&) {
        // Deleted meanwhile by another window: shown as such until the next refresh.
        row = {};
        for (size_t i = 0; i < rs.fields().size(); ++i)
            row.values << QStringLiteral("#Deleted");
    }
    return *cache_.insert(r, row);
}

const QVariantList& MasterTableModel::row(int r) const {
    return cached(r).values;
}

void MasterTableModel::invalidate() { cache_.clear(); }

QVariant MasterTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() > count_ || index.column() >= columnCount())
        return {};
    const db::FieldInfo& f = rs_.fields()[size_t(index.column())];
    if (role == Qt::TextAlignmentRole)
        return f.type == db::FieldType::Text ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    QVariant v;
    if (index.row() == pendingRow_)
        v = pending_.value(index.column());
    else if (index.row() < count_)
        v = row(index.row()).value(index.column());
    if (v.metaType().id() == QMetaType::QString && f.type != db::FieldType::Text)
        return v; // the deleted-row marker
    // A stored text at most its field's size: only another program stores a longer one, and the grid
    // would freeze laying it out. What was typed shows whole (a refused save shows it to correct).
    if (f.type == db::FieldType::Text && index.row() != pendingRow_)
        return text::shownPart(v.toString(), f.size).toString();
    return displayText(f, v);
}

QVariant MasterTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, o, role);
    if (o == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? QVariant(rs_.fields()[size_t(section)].name) : QVariant();
    if (section == pendingRow_)
        return QStringLiteral("✎");
    if (section == count_)
        return QStringLiteral("*");
    if (section == current_)
        return QStringLiteral("▶");
    return QString();
}

Qt::ItemFlags MasterTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool MasterTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() > count_)
        return false;
    const db::FieldInfo& f = rs_.fields()[size_t(index.column())];
    QString typed = value.toString();
    if (f.type == db::FieldType::Text) {
        const text::TypedText t = text::checkTyped(typed);
        if (!t.ok()) {
            emit textRefused(index, text::unencodableMessage(QStringLiteral("「%1」").arg(f.name), t.bad), t.text,
                             int(t.bad.index), int(t.bad.character.size()));
            return false;
        }
        typed = t.text;
        if (const qsizetype at = FindControl(typed); at >= 0) {
            const QString code = QStringLiteral("%1").arg(typed[at].unicode(), 4, 16, QLatin1Char('0')).toUpper();
            emit textRefused(index,
                             QStringLiteral("「%1」に、保存できない制御文字（U+%2）があります。\n"
                                            "この文字を取り除いて下さい。")
                                 .arg(f.name, code),
                             typed, int(at), 1);
            return false;
        }
    }
    const int r = index.row();
    // An editor closed on a text longer than its field (only another program stores one) hands back the
    // part shown: that is no edit, and the stored value stays whole.
    if (f.type == db::FieldType::Text) {
        const QVariant held = r == pendingRow_ ? pending_.value(index.column())
                              : r < count_     ? row(r).value(index.column())
                                               : QVariant();
        const QString stored = held.toString();
        if (stored.size() > f.size && typed == text::shownPart(stored, f.size)) return true;
    }
    if (pendingRow_ >= 0 && pendingRow_ != r) {
        try {
            save();
        } catch (const db::DbError& e) {
            if (keepsEditOnRefusal(e.kind()))
                emit heldEditRefused(index, typed, e);
            else
                emit editRefused();
            return false;
        }
    }
    const std::optional<QVariant> v = parseText(f, typed);
    if (!v || (numberFields_.contains(f.name) && v->isValid() && v->toLongLong() < 1)) {
        emit editRefused();
        return false;
    }
    if (pendingRow_ != r) {
        pending_.clear();
        shown_.clear();
        if (r < count_) {
            pending_ = cached(r).values;
            shown_ = cached(r).stored;
        } else {
            for (int i = 0; i < columnCount(); ++i)
                pending_ << QVariant();
        }
        changed_ = QList<bool>(columnCount(), false);
        pendingRow_ = r;
        emit headerDataChanged(Qt::Vertical, r, r);
    }
    pending_[index.column()] = *v;
    changed_[index.column()] = true;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void MasterTableModel::setCurrentRow(int r) {
    const int old = current_;
    current_ = r;
    if (old >= 0 && old <= count_)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (r >= 0 && r <= count_)
        emit headerDataChanged(Qt::Vertical, r, r);
}

void MasterTableModel::save() {
    if (pendingRow_ < 0)
        return;
    const int r = pendingRow_;
    const bool adding = r == count_;
    try {
        if (adding) {
            rs_.addNew();
        } else {
            rs_.moveTo(r);
            // Only the fields the user changed are checked, against what the user saw: a field someone
            // else changed meanwhile would be undone, any other change stands.
            rs_.edit(shown_);
        }
        for (int i = 0; i < columnCount(); ++i)
            if (changed_[i])
                rs_.setValue(rs_.fields()[size_t(i)].name, pending_[i]);
        rs_.update();
    } catch (const db::DbError& e) {
        rs_.cancelUpdate();
        if (!keepsEditOnRefusal(e.kind()))
            dropPending();
        throw;
    }
    pendingRow_ = -1;
    pending_.clear();
    cache_.remove(r);
    if (adding) {
        // The new record takes its place before the new-record row.
        beginInsertRows(QModelIndex(), r, r);
        count_ = rs_.recordCount();
        endInsertRows();
        return;
    }
    emit dataChanged(index(r, 0), index(r, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, r, r);
}

bool MasterTableModel::keepsEditOnRefusal(db::ErrorKind kind) {
    // A value the field's rules refused, or a row another user changed or deleted, drops the edit: the row
    // shows what is stored. A refusal of the file's (busy, full, read-only, replaced...) keeps it: nothing of
    // the edit was wrong, and pressing again once the cause is gone must store it.
    return db::faultOf(kind) == db::Fault::File;
}

void MasterTableModel::dropPending() {
    if (pendingRow_ < 0)
        return;
    const int r = pendingRow_;
    pendingRow_ = -1;
    pending_.clear();
    cache_.remove(r);
    emit dataChanged(index(r, 0), index(r, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, r, r);
}

QStringList MasterTableModel::heldValues() const {
    QStringList out;
    for (int c = 0; pendingRow_ >= 0 && c < columnCount(); ++c)
        if (changed_.value(c))
            out << QStringLiteral("「%1」：%2")
                       .arg(rs_.fields()[size_t(c)].name, data(index(pendingRow_, c)).toString());
    return out;
}

void MasterTableModel::removeRecord(int r) {
    if (r < 0 || r >= count_)
        throw db::DbError(db::ErrorKind::NoCurrentRecord, QStringLiteral("no current record"));
    if (pendingRow_ == r)
        dropPending();
    // Rows read between the delete and the removal notice must still be the old ones.
    for (int k = qMax(0, r - 1); k <= qMin(count_ - 1, r + 1); ++k)
        row(k);
    rs_.moveTo(r);
    rs_.deleteCurrent();
    beginRemoveRows(QModelIndex(), r, r);
    count_ = rs_.recordCount();
    invalidate();
    if (pendingRow_ > r)
        --pendingRow_;
    if (current_ > r)
        --current_;
    endRemoveRows();
}

void MasterTableModel::requery() {
    beginResetModel();
    pendingRow_ = -1;
    pending_.clear();
    invalidate();
    try {
        rs_.requery();
    } catch (...) {
        count_ = rs_.recordCount();
        endResetModel();
        throw;
    }
    count_ = rs_.recordCount();
    endResetModel();
}

int MasterTableModel::lastModifiedRow() const {
    auto& rs = const_cast<db::Recordset&>(rs_);
    if (rs.lastModified() < 0 || !rs.moveToRowid(rs.lastModified()))
        return -1;
    return rs.position();
}

QString MasterTableModel::displayText(const db::FieldInfo& f, const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    if (f.type != db::FieldType::Text && v.typeId() != QMetaType::QString) {
        // NaN, infinity or a number beyond the field's type, as only an edited database holds.
        const bool real = v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
        const double d = real ? v.toDouble() : 0.0;
        if (real && (!std::isfinite(d) || (f.type == db::FieldType::Long || f.type == db::FieldType::Currency) ||
                     (f.type == db::FieldType::Date && std::fabs(d) > 2958465.0)))
            return db::kOutOfRangeText;
    }
    if (f.type == db::FieldType::Long && v.typeId() == QMetaType::LongLong &&
        (v.toLongLong() < std::numeric_limits<int>::min() || v.toLongLong() > std::numeric_limits<int>::max()))
        return db::kOutOfRangeText; // more than a Long holds
    switch (f.type) {
    case db::FieldType::Long: return QString::number(v.toLongLong());
    case db::FieldType::Currency: return plainDecimal(v.value<db::Currency>());
    case db::FieldType::Single: return QString::number(double(v.toFloat()), 'g', 7);
    case db::FieldType::Date: return core::FormatDateTime(db::dateTimeFromOle(v.toDouble()));
    case db::FieldType::Text:
        return v.toString();
    }
    return v.toString();
}

std::optional<QVariant> MasterTableModel::parseText(const db::FieldInfo& f, const QString& text) {
    if (f.type == db::FieldType::Text)
        return text.isEmpty() ? QVariant() : QVariant(text);
    if (text.trimmed().isEmpty())
        return QVariant(); // Null: the engine refuses it where the field is required
    switch (f.type) {
    case db::FieldType::Long: {
        // Beyond a Long the number would be shown as out of range: refused as it is typed.
        const auto v = number(text);
        if (!v || *v != std::floor(*v) || *v < std::numeric_limits<std::int32_t>::min() ||
            *v > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        return QVariant::fromValue<qint64>(qint64(*v));
    }
    case db::FieldType::Currency: {
        const auto v = number(text);
        if (!v)
            return std::nullopt;
        try {
            return QVariant::fromValue(db::Currency::fromDouble(*v));
        } catch (const std::overflow_error&) {
            return std::nullopt;
        }
    }
    case db::FieldType::Single: {
        const auto v = number(text);
        // Beyond a Single (1e40) the float would be infinity: refused like any other bad value.
        if (!v || !std::isfinite(db::toSingle(*v)))
            return std::nullopt;
        return db::toSingle(*v);
    }
    case db::FieldType::Date: {
        // Taken only when the cell shows it again as it is: a time on the last day would be shown as out
        // of range, a fraction of a second not at all.
        const std::optional<double> ole = oleDate(text);
        if (!ole || oleDate(displayText(f, *ole)) != ole) return std::nullopt;
        return *ole;
    }
    case db::FieldType::Text: break;
    }
    return std::nullopt;
}

} // namespace masters
