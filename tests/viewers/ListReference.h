// The fourteen lists done the plain way, as an oracle for the builds: one query per order for its lines,
// one query per invoice row for a name, every field read by name, one renderer call per record into a
// line that is then moved to the list.
#pragma once

#include "core/AppState.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "print/TextTarget.h"
#include "reports/Layout.h"
#include "reports/Records.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"
#include "reports/ReportState.h"
#include "viewers/TabText.h"

#include <QDate>

namespace listref {

using namespace reports;
using viewers::cancelText;
using viewers::conditionTitle;
using viewers::dateText;
using viewers::numText;

struct Result {
    QString text; // title, header and records, as the window shows them
    QString tab;  // the tab file
    bool found = false;
    int count = 0;
};

class Reference {
public:
    Reference(core::AppState& app, const QString& window) : app_(app), rs_(reportState(app)), db_(app.gDbPath) {
        window_ = window;
    }

    Result run() {
        const int k = kindOf(window_);
        FrmtLoadTokens(rs_, k);
        kind_ = k;
        walk();
        Result r = std::move(r_);
        r.text = shown_.take() + list_;
        return r;
    }

private:
    using Rnd = void (*)(ReportState&, print::RenderTarget&, const QString&, bool);

    static int kindOf(const QString& w) {
        static const QStringList names{QString(),    "frmVComm", "frmVCli",  "frmVEmp",  "frmVRecG",
                                       "frmVRecD",   "frmVInv",  "frmVInfA", "frmVInfM", "frmVInfC",
                                       "frmVInfS",   "frmVCncl", "frmVLack", "frmVGetD", "frmVGetY"};
        return int(names.indexOf(w));
    }

