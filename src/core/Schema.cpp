#include "core/Schema.h"

#include "db/SchemaCheck.h"
#include "db/Transaction.h"

#include <QHash>
#include <functional>
#include <memory>

namespace core {

using db::FieldType;
using Len = std::array<std::int32_t, kFieldLenCount>;

namespace {

constexpr int kCancelLen = 1;
constexpr int kCategoryLen = 20;

db::FieldDef longF(const char* n, bool req = true) { return {QString::fromUtf8(n), FieldType::Long, 0, req}; }
db::FieldDef money(const char* n) { return {QString::fromUtf8(n), FieldType::Currency, 0, true}; }
db::FieldDef textF(const char* n, int size, bool req = true) { return {QString::fromUtf8(n), FieldType::Text, size, req}; }

db::IndexDef primary(const char* field) { return {QStringLiteral("主キー"), QString::fromUtf8(field), true, true, true}; }
db::IndexDef unique(const char* field) { return {QString::fromUtf8(field), QString::fromUtf8(field), false, true, true}; }
db::IndexDef plain(const char* field) { return {QString::fromUtf8(field), QString::fromUtf8(field), false, false, true}; }

void insertRow(db::Database& db, const db::TableDef& def, const db::Params& values) {
    QStringList cols, marks;
    for (const auto& f : def.fields) {
        cols << db::Database::quoteIdent(f.name);
        marks << QStringLiteral("?");
    }
    db.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                   .arg(db::Database::quoteIdent(def.name), cols.join(QStringLiteral(", ")),
                        marks.join(QStringLiteral(", "))),
               values);
}

QVariant zeroMoney() { return QVariant::fromValue(db::Currency()); }

// Create the table, then its seed row, in one transaction so a failure leaves no half-made table.
void createWithSeed(const AppState& s, const db::TableDef& def,
                    const std::function<void(db::Database&)>& seed) {
    db::Database db(s.gDbPath);
    db::Transaction tx(db);
    db.createTable(def);
    seed(db);
    tx.commit();
}

} // namespace

db::TableDef goodsTableDef(const Len& len) {
    return {kGoodsTable,
            {longF("商品No"), textF("商品コード", len[kLenGoodsCode]), textF("商品名", len[kLenGoodsName]),
             money("個別定価"), money("個別仕切値"), money("個別原価"),
             {QStringLiteral("消費税率"), FieldType::Single, 0, true}, longF("在庫量"), longF("在庫発注点"),
             textF("商品カテゴリ", kCategoryLen)},
            {primary("商品No"), unique("商品コード"), plain("商品名"), plain("商品カテゴリ")}};
}

db::TableDef clientTableDef(const Len& len) {
    return {kClientTable,
            {longF("顧客No"), textF("顧客コード", len[kLenClientCode]), textF("顧客名", len[kLenClientName]),
             textF("〒", len[kLenZip]), textF("住所", len[kLenAddress]), textF("TEL", len[kLenTel]),
             textF("FAX", len[kLenFax], false), textF("E-Mail", len[kLenMail], false)},
            {primary("顧客No"), unique("顧客コード"), plain("顧客名"), plain("〒"), plain("TEL")}};
}

db::TableDef employeeTableDef(const Len& len) {
    return {kEmployeeTable,
            {longF("社員No"), textF("社員コード", len[kLenEmployeeCode]), textF("氏名", len[kLenEmployeeName])},
            {primary("社員No"), unique("社員コード"), plain("氏名")}};
}

db::TableDef orderTableDef(const Len& len) {
    return {kOrderTable,
            {longF("受注No"), textF("顧客コード", len[kLenClientCode]), textF("社員コード", len[kLenEmployeeCode]),
             money("定価金額"), money("仕切値"), money("原価"), money("販売金額"), money("消費税額"), money("送料"),
             {QStringLiteral("受注日付"), FieldType::Date, 0, true}, {QStringLiteral("入金日"), FieldType::Date, 0, false},
             textF("キャンセル", kCancelLen, false)},
            {primary("受注No"), plain("顧客コード"), plain("社員コード"), plain("受注日付")}};
}

db::TableDef orderLineTableDef(const Len& len) {
    return {kOrderLineTable,
            {longF("個別No"), longF("受注No"), textF("商品コード", len[kLenGoodsCode]), longF("個数"), money("個別定価"),
             money("個別仕切値"), money("個別原価"), money("個別販売価格"), money("個別消費税"),
             textF("キャンセル", kCancelLen, false)},
            {primary("個別No"), plain("受注No"), plain("商品コード")}};
}

std::vector<db::TableDef> companyTableDefs(const Len& len) {
    return {goodsTableDef(len), clientTableDef(len), employeeTableDef(len), orderTableDef(len), orderLineTableDef(len)};
}

