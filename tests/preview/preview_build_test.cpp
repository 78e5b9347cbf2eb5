// Page building of the preview: page breaks, counts and the messages of every failure, per page shape.
#include "PreviewTestDb.h"
#include "support/TestEnv.h"

#include "preview/PreviewBuild.h"
#include "print/RecordingTarget.h"
#include "ui/MessageService.h"

#include <gtest/gtest.h>

using namespace preview;
using namespace previewtest;

namespace {

class PreviewBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&msgs);
        makeDatabase(s, tmp.path(QStringLiteral("co.vrd")));
        setAllLayouts(s, 3);
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    BuildOutcome build(const QString& name) {
        pages = std::make_unique<print::RecordingTarget>();
        ctx = std::make_unique<BuildContext>(BuildContext{s, reports::reportState(s), *pages, [this] { ++waits; }, [] {}});
        return BuildPreview(*ctx, name);
    }
    int count() const { return ctx->pageCount; }
    std::vector<print::RecordingTarget::Entry> entries(int n) const {
        std::vector<print::RecordingTarget::Entry> out;
        for (const auto& e : pages->entries())
            if (e.page == n && !e.appended)
                out.push_back(e);
        return out;
    }
    QStringList texts(int n) const {
        QStringList out;
        for (const auto& e : entries(n))
            out << e.text;
        return out;
    }
    // Printed texts of page n that are page numbers.
    QString pageNumberOf(int n) const {
        const QStringList t = texts(n);
        return t.isEmpty() ? QString() : t.last();
    }

    testenv::TempFolder tmp;
    core::AppState s;
    ui::RecordingMessageService msgs;
    std::unique_ptr<print::RecordingTarget> pages;
    std::unique_ptr<BuildContext> ctx;
    int waits = 0;
};

TEST_F(PreviewBuildTest, TablePagesBreakAtThePageCapacity) {
    struct Case {
        int rows;
        int maxLine;
        int pages;
    };
    // An exact multiple ends with its last full page, as the print does (no page with the header only);
    // MAXLINE=0 puts one row on each page.
    const Case cases[] = {{1, 20, 1}, {45, 20, 3}, {40, 20, 2}, {20, 20, 1}, {3, 0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        makeDatabase(s, tmp.path(QStringLiteral("t%1_%2.vrd").arg(c.rows).arg(c.maxLine)));
        {
            db::Database d(s.gDbPath);
            for (int i = 1; i <= c.rows; ++i)
                addGoods(d, i, QStringLiteral("G%1").arg(i), 10, 5);
        }
        setLayout(s, reports::kComm, c.maxLine);
        EXPECT_EQ(build(QStringLiteral("商品マスタ")), BuildOutcome::Shown);
        EXPECT_EQ(count(), c.pages);
        EXPECT_EQ(ctx->recCount, c.rows);
        EXPECT_EQ(pageNumberOf(c.pages), QStringLiteral("- %1 -").arg(c.pages));
        EXPECT_EQ(s.gProgressCount, -1);
        EXPECT_TRUE(msgs.texts().isEmpty());
    }
}

TEST_F(PreviewBuildTest, EmptyQueriesAreReportedBeforeAnyPage) {
    {
        db::Database d(s.gDbPath);
        addGoods(d, 1, QStringLiteral("G1"), 10, 5); // not short
        addOrder(d, 1, QDate(2024, 5, 1), db::toOleDate(QDate(2024, 6, 1)));
    }
    for (const char* name : {"顧客マスタ", "在庫不足商品一覧", "未入金受注一覧", "受注キャンセル情報", "請求書"}) {
        SCOPED_TRACE(name);
        msgs.clear();
        s.gInvPrintScope = 0;
        EXPECT_EQ(build(QString::fromUtf8(name)), BuildOutcome::Reported);
        EXPECT_EQ(count(), 0);
        EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("データが空です。")});
        EXPECT_EQ(s.gProgressCount, -1);
    }
}

