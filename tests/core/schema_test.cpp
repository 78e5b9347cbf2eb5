#include "core/Schema.h"
#include "db/OleDate.h"
#include "db/Recordset.h"
#include "db/Transaction.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace core;
using db::ErrorKind;

namespace {

class SchemaTest : public ::testing::Test {
protected:
    void create(int goodsCodeLen = 10) {
        InitFieldLimits(s);
        s.gFieldLen[kLenGoodsCode] = goodsCodeLen;
        s.rebuildReservedCodes();
        s.gDbPath = dir.path("t.vrd");
        CreateNewDatabase(s);
        CreateCompanyTables(s, QDate(2024, 4, 1));
        database = std::make_unique<db::Database>(s.gDbPath);
    }
    ErrorKind refusal(const QString& sql, const db::Params& p) {
        try {
            database->execute(sql, p);
        } catch (const db::DbError& e) {
            return e.kind();
        }
        return ErrorKind::Other;
    }
    QVariant money(qint64 v) { return QVariant::fromValue(db::Currency::fromUnits(v)); }
    db::Params goods(int no, const QString& code, const QVariant& name = QStringLiteral("n")) {
        return {no, code, name, money(1), money(1), money(1), 10.0, 5, 1, QStringLiteral("A")};
    }

    testenv::TempFolder dir;
    AppState s;
    std::unique_ptr<db::Database> database;
    const QString insGoods = QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)");
};

} // namespace

TEST_F(SchemaTest, NewFileHasFiveTablesWithOneSeedRowEach) {
    create();
    for (const QString& t : {kGoodsTable, kClientTable, kEmployeeTable, kOrderTable, kOrderLineTable}) {
        EXPECT_TRUE(database->hasTable(t)) << t.toStdString();
        EXPECT_EQ(database->scalar("SELECT count(*) FROM " + db::Database::quoteIdent(t)).toInt(), 1);
    }
    db::Recordset order(*database, kOrderTable);
    EXPECT_EQ(order.getLong("受注No"), 0);
    EXPECT_EQ(order.getText("顧客コード"), QString(10, 'X'));
    EXPECT_EQ(order.getText("社員コード"), QString(10, 'X'));
    EXPECT_EQ(db::dateFromOle(order.getDouble("受注日付")), QDate(2024, 4, 1));
    EXPECT_TRUE(order.isNull("入金日")); // Null, not 0
    EXPECT_EQ(order.getText("キャンセル"), " ");
    EXPECT_EQ(order.getCurrency("販売金額"), db::Currency());

    db::Recordset goodsRs(*database, kGoodsTable);
    EXPECT_EQ(goodsRs.getText("商品名"), QString(50, 'X'));
    EXPECT_EQ(goodsRs.getText("商品カテゴリ"), QString(20, 'X'));
    db::Recordset client(*database, kClientTable);
    EXPECT_EQ(client.getText("〒"), QString(8, 'X'));
    EXPECT_EQ(client.getText("E-Mail"), QString(20, 'X'));
    db::Recordset emp(*database, kEmployeeTable);
    EXPECT_EQ(emp.getText("氏名"), QString(20, 'X'));
}

TEST_F(SchemaTest, SeedCodesFollowTheFieldSizes) {
    create(8);
    EXPECT_EQ(database->scalar("SELECT 商品コード FROM 商品マスタ").toString(), "XXXXXXXX");
    EXPECT_EQ(database->scalar("SELECT 商品コード FROM 受注個別データ").toString(), "XXXXXXXX");
    EXPECT_EQ(database->scalar("SELECT 受注No FROM 受注個別データ").toInt(), 0);
}

TEST_F(SchemaTest, EngineRulesForTexts) {
    create();
    // Every text field refuses "" and takes " "; a too-long text is refused.
    for (const auto& def : {goodsTableDef(s.gFieldLen), clientTableDef(s.gFieldLen), employeeTableDef(s.gFieldLen),
                            orderTableDef(s.gFieldLen), orderLineTableDef(s.gFieldLen)}) {
        for (const auto& f : def.fields) {
            if (f.type != db::FieldType::Text)
                continue;
            const QString sql = QStringLiteral("UPDATE %1 SET %2 = ?")
                                    .arg(db::Database::quoteIdent(def.name), db::Database::quoteIdent(f.name));
            const std::string what = (def.name + "." + f.name).toStdString();
            EXPECT_EQ(refusal(sql, {QString()}), ErrorKind::ZeroLength) << what;
            EXPECT_EQ(refusal(sql, {QString(f.size + 1, 'y')}), ErrorKind::TooLong) << what;
            EXPECT_NO_THROW(database->execute(sql, {QStringLiteral(" ")})) << what;
            EXPECT_NO_THROW(database->execute(sql, {QString(f.size, QChar(0x3042))})) << what; // characters, not bytes
            if (f.required)
                EXPECT_EQ(refusal(sql, {QVariant()}), ErrorKind::Required) << what;
            else
                EXPECT_NO_THROW(database->execute(sql, {QVariant()})) << what;
        }
    }
}