namespace {

// Whichever of the statistics tables the engine's build makes.
const QString kDropStatistics =
    QStringLiteral("DROP TABLE IF EXISTS sqlite_stat1; DROP TABLE IF EXISTS sqlite_stat4;");

QString differenceText(const db::SchemaDifference& diff) {
    static const QHash<QString, QString> kinds{{QStringLiteral("table"), QStringLiteral("テーブル")},
                                               {QStringLiteral("index"), QStringLiteral("インデックス")},
                                               {QStringLiteral("view"), QStringLiteral("ビュー")},
                                               {QStringLiteral("trigger"), QStringLiteral("トリガー")}};
    const QString what = kinds.value(diff.type, diff.type);
    switch (diff.kind) {
    case db::SchemaDifference::Kind::None: return {};
    case db::SchemaDifference::Kind::Foreign:
        // The engine's statistics (the sqlite3 tool's ANALYZE) would steer every list's plan; they go with
        // the same tool, and nothing of ours depends on them.
        if (diff.name.startsWith(QLatin1String("sqlite_stat")))
            return QStringLiteral(
                       "Varnoxが作らない%1「%2」があります（sqlite3ツールのANALYZEで作られる統計です）。\n"
                       "sqlite3ツールでこのファイルに「%3」を実行すると、元どおり開けます。")
                .arg(what, diff.name, kDropStatistics);
        return QStringLiteral("Varnoxが作らない%1「%2」があります。").arg(what, diff.name);
    case db::SchemaDifference::Kind::Changed:
        return QStringLiteral("%1「%2」の定義がVarnoxの作るものと違います。").arg(what, diff.name);
    case db::SchemaDifference::Kind::Missing: return QStringLiteral("%1「%2」がありません。").arg(what, diff.name);
    case db::SchemaDifference::Kind::Encoding:
        return QStringLiteral("ＤＢの文字コードが%1です。VarnoxはUTF-8のＤＢだけを扱います。").arg(diff.name);
    }
    return {};
}

} // namespace

QString foreignSchemaText(sqlite3* db, const Len& len) {
    return companySchemaTest(len)(db);
}

db::SchemaTest companySchemaTest(const Len& len) {
    return [defs = companyTableDefs(len)](sqlite3* d) {
        return differenceText(db::schemaDifference(d, *db::ExpectedSchema::of(defs)));
    };
}

void insertGoodsSeed(db::Database& db, const AppState& s) {
    const auto& r = s.gReservedCode;
    insertRow(db, goodsTableDef(s.gFieldLen),
              {0, r[kLenGoodsCode], r[kLenGoodsName], zeroMoney(), zeroMoney(), zeroMoney(), 0.0, 0, 0,
               QString(kCategoryLen, QLatin1Char('X'))});
}

void insertClientSeed(db::Database& db, const AppState& s) {
    const auto& r = s.gReservedCode;
    insertRow(db, clientTableDef(s.gFieldLen),
              {0, r[kLenClientCode], r[kLenClientName], r[kLenZip], r[kLenAddress], r[kLenTel], r[kLenFax], r[kLenMail]});
}

void insertEmployeeSeed(db::Database& db, const AppState& s) {
    const auto& r = s.gReservedCode;
    insertRow(db, employeeTableDef(s.gFieldLen), {0, r[kLenEmployeeCode], r[kLenEmployeeName]});
}

void insertOrderSeed(db::Database& db, const AppState& s, const QDate& created, const QVariant& paid) {
    const auto& r = s.gReservedCode;
    insertRow(db, orderTableDef(s.gFieldLen),
              {0, r[kLenClientCode], r[kLenEmployeeCode], zeroMoney(), zeroMoney(), zeroMoney(), zeroMoney(),
               zeroMoney(), zeroMoney(), created, paid, QStringLiteral(" ")});
}

void insertOrderLineSeed(db::Database& db, const AppState& s) {
    insertRow(db, orderLineTableDef(s.gFieldLen),
              {0, 0, s.gReservedCode[kLenGoodsCode], 0, zeroMoney(), zeroMoney(), zeroMoney(), zeroMoney(),
               zeroMoney(), QStringLiteral(" ")});
}

void CreateNewDatabase(const AppState& s) { db::Database::create(s.gDbPath)->close(); }

void CreateGoodsTable(const AppState& s) {
    createWithSeed(s, goodsTableDef(s.gFieldLen), [&](db::Database& db) { insertGoodsSeed(db, s); });
}
void CreateClientTable(const AppState& s) {
    createWithSeed(s, clientTableDef(s.gFieldLen), [&](db::Database& db) { insertClientSeed(db, s); });
}
void CreateEmployeeTable(const AppState& s) {
    createWithSeed(s, employeeTableDef(s.gFieldLen), [&](db::Database& db) { insertEmployeeSeed(db, s); });
}
void CreateOrderTable(const AppState& s, const QDate& created) {
    createWithSeed(s, orderTableDef(s.gFieldLen), [&](db::Database& db) { insertOrderSeed(db, s, created); });
}
void CreateOrderLineTable(const AppState& s) {
    createWithSeed(s, orderLineTableDef(s.gFieldLen), [&](db::Database& db) { insertOrderLineSeed(db, s); });
}

void CreateCompanyTables(const AppState& s, const QDate& created) {
    CreateGoodsTable(s);
    CreateClientTable(s);
    CreateEmployeeTable(s);
    CreateOrderTable(s, created);
    CreateOrderLineTable(s);
}

} // namespace core
