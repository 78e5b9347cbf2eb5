// Filling the record buffers from stored rows: types, and the Null values the schema allows.
#include "core/Schema.h"
#include "db/Database.h"
#include "db/Recordset.h"
#include "print/TextTarget.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/Records.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace reports;

namespace {

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::InitFieldLimits(s);
        s.gDbPath = dir.path(QStringLiteral("t.vrd"));
        core::CreateNewDatabase(s);
        core::CreateOrderTable(s, QDate(2009, 1, 1));
        core::CreateOrderLineTable(s);
        core::CreateClientTable(s);
        db::Database db(s.gDbPath);
        db.execute(QStringLiteral("INSERT INTO 受注データ VALUES (5, 'C1', 'E1', 120000000, 90000000, 70000000, "
                                  "100000000, 5000000, 8000000, 39913, NULL, NULL)"));
        db.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (9, 5, 'G1', 3, 20000000, 18000000, "
                                  "12000000, 15000000, 750000, NULL)"));
        db.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (4, 'C1', '顧客', '100', '東京', '03', NULL, NULL)"));
    }
    testenv::TempFolder dir;
    core::AppState s;
};

TEST_F(RecordsTest, NullPaymentAndCancelReadAsUnpaidAndNotCancelled) {
    db::Database db(s.gDbPath);
    db::Query q = db.query(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No = ?"), {5});
    ASSERT_TRUE(q.next());
    const OrderRec o = orderRecFrom(fieldsOf(q));
    EXPECT_EQ(o.受注No, 5);
    EXPECT_EQ(o.原価, db::Currency::fromUnits(7000));
    EXPECT_EQ(o.販売金額, db::Currency::fromUnits(10000));
    EXPECT_EQ(o.受注日付, 39913);
    EXPECT_EQ(o.入金日, 0);
    EXPECT_EQ(o.キャンセル, QStringLiteral(" "));

    // And it prints as such: blanks for the payment date, ideographic spaces for the mark.
    ReportState rs(s);
    s.gFrmtText[kRecG] = DefaultLayoutText(kRecG);
    s.gFrmtCount[kRecG] = 32;
    FrmtLoadTokens(rs, kRecG);
    rs.gRecRecG = o;
    print::TextTarget t;
    RenderDataRecG(rs, t, QString(), false);
    EXPECT_TRUE(t.text().endsWith(QStringLiteral("2009/04/10") + QString(13, QLatin1Char(' ')) +
                                  QStringLiteral("　　　　　")));

    db::Recordset lines(db, QStringLiteral("受注個別データ"), QStringLiteral("受注No = ?"), {5});
    lines.moveFirst();
    const OrderLineRec l = orderLineRecFrom(fieldsOf(lines));
    EXPECT_EQ(l.個別No, 9);
    EXPECT_EQ(l.個数, 3);
    EXPECT_EQ(l.個別消費税, db::Currency::fromUnits(75));
    EXPECT_EQ(l.キャンセル, QStringLiteral(" "));
}

TEST_F(RecordsTest, EmptyOrNullFaxAndMailAreOneBlank) {
    db::Database db(s.gDbPath);
    db::Recordset rs(db, QStringLiteral("顧客マスタ"), QStringLiteral("顧客No = ?"), {4});
    rs.moveFirst();
    const ClientRec c = clientRecFrom(fieldsOf(rs));
    EXPECT_EQ(c.顧客名, QStringLiteral("顧客"));
    EXPECT_EQ(c.FAX, QStringLiteral(" "));
    EXPECT_EQ(c.EMail, QStringLiteral(" "));

    const ClientRec e = clientRecFrom([](const QString& field) {
        return field == QLatin1String("顧客No") ? QVariant(1) : QVariant(QString());
    });
    EXPECT_EQ(e.FAX, QStringLiteral(" "));
    EXPECT_EQ(e.EMail, QStringLiteral(" "));
    EXPECT_EQ(e.TEL, QString());
}

} // namespace
