// A fresh company database with the built-in layouts loaded, and helpers to fill its tables.
#pragma once

#include "core/AppState.h"
#include "core/Schema.h"
#include "db/Currency.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "support/TestEnv.h"

#include <QDate>
#include <QFile>

namespace viewerstest {

inline void makeDb(core::AppState& s, const QString& path) {
    core::InitFieldLimits(s);
    s.gDbPath = path;
    core::CreateNewDatabase(s);
    core::CreateGoodsTable(s);
    core::CreateClientTable(s);
    core::CreateEmployeeTable(s);
    core::CreateOrderTable(s, QDate(2024, 4, 1));
    core::CreateOrderLineTable(s);
    for (int kind = 1; kind <= 14; ++kind) {
        s.gFrmtText[size_t(kind)] = reports::DefaultLayoutText(kind);
        reports::FrmtValidate(s.gFrmtText[size_t(kind)], s.gFrmtCount[size_t(kind)]);
    }
}

inline double ole(int y, int m, int d) { return db::toOleDate(QDate(y, m, d)); }
inline QVariant yen(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

class Filler {
public:
    explicit Filler(const QString& path) : db_(path) {}
    void goods(int no, const QString& code, const QString& name, int stock, int reorder, double rate = 10) {
        db_.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {no, code, name, yen(1200), yen(1000), yen(800), db::toSingle(rate), stock, reorder,
                     QStringLiteral("文具")});
    }
    void client(int no, const QString& code, const QString& name, const QVariant& fax = {}, const QVariant& mail = {}) {
        db_.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?,?,?,?,?,?,?,?)"),
                    {no, code, name, QStringLiteral("100-0001"), QStringLiteral("東京都"), QStringLiteral("03-1111"),
                     fax, mail});
    }
    void employee(int no, const QString& code, const QString& name) {
        db_.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?,?,?)"), {no, code, name});
    }
    void order(int no, const QString& client, const QString& emp, double date, double paid = 0,
               const QString& cancel = QStringLiteral(" "), qint64 sale = 10000) {
        db_.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                    {no, client, emp, yen(12000), yen(9000), yen(7000), yen(sale), yen(sale / 10), yen(800), date,
                     paid, cancel});
    }
    void line(int no, int order, const QString& goods, int qty, const QString& cancel = QStringLiteral(" ")) {
        db_.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {no, order, goods, qty, yen(2000), yen(1800), yen(1200), yen(1500), yen(150), cancel});
    }
    db::Database& db() { return db_; }

private:
    db::Database db_;
};

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace viewerstest
