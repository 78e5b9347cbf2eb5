// A fresh company database in a temporary folder with a few clients, employees, goods and orders,
// for the payment, cancellation and stock tests.
#pragma once

#include "core/AppState.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "support/TestEnv.h"

#include <QDate>
#include <QVariant>

namespace paytest {

inline QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

class TestDb {
public:
    TestDb() {
        core::InitFieldLimits(state);
        state.gDbPath = folder.path(QStringLiteral("test.vrd"));
        core::CreateNewDatabase(state);
        core::CreateCompanyTables(state, QDate(2024, 4, 1));
        db = std::make_unique<db::Database>(state.gDbPath);
        db->execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (1,'C1','山田商店','100-0001','東京','03',NULL,NULL)"));
        db->execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (1,'E1','佐藤太郎')"));
    }

    // paid: QVariant() for Null, else an OLE date or 0.0; mark: QVariant() for Null.
    void addOrder(int no, qint64 sales, qint64 shipping, const QVariant& paid = 0.0,
                  const QVariant& mark = QStringLiteral(" "), const QString& client = QStringLiteral("C1"),
                  const QString& employee = QStringLiteral("E1")) {
        db->execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                    {no, client, employee, money(sales), money(0), money(0), money(sales), money(sales / 10),
                     money(shipping), QDate(2024, 5, no % 28 + 1), paid, mark});
    }

    void addLine(int lineNo, int orderNo, const QString& mark = QStringLiteral(" "),
                 const QString& goods = QStringLiteral("G1")) {
        db->execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {lineNo, orderNo, goods, 1, money(100), money(80), money(60), money(100), money(10), mark});
    }

    void addGoods(int no, const QString& code, int stock, int reorder, const QString& category,
                  qint64 price = 1000) {
        db->execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {no, code, QStringLiteral("商品") + code, money(price), money(price * 8 / 10),
                     money(price * 6 / 10), 10.0, stock, reorder, category});
    }

    QVariant orderField(int no, const QString& field) {
        return db->scalar(QStringLiteral("SELECT ") + db::Database::quoteIdent(field) +
                              QStringLiteral(" FROM 受注データ WHERE 受注No = ?"),
                          {no});
    }
    QStringList lineMarks(int orderNo) {
        QStringList marks;
        db::Query q = db->query(QStringLiteral("SELECT キャンセル FROM 受注個別データ WHERE 受注No = ? ORDER BY 個別No"),
                                {orderNo});
        while (q.next())
            marks << q.toText(0);
        return marks;
    }
    int stockOf(const QString& code) {
        return db->scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = ?"), {code}).toInt();
    }

    testenv::TempFolder folder;
    core::AppState state;
    std::unique_ptr<db::Database> db;
};

} // namespace paytest
