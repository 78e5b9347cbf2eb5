#include "ViewersTestDb.h"
#include "reports/ReportKind.h"
#include "viewers/ListMembers.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace viewers;
using viewerstest::ole;

namespace {

const QString T = QStringLiteral("\t");
const QString E = QStringLiteral("\r\n");

class ListBuildTest : public ::testing::Test {
protected:
    void SetUp() override { viewerstest::makeDb(s, dir.path(QStringLiteral("shop.vrd"))); }

    const ListMember& m(const char* window) { return *listMember(QString::fromLatin1(window)); }
    BuildResult build(const char* window) { return buildList(m(window), s); }
    QString tab(const char* window) { return tabFileText(m(window), s); }
    void cond(int kind, int year, int month, const QString& code = {}) {
        s.gViewCondYear[size_t(kind)] = std::int16_t(year);
        s.gViewCondMonth[size_t(kind)] = std::int16_t(month);
        s.gViewCondCode[size_t(kind)] = code;
    }
    // Data lines of a build: the text after the header, split at CR LF.
    static QStringList lines(const QString& text) { return text.split(E); }

    testenv::TempFolder dir;
    core::AppState s;
};

} // namespace

TEST_F(ListBuildTest, MasterTabFilesByteForByteWithoutTheSeedRows) {
    viewerstest::Filler f(s.gDbPath);
    f.goods(1, QStringLiteral("G01"), QStringLiteral("鉛筆"), 5, 10, 8.5);
    f.client(1, QStringLiteral("C01"), QStringLiteral("山田商店"), QVariant(), QVariant());
    f.client(2, QStringLiteral("C02"), QStringLiteral("鈴木"), QStringLiteral("03-2222"), QStringLiteral("a@b.jp"));
    f.employee(1, QStringLiteral("E01"), QStringLiteral("佐藤"));
    EXPECT_EQ(tab("frmVComm"), QStringLiteral(" 1\tG01\t鉛筆\t 1200\t 1000\t 800\t 8.5\t 5\t 10\t文具") + E);
    // A Null FAX and E-Mail are written as one blank; the line ends with TAB CR LF.
    EXPECT_EQ(tab("frmVCli"),
              QStringLiteral(" 1\tC01\t山田商店\t100-0001\t東京都\t03-1111\t \t \t") + E +
                  QStringLiteral(" 2\tC02\t鈴木\t100-0001\t東京都\t03-1111\t03-2222\ta@b.jp\t") + E);
    EXPECT_EQ(tab("frmVEmp"), QStringLiteral(" 1\tE01\t佐藤\t") + E);
    for (const char* w : {"frmVComm", "frmVCli", "frmVEmp"})
        EXPECT_FALSE(build(w).text.contains(QStringLiteral("XXXXXXXXXX"))) << w;
}

TEST_F(ListBuildTest, OnlySeedRowsGiveAnEmptyListAndAnEmptyTabFile) {
    for (const ListMember& mm : listMembers()) {
        s.gInvViewScope = 1;
        const BuildResult r = buildList(mm, s);
        EXPECT_FALSE(r.found) << mm.window.toStdString();
        EXPECT_EQ(r.count, 0);
        EXPECT_TRUE(tabFileText(mm, s).isEmpty()) << mm.window.toStdString();
    }
}

TEST_F(ListBuildTest, OrderTabLinesFollowTheTableOrder) {
    viewerstest::Filler f(s.gDbPath);
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 10));
    f.order(2, QStringLiteral("C02"), QStringLiteral("E02"), ole(2009, 5, 10), ole(2009, 6, 1), QStringLiteral("X"));
    f.order(3, QStringLiteral("C02"), QStringLiteral("E02"), ole(2009, 5, 11), 0, QStringLiteral("x"), 0);
    f.line(7, 1, QStringLiteral("G01"), 3, QStringLiteral("X"));
    const QString tail = QStringLiteral("\t 12000\t 9000\t 7000\t 10000\t 1000\t 800\t");
    EXPECT_EQ(tab("frmVRecG"), QStringLiteral(" 1\tC01\tE01") + tail + QStringLiteral("2009/04/10\t\t ") + E +
                                   QStringLiteral(" 2\tC02\tE02") + tail +
                                   QStringLiteral("2009/05/10\t2009/06/01\tキャンセル") + E +
                                   QStringLiteral(" 3\tC02\tE02\t 12000\t 9000\t 7000\t 0\t 0\t 800\t2009/05/11\t\t ") + E);
    EXPECT_EQ(tab("frmVRecD"),
              QStringLiteral(" 7\t 1\tG01\t 3\t 2000\t 1800\t 1200\t 1500\t 150\tキャンセル") + E);
    const BuildResult r = build("frmVRecG");
    EXPECT_EQ(r.count, 3);
    EXPECT_TRUE(r.text.endsWith(E));
}