TEST_F(PreviewBuildTest, ShortageListDrawsGoodsAtTheirOrderPoint) {
    {
        db::Database d(s.gDbPath);
        addGoods(d, 1, QStringLiteral("G1"), 5, 5);
        addGoods(d, 2, QStringLiteral("G2"), 6, 5);
        addGoods(d, 3, QStringLiteral("G3"), 0, 5);
    }
    EXPECT_EQ(build(QStringLiteral("在庫不足商品一覧")), BuildOutcome::Shown);
    EXPECT_EQ(ctx->recCount, 2);
    const QString page = texts(1).join(QLatin1Char('|'));
    EXPECT_TRUE(page.contains(QStringLiteral("G1")));
    EXPECT_FALSE(page.contains(QStringLiteral("G2")));
}

TEST_F(PreviewBuildTest, OrderListsPageByDrawnRowsUnderTheTitle) {
    {
        db::Database d(s.gDbPath);
        for (int i = 1; i <= 7; ++i)
            addOrder(d, i, QDate(2009, 4, i));
        addOrder(d, 8, QDate(2010, 4, 1));
    }
    struct Case {
        int year;
        int month;
        int pages;
        int rows;
        QString title;
    };
    const Case cases[] = {
        {2009, 4, 3, 7, QStringLiteral(" 2009年度 4月分　")},
        {2009, 0, 3, 7, QStringLiteral(" 2009年度分　")},
        {0, 9, 3, 8, QStringLiteral("全年度分　")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        s.gCondYear[reports::kGetY] = std::int16_t(c.year);
        s.gCondMonth[reports::kGetY] = std::int16_t(c.month);
        EXPECT_EQ(build(QStringLiteral("未入金受注一覧")), BuildOutcome::Shown);
        EXPECT_EQ(count(), c.pages);
        EXPECT_EQ(ctx->recCount, c.rows);
        for (int p = 1; p <= count(); ++p) {
            const auto e = entries(p);
            ASSERT_FALSE(e.empty());
            EXPECT_EQ(e.front().text, c.title);
            // 9 points, not scaled by the preview (only fitted to the page with the rest of it)
            EXPECT_EQ(e.front().fontSize, entries(1).front().fontSize);
            EXPECT_LE(e.front().fontSize, 9);
            EXPECT_EQ(pageNumberOf(p), QStringLiteral("- %1 -").arg(p));
        }
    }
    // Orders exist, none in the period: no page and the report's own message after a wait.
    s.gCondYear[reports::kGetY] = 2001;
    msgs.clear();
    waits = 0;
    EXPECT_EQ(build(QStringLiteral("未入金受注一覧")), BuildOutcome::NoData);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("未入金受注一覧のデータはありません。")});
    EXPECT_EQ(waits, 1);
}

TEST_F(PreviewBuildTest, CodeConditionsChooseOrdersAndLines) {
    {
        db::Database d(s.gDbPath);
        addOrder(d, 1, QDate(2024, 5, 1), 0, " ", QStringLiteral("C1"));
        addOrder(d, 2, QDate(2024, 5, 2), 0, " ", QStringLiteral("C2"));
        addLine(d, 1, 1, QStringLiteral("G1"));
        addLine(d, 2, 1, QStringLiteral("g1"));
        addLine(d, 3, 2, QStringLiteral("G1"));
        addLine(d, 4, 2, QStringLiteral("G2"));
    }
    s.gCondCode[reports::kInfC] = QStringLiteral("C2");
    EXPECT_EQ(build(QStringLiteral("顧客別受注情報")), BuildOutcome::Shown);
    EXPECT_EQ(ctx->recCount, 1);
    EXPECT_TRUE(texts(1).first().endsWith(QStringLiteral("顧客コード=C2")));

    s.gCondCode[reports::kInfM] = QStringLiteral("G1"); // exact: g1 is another code
    EXPECT_EQ(build(QStringLiteral("商品別受注情報")), BuildOutcome::Shown);
    EXPECT_EQ(ctx->recCount, 2);

    s.gCondCode[reports::kInfC] = QStringLiteral("C\"9");
    msgs.clear();
    EXPECT_EQ(build(QStringLiteral("顧客別受注情報")), BuildOutcome::Reported);
    EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("データが空です。")});
}

