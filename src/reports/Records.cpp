#include "reports/Records.h"

#include "db/Database.h"
#include "db/Recordset.h"

#include <QHash>

namespace reports {

namespace {

std::int32_t toLong(const QVariant& v) { return v.isValid() ? std::int32_t(v.toLongLong()) : 0; }

// A recordset hands out Currency values, a query the stored ten-thousandths.
Currency toCurrency(const QVariant& v) {
    if (!v.isValid())
        return {};
    if (v.metaType() == QMetaType::fromType<Currency>())
        return v.value<Currency>();
    return Currency::fromRaw(v.toLongLong());
}

double toDouble(const QVariant& v) { return v.isValid() ? v.toDouble() : 0.0; }
QString toText(const QVariant& v) { return v.isValid() ? v.toString() : QString(); }

QString cancelMark(const QVariant& v) { return v.isValid() ? v.toString() : QStringLiteral(" "); }

QString blankIfEmpty(const QVariant& v) {
    const QString s = toText(v);
    return s.isEmpty() ? QStringLiteral(" ") : s;
}

} // namespace

FieldGetter fieldsOf(const db::Recordset& rs) {
    return [&rs](const QString& field) { return rs.value(field); };
}

FieldGetter fieldsOf(const db::Query& q) {
    QHash<QString, int> columns;
    for (int i = 0; i < q.columnCount(); ++i)
        columns.insert(q.columnName(i), i);
    return [&q, columns](const QString& field) {
        const int i = columns.value(field, -1);
        return i < 0 ? QVariant() : q.value(i);
    };
}

GoodsRec goodsRecFrom(const FieldGetter& get) {
    GoodsRec r;
    r.商品No = toLong(get(QStringLiteral("商品No")));
    r.商品コード = toText(get(QStringLiteral("商品コード")));
    r.商品名 = toText(get(QStringLiteral("商品名")));
    r.個別定価 = toCurrency(get(QStringLiteral("個別定価")));
    r.個別仕切値 = toCurrency(get(QStringLiteral("個別仕切値")));
    r.個別原価 = toCurrency(get(QStringLiteral("個別原価")));
    r.消費税率 = float(toDouble(get(QStringLiteral("消費税率"))));
    r.在庫量 = toLong(get(QStringLiteral("在庫量")));
    r.在庫発注点 = toLong(get(QStringLiteral("在庫発注点")));
    r.商品カテゴリ = toText(get(QStringLiteral("商品カテゴリ")));
    return r;
}

ClientRec clientRecFrom(const FieldGetter& get) {
    ClientRec r;
    r.顧客No = toLong(get(QStringLiteral("顧客No")));
    r.顧客コード = toText(get(QStringLiteral("顧客コード")));
    r.顧客名 = toText(get(QStringLiteral("顧客名")));
    r.郵便番号 = toText(get(QStringLiteral("〒")));
    r.住所 = toText(get(QStringLiteral("住所")));
    r.TEL = toText(get(QStringLiteral("TEL")));
    r.FAX = blankIfEmpty(get(QStringLiteral("FAX")));
    r.EMail = blankIfEmpty(get(QStringLiteral("E-Mail")));
    return r;
}

EmployeeRec employeeRecFrom(const FieldGetter& get) {
    EmployeeRec r;
    r.社員No = toLong(get(QStringLiteral("社員No")));
    r.社員コード = toText(get(QStringLiteral("社員コード")));
    r.氏名 = toText(get(QStringLiteral("氏名")));
    return r;
}

OrderRec orderRecFrom(const FieldGetter& get) {
    OrderRec r;
    r.受注No = toLong(get(QStringLiteral("受注No")));
    r.顧客コード = toText(get(QStringLiteral("顧客コード")));
    r.社員コード = toText(get(QStringLiteral("社員コード")));
    r.定価金額 = toCurrency(get(QStringLiteral("定価金額")));
    r.仕切値 = toCurrency(get(QStringLiteral("仕切値")));
    r.販売金額 = toCurrency(get(QStringLiteral("販売金額")));
    r.消費税額 = toCurrency(get(QStringLiteral("消費税額")));
    r.送料 = toCurrency(get(QStringLiteral("送料")));
    r.原価 = toCurrency(get(QStringLiteral("原価")));
    r.受注日付 = toDouble(get(QStringLiteral("受注日付")));
    r.入金日 = toDouble(get(QStringLiteral("入金日")));
    r.キャンセル = cancelMark(get(QStringLiteral("キャンセル")));
    return r;
}

OrderLineRec orderLineRecFrom(const FieldGetter& get) {
    OrderLineRec r;
    r.個別No = toLong(get(QStringLiteral("個別No")));
    r.受注No = toLong(get(QStringLiteral("受注No")));
    r.商品コード = toText(get(QStringLiteral("商品コード")));
    r.個数 = toLong(get(QStringLiteral("個数")));
    r.個別定価 = toCurrency(get(QStringLiteral("個別定価")));
    r.個別仕切値 = toCurrency(get(QStringLiteral("個別仕切値")));
    r.個別原価 = toCurrency(get(QStringLiteral("個別原価")));
    r.個別販売価格 = toCurrency(get(QStringLiteral("個別販売価格")));
    r.個別消費税 = toCurrency(get(QStringLiteral("個別消費税")));
    r.キャンセル = cancelMark(get(QStringLiteral("キャンセル")));
    return r;
}

InvoiceHeadRec invoiceHeadRecFrom(const FieldGetter& get, const QString& clientName) {
    const OrderRec o = orderRecFrom(get);
    InvoiceHeadRec r;
    r.受注No = o.受注No;
    r.顧客コード = o.顧客コード;
    r.顧客名 = clientName;
    r.社員コード = o.社員コード;
    r.定価金額 = o.定価金額;
    r.仕切値 = o.仕切値;
    r.販売金額 = o.販売金額;
    r.消費税額 = o.消費税額;
    r.送料 = o.送料;
    r.原価 = o.原価;
    r.受注日付 = o.受注日付;
    r.入金日 = o.入金日;
    r.キャンセル = o.キャンセル;
    return r;
}

InvoiceLineRec invoiceLineRecFrom(const FieldGetter& get, const QString& goodsName) {
    const OrderLineRec l = orderLineRecFrom(get);
    InvoiceLineRec r;
    r.個別No = l.個別No;
    r.受注No = l.受注No;
    r.商品コード = l.商品コード;
    r.商品名 = goodsName;
    r.個数 = l.個数;
    r.個別定価 = l.個別定価;
    r.個別仕切値 = l.個別仕切値;
    r.個別原価 = l.個別原価;
    r.個別販売価格 = l.個別販売価格;
    r.個別消費税 = l.個別消費税;
    r.キャンセル = l.キャンセル;
    return r;
}

} // namespace reports
