#include "viewers/ListMembers.h"

#include "core/MasterNames.h"

#include "reports/Records.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"
#include "text/Cp932.h"
#include "viewers/Export.h"
#include "viewers/ListRows.h"
#include "viewers/TabText.h"

#include <QStringBuilder>

#include <optional>
#include <stdexcept>

namespace viewers {

using namespace reports;

namespace {

const QString kTab = QStringLiteral("\t");
const QString kCrLf = QStringLiteral("\r\n");

// Tab records, built from the record buffers.

void tabGoods(const GoodsRec& r, QString& out) {
    out += numText(std::int64_t(r.商品No)) % kTab % tabField(r.商品コード) % kTab % tabField(r.商品名) %
           kTab % numText(r.個別定価) % kTab % numText(r.個別仕切値) % kTab % numText(r.個別原価) % kTab %
           numText(r.消費税率) % kTab % numText(std::int64_t(r.在庫量)) % kTab %
           numText(std::int64_t(r.在庫発注点)) % kTab % tabField(r.商品カテゴリ) % kCrLf;
}

void tabClient(const ClientRec& r, QString& out) {
    out += numText(std::int64_t(r.顧客No)) % kTab % tabField(r.顧客コード) % kTab % tabField(r.顧客名) %
           kTab % tabField(r.郵便番号) % kTab % tabField(r.住所) % kTab % tabField(r.TEL) % kTab %
           tabField(r.FAX) % kTab % tabField(r.EMail) % kTab % kCrLf;
}

void tabEmployee(const EmployeeRec& r, QString& out) {
    out += numText(std::int64_t(r.社員No)) % kTab % tabField(r.社員コード) % kTab % tabField(r.氏名) % kTab %
           kCrLf;
}

// Columns in table order: 原価 sixth, though the buffer keeps it after 送料.
void tabOrder(const OrderRec& r, QString& out) {
    out += numText(std::int64_t(r.受注No)) % kTab % tabField(r.顧客コード) % kTab % tabField(r.社員コード) %
           kTab % numText(r.定価金額) % kTab % numText(r.仕切値) % kTab % numText(r.原価) % kTab %
           numText(r.販売金額) % kTab % numText(r.消費税額) % kTab % numText(r.送料) % kTab %
           dateText(r.受注日付) % kTab % (r.入金日 == 0 ? QString() : dateText(r.入金日)) % kTab %
           cancelText(r.キャンセル) % kCrLf;
}

void tabLine(const OrderLineRec& r, QString& out) {
    out += numText(std::int64_t(r.個別No)) % kTab % numText(std::int64_t(r.受注No)) % kTab %
           tabField(r.商品コード) % kTab % numText(std::int64_t(r.個数)) % kTab % numText(r.個別定価) % kTab %
           numText(r.個別仕切値) % kTab % numText(r.個別原価) % kTab % numText(r.個別販売価格) % kTab %
           numText(r.個別消費税) % kTab % cancelText(r.キャンセル) % kCrLf;
}

void tabInvoiceHead(const InvoiceHeadRec& r, QString& out) {
    out += numText(std::int64_t(r.受注No)) % kTab % tabField(r.顧客コード) % kTab % tabField(r.顧客名) %
           kTab % numText(r.販売金額) % kTab % numText(r.消費税額) % kTab % numText(r.送料) % kTab %
           numText(r.販売金額 + r.消費税額 + r.送料) % kTab % dateText(r.受注日付) % kTab % kCrLf;
}

void tabInvoiceLine(const InvoiceLineRec& r, bool taxPerLine, QString& out) {
    out += tabField(r.商品コード) % kTab % tabField(r.商品名) % kTab % numText(std::int64_t(r.個数)) % kTab %
           numText(r.個別販売価格) % kTab;
    if (taxPerLine)
        out += numText(r.個別消費税) % kTab;
    out += kCrLf;
}

// The common walk: every row of the query that passes into the buffer, and listed. The row is judged
// from the query before it is read into the buffer, so rows a list leaves out cost no reading.
template <class Columns, class Rec, class Pass>
void walkRows(ListRun& run, db::Query q, Rec ReportState::*buffer, Renderer data, void (*tab)(const Rec&, QString&),
              Pass pass) {
    const Columns cols(q);
    Rec& rec = run.rs.*buffer;
    while (q.next()) {
        if (pass(cols, q)) {
            cols.fill(q, rec);
            run.list(data, [&](QString& out) { tab(rec, out); });
        }
        run.rowDone();
    }
}

template <class Columns, class Rec>
void walkRows(ListRun& run, db::Query q, Rec ReportState::*buffer, Renderer data, void (*tab)(const Rec&, QString&)) {
    walkRows<Columns>(run, std::move(q), buffer, data, tab, [](const Columns&, const db::Query&) { return true; });
}

// Prologues.

template <Renderer header>
void headerOnly(ListRun& run) {
    run.showRendered(header);
}

// Condition title, then the header; label names the code the list is limited to (none: no code part).
template <Renderer header>
void titledHeader(ListRun& run, const QString& label) {
    run.show(conditionTitle(run.condYear(), run.condMonth(), label, label.isEmpty() ? QString() : run.condCode()) +
             kCrLf);
    run.showRendered(header);
}

// Walks.

void walkComm(ListRun& run) {
    run.expectRows(ListTable::Goods);
    walkRows<GoodsColumns>(run, run.store().goods(run.app.gReservedCode[core::kLenGoodsCode]),
                           &ReportState::gRecComm, RenderDataComm, tabGoods);
}

void walkCli(ListRun& run) {
    run.expectRows(ListTable::Clients);
    walkRows<ClientColumns>(run, run.store().clients(run.app.gReservedCode[core::kLenClientCode]),
                            &ReportState::gRecCli, RenderDataCli, tabClient);
}

void walkEmp(ListRun& run) {
    run.expectRows(ListTable::Employees);
    walkRows<EmployeeColumns>(run, run.store().employees(run.app.gReservedCode[core::kLenEmployeeCode]),
                              &ReportState::gRecEmp, RenderDataEmp, tabEmployee);
}

void walkRecG(ListRun& run) {
    run.expectRows(ListTable::Orders);
    walkRows<OrderColumns>(run, run.store().orders(OrderSet::All), &ReportState::gRecRecG, RenderDataRecG,
                           tabOrder);
}

void walkRecD(ListRun& run) {
    run.expectRows(ListTable::Lines);
    walkRows<LineColumns>(run, run.store().orderLines(), &ReportState::gRecRecD, RenderDataRecD, tabLine);
}

// Every goods row counts as found, short or not: goods without a shortage show the header alone.
void walkLack(ListRun& run) {
    run.expectRows(ListTable::Goods);
    walkRows<GoodsColumns>(run, run.store().goods(run.app.gReservedCode[core::kLenGoodsCode]),
                           &ReportState::gRecLack, RenderDataLack, tabGoods,
                           [&run](const GoodsColumns& cols, const db::Query& q) {
                               run.noteFound();
                               return cols.isShort(q);
                           });
}

template <OrderRec ReportState::*buffer, Renderer data> void walkOrdersInPeriod(ListRun& run, db::Query q) {
    run.expectRows(ListTable::Orders);
    walkRows<OrderColumns>(run, std::move(q), buffer, data, tabOrder,
                           [&run](const OrderColumns& cols, const db::Query& q) {
                               return run.inPeriod(cols.orderDate(q));
                           });
}

void walkInfC(ListRun& run) {
    const QString code = run.condCode();
    walkOrdersInPeriod<&ReportState::gRecInfC, RenderDataInfC>(
        run, run.store().orders(code.isEmpty() ? OrderSet::All : OrderSet::Client, code));
}

void walkInfS(ListRun& run) {
    const QString code = run.condCode();
    walkOrdersInPeriod<&ReportState::gRecInfS, RenderDataInfS>(
        run, run.store().orders(code.isEmpty() ? OrderSet::All : OrderSet::Employee, code));
}

void walkGetD(ListRun& run) {
    walkOrdersInPeriod<&ReportState::gRecGetD, RenderDataGetD>(run, run.store().orders(OrderSet::Paid));
}

void walkGetY(ListRun& run) {
    walkOrdersInPeriod<&ReportState::gRecGetY, RenderDataGetY>(run, run.store().orders(OrderSet::Unpaid));
}

// The lines of the orders in the period, of one goods code when one was given; no line for an order itself.
void walkInfM(ListRun& run) {
    const QString code = run.condCode();
    db::Query orders = run.store().orders(OrderSet::All);
    const OrderColumns order(orders);
    LineCursor lines(run.store().linesOfOrders(OrderSet::All));
    OrderLineRec& rec = run.rs.gRecInfM;
    run.expectRows(ListTable::Orders);
    while (orders.next()) {
        run.rowDone(); // the lines of the order before
        if (!run.inPeriod(order.orderDate(orders))) continue;
        for (bool more = lines.seek(order.orderNo(orders)); more; more = lines.next()) {
            lines.columns().fill(lines.query(), rec);
            if (!code.isEmpty() && rec.商品コード != code)
                continue;
            run.list(RenderDataInfM, [&](QString& out) { tabLine(rec, out); });
        }
    }
}

// Orders with their lines under them. The two header sections wait in the line buffer and reach the list
// with the first listed order; every later order follows an empty line, and so do the lines of an order.
template <OrderRec ReportState::*orderBuf, OrderLineRec ReportState::*lineBuf, Renderer header, Renderer header2,
          Renderer data, Renderer data2, OrderSet set>
void walkTwoLevel(ListRun& run) {
    db::Query orders = run.store().orders(set);
    const OrderColumns order(orders);
    LineCursor lines(run.store().linesOfOrders(set));
    OrderRec& o = run.rs.*orderBuf;
    OrderLineRec& l = run.rs.*lineBuf;
    run.render(header);
    run.render(header2);
    run.expectRows(ListTable::Orders);
    while (orders.next()) {
        run.rowDone(); // the order before with its lines
        order.fill(orders, o);
        if (!run.inPeriod(o.受注日付))
            continue;
        run.flush();
        run.list(data, [&](QString& out) { tabOrder(o, out); });
        bool first = true;
        for (bool more = lines.seek(o.受注No); more; more = lines.next()) {
            if (first) {
                run.flush();
                first = false;
            }
            lines.columns().fill(lines.query(), l);
            run.list(data2, [&](QString& out) { tabLine(l, out); });
        }
    }
}

void prologueInfA(ListRun& run) { run.show(conditionTitle(run.condYear(), run.condMonth()) + kCrLf); }

void prologueInv(ListRun& run) {
    QString t;
    switch (run.app.gInvViewScope) {
    case 0: t = QStringLiteral("請求書　未入金分"); break;
    case 1: t = QStringLiteral("請求書　全データ"); break;
    default: t = QStringLiteral("請求書　受注No.=") + numText(std::int64_t(run.app.gInvViewOrderNo)); break;
    }
    run.show(t + kCrLf);
}

// Each invoice after an empty line: its header, an empty line and its lines when it has any, its footer.
// The client and goods names are read once, when the first order is found.
void walkInv(ListRun& run) {
    const std::int32_t scope = run.app.gInvViewScope;
    const OrderSet set = scope == 0 ? OrderSet::Unpaid : scope == 1 ? OrderSet::All : OrderSet::One;
    db::Query orders = run.store().orders(set, {}, run.app.gInvViewOrderNo);
    const OrderColumns order(orders);
    InvoiceHeadRec& h = run.rs.gRecInvHead;
    InvoiceLineRec& l = run.rs.gRecInvLine;
    const bool taxPerLine = core::isSet(run.app.gCompany.TaxPerLine);
    const QString clientPrefix = QStringLiteral("顧客コード=");
    const QString goodsPrefix = QStringLiteral("商品コード=");
    QHash<QString, QString> clients, goods;
    std::optional<LineCursor> lines;
    run.expectRows(ListTable::Orders);
    while (orders.next()) {
        run.rowDone(); // the invoice before
        if (!lines) {
            db::Query clientNames = run.store().clientNames();
            clients = core::codeNamesOf(clientNames);
            db::Query goodsNames = run.store().goodsNames();
            goods = core::codeNamesOf(goodsNames);
            lines.emplace(run.store().linesOfOrders(set, {}, run.app.gInvViewOrderNo));
        }
        order.fill(orders, h);
        h.顧客名 = core::nameOrCode(clients, h.顧客コード, clientPrefix);
        run.flush();
        run.list(RenderHeaderInv, [&](QString& out) { tabInvoiceHead(h, out); });
        bool first = true;
        for (bool more = lines->seek(h.受注No); more; more = lines->next()) {
            if (first) {
                run.flush();
                first = false;
            }
            lines->columns().fill(lines->query(), l);
            l.商品名 = core::nameOrCode(goods, l.商品コード, goodsPrefix);
            run.list(RenderDataInv, [&](QString& out) { tabInvoiceLine(l, taxPerLine, out); });
        }
        run.listUnchanging(RenderFooterInv);
        if (set == OrderSet::One)
            break;
    }
}

} // namespace

const std::vector<ListMember>& listMembers() {
    using namespace core;
    static const std::vector<ListMember> members{
        {QStringLiteral("frmVComm"), kComm, QStringLiteral("商品マスタ一覧"), kFormVComm, kChildVComm,
         QStringLiteral("商品"), false, headerOnly<RenderHeaderComm>, walkComm},
        {QStringLiteral("frmVCli"), kCli, QStringLiteral("顧客マスタ一覧"), kFormVCli, kChildVCli,
         QStringLiteral("顧客"), true, headerOnly<RenderHeaderCli>, walkCli},
        {QStringLiteral("frmVEmp"), kEmp, QStringLiteral("社員マスタ一覧"), kFormVEmp, kChildVEmp,
         QStringLiteral("社員"), false, headerOnly<RenderHeaderEmp>, walkEmp},
        {QStringLiteral("frmVRecG"), kRecG, QStringLiteral("受注データ一覧"), kFormVRecG, kChildVRecG,
         QStringLiteral("受注データ一覧"), false, headerOnly<RenderHeaderRecG>, walkRecG},
        {QStringLiteral("frmVRecD"), kRecD, QStringLiteral("受注個別データ一覧"), kFormVRecD, kChildVRecD,
         QStringLiteral("受注個別データ一覧"), false, headerOnly<RenderHeaderRecD>, walkRecD},
        {QStringLiteral("frmVInv"), kInv, QStringLiteral("請求書"), kFormVInv, kChildVInv, QStringLiteral("請求書"),
         false, prologueInv, walkInv},
        {QStringLiteral("frmVInfA"), kInfA, QStringLiteral("受注情報"), kFormVInfA, kChildVInfA,
         QStringLiteral("受注情報"), false, prologueInfA,
         walkTwoLevel<&ReportState::gRecInfA, &ReportState::gRecInfALine, RenderHeaderInfA, RenderHeader2InfA,
                      RenderDataInfA, RenderData2InfA, OrderSet::All>},
        {QStringLiteral("frmVInfM"), kInfM, QStringLiteral("商品別受注情報"), kFormVInfM, kChildVInfM,
         QStringLiteral("商品別受注情報"), false,
         [](ListRun& r) { titledHeader<RenderHeaderInfM>(r, QStringLiteral("商品コード=")); }, walkInfM},
        {QStringLiteral("frmVInfC"), kInfC, QStringLiteral("顧客別受注情報"), kFormVInfC, kChildVInfC,
         QStringLiteral("顧客別受注情報"), false,
         [](ListRun& r) { titledHeader<RenderHeaderInfC>(r, QStringLiteral("顧客コード=")); }, walkInfC},
        {QStringLiteral("frmVInfS"), kInfS, QStringLiteral("社員別受注情報"), kFormVInfS, kChildVInfS,
         QStringLiteral("社員別受注情報"), false,
         [](ListRun& r) { titledHeader<RenderHeaderInfS>(r, QStringLiteral("社員コード=")); }, walkInfS},
        {QStringLiteral("frmVCncl"), kCncl, QStringLiteral("受注キャンセル情報"), kFormVCncl, kChildVCncl,
         QStringLiteral("受注キャンセル情報"), false, prologueInfA,
         walkTwoLevel<&ReportState::gRecCncl, &ReportState::gRecCnclLine, RenderHeaderCncl, RenderHeader2Cncl,
                      RenderDataCncl, RenderData2Cncl, OrderSet::Cancelled>},
        {QStringLiteral("frmVLack"), kLack, QStringLiteral("在庫不足商品一覧"), kFormVLack, kChildVLack,
         QStringLiteral("在庫不足商品"), false, headerOnly<RenderHeaderLack>, walkLack},
        {QStringLiteral("frmVGetD"), kGetD, QStringLiteral("入金済み受注一覧"), kFormVGetD, kChildVGetD,
         QStringLiteral("入金済み受注一覧"), false,
         [](ListRun& r) { titledHeader<RenderHeaderGetD>(r, QString()); }, walkGetD},
        {QStringLiteral("frmVGetY"), kGetY, QStringLiteral("未入金受注一覧"), kFormVGetY, kChildVGetY,
         QStringLiteral("未入金受注一覧"), false,
         [](ListRun& r) { titledHeader<RenderHeaderGetY>(r, QString()); }, walkGetY},
    };
    return members;
}

const ListMember* listMember(const QString& window) {
    for (const ListMember& m : listMembers())
        if (m.window == window)
            return &m;
    return nullptr;
}

BuildResult buildList(const ListMember& m, core::AppState& app, const std::function<void()>& yield) {
    ListRun run(app, m.kind, ListRun::Mode::Build, yield);
    FrmtLoadTokens(run.rs, m.kind);
    m.prologue(run);
    m.walk(run);
    BuildResult r;
    r.found = run.found();
    r.count = run.count();
    r.text = run.takeResult();
    return r;
}

QString tabFileText(const ListMember& m, core::AppState& app) {
    ListRun run(app, m.kind, ListRun::Mode::Tab);
    FrmtLoadTokens(run.rs, m.kind);
    m.walk(run);
    return run.takeResult();
}

// The file text goes out in chunks as it is formed, so memory does not grow with the list. It is
// written beside the file and put in its place only when complete: a failure on the way (the database,
// a character CP932 cannot hold, the disk) leaves an existing file as it was.
void writeTabFile(const ListMember& m, core::AppState& app, const QString& path) {
    ExportWriter file(path);
    ListRun run(app, m.kind, ListRun::Mode::Tab);
    run.setTabSink([&file](const QString& chunk) { file.put(chunk); });
    FrmtLoadTokens(run.rs, m.kind);
    m.walk(run);
    file.put(run.takeResult());
    file.commit();
}

} // namespace viewers
