// The page loops on a recording target: rows, page breaks, headers, titles and page numbers.
#include "printing/PageLoops.h"
#include "printing/PrintCommands.h"

#include "db/OleDate.h"
#include "print/RecordingTarget.h"
#include "reports/Layout.h"
#include "reports/ReportKind.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <gtest/gtest.h>

using namespace printing;
using namespace reports;

namespace {

QString layoutText(std::initializer_list<const char*> lines) {
    QString t;
    for (const char* l : lines)
        t += QString::fromUtf8(l) + QLatin1Char('\r');
    return t + QLatin1Char('\n');
}

// Every report prints "HEAD" as its header and the first field of its record as its data line; the
// second sections print "H2" and "L" followed by the line's number; the invoice adds a footer "FOOT".
QString testLayout(int kind, int capacity) {
    const QByteArray cap = "MAXLINE=" + QByteArray::number(capacity);
    if (kind == kInfA || kind == kCncl)
        return layoutText({"[COMMON]", cap.constData(), "[HEADER]", "HEADER=\"HEAD\"", "CRLF=1", "[DATA]",
                           "FORMAT=\"#####0\"", "CRLF=1", "[HEADER2]", "HEADER=\"H2\"", "CRLF=1", "[DATA2]",
                           "HEADER=\"L\"", "FORMAT=\"#####0\"", "CRLF=1"});
    if (kind == kInv)
        return layoutText({"[COMMON]", cap.constData(), "[HEADER]", "HEADER=\"INV \"", "FORMAT=\"!@@@@@@@@@@@@@@@@@@@\"",
                           "CRLF=1", "[DATA]", "FORMAT=\"!@@@@@@@\"", "FORMAT=\"!@@@@@@@@@@@@@@@@@@@\"", "CRLF=1",
                           "[FOOTER]", "HEADER=\"FOOT\"", "CRLF=1"});
    return layoutText({"[COMMON]", cap.constData(), "[HEADER]", "HEADER=\"HEAD\"", "CRLF=1", "[DATA]",
                       "FORMAT=\"#####0\"", "CRLF=1"});
}

const QStringList kGoodsColumns{"商品No", "商品コード", "商品名", "個別定価", "個別仕切値", "個別原価",
                                "消費税率", "在庫量", "在庫発注点", "商品カテゴリ"};
const QStringList kOrderColumns{"受注No", "顧客コード", "社員コード", "定価金額", "仕切値", "原価",
                                "販売金額", "消費税額", "送料", "受注日付", "入金日", "キャンセル"};
const QStringList kLineColumns{"個別No", "受注No", "商品コード", "個数", "個別定価", "個別仕切値",
                               "個別原価", "個別販売価格", "個別消費税", "キャンセル"};
const QStringList kClientColumns{"顧客No", "顧客コード", "顧客名", "〒", "住所", "TEL", "FAX", "E-Mail"};

double ole(int y, int m, int d) { return db::toOleDate(QDate(y, m, d)); }

QVariantList goods(int no, const QString& code, int stock = 10, int reorder = 0) {
    return {no, code, QStringLiteral("品%1").arg(no), 0, 0, 0, 0.0, stock, reorder, QStringLiteral("A")};
}
QVariantList order(int no, double date, const QVariant& paid = 0.0, const QString& mark = QStringLiteral(" "),
                   const QString& client = QStringLiteral("C1"), const QString& employee = QStringLiteral("E1")) {
    return {no, client, employee, 0, 0, 0, 0, 0, 0, date, paid, mark};
}
QVariantList line(int no, int orderNo, const QString& goodsCode = QStringLiteral("G1")) {
    return {no, orderNo, goodsCode, 1, 0, 0, 0, 0, 0, QStringLiteral(" ")};
}

class PageLoops : public ::testing::Test {
protected:
    PageLoops() : rs(app) {
        core::InitFieldLimits(app);
        ui::setMessageService(&messages);
    }
    ~PageLoops() override { ui::setMessageService(nullptr); }

    const PrintReport& report(int kind) {
        for (const PrintReport& r : PrintReports())
            if (r.pages.kind == kind)
                return r;
        throw std::logic_error("no report");
    }