TEST_F(ListBuildTest, ShortageListsGoodsAtOrBelowTheReorderPoint) {
    viewerstest::Filler f(s.gDbPath);
    f.goods(1, QStringLiteral("G10"), QStringLiteral("等しい"), 10, 10);
    f.goods(2, QStringLiteral("G11"), QStringLiteral("多い"), 11, 10);
    f.goods(3, QStringLiteral("G-3"), QStringLiteral("負"), -3, 0);
    const QString t = tab("frmVLack");
    EXPECT_EQ(t.count(E), 2);
    EXPECT_TRUE(t.startsWith(QStringLiteral(" 1\tG10\t")));
    EXPECT_TRUE(t.contains(QStringLiteral(" 3\tG-3\t負\t 1200\t 1000\t 800\t 10\t-3\t 0\t文具") + E));
    const BuildResult r = build("frmVLack");
    EXPECT_EQ(r.count, 2);
    EXPECT_FALSE(r.text.contains(QStringLiteral("多い")));
}

TEST_F(ListBuildTest, GoodsWithoutShortageShowTheHeaderAlone) {
    viewerstest::Filler f(s.gDbPath);
    f.goods(1, QStringLiteral("G11"), QStringLiteral("多い"), 11, 10);
    const BuildResult r = build("frmVLack");
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.count, 0);
    EXPECT_FALSE(r.text.isEmpty());
    EXPECT_TRUE(tab("frmVLack").isEmpty());
}

TEST_F(ListBuildTest, PeriodFilterOnTheOrderDate) {
    viewerstest::Filler f(s.gDbPath);
    // Ordered in April, paid in May.
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 10), ole(2009, 5, 2));
    f.order(2, QStringLiteral("C02"), QStringLiteral("E01"), ole(2009, 5, 10), ole(2009, 5, 20));
    f.order(3, QStringLiteral("C01"), QStringLiteral("E02"), ole(2010, 4, 10));
    f.order(4, QStringLiteral("C01"), QStringLiteral("E02"), ole(2009, 4, 30));
    f.order(5, QStringLiteral("C\"1"), QStringLiteral("E\" OR 1=1"), ole(2011, 1, 1), ole(2011, 2, 1));
    struct Case {
        const char* window;
        int kind;
        int year, month;
        const char* code;
        QList<int> orders;
        const char16_t* title;
    };
    const Case cases[] = {
        {"frmVGetD", reports::kGetD, 0, 0, "", {1, 2, 5}, u"全年度分　"},
        {"frmVGetD", reports::kGetD, 2009, 4, "", {1}, u" 2009年度 4月分　"},
        {"frmVGetD", reports::kGetD, 2009, 5, "", {2}, u" 2009年度 5月分　"},
        {"frmVGetD", reports::kGetD, 2009, 6, "", {}, u" 2009年度 6月分　"},
        {"frmVGetY", reports::kGetY, 0, 0, "", {3, 4}, u"全年度分　"},
        {"frmVGetY", reports::kGetY, 2010, 0, "", {3}, u" 2010年度分　"},
        {"frmVInfC", reports::kInfC, 2009, 0, "C01", {1, 4}, u" 2009年度分　顧客コード=C01"},
        {"frmVInfC", reports::kInfC, 0, 0, "c01", {}, u"全年度分　顧客コード=c01"},
        {"frmVInfS", reports::kInfS, 0, 0, "E02", {3, 4}, u"全年度分　社員コード=E02"},
        {"frmVInfS", reports::kInfS, 2009, 4, "", {1, 4}, u" 2009年度 4月分　"},
        {"frmVInfA", reports::kInfA, 2009, 4, "C02", {1, 4}, u" 2009年度 4月分　"},
        {"frmVGetD", reports::kGetD, 2009, 0, "C01", {1, 2}, u" 2009年度分　"}, // no code condition here
        // Codes are compared as values, whatever characters they hold.
        {"frmVInfC", reports::kInfC, 0, 0, "C\"1", {5}, u"全年度分　顧客コード=C\"1"},
        {"frmVInfS", reports::kInfS, 0, 0, "E\"", {}, u"全年度分　社員コード=E\""},
    };
    for (const Case& c : cases) {
        cond(c.kind, c.year, c.month, QString::fromLatin1(c.code));
        QList<int> listed;
        for (const QString& l : tab(c.window).split(E, Qt::SkipEmptyParts))
            listed << l.section(T, 0, 0).trimmed().toInt();
        EXPECT_EQ(listed, c.orders) << c.window << " " << c.year << "/" << c.month << " " << c.code;
        const BuildResult r = build(c.window);
        EXPECT_EQ(r.found, !c.orders.isEmpty()) << c.window;
        EXPECT_EQ(r.count, c.orders.size()) << c.window;
        EXPECT_TRUE(r.text.startsWith(QString::fromUtf16(c.title) + E)) << c.window;
    }
}

