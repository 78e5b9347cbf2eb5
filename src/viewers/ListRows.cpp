#include "viewers/ListRows.h"

namespace viewers {

using namespace reports;

namespace {

class Names {
public:
    explicit Names(const db::Query& q) {
        for (int i = 0; i < q.columnCount(); ++i)
            columns_.insert(q.columnName(i), i);
    }
    int operator()(const char* name) const { return columns_.value(QString::fromUtf8(name), -1); }

private:
    QHash<QString, int> columns_;
};

// The same conversions as the buffers' fill by field name: Null reads as 0 or "".
std::int32_t longAt(const db::Query& q, int i) { return i < 0 ? 0 : std::int32_t(q.toInt64(i)); }
Currency moneyAt(const db::Query& q, int i) { return i < 0 ? Currency() : Currency::fromRaw(q.toInt64(i)); }
double doubleAt(const db::Query& q, int i) { return i < 0 ? 0.0 : q.toDouble(i); }
QString textAt(const db::Query& q, int i) { return i < 0 ? QString() : q.toText(i); }
// A text field into the record buffer, reusing the memory the field held for the row before.
void textInto(const db::Query& q, int i, QString& field) {
    if (i < 0)
        field.resize(0);
    else
        q.readText(i, field);
}
// A Null mark is no cancellation.
QString cancelAt(const db::Query& q, int i) { return i < 0 || q.isNull(i) ? QStringLiteral(" ") : q.toText(i); }
// FAX and E-Mail: one blank for Null or empty.
QString blankAt(const db::Query& q, int i) {
    QString s = textAt(q, i);
    return s.isEmpty() ? QStringLiteral(" ") : s;
}

} // namespace

GoodsColumns::GoodsColumns(const db::Query& q) {
    const Names n(q);
    no_ = n("商品No");
    code_ = n("商品コード");
    name_ = n("商品名");
    list_ = n("個別定価");
    part_ = n("個別仕切値");
    cost_ = n("個別原価");
    rate_ = n("消費税率");
    stock_ = n("在庫量");
    reorder_ = n("在庫発注点");
    category_ = n("商品カテゴリ");
}

void GoodsColumns::fill(const db::Query& q, GoodsRec& r) const {
    r.商品No = longAt(q, no_);
    textInto(q, code_, r.商品コード);
    textInto(q, name_, r.商品名);
    r.個別定価 = moneyAt(q, list_);
    r.個別仕切値 = moneyAt(q, part_);
    r.個別原価 = moneyAt(q, cost_);
    r.消費税率 = float(doubleAt(q, rate_));
    r.在庫量 = longAt(q, stock_);
    r.在庫発注点 = longAt(q, reorder_);
    textInto(q, category_, r.商品カテゴリ);
}

bool GoodsColumns::isShort(const db::Query& q) const { return longAt(q, stock_) <= longAt(q, reorder_); }

ClientColumns::ClientColumns(const db::Query& q) {
    const Names n(q);
    no_ = n("顧客No");
    code_ = n("顧客コード");
    name_ = n("顧客名");
    zip_ = n("〒");
    address_ = n("住所");
    tel_ = n("TEL");
    fax_ = n("FAX");
    mail_ = n("E-Mail");
}

void ClientColumns::fill(const db::Query& q, ClientRec& r) const {
    r.顧客No = longAt(q, no_);
    textInto(q, code_, r.顧客コード);
    textInto(q, name_, r.顧客名);
    textInto(q, zip_, r.郵便番号);
    textInto(q, address_, r.住所);
    textInto(q, tel_, r.TEL);
    r.FAX = blankAt(q, fax_);
    r.EMail = blankAt(q, mail_);
}

EmployeeColumns::EmployeeColumns(const db::Query& q) {
    const Names n(q);
    no_ = n("社員No");
    code_ = n("社員コード");
    name_ = n("氏名");
}

void EmployeeColumns::fill(const db::Query& q, EmployeeRec& r) const {
    r.社員No = longAt(q, no_);
    textInto(q, code_, r.社員コード);
    textInto(q, name_, r.氏名);
}

OrderColumns::OrderColumns(const db::Query& q) {
    const Names n(q);
    no_ = n("受注No");
    client_ = n("顧客コード");
    employee_ = n("社員コード");
    list_ = n("定価金額");
    part_ = n("仕切値");
    sale_ = n("販売金額");
    tax_ = n("消費税額");
    ship_ = n("送料");
    cost_ = n("原価");
    date_ = n("受注日付");
    paid_ = n("入金日");
    cancel_ = n("キャンセル");
}

// An order row and an invoice head take the same fields.
template <class Rec> void OrderColumns::fillOrder(const db::Query& q, Rec& r) const {
    r.受注No = longAt(q, no_);
    textInto(q, client_, r.顧客コード);
    textInto(q, employee_, r.社員コード);
    r.定価金額 = moneyAt(q, list_);
    r.仕切値 = moneyAt(q, part_);
    r.販売金額 = moneyAt(q, sale_);
    r.消費税額 = moneyAt(q, tax_);
    r.送料 = moneyAt(q, ship_);
    r.原価 = moneyAt(q, cost_);
    r.受注日付 = doubleAt(q, date_);
    r.入金日 = doubleAt(q, paid_);
    r.キャンセル = cancelAt(q, cancel_);
}

void OrderColumns::fill(const db::Query& q, OrderRec& r) const { fillOrder(q, r); }
void OrderColumns::fill(const db::Query& q, InvoiceHeadRec& r) const { fillOrder(q, r); }

std::int32_t OrderColumns::orderNo(const db::Query& q) const { return longAt(q, no_); }
double OrderColumns::orderDate(const db::Query& q) const { return doubleAt(q, date_); }
QString OrderColumns::clientCode(const db::Query& q) const { return textAt(q, client_); }

LineColumns::LineColumns(const db::Query& q) {
    const Names n(q);
    no_ = n("個別No");
    order_ = n("受注No");
    goods_ = n("商品コード");
    qty_ = n("個数");
    list_ = n("個別定価");
    part_ = n("個別仕切値");
    cost_ = n("個別原価");
    price_ = n("個別販売価格");
    tax_ = n("個別消費税");
    cancel_ = n("キャンセル");
}

// An order line and an invoice line take the same fields.
template <class Rec> void LineColumns::fillLine(const db::Query& q, Rec& r) const {
    r.個別No = longAt(q, no_);
    r.受注No = longAt(q, order_);
    textInto(q, goods_, r.商品コード);
    r.個数 = longAt(q, qty_);
    r.個別定価 = moneyAt(q, list_);
    r.個別仕切値 = moneyAt(q, part_);
    r.個別原価 = moneyAt(q, cost_);
    r.個別販売価格 = moneyAt(q, price_);
    r.個別消費税 = moneyAt(q, tax_);
    r.キャンセル = cancelAt(q, cancel_);
}

void LineColumns::fill(const db::Query& q, OrderLineRec& r) const { fillLine(q, r); }
void LineColumns::fill(const db::Query& q, InvoiceLineRec& r) const { fillLine(q, r); }

std::int32_t LineColumns::orderNo(const db::Query& q) const { return longAt(q, order_); }
QString LineColumns::goodsCode(const db::Query& q) const { return textAt(q, goods_); }

LineCursor::LineCursor(db::Query q) : q_(std::move(q)), cols_(q_) { advance(); }

void LineCursor::advance() {
    has_ = q_.next();
    if (has_)
        current_ = cols_.orderNo(q_);
}

bool LineCursor::seek(std::int32_t orderNo) {
    order_ = orderNo;
    while (has_ && current_ < orderNo)
        advance();
    return has_ && current_ == orderNo;
}

bool LineCursor::next() {
    advance();
    return has_ && current_ == order_;
}

} // namespace viewers