    // Checks the layout, then runs the report's page loop on the recorder.
    void run(int kind, int capacity) {
        const QString text = testLayout(kind, capacity);
        std::int32_t count = 0;
        ASSERT_TRUE(FrmtValidate(text, count)) << text.toStdString();
        app.gFrmtText[size_t(kind)] = text;
        app.gFrmtCount[size_t(kind)] = count;
        ASSERT_EQ(CheckLayout(text, job), kReady);
        PageContext ctx{rs, target, [] {}};
        EXPECT_EQ(RunPages(report(kind).pages, job, ctx), kReady);
        EXPECT_EQ(app.gProgressCount, -1);
    }

    // The printed lines of each page, trimmed, page numbers included.
    std::vector<QStringList> pages() const {
        std::vector<QStringList> out;
        for (const auto& e : target.entries()) {
            if (e.text == QStringLiteral("\r\n"))
                continue;
            while (int(out.size()) < e.page)
                out.emplace_back();
            out[size_t(e.page - 1)] << e.text.trimmed();
        }
        return out;
    }

    ui::RecordingMessageService messages;
    core::AppState app;
    ReportState rs;
    PrintJob job;
    print::RecordingTarget target;
};

QStringList L(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* i : items)
        l << QString::fromUtf8(i);
    return l;
}

