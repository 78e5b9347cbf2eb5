#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QTextStream>
#include <SQLiteCpp/SQLiteCpp.h>
#include <ctime>

namespace multiuser {

qint64 monotonicNs() {
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct JournalWriter::Impl {
    QFile file;
};

JournalWriter::JournalWriter(const QString& path) : d_(new Impl) {
    d_->file.setFileName(path);
    d_->file.open(QIODevice::Append | QIODevice::Text);
}

JournalWriter::~JournalWriter() { delete d_; }

void JournalWriter::add(char kind, const QString& key, const QString& value) {
    const QString line = QStringLiteral("%1\t%2\t%3\t%4\n").arg(QChar(kind)).arg(key, value).arg(monotonicNs());
    d_->file.write(line.toUtf8());
    d_->file.flush();
}

std::vector<Entry> readJournals(const QString& folder) {
    std::vector<Entry> all;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.journal")}, QDir::Files)) {
        QFile f(QDir(folder).filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QStringList p = QString::fromUtf8(raw).split(QLatin1Char('\t'));
            if (p.size() == 4)
                all.push_back({char(p[0].at(0).toLatin1()), p[1], p[2], p[3].toLongLong()});
        }
    }
    return all;
}

namespace {

using Std = std::string;

Std s(const QString& q) { return q.toStdString(); }

QString text(SQLite::Database& d, const char* sql, const QString& bind) {
    SQLite::Statement st(d, sql);
    st.bind(1, s(bind));
    return st.executeStep() && !st.getColumn(0).isNull() ? QString::fromStdString(st.getColumn(0).getString())
                                                         : QStringLiteral("<none>");
}

qint64 number(SQLite::Database& d, const char* sql) {
    SQLite::Statement st(d, sql);
    return st.executeStep() ? st.getColumn(0).getInt64() : -1;
}

// A value written by one writer only, in the order of its journal: the file may hold the last one reported
// before the moment or any later one, never an earlier one.
QString checkSequence(const std::vector<const Entry*>& seq, const QString& stored, qint64 takenAt, bool final) {
    int k = -1;
    for (int i = 0; i < int(seq.size()); ++i)
        if (seq[size_t(i)]->at < takenAt)
            k = i;
    if (final && !seq.empty() && stored != seq.back()->value)
        return QStringLiteral("holds %1, last written %2").arg(stored, seq.back()->value);
    if (k < 0)
        return {};
    for (int i = k; i < int(seq.size()); ++i)
        if (seq[size_t(i)]->value == stored)
            return {};
    return QStringLiteral("holds %1, written before: %2").arg(stored, seq[size_t(k)]->value);
}

} // namespace

QString checkDatabase(const QString& dbPath, const std::vector<Entry>& entries, qint64 takenAt, bool final) {
    try {
        SQLite::Database d(s(dbPath), SQLite::OPEN_READONLY);
        d.exec("PRAGMA query_only = 1");
        if (text(d, "SELECT ? || (SELECT integrity_check FROM pragma_integrity_check)", QString()) != QLatin1String("ok"))
            return QStringLiteral("integrity check failed");
        if (number(d, "SELECT count(*) - count(DISTINCT 受注No) FROM 受注データ") != 0 ||
            number(d, "SELECT count(*) - count(DISTINCT 個別No) FROM 受注個別データ") != 0)
            return QStringLiteral("order or line numbers repeat");
        // Every order row equals its lines; every line's mark is its order's.
        const qint64 unequal = number(d, "SELECT count(*) FROM 受注データ o WHERE o.受注No > 0 AND o.販売金額 <> "
                                         "(SELECT COALESCE(SUM(l.個別販売価格 * l.個数), 0) FROM 受注個別データ l "
                                         "WHERE l.受注No = o.受注No)");
        if (unequal != 0)
            return QStringLiteral("%1 orders differ from their lines").arg(unequal);
        const qint64 mixed = number(d, "SELECT count(*) FROM 受注個別データ l JOIN 受注データ o USING (受注No) "
                                       "WHERE o.受注No > 0 AND l.キャンセル <> o.キャンセル");
        if (mixed != 0)
            return QStringLiteral("%1 lines with another mark than their order").arg(mixed);
        // Stock of the goods only sold: the start less every line in the file.
        const qint64 wrongStock = number(
            d, "SELECT count(*) FROM 商品マスタ g WHERE g.商品コード IN ('G1','G2','G3','G4','G5','G6','G7','G8','G9',"
               "'G10','G11','G12','G13','G14','G15','G16','G17','G18','G19','G20') AND g.在庫量 <> 100000 - "
               "(SELECT COALESCE(SUM(l.個数), 0) FROM 受注個別データ l WHERE l.商品コード = g.商品コード)");
        if (wrongStock != 0)
            return QStringLiteral("%1 goods whose stock is not the start less what was sold").arg(wrongStock);

        QMap<QString, std::vector<const Entry*>> seqs; // kind + key, in journal order
        for (const Entry& e : entries) {
            if (e.kind == 'O' && e.at < takenAt) {
                QMap<QString, qint64> want;
                for (const QString& part : e.value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                    want[part.section(QLatin1Char(':'), 0, 0)] += part.section(QLatin1Char(':'), 1, 1).toLongLong();
                SQLite::Statement st(d, "SELECT 商品コード, SUM(個数) FROM 受注個別データ WHERE 受注No = ? GROUP BY 1");
                st.bind(1, e.key.toInt());
                QMap<QString, qint64> got;
                while (st.executeStep())
                    got[QString::fromStdString(st.getColumn(0).getString())] = st.getColumn(1).getInt64();
                if (got != want)
                    return QStringLiteral("order %1 reported saved is not there as saved").arg(e.key);
            } else if (e.kind == 'F' && final) {
                SQLite::Statement st(d, "SELECT count(*) FROM 受注個別データ WHERE 受注No = ?");
                st.bind(1, e.key.toInt());
                if (st.executeStep() && st.getColumn(0).getInt64() != 0)
                    return QStringLiteral("order %1 reported refused has lines").arg(e.key);
            } else if (QByteArray("PCSMX").contains(e.kind)) {
                seqs[QChar(e.kind) + e.key].push_back(&e);
            }
        }
        for (auto it = seqs.cbegin(); it != seqs.cend(); ++it) {
            const QString key = it.key().mid(1);
            QString stored;
            switch (it.key().at(0).toLatin1()) {
            case 'P': stored = text(d, "SELECT CAST(CAST(COALESCE(入金日, 0) AS INTEGER) AS TEXT) FROM 受注データ WHERE 受注No = CAST(? AS INTEGER)", key); break;
            case 'C': stored = text(d, "SELECT キャンセル FROM 受注データ WHERE 受注No = CAST(? AS INTEGER)", key); break;
            case 'S': stored = text(d, "SELECT CAST(在庫量 AS TEXT) FROM 商品マスタ WHERE 商品コード = ?", key); break;
            case 'M': stored = text(d, "SELECT 商品名 FROM 商品マスタ WHERE 商品コード = ?", key); break;
            case 'X': stored = text(d, "SELECT 氏名 FROM 社員マスタ WHERE 社員コード = ?", key); break;
            }
            const QString broke = checkSequence(it.value(), stored, takenAt, final);
            if (!broke.isEmpty())
                return QStringLiteral("%1 %2: %3").arg(it.key().at(0)).arg(key, broke);
        }
    } catch (const std::exception& e) {
        return QStringLiteral("cannot read: ") + QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace multiuser