TEST_F(SchemaTest, NullOnlyWhereAllowed) {
    create();
    struct Case {
        const char* sql;
        bool allowed;
    } cases[] = {
        {"UPDATE 受注データ SET 入金日 = ?", true},      {"UPDATE 受注データ SET キャンセル = ?", true},
        {"UPDATE 顧客マスタ SET FAX = ?", true},         {"UPDATE 受注個別データ SET キャンセル = ?", true},
        {"UPDATE 受注データ SET 受注日付 = ?", false},   {"UPDATE 受注データ SET 送料 = ?", false},
        {"UPDATE 商品マスタ SET 消費税率 = ?", false},   {"UPDATE 受注個別データ SET 個数 = ?", false},
    };
    for (const auto& c : cases) {
        if (c.allowed)
            EXPECT_NO_THROW(database->execute(c.sql, {QVariant()})) << c.sql;
        else
            EXPECT_EQ(refusal(c.sql, {QVariant()}), ErrorKind::Required) << c.sql;
    }
    EXPECT_EQ(refusal("UPDATE 商品マスタ SET 在庫量 = ?", {qint64(1) << 31}), ErrorKind::OutOfRange);
}

TEST_F(SchemaTest, UniqueKeysAndCodes) {
    create();
    database->execute(insGoods, goods(1, "G1"));
    EXPECT_EQ(refusal(insGoods, goods(2, "G1")), ErrorKind::DuplicateKey);  // same code
    EXPECT_EQ(refusal(insGoods, goods(1, "G2")), ErrorKind::DuplicateKey);  // same number
    EXPECT_EQ(refusal(insGoods, goods(0, "G3")), ErrorKind::DuplicateKey);  // the seed's number
    database->execute(insGoods, goods(3, "G3", "n")); // names need not be unique
    database->execute(insGoods, goods(4, "G4", "n"));
    const QString insCli = "INSERT INTO 顧客マスタ VALUES (?,?,?,?,?,?,?,?)";
    database->execute(insCli, {1, "C1", "a", "1", "a", "1", QVariant(), QVariant()});
    EXPECT_EQ(refusal(insCli, {2, "C1", "b", "1", "a", "1", QVariant(), QVariant()}), ErrorKind::DuplicateKey);
    const QString insEmp = "INSERT INTO 社員マスタ VALUES (?,?,?)";
    database->execute(insEmp, {1, "E1", "a"});
    EXPECT_EQ(refusal(insEmp, {2, "E1", "a"}), ErrorKind::DuplicateKey);

    // Orders: any number per client, employee and day; lines any number per order and goods.
    const QString insOrder = "INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)";
    for (int no : {1, 2})
        database->execute(insOrder, {no, "C1", "E1", money(1), money(1), money(1), money(1), money(0), money(0),
                                     QDate(2024, 5, 1), 0.0, " "});
    EXPECT_EQ(refusal(insOrder, {1, "C1", "E1", money(1), money(1), money(1), money(1), money(0), money(0),
                                 QDate(2024, 5, 1), 0.0, " "}),
              ErrorKind::DuplicateKey);
    const QString insLine = "INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)";
    for (int no : {1, 2})
        database->execute(insLine, {no, 1, "G1", 1, money(1), money(1), money(1), money(1), money(0), " "});
    EXPECT_EQ(database->scalar("SELECT count(*) FROM 受注個別データ WHERE 受注No = 1").toInt(), 2);
}

TEST_F(SchemaTest, FailedTransactionLeavesNothing) {
    create();
    {
        db::Transaction tx(*database);
        database->execute(insGoods, goods(1, "G1"));
        database->execute(insGoods, goods(2, "G2"));
        EXPECT_THROW(database->execute(insGoods, goods(3, "G1")), db::DbError);
        // no commit: the guard rolls everything back
    }
    EXPECT_EQ(database->scalar("SELECT count(*) FROM 商品マスタ").toInt(), 1);
    EXPECT_FALSE(database->inTransaction());
    db::Transaction tx(*database);
    database->execute(insGoods, goods(5, "G5"));
    tx.commit();
    EXPECT_EQ(database->scalar("SELECT count(*) FROM 商品マスタ").toInt(), 2);
}