TEST_F(ListBuildTest, OrdersByGoodsListTheLinesOfOneCodeExactly) {
    viewerstest::Filler f(s.gDbPath);
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 10));
    f.order(2, QStringLiteral("C01"), QStringLiteral("E01"), ole(2010, 4, 10), 0, QStringLiteral("X"));
    f.order(3, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 11)); // no lines
    f.line(1, 1, QStringLiteral("A01"), 1);
    f.line(2, 1, QStringLiteral("B01"), 2);
    f.line(3, 2, QStringLiteral("A01"), 3);
    f.line(4, 1, QStringLiteral("A01"), 4);
    f.line(5, 9, QStringLiteral("A01"), 5); // its order does not exist
    struct Case {
        int year;
        const char* code;
        QList<int> lines;
    };
    const Case cases[] = {{0, "", {1, 2, 4, 3}}, {0, "A01", {1, 4, 3}}, {2009, "A01", {1, 4}}, {0, "a01", {}}};
    for (const Case& c : cases) {
        cond(reports::kInfM, c.year, 0, QString::fromLatin1(c.code));
        QList<int> listed;
        for (const QString& l : tab("frmVInfM").split(E, Qt::SkipEmptyParts))
            listed << l.section(T, 0, 0).trimmed().toInt();
        EXPECT_EQ(listed, c.lines) << c.year << " " << c.code;
        EXPECT_EQ(build("frmVInfM").count, c.lines.size());
    }
}

TEST_F(ListBuildTest, OrdersWithTheirLinesAndEmptyLinesBetween) {
    viewerstest::Filler f(s.gDbPath);
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 10), 0, QStringLiteral("X"));
    f.order(2, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 11));
    f.order(3, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 12), 0, QStringLiteral("X"));
    for (int i = 1; i <= 3; ++i)
        f.line(i, 1, QStringLiteral("G0%1").arg(i), i, i == 2 ? QStringLiteral("X") : QStringLiteral(" "));
    cond(reports::kInfA, 0, 0);
    cond(reports::kCncl, 0, 0);

    const BuildResult a = build("frmVInfA");
    EXPECT_EQ(a.count, 6); // three orders and three lines
    QStringList l = lines(a.text);
    const int first = int(l.indexOf(QRegularExpression(QStringLiteral("^ +1  C01.*"))));
    ASSERT_GT(first, 0);
    EXPECT_TRUE(l[first - 1].isEmpty()); // the header block is followed by one line end
    EXPECT_TRUE(l[first + 1].isEmpty()); // an empty line between an order and its lines
    EXPECT_TRUE(l[first + 2].contains(QStringLiteral("G01")));
    EXPECT_TRUE(l[first + 4].contains(QStringLiteral("G03")));
    EXPECT_TRUE(l[first + 5].isEmpty()); // an empty line before the next order
    EXPECT_TRUE(l[first + 6].contains(QStringLiteral("C01")));
    EXPECT_TRUE(l[first + 7].isEmpty());
    EXPECT_TRUE(l[first + 8].contains(QStringLiteral("C01"))); // an order without lines: no empty line after it

    // The cancellation list: the cancelled orders with all their lines, each line with its own mark.
    const QString t = tab("frmVCncl");
    const QStringList records = t.split(E, Qt::SkipEmptyParts);
    ASSERT_EQ(records.size(), 5);
    EXPECT_EQ(records[0].count(T), 11);
    EXPECT_TRUE(records[0].endsWith(QStringLiteral("キャンセル")));
    EXPECT_EQ(records[1].count(T), 9);
    EXPECT_TRUE(records[1].endsWith(QStringLiteral("\t ")));
    EXPECT_TRUE(records[2].endsWith(QStringLiteral("キャンセル")));
    EXPECT_TRUE(records[4].startsWith(QStringLiteral(" 3\t")));
}