    int year() const { return app_.gViewCondYear[size_t(kind_)]; }
    int month() const { return app_.gViewCondMonth[size_t(kind_)]; }
    QString code() const { return app_.gViewCondCode[size_t(kind_)]; }
    bool inPeriod(double ole) const {
        if (year() == 0)
            return true;
        const QDate d = db::dateFromOle(ole);
        return d.year() == year() && (month() == 0 || d.month() == month());
    }
    void title(const QString& label) {
        shown_.appendText(conditionTitle(year(), month(), label, label.isEmpty() ? QString() : code()) + E);
    }
    void flush() {
        list_ += line_.text() + E;
        line_.clear();
    }
    void listed(Rnd r) {
        r_.found = true;
        r(rs_, line_, QString(), false);
        flush();
        ++r_.count;
    }
    db::Query orders(const QString& where, const db::Params& p = {}) {
        return db_.query(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0") + where +
                             QStringLiteral(" ORDER BY 受注No"),
                         p);
    }
    db::Query linesOf(std::int32_t no) {
        return db_.query(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No = ? ORDER BY 個別No"), {no});
    }
    QString name(const char* sql, const QString& code, const QString& fallback) {
        db::Query q = db_.query(QString::fromUtf8(sql), {code});
        return q.next() ? q.toText(0) : fallback + code;
    }

    static void tabOrder(const OrderRec& r, QString& out) {
        out += numText(std::int64_t(r.受注No)) + T + r.顧客コード + T + r.社員コード + T + numText(r.定価金額) + T +
               numText(r.仕切値) + T + numText(r.原価) + T + numText(r.販売金額) + T + numText(r.消費税額) + T +
               numText(r.送料) + T + dateText(r.受注日付) + T + (r.入金日 == 0 ? QString() : dateText(r.入金日)) + T +
               cancelText(r.キャンセル) + E;
    }
    static void tabLine(const OrderLineRec& r, QString& out) {
        out += numText(std::int64_t(r.個別No)) + T + numText(std::int64_t(r.受注No)) + T + r.商品コード + T +
               numText(std::int64_t(r.個数)) + T + numText(r.個別定価) + T + numText(r.個別仕切値) + T +
               numText(r.個別原価) + T + numText(r.個別販売価格) + T + numText(r.個別消費税) + T +
               cancelText(r.キャンセル) + E;
    }
    static void tabGoods(const GoodsRec& r, QString& out) {
        out += numText(std::int64_t(r.商品No)) + T + r.商品コード + T + r.商品名 + T + numText(r.個別定価) + T +
               numText(r.個別仕切値) + T + numText(r.個別原価) + T + numText(r.消費税率) + T +
               numText(std::int64_t(r.在庫量)) + T + numText(std::int64_t(r.在庫発注点)) + T + r.商品カテゴリ + E;
    }

    // One level of orders, filtered by period.
    void orderList(OrderRec& rec, Rnd data, db::Query q) {
        const FieldGetter get = fieldsOf(q);
        while (q.next()) {
            rec = orderRecFrom(get);
            if (!inPeriod(rec.受注日付))
                continue;
            listed(data);
            tabOrder(rec, r_.tab);
        }
    }

    // Orders with their lines; the header block waits in the line until the first listed order.
    void twoLevel(OrderRec& o, OrderLineRec& l, Rnd h1, Rnd h2, Rnd d1, Rnd d2, const QString& where) {
        h1(rs_, line_, QString(), false);
        h2(rs_, line_, QString(), false);
        db::Query q = orders(where);
        const FieldGetter get = fieldsOf(q);
        while (q.next()) {
            o = orderRecFrom(get);
            if (!inPeriod(o.受注日付))
                continue;
            flush();
            listed(d1);
            tabOrder(o, r_.tab);
            db::Query lq = linesOf(o.受注No);
            const FieldGetter lget = fieldsOf(lq);
            bool first = true;
            while (lq.next()) {
                if (first)
                    flush();
                first = false;
                l = orderLineRecFrom(lget);
                listed(d2);
                tabLine(l, r_.tab);
            }
        }
    }

    void walk() {
        const QString reserved[] = {app_.gReservedCode[core::kLenGoodsCode], app_.gReservedCode[core::kLenClientCode],
                                    app_.gReservedCode[core::kLenEmployeeCode]};
        switch (kind_) {
        case kComm:
        case kLack: {
            (kind_ == kComm ? RenderHeaderComm : RenderHeaderLack)(rs_, shown_, QString(), false);
            db::Query q = db_.query(QStringLiteral("SELECT * FROM 商品マスタ WHERE 商品コード <> ? ORDER BY 商品No"),
                                    {reserved[0]});
            const FieldGetter get = fieldsOf(q);
            while (q.next()) {
                GoodsRec& g = kind_ == kComm ? rs_.gRecComm : rs_.gRecLack;
                g = goodsRecFrom(get);
                if (kind_ == kLack) {
                    r_.found = true;
                    if (g.在庫量 > g.在庫発注点)
                        continue;
                }
                listed(kind_ == kComm ? RenderDataComm : RenderDataLack);
                tabGoods(g, r_.tab);
            }
            break;
        }
        case kCli: {
            RenderHeaderCli(rs_, shown_, QString(), false);
            db::Query q = db_.query(QStringLiteral("SELECT * FROM 顧客マスタ WHERE 顧客コード <> ? ORDER BY 顧客No"),
                                    {reserved[1]});
            const FieldGetter get = fieldsOf(q);
            while (q.next()) {
                const ClientRec& c = rs_.gRecCli = clientRecFrom(get);
                listed(RenderDataCli);
                r_.tab += numText(std::int64_t(c.顧客No)) + T + c.顧客コード + T + c.顧客名 + T + c.郵便番号 + T +
                          c.住所 + T + c.TEL + T + c.FAX + T + c.EMail + T + E;
            }
            break;
        }
        case kEmp: {
            RenderHeaderEmp(rs_, shown_, QString(), false);
            db::Query q = db_.query(QStringLiteral("SELECT * FROM 社員マスタ WHERE 社員コード <> ? ORDER BY 社員No"),
                                    {reserved[2]});
            const FieldGetter get = fieldsOf(q);
            while (q.next()) {
                const EmployeeRec& e = rs_.gRecEmp = employeeRecFrom(get);
                listed(RenderDataEmp);
                r_.tab += numText(std::int64_t(e.社員No)) + T + e.社員コード + T + e.氏名 + T + E;
            }
            break;
        }
        case kRecG:
            RenderHeaderRecG(rs_, shown_, QString(), false);
            orderListAll(rs_.gRecRecG, RenderDataRecG);
            break;
        case kRecD: {
            RenderHeaderRecD(rs_, shown_, QString(), false);
            db::Query q = db_.query(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 個別No"));
            const FieldGetter get = fieldsOf(q);
            while (q.next()) {
                rs_.gRecRecD = orderLineRecFrom(get);
                listed(RenderDataRecD);
                tabLine(rs_.gRecRecD, r_.tab);
            }
            break;
        }
        case kInfC:
        case kInfS: {
            const bool client = kind_ == kInfC;
            title(client ? QStringLiteral("顧客コード=") : QStringLiteral("社員コード="));
            (client ? RenderHeaderInfC : RenderHeaderInfS)(rs_, shown_, QString(), false);
            const QString c = code();
            db::Query q = c.isEmpty() ? orders(QString())
                          : client    ? orders(QStringLiteral(" AND 顧客コード = ?"), {c})
                                      : orders(QStringLiteral(" AND 社員コード = ?"), {c});
            orderList(client ? rs_.gRecInfC : rs_.gRecInfS, client ? RenderDataInfC : RenderDataInfS, std::move(q));
            break;
        }
        case kGetD:
        case kGetY: {
            const bool paid = kind_ == kGetD;
            title(QString());
            (paid ? RenderHeaderGetD : RenderHeaderGetY)(rs_, shown_, QString(), false);
            orderList(paid ? rs_.gRecGetD : rs_.gRecGetY, paid ? RenderDataGetD : RenderDataGetY,
                      orders(paid ? QStringLiteral(" AND IFNULL(入金日, 0) <> 0") : QStringLiteral(" AND IFNULL(入金日, 0) = 0")));
            break;
        }
        case kInfM: {
            title(QStringLiteral("商品コード="));
            RenderHeaderInfM(rs_, shown_, QString(), false);
            const QString c = code();
            db::Query q = orders(QString());
            const FieldGetter get = fieldsOf(q);
            while (q.next()) {
                if (!inPeriod(get(QStringLiteral("受注日付")).toDouble()))
                    continue;
                db::Query lq = linesOf(get(QStringLiteral("受注No")).toInt());
                const FieldGetter lget = fieldsOf(lq);
                while (lq.next()) {
                    rs_.gRecInfM = orderLineRecFrom(lget);
                    if (!c.isEmpty() && rs_.gRecInfM.商品コード != c)
                        continue;
                    listed(RenderDataInfM);
                    tabLine(rs_.gRecInfM, r_.tab);
                }
            }
            break;
        }
        case kInfA:
        case kCncl:
            shown_.appendText(conditionTitle(year(), month()) + E);
            if (kind_ == kInfA)
                twoLevel(rs_.gRecInfA, rs_.gRecInfALine, RenderHeaderInfA, RenderHeader2InfA, RenderDataInfA,
                         RenderData2InfA, QString());
            else
                twoLevel(rs_.gRecCncl, rs_.gRecCnclLine, RenderHeaderCncl, RenderHeader2Cncl, RenderDataCncl,
                         RenderData2Cncl, QStringLiteral(" AND キャンセル = 'X'"));
            break;
        case kInv: invoices(); break;
        }
    }

    void orderListAll(OrderRec& rec, Rnd data) {
        db::Query q = orders(QString());
        const FieldGetter get = fieldsOf(q);
        while (q.next()) {
            rec = orderRecFrom(get);
            listed(data);
            tabOrder(rec, r_.tab);
        }
    }

    void invoices() {
        const int scope = app_.gInvViewScope;
        shown_.appendText(scope == 0   ? QStringLiteral("請求書　未入金分") + E
                          : scope == 1 ? QStringLiteral("請求書　全データ") + E
                                       : QStringLiteral("請求書　受注No.=") +
                                             numText(std::int64_t(app_.gInvViewOrderNo)) + E);
        db::Query q = scope == 0   ? orders(QStringLiteral(" AND IFNULL(入金日, 0) = 0"))
                      : scope == 1 ? orders(QString())
                                   : orders(QStringLiteral(" AND 受注No = ?"), {app_.gInvViewOrderNo});
        const FieldGetter get = fieldsOf(q);
        const bool taxPerLine = core::isSet(app_.gCompany.TaxPerLine);
        while (q.next()) {
            const QString cc = get(QStringLiteral("顧客コード")).toString();
            InvoiceHeadRec& h = rs_.gRecInvHead;
            h = invoiceHeadRecFrom(
                get, name("SELECT 顧客名 FROM 顧客マスタ WHERE 顧客コード = ? ORDER BY 顧客No LIMIT 1", cc,
                          QStringLiteral("顧客コード=")));
            flush();
            listed(RenderHeaderInv);
            r_.tab += numText(std::int64_t(h.受注No)) + T + h.顧客コード + T + h.顧客名 + T + numText(h.販売金額) + T +
                      numText(h.消費税額) + T + numText(h.送料) + T + numText(h.販売金額 + h.消費税額 + h.送料) + T +
                      dateText(h.受注日付) + T + E;
            db::Query lq = linesOf(h.受注No);
            const FieldGetter lget = fieldsOf(lq);
            bool first = true;
            while (lq.next()) {
                if (first)
                    flush();
                first = false;
                const QString gc = lget(QStringLiteral("商品コード")).toString();
                InvoiceLineRec& l = rs_.gRecInvLine;
                l = invoiceLineRecFrom(
                    lget, name("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = ? ORDER BY 商品No LIMIT 1", gc,
                               QStringLiteral("商品コード=")));
                listed(RenderDataInv);
                r_.tab += l.商品コード + T + l.商品名 + T + numText(std::int64_t(l.個数)) + T + numText(l.個別販売価格) + T;
                if (taxPerLine)
                    r_.tab += numText(l.個別消費税) + T;
                r_.tab += E;
            }
            RenderFooterInv(rs_, line_, QString(), false);
            flush();
            ++r_.count;
            if (scope != 0 && scope != 1)
                break;
        }
    }

    inline static const QString T = QStringLiteral("\t");
    inline static const QString E = QStringLiteral("\r\n");

    core::AppState& app_;
    ReportState& rs_;
    db::Database db_;
    QString window_;
    int kind_ = 0;
    print::TextTarget shown_;
    print::TextTarget line_;
    QString list_;
    Result r_;
};

inline Result reference(core::AppState& app, const QString& window) { return Reference(app, window).run(); }

} // namespace listref
