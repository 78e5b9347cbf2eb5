// Company databases for the replica tests: masters, orders and a control file, plus ways to compare them.
#pragma once

#include "core/AppState.h"
#include "core/ControlFile.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/Transaction.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include "support/TestEnv.h"

namespace fixture {

inline QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

// A database at path with its control file, a few masters and `orders` orders of three lines each.
inline void makeCompanyDb(const QString& path, int orders,
                          const std::array<std::int32_t, core::kFieldLenCount>& len = core::kDefaultFieldLen) {
    core::AppState s;
    core::InitFieldLimits(s);
    s.gFieldLen = len;
    s.rebuildReservedCodes();
    s.gDbPath = path;
    s.gCompany.CompanyName = QStringLiteral("山田商事");
    s.gCompany.TaxRate = 10.0f;
    core::CreateNewDatabase(s);
    core::CreateGoodsTable(s);
    core::CreateClientTable(s);
    core::CreateEmployeeTable(s);
    core::CreateOrderTable(s, QDate(2024, 4, 1));
    core::CreateOrderLineTable(s);
    core::WriteCtlFile(s);

    db::Database d(path);
    db::Transaction tx(d);
    for (int i = 1; i <= 5; ++i) {
        d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                  {i, QStringLiteral("G%1").arg(i), QStringLiteral("ボールペン%1").arg(i), money(100 * i), money(80 * i),
                   money(60 * i), 10.0, 50, 20, QStringLiteral("文具")});
        d.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?,?,?,?,?,?,?,?)"),
                  {i, QStringLiteral("C%1").arg(i), QStringLiteral("佐藤商店%1").arg(i), QStringLiteral("100-0001"),
                   QStringLiteral("東京都千代田区"), QStringLiteral("03-1234-5678"), QVariant(), QVariant()});
        d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?,?,?)"),
                  {i, QStringLiteral("E%1").arg(i), QStringLiteral("鈴木一郎%1").arg(i)});
    }
    for (int o = 1; o <= orders; ++o) {
        d.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                  {o, QStringLiteral("C1"), QStringLiteral("E1"), money(300), money(240), money(180), money(300),
                   money(30), money(500), QDate(2024, 5, 1), 0.0, QStringLiteral(" ")});
        for (int l = 0; l < 3; ++l)
            d.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                      {o * 3 + l, o, QStringLiteral("G1"), 1, money(100), money(80), money(60), money(100), money(10),
                       QStringLiteral(" ")});
    }
    tx.commit();
}

// Every row of a table, each value with its stored type, in storage order: equal dumps are equal data.
inline QStringList dumpTable(const QString& path, const QString& table) {
    db::Database d(path);
    QStringList rows;
    db::Query q = d.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(db::Database::quoteIdent(table)));
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.columnCount(); ++i) {
            const QVariant v = q.value(i);
            cells << (v.isValid() ? QString::fromLatin1(v.typeName()) + QLatin1Char(':') + v.toString() : QStringLiteral("NULL"));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The masters and the schema: what a reset must never change.
inline QStringList dumpKept(const QString& path) {
    QStringList out;
    for (const QString& t : {core::kGoodsTable, core::kClientTable, core::kEmployeeTable})
        out << t << dumpTable(path, t);
    db::Database d(path);
    db::Query q = d.query(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name"));
    while (q.next())
        out << q.toText(0) + QLatin1Char(' ') + q.toText(1) + QLatin1Char(' ') + q.toText(2);
    return out;
}

inline qint64 rowCount(const QString& path, const QString& table) {
    db::Database d(path);
    return d.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(db::Database::quoteIdent(table))).toLongLong();
}

inline QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones included (temporary files start with a dot).
inline QStringList entries(const QString& folder) {
    QStringList l = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                           QDir::Name);
    return l;
}

} // namespace fixture