TEST_F(ListBuildTest, InvoicesByScope) {
    viewerstest::Filler f(s.gDbPath);
    f.client(1, QStringLiteral("C01"), QStringLiteral("山田商店"));
    f.goods(1, QStringLiteral("G01"), QStringLiteral("鉛筆"), 5, 1);
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2009, 4, 10));
    f.order(2, QStringLiteral("C09"), QStringLiteral("E01"), ole(2009, 4, 11), ole(2009, 5, 1));
    f.line(1, 1, QStringLiteral("G01"), 3);
    f.line(2, 1, QStringLiteral("G09"), 4);
    f.line(3, 2, QStringLiteral("G01"), 1);

    s.gInvViewScope = 1;
    s.gCompany.TaxPerLine = core::kFalse;
    QStringList r = tab("frmVInv").split(E, Qt::SkipEmptyParts);
    ASSERT_EQ(r.size(), 5); // order, line, line, order, line
    EXPECT_EQ(r[0], QStringLiteral(" 1\tC01\t山田商店\t 10000\t 1000\t 800\t 11800\t2009/04/10\t"));
    EXPECT_EQ(r[1], QStringLiteral("G01\t鉛筆\t 3\t 1500\t"));
    EXPECT_EQ(r[2], QStringLiteral("G09\t商品コード=G09\t 4\t 1500\t"));
    EXPECT_TRUE(r[3].startsWith(QStringLiteral(" 2\tC09\t顧客コード=C09\t")));
    s.gCompany.TaxPerLine = core::kTrue;
    r = tab("frmVInv").split(E, Qt::SkipEmptyParts);
    EXPECT_EQ(r[1], QStringLiteral("G01\t鉛筆\t 3\t 1500\t 150\t"));

    s.gInvViewScope = 0; // unpaid only
    r = tab("frmVInv").split(E, Qt::SkipEmptyParts);
    EXPECT_EQ(r.size(), 3);
    BuildResult b = build("frmVInv");
    EXPECT_TRUE(b.text.startsWith(QStringLiteral("請求書　未入金分") + E + E)); // an empty line before each invoice
    EXPECT_EQ(b.count, 4);                                                      // header, two lines, footer

    s.gInvViewScope = 2;
    s.gInvViewOrderNo = 2;
    b = build("frmVInv");
    EXPECT_TRUE(b.text.startsWith(QStringLiteral("請求書　受注No.= 2") + E));
    EXPECT_EQ(b.count, 3);
    s.gInvViewOrderNo = 5; // deleted after it was picked
    EXPECT_FALSE(build("frmVInv").found);
}

TEST_F(ListBuildTest, AMissingDatabaseFailsAndIsNotCreated) {
    s.gDbPath = dir.path(QStringLiteral("gone.vrd"));
    EXPECT_ANY_THROW(build("frmVComm"));
    EXPECT_ANY_THROW(tab("frmVRecG"));
    EXPECT_FALSE(QFile::exists(s.gDbPath));
}

TEST_F(ListBuildTest, NullPaymentDateAndCancelMarkReadAsUnpaidAndNotCancelled) {
    viewerstest::Filler f(s.gDbPath);
    f.db().execute(QStringLiteral("INSERT INTO 受注データ VALUES (1,'C01','E01',0,0,0,0,0,0,?,NULL,NULL)"),
                   {ole(2009, 4, 10)});
    EXPECT_EQ(tab("frmVRecG"), QStringLiteral(" 1\tC01\tE01\t 0\t 0\t 0\t 0\t 0\t 0\t2009/04/10\t\t ") + E);
    EXPECT_EQ(build("frmVRecG").count, 1);
}