TEST_F(PageLoops, TableReportBreaksPagesWithoutLosingOrPaddingRows) {
    struct Case {
        int rows;     // real goods after the seed row
        int capacity;
        std::vector<QStringList> expected;
    };
    const std::vector<Case> cases{
        {5, 2, {L({"HEAD", "1", "2", "- 1 -"}), L({"HEAD", "3", "4", "- 2 -"}), L({"HEAD", "5", "- 3 -"})}},
        // an exact multiple ends with the last full page, no page holding the header alone
        {4, 2, {L({"HEAD", "1", "2", "- 1 -"}), L({"HEAD", "3", "4", "- 2 -"})}},
        {1, 1, {L({"HEAD", "1", "- 1 -"})}},
        // a capacity of 0 still puts one row on each page
        {2, 0, {L({"HEAD", "1", "- 1 -"}), L({"HEAD", "2", "- 2 -"})}},
        {3, 20, {L({"HEAD", "1", "2", "3", "- 1 -"})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, capacity " << c.capacity);
        std::vector<QVariantList> rows;
        for (int i = 1; i <= c.rows; ++i) {
            rows.push_back(goods(i, QStringLiteral("G%1").arg(i)));
            if (i == 1) // the seed row between real rows takes no place
                rows.push_back(goods(0, app.gReservedCode[0]));
        }
        target = print::RecordingTarget();
        job = PrintJob();
        app.gProgressCount = 0;
        job.table = TableSnapshot(kGoodsColumns, rows);
        run(kComm, c.capacity);
        EXPECT_EQ(pages(), c.expected);
        EXPECT_EQ(job.pageNumber, int(c.expected.size()));
    }
}

TEST_F(PageLoops, ShortageListPrintsShortGoodsOnlyAndNoPageWhenNoneIsShort) {
    job.table = TableSnapshot(kGoodsColumns, {goods(0, app.gReservedCode[0], 0, 5), goods(1, "G1", 5, 5),
                                              goods(2, "G2", 6, 5), goods(3, "G3", 0, 1)});
    run(kLack, 20);
    EXPECT_EQ(pages(), std::vector<QStringList>{L({"HEAD", "1", "3", "- 1 -"})});

    target = print::RecordingTarget();
    job = PrintJob();
    job.table = TableSnapshot(kGoodsColumns, {goods(0, app.gReservedCode[0]), goods(1, "G1", 9, 5)});
    run(kLack, 20);
    // a page with the header alone is no report: nothing is printed and nothing counted
    EXPECT_TRUE(pages().empty());
    EXPECT_EQ(job.recordCount, 0);
    EXPECT_EQ(job.pageNumber, 0);
}

TEST_F(PageLoops, OrderListsBreakByCapacityUnderTheConditionTitle) {
    std::vector<QVariantList> rows{order(0, ole(2009, 4, 1))};
    for (int i = 1; i <= 7; ++i)
        rows.push_back(order(i, ole(2009, 4, i)));
    job.orders = TableSnapshot(kOrderColumns, rows);
    app.gCondYear[kGetY] = 2009;
    app.gCondMonth[kGetY] = 4;
    run(kGetY, 3);
    const QString title = QStringLiteral("2009年度 4月分");
    EXPECT_EQ(pages(), (std::vector<QStringList>{QStringList{title, "HEAD", "1", "2", "3", "- 1 -"},
                                                 QStringList{title, "HEAD", "4", "5", "6", "- 2 -"},
                                                 QStringList{title, "HEAD", "7", "- 3 -"}}));
    EXPECT_EQ(job.recordCount, 7);

    // six rows: two full pages and no third
    target = print::RecordingTarget();
    job.recordCount = 0;
    rows.pop_back();
    job.orders = TableSnapshot(kOrderColumns, rows);
    run(kGetY, 3);
    EXPECT_EQ(pages().size(), 2u);
    EXPECT_EQ(pages().back().back(), "- 2 -");
}

TEST_F(PageLoops, OrderListFiltersByDatePaymentAndExactCode) {
    struct Case {
        int kind;
        int year, month;
        const char* code;
        std::vector<int> printed;
    };
    // 1 paid 2009-04, 2 unpaid 2009-05, 3 unpaid 2010-04 client c1, 4 Null payment date 2009-04 (unpaid,
    // as a cleared cell of the order grid leaves it)
    const std::vector<QVariantList> rows{order(0, ole(2009, 4, 1)),
                                         order(1, ole(2009, 4, 2), ole(2009, 6, 1)),
                                         order(2, ole(2009, 5, 2), 0.0, "X"),
                                         order(3, ole(2010, 4, 2), 0.0, " ", "c1", "E2"),
                                         order(4, ole(2009, 4, 3), QVariant())};
    const std::vector<Case> cases{
        {kGetD, 0, 0, "", {1}},           {kGetY, 0, 0, "", {2, 3, 4}},    {kGetY, 2009, 0, "", {2, 4}},
        {kGetY, 2009, 4, "", {4}},        {kGetY, 2009, 5, "", {2}},       {kInfC, 0, 0, "C1", {1, 2, 4}},
        {kInfC, 0, 0, "c1", {3}},
        {kInfC, 2009, 4, "", {1, 4}},     {kInfS, 0, 0, "E2", {3}},        {kInfS, 2010, 0, "E1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << ReportName(c.kind).toStdString() << " " << c.year << "/" << c.month
                                        << " " << c.code);
        target = print::RecordingTarget();
        job = PrintJob();
        job.orders = TableSnapshot(kOrderColumns, rows);
        app.gCondYear[size_t(c.kind)] = std::int16_t(c.year);
        app.gCondMonth[size_t(c.kind)] = std::int16_t(c.month);
        app.gCondCode[size_t(c.kind)] = QString::fromUtf8(c.code);
        run(c.kind, 20);
        QStringList expected;
        for (int no : c.printed)
            expected << QString::number(no);
        const auto p = pages();
        QStringList data = p.empty() ? QStringList() : p.front().mid(2, p.front().size() - 3);
        EXPECT_EQ(data, expected);
        EXPECT_EQ(job.recordCount, int(c.printed.size()));
        EXPECT_EQ(p.size(), c.printed.empty() ? 0u : 1u); // nothing at all when no row qualifies
    }
}

TEST_F(PageLoops, ConditionTitles) {
    EXPECT_EQ(ConditionTitle(2009, 4, "顧客コード=", "C01"), QStringLiteral(" 2009年度 4月分\u3000顧客コード=C01"));
    EXPECT_EQ(ConditionTitle(2009, 0, "", ""), QStringLiteral(" 2009年度分\u3000"));
    EXPECT_EQ(ConditionTitle(0, 7, "社員コード=", ""), QStringLiteral("全年度分\u3000"));
}

TEST_F(PageLoops, GoodsReportPrintsMatchingLinesOfOrdersInThePeriod) {
    job.orders = TableSnapshot(kOrderColumns, {order(0, ole(2009, 4, 1)), order(1, ole(2009, 4, 2)),
                                               order(2, ole(2008, 4, 2)), order(3, ole(2009, 8, 2))});
    job.lines = TableSnapshot(kLineColumns, {line(0, 0, "G1"), line(11, 1, "G1"), line(12, 1, "G2"),
                                             line(21, 2, "G1"), line(31, 3, "G1"), line(13, 1, "G1")});
    app.gCondYear[kInfM] = 2009;
    app.gCondCode[kInfM] = "G1";
    run(kInfM, 2);
    const QString title = QStringLiteral("2009年度分\u3000商品コード=G1");
    EXPECT_EQ(pages(), (std::vector<QStringList>{QStringList{title, "HEAD", "11", "13", "- 1 -"},
                                                 QStringList{title, "HEAD", "31", "- 2 -"}}));
    EXPECT_EQ(job.recordCount, 3);
}

TEST_F(PageLoops, OrderDetailSplitsAnOrderAcrossPagesWithoutTheSecondHeader) {
    job.orders = TableSnapshot(kOrderColumns, {order(0, ole(2009, 4, 1)), order(1, ole(2009, 4, 2)),
                                               order(2, ole(2009, 4, 3))});
    job.lines = TableSnapshot(kLineColumns, {line(0, 0), line(11, 1), line(12, 1), line(13, 1), line(14, 1),
                                             line(15, 1)});
    run(kInfA, 3);
    const QString title = QStringLiteral("全年度分");
    EXPECT_EQ(pages(), (std::vector<QStringList>{QStringList{title, "HEAD", "H2", "1", "L    11", "L    12", "- 1 -"},
                                                 QStringList{title, "HEAD", "L    13", "L    14", "L    15", "- 2 -"},
                                                 QStringList{title, "HEAD", "H2", "2", "- 3 -"}}));
    EXPECT_EQ(job.recordCount, 7);
}

TEST_F(PageLoops, CancellationReportTakesOnlyOrdersMarkedX) {
    job.orders = TableSnapshot(kOrderColumns, {order(0, ole(2009, 4, 1), 0.0, "X"), order(1, ole(2009, 4, 2), 0.0, "x"),
                                               order(2, ole(2009, 4, 3), 0.0, "X"), order(3, ole(2009, 4, 3))});
    job.lines = TableSnapshot(kLineColumns, {line(0, 0), line(21, 2), line(11, 1)});
    run(kCncl, 10);
    EXPECT_EQ(pages(), (std::vector<QStringList>{QStringList{"全年度分", "HEAD", "H2", "2", "L    21", "- 1 -"}}));
}

class InvoicePages : public PageLoops {
protected:
    InvoicePages() {
        app.gInvPrintScope = 1;
        app.gInvFooterOn = core::kTrue;
        job.clients = TableSnapshot(kClientColumns, {{0, app.gReservedCode[2], "X", "", "", "", "", ""},
                                                     {1, "C1", "山田商店", "", "", "", "", ""}});
        job.goods = TableSnapshot(kGoodsColumns, {goods(0, app.gReservedCode[0]), goods(1, "G1")});
    }
    void setOrders(std::vector<QVariantList> orders, std::vector<QVariantList> lines) {
        orders.insert(orders.begin(), order(0, ole(2009, 1, 1)));
        lines.insert(lines.begin(), line(0, 0));
        job.orders = TableSnapshot(kOrderColumns, orders);
        job.lines = TableSnapshot(kLineColumns, lines);
    }
};

TEST_F(InvoicePages, LastPageIsFilledWithBlankLinesAndPagesCountWithinTheInvoice) {
    setOrders({order(1, ole(2009, 1, 2)), order(2, ole(2009, 1, 2), 0.0, " ", "C9")},
              {line(11, 1), line(12, 1, "G7"), line(13, 1), line(14, 1)});
    run(kInv, 3);
    const QString blank; // a blank data line prints as blanks
    EXPECT_EQ(pages(), (std::vector<QStringList>{
                           QStringList{"INV 山田商店", "G1     品1", "G7     商品コード=G7", "G1     品1", "FOOT", "- 1 -"},
                           QStringList{"INV 山田商店", "G1     品1", blank, blank, "FOOT", "- 2 -"},
                           QStringList{"INV 顧客コード=C9", blank, blank, blank, "FOOT", "- 1 -"}}));
    EXPECT_EQ(job.pageNumber, 3);
    EXPECT_EQ(job.recordCount, 2 + 4);
}

TEST_F(InvoicePages, FullPageInvoiceIsFollowedDirectlyByTheNextAndOptionsApply) {
    setOrders({order(1, ole(2009, 1, 2)), order(2, ole(2009, 1, 2))},
              {line(11, 1), line(12, 1), line(21, 2), line(22, 2), line(23, 2)});
    app.gInvFooterOn = core::kFalse;
    app.gInvHeaderOnce = core::kTrue;
    run(kInv, 2);
    const auto p = pages();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], (QStringList{"INV 山田商店", "G1     品1", "G1     品1", "- 1 -"}));
    EXPECT_EQ(p[1].front(), "INV 山田商店");
    EXPECT_EQ(p[1].back(), "- 1 -");
    // the continuation page has the header's shape in blanks, and no footer
    EXPECT_EQ(p[2], (QStringList{"", "G1     品1", "", "- 2 -"}));
}