TEST_F(PreviewBuildTest, OrderDetailsContinueAnOrderUnderTheFirstHeaderAsThePrintDoes) {
    {
        db::Database d(s.gDbPath);
        addOrder(d, 1, QDate(2024, 5, 1));
        for (int i = 1; i <= 5; ++i)
            addLine(d, i, 1, QStringLiteral("G%1").arg(i));
    }
    EXPECT_EQ(build(QStringLiteral("受注情報")), BuildOutcome::Shown);
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(ctx->recCount, 6);
    EXPECT_EQ(pageNumberOf(2), QStringLiteral("- 2 -"));
    // Page 2 begins inside the order: the title and the first header again, not the lines' header.
    const QStringList p1 = texts(1);
    const QStringList p2 = texts(2);
    EXPECT_EQ(p1.mid(0, 3), p2.mid(0, 3));
    EXPECT_EQ(p1.filter(QStringLiteral("個別No.")).size(), 1);
    EXPECT_EQ(p2.filter(QStringLiteral("個別No.")).size(), 0);
}

TEST_F(PreviewBuildTest, InvoicesFillTheirPagesAndNumberThemPerInvoice) {
    {
        db::Database d(s.gDbPath);
        addClient(d, 1, QStringLiteral("C1"), QStringLiteral("山田商店"));
        addOrder(d, 1, QDate(2024, 5, 1));                 // no lines
        addOrder(d, 2, QDate(2024, 5, 2));                 // 4 lines: two pages at MAXLINE=3
        addOrder(d, 3, QDate(2024, 5, 3));                 // 3 lines: fills its page exactly
        addOrder(d, 4, QDate(2024, 5, 4), 45000);          // paid
        for (int i = 1; i <= 4; ++i)
            addLine(d, i, 2, QStringLiteral("G%1").arg(i));
        for (int i = 5; i <= 7; ++i)
            addLine(d, i, 3, QStringLiteral("G%1").arg(i));
    }
    s.gInvPrintScope = 0;
    s.gInvFooterOn = core::kTrue;
    EXPECT_EQ(build(QStringLiteral("請求書")), BuildOutcome::Shown);
    // Invoice 1: one page; invoice 2: two; invoice 3: one, with no empty picture after it.
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(ctx->recCount, 3 + 4 + 3);
    EXPECT_EQ(pageNumberOf(1), QStringLiteral("- 1 -"));
    EXPECT_EQ(pageNumberOf(2), QStringLiteral("- 1 -"));
    EXPECT_EQ(pageNumberOf(3), QStringLiteral("- 2 -"));
    EXPECT_EQ(pageNumberOf(4), QStringLiteral("- 1 -"));

    s.gInvPrintScope = 2;
    s.gInvPrintOrderNo = 4;
    EXPECT_EQ(build(QStringLiteral("請求書")), BuildOutcome::Shown);
    EXPECT_EQ(count(), 1);

    s.gInvPrintOrderNo = 99;
    msgs.clear();
    EXPECT_EQ(build(QStringLiteral("請求書")), BuildOutcome::NoData);
    EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("請求書のデータはありません。")});
}

TEST_F(PreviewBuildTest, LayoutAndDatabaseFailuresAreReportedOnce) {
    s.gFrmtText[reports::kRecG] = QStringLiteral("[HEADER]\rHEADER=\"x\"\r\n");
    EXPECT_EQ(build(QStringLiteral("受注データ一覧")), BuildOutcome::LayoutError);
    EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("受注データ一覧のフォーマットデータが正しくありません。")});
    EXPECT_EQ(s.gProgressCount, -1);

    msgs.clear();
    s.gDbPath = tmp.path(QStringLiteral("missing.vrd"));
    EXPECT_EQ(build(QStringLiteral("社員マスタ")), BuildOutcome::Reported);
    ASSERT_EQ(msgs.shown().size(), 1u);
    EXPECT_EQ(msgs.shown()[0].title, QStringLiteral("データベース読み込み中にエラーが発生しました"));
}

TEST(ConditionTitle, FollowsYearMonthAndCode) {
    EXPECT_EQ(ConditionTitle(2009, 4, QStringLiteral("顧客コード="), QStringLiteral("C01")),
              QStringLiteral(" 2009年度 4月分　顧客コード=C01"));
    EXPECT_EQ(ConditionTitle(2009, 0), QStringLiteral(" 2009年度分　"));
    EXPECT_EQ(ConditionTitle(0, 4, QStringLiteral("商品コード="), QString()), QStringLiteral("全年度分　"));
}

} // namespace
