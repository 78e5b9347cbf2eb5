// The record buffers of the reports: one plain record per row type, filled by the code that builds a
// report (list window, print command, preview) before each data-line render.
#pragma once

#include "db/Currency.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>

namespace db {
class Query;
class Recordset;
} // namespace db

namespace reports {

using db::Currency;

struct GoodsRec {
    std::int32_t 商品No = 0;
    QString 商品コード;
    QString 商品名;
    Currency 個別定価;
    Currency 個別仕切値;
    Currency 個別原価;
    float 消費税率 = 0;
    std::int32_t 在庫量 = 0;
    std::int32_t 在庫発注点 = 0;
    QString 商品カテゴリ;
};

struct ClientRec {
    std::int32_t 顧客No = 0;
    QString 顧客コード;
    QString 顧客名;
    QString 郵便番号; // the field 〒
    QString 住所;
    QString TEL;
    QString FAX;
    QString EMail; // the field E-Mail
};

struct EmployeeRec {
    std::int32_t 社員No = 0;
    QString 社員コード;
    QString 氏名;
};

// 原価 is declared after 送料 here, but printed after 仕切値 as in the table.
struct OrderRec {
    std::int32_t 受注No = 0;
    QString 顧客コード;
    QString 社員コード;
    Currency 定価金額;
    Currency 仕切値;
    Currency 販売金額;
    Currency 消費税額;
    Currency 送料;
    Currency 原価;
    double 受注日付 = 0;
    double 入金日 = 0; // 0 = unpaid
    QString キャンセル = QStringLiteral(" "); // "X" = cancelled
};

struct OrderLineRec {
    std::int32_t 個別No = 0;
    std::int32_t 受注No = 0;
    QString 商品コード;
    std::int32_t 個数 = 0;
    Currency 個別定価;
    Currency 個別仕切値;
    Currency 個別原価;
    Currency 個別販売価格;
    Currency 個別消費税;
    QString キャンセル = QStringLiteral(" ");
};

struct InvoiceHeadRec {
    std::int32_t 受注No = 0;
    QString 顧客コード;
    QString 顧客名; // from 顧客マスタ, or "顧客コード=" and the code
    QString 社員コード;
    Currency 定価金額;
    Currency 仕切値;
    Currency 販売金額;
    Currency 消費税額;
    Currency 送料;
    Currency 原価;
    double 受注日付 = 0;
    double 入金日 = 0;
    QString キャンセル = QStringLiteral(" ");
};

struct InvoiceLineRec {
    std::int32_t 個別No = 0;
    std::int32_t 受注No = 0;
    QString 商品コード;
    QString 商品名; // from 商品マスタ, or "商品コード=" and the code
    std::int32_t 個数 = 0;
    Currency 個別定価;
    Currency 個別仕切値;
    Currency 個別原価;
    Currency 個別販売価格;
    Currency 個別消費税;
    QString キャンセル = QStringLiteral(" ");
};

// Reads one stored field by its table field name; Null is an invalid QVariant.
using FieldGetter = std::function<QVariant(const QString& field)>;
FieldGetter fieldsOf(const db::Recordset& rs);
FieldGetter fieldsOf(const db::Query& q); // columns by name, as the query selected them

// Fill a record from one row, converting each stored value to the field's type. Null reads as 0 or "",
// except that a Null キャンセル reads as " " (not cancelled) and a Null or empty FAX or E-Mail as " ".
GoodsRec goodsRecFrom(const FieldGetter& get);
ClientRec clientRecFrom(const FieldGetter& get);
EmployeeRec employeeRecFrom(const FieldGetter& get);
OrderRec orderRecFrom(const FieldGetter& get);
OrderLineRec orderLineRecFrom(const FieldGetter& get);
// 顧客名 / 商品名 are looked up by the caller and passed in.
InvoiceHeadRec invoiceHeadRecFrom(const FieldGetter& get, const QString& clientName);
InvoiceLineRec invoiceLineRecFrom(const FieldGetter& get, const QString& goodsName);

} // namespace reports
