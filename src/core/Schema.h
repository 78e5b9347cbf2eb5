// The five tables of a company database, their indexes and the reserved seed row each one holds.
#pragma once

#include "core/AppState.h"
#include "db/Database.h"
#include "db/SchemaCheck.h"
#include "db/TableDef.h"

#include <QDate>
#include <vector>

struct sqlite3;

namespace core {

inline const QString kGoodsTable = QStringLiteral("商品マスタ");
inline const QString kClientTable = QStringLiteral("顧客マスタ");
inline const QString kEmployeeTable = QStringLiteral("社員マスタ");
inline const QString kOrderTable = QStringLiteral("受注データ");
inline const QString kOrderLineTable = QStringLiteral("受注個別データ");
// The keys the order and stock writes find their rows by.
inline const QString kOrderNoField = QStringLiteral("受注No");
inline const QString kGoodsCodeField = QStringLiteral("商品コード");
// The row an order entry window holds under its number while it is open (amounts 0, no lines, the reserved
// client code) is no order: every list, report, chooser and preview leaves it out with this condition on the
// order table, read as "o". One whose removal failed (the file was busy) stays out the same way until it
// goes. An order is never of the reserved client: 契約 refuses it. The reserved code is "X" to the code
// field's declared size, as gReservedCode holds it (the file's sizes are checked against the control file's
// at opening); never the first client row, which 顧客マスタメンテナンス may delete.
inline const QString kNotPendingOrder = QStringLiteral(
    "(o.販売金額 IS NOT 0 OR o.送料 IS NOT 0 OR "
    "o.顧客コード IS NOT (SELECT replace(hex(zeroblob(CAST(substr(type, 6) AS INTEGER))), '00', 'X') "
    "FROM pragma_table_info('受注データ') WHERE name = '顧客コード') OR "
    "EXISTS (SELECT 1 FROM 受注個別データ AS pl WHERE pl.受注No = o.受注No))");

// Table definitions for the given field sizes, in creation order: goods, clients, employees, orders, lines.
db::TableDef goodsTableDef(const std::array<std::int32_t, kFieldLenCount>& len);
db::TableDef clientTableDef(const std::array<std::int32_t, kFieldLenCount>& len);
db::TableDef employeeTableDef(const std::array<std::int32_t, kFieldLenCount>& len);
db::TableDef orderTableDef(const std::array<std::int32_t, kFieldLenCount>& len);
db::TableDef orderLineTableDef(const std::array<std::int32_t, kFieldLenCount>& len);

// The five of them, in creation order.
std::vector<db::TableDef> companyTableDefs(const std::array<std::int32_t, kFieldLenCount>& len);

// Why the schema of the connection's file is not the one ＤＢ作成 makes for these sizes, as a sentence naming
// the first object that differs (a trigger, a view, an index, a table defined otherwise, one missing); ""
// when it is exactly ours. Throws DbError when the schema cannot be read.
QString foreignSchemaText(sqlite3* db, const std::array<std::int32_t, kFieldLenCount>& len);
// The same as the test every connection to an open file runs (db::expectSchema); what ＤＢ作成 makes is
// built once for the sizes in use. The test throws DbError when that cannot be built.
db::SchemaTest companySchemaTest(const std::array<std::int32_t, kFieldLenCount>& len);

// The seed rows (record number 0, reserved codes). The order seed row is dated `created`; its payment
// date is `paid` (Null as the main program writes it, the zero date after an order reset).
void insertGoodsSeed(db::Database& db, const AppState& s);
void insertClientSeed(db::Database& db, const AppState& s);
void insertEmployeeSeed(db::Database& db, const AppState& s);
void insertOrderSeed(db::Database& db, const AppState& s, const QDate& created, const QVariant& paid = QVariant());
void insertOrderLineSeed(db::Database& db, const AppState& s);

// Creates the empty database file at gDbPath; throws DbError (Io when it exists or cannot be made).
void CreateNewDatabase(const AppState& s);

// Each creates one table with its fields, indexes and seed row in the database at gDbPath.
// Errors are thrown as DbError to the caller.
void CreateGoodsTable(const AppState& s);
void CreateClientTable(const AppState& s);
void CreateEmployeeTable(const AppState& s);
void CreateOrderTable(const AppState& s, const QDate& created = QDate::currentDate());
void CreateOrderLineTable(const AppState& s);

// The five tables in their creation order (goods, clients, employees, orders, order lines).
void CreateCompanyTables(const AppState& s, const QDate& created = QDate::currentDate());

} // namespace core