TEST_F(InvoicePages, ScopesChooseTheOrders) {
    struct Case {
        int scope;
        int orderNo;
        std::vector<int> invoiced;
    };
    // 3's payment date is Null (a cleared grid cell): unpaid like 2 and 4.
    const std::vector<Case> cases{{0, 0, {2, 3, 4}}, {1, 0, {1, 2, 3, 4}}, {2, 3, {3}}, {2, 9, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scope " << c.scope << " order " << c.orderNo);
        target = print::RecordingTarget();
        job.recordCount = 0;
        setOrders({order(1, ole(2009, 1, 2), ole(2009, 2, 1)), order(2, ole(2009, 1, 2), 0.0, "X"),
                   order(3, ole(2009, 1, 2), QVariant()), order(4, ole(2009, 1, 2))},
                  {});
        app.gInvPrintScope = c.scope;
        app.gInvPrintOrderNo = c.orderNo;
        run(kInv, 1);
        EXPECT_EQ(int(pages().size()), int(c.invoiced.size()));
        EXPECT_EQ(job.recordCount, int(c.invoiced.size()));
    }
}

TEST(CheckLayout, RequiresCapacityHeaderAndDataItems) {
    struct Case {
        std::vector<const char*> lines;
        int status;
        int capacity;
    };
    const std::vector<Case> cases{
        {{"MAXLINE=7", "[HEADER]", "HEADER=\"A\"", "[DATA]", "FORMAT=\"@\""}, kReady, 7},
        {{"[COMMON]", "[HEADER]", "HEADER=\"A\"", "[DATA]", "FORMAT=\"@\""}, kLayoutError, 0},
        {{"MAXLINE=7", "HEADER=\"A\"", "[DATA]", "FORMAT=\"@\""}, kLayoutError, 7},
        {{"MAXLINE=7", "[HEADER]", "HEADER=\"A\"", "FORMAT=\"@\""}, kLayoutError, 7},
        {{"MAXLINE=7", "[HEADER]", "FORMAT=\"@\"", "[DATA]", "FORMAT=\"@\""}, kLayoutError, 7},
        {{"MAXLINE=7", "[HEADER]", "HEADER=\"A\"", "[DATA]", "[FOOTER]"}, kLayoutError, 7},
        // items of the sections after [DATA] count as data items
        {{"MAXLINE=7", "[HEADER]", "HEADER=\"A\"", "[DATA]", "[DATA2]", "CRLF=1"}, kReady, 7},
        // MAXLINE= after [HEADER]: the [HEADER] search starts behind it
        {{"[HEADER]", "MAXLINE=7", "HEADER=\"A\"", "[DATA]", "FORMAT=\"@\""}, kLayoutError, 7},
        {{"[COMMON]", "MAXLINE=2", "[HEADER]", "HEADER=\"A\"", "[DATA]", "FORMAT=\"@\"", "???"}, kReady, 2},
    };
    for (const Case& c : cases) {
        PrintJob job;
        QString text;
        for (const char* l : c.lines)
            text += QString::fromUtf8(l) + QLatin1Char('\r');
        text += QLatin1Char('\n');
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(CheckLayout(text, job), c.status);
        EXPECT_EQ(job.pageCapacity, c.capacity);
    }
}

} // namespace
