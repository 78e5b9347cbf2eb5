// The renderers on the text target (golden text of every built-in layout) and on a recording device.
#include "db/OleDate.h"
#include "print/RecordingTarget.h"
#include "print/TextTarget.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"

#include <gtest/gtest.h>

using namespace reports;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using C = db::Currency;
const QString kNone; // sep: every caller passes ""
const QString kCrLf = QStringLiteral("\r\n");

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }
QString amount(const char* s) { return QString::fromLatin1(s).rightJustified(11); } // "###,###,##0"
const QString kNotCancelled = QStringLiteral("　　　　　");

double ole(int y, int m, int d) { return db::toOleDate(QDate(y, m, d)); }

class RenderTest : public ::testing::Test {
protected:
    RenderTest() : rs(app) { rs.today = [] { return QDate(2026, 12, 8); }; }

    void useDefault(int kind) { useLayout(kind, DefaultLayoutText(kind)); }
    void useLayout(int kind, const QString& text) {
        std::int32_t count = 0;
        ASSERT_TRUE(FrmtValidate(text, count)) << text.toStdString();
        app.gFrmtText[size_t(kind)] = text;
        app.gFrmtCount[size_t(kind)] = count;
        FrmtLoadTokens(rs, kind);
    }
    static QString layout(std::initializer_list<const char16_t*> lines) {
        QString t;
        for (const char16_t* l : lines)
            t += QString::fromUtf16(l) + QLatin1Char('\r');
        return t + QLatin1Char('\n');
    }

    static OrderRec sampleOrder() {
        OrderRec o;
        o.受注No = 12;
        o.顧客コード = QStringLiteral("C000001");
        o.社員コード = QStringLiteral("E0001");
        o.定価金額 = C::fromUnits(12000);
        o.仕切値 = C::fromUnits(9000);
        o.販売金額 = C::fromUnits(10000);
        o.消費税額 = C::fromUnits(500);
        o.送料 = C::fromUnits(800);
        o.原価 = C::fromUnits(7000);
        o.受注日付 = ole(2009, 4, 10);
        o.入金日 = 0;
        o.キャンセル = QStringLiteral(" ");
        return o;
    }
    static QString orderLine(const QString& paid, const QString& mark) {
        return QStringLiteral("    12") + blanks(2) + QStringLiteral("C000001     ") + QStringLiteral("E0001       ") +
               blanks(1) + amount("12,000") + blanks(1) + amount("9,000") + blanks(1) + amount("7,000") + blanks(1) +
               amount("10,000") + blanks(1) + amount("500") + blanks(1) + amount("800") + blanks(1) +
               QStringLiteral("2009/04/10") + blanks(1) + paid + blanks(2) + mark;
    }
    static OrderLineRec sampleLine() {
        OrderLineRec l;
        l.個別No = 101;
        l.受注No = 12;
        l.商品コード = QStringLiteral("G000001");
        l.個数 = 3;
        l.個別定価 = C::fromUnits(2000);
        l.個別仕切値 = C::fromUnits(1800);
        l.個別原価 = C::fromUnits(1200);
        l.個別販売価格 = C::fromUnits(1500);
        l.個別消費税 = C::fromUnits(75);
        l.キャンセル = QStringLiteral("X");
        return l;
    }
    static QString lineText(int lead) {
        return blanks(lead) + QStringLiteral("   101") + blanks(2) + QStringLiteral("    12") + blanks(2) +
               QStringLiteral("G000001     ") + blanks(1) + amount("3") + blanks(1) + amount("2,000") + blanks(1) +
               amount("1,800") + blanks(1) + amount("1,200") + blanks(1) + amount("1,500") + blanks(1) +
               amount("75") + blanks(1) + QStringLiteral("キャンセル");
    }

    core::AppState app;
    ReportState rs;
    print::TextTarget text;
};

const QString kOrderHeads = QStringLiteral("受注No. 顧客コード  社員コード      定価金額      仕切値        原価    販売金額    消費税額        送料 受注日付   入金日      キャンセル");
const QString kLineHeads = QStringLiteral("個別No. 受注No. 商品コード          個数        定価      仕切値        原価    販売価格      消費税 キャンセル");

TEST_F(RenderTest, OrderListsOfLayoutD) {
    struct Member {
        int kind;
        OrderRec ReportState::*buffer;
        void (*header)(ReportState&, print::RenderTarget&, const QString&, bool);
        void (*data)(ReportState&, print::RenderTarget&, const QString&, bool);
        const char16_t* title;
    };
    const Member members[] = {
        {kRecG, &ReportState::gRecRecG, RenderHeaderRecG, RenderDataRecG, u"受注データ一覧"},
        {kInfC, &ReportState::gRecInfC, RenderHeaderInfC, RenderDataInfC, u"顧客別受注情報"},
        {kInfS, &ReportState::gRecInfS, RenderHeaderInfS, RenderDataInfS, u"社員別受注情報"},
        {kGetD, &ReportState::gRecGetD, RenderHeaderGetD, RenderDataGetD, u"入金済み受注一覧"},
        {kGetY, &ReportState::gRecGetY, RenderHeaderGetY, RenderDataGetY, u"未入金受注一覧"},
    };
    for (const Member& m : members) {
        useDefault(m.kind);
        text.clear();
        m.header(rs, text, kNone, false);
        EXPECT_EQ(text.text(), QString::fromUtf16(m.title) + kCrLf + kCrLf + kOrderHeads + kCrLf);

        rs.*m.buffer = sampleOrder();
        text.clear();
        m.data(rs, text, kNone, false);
        EXPECT_EQ(text.text(), orderLine(blanks(10), kNotCancelled)) << m.kind;

        (rs.*m.buffer).入金日 = ole(2009, 5, 1);
        (rs.*m.buffer).キャンセル = QStringLiteral("X");
        text.clear();
        m.data(rs, text, kNone, false);
        EXPECT_EQ(text.text(), orderLine(QStringLiteral("2009/05/01"), QStringLiteral("キャンセル"))) << m.kind;
    }
    // 受注日付 0 prints as the day the count starts from.
    rs.gRecRecG.受注日付 = 0;
    text.clear();
    RenderDataRecG(rs, text, kNone, false);
    EXPECT_TRUE(text.text().contains(QStringLiteral(" 1899/12/30 ")));
}

TEST_F(RenderTest, OrderLineListsOfLayoutE) {
    for (int kind : {kRecD, kInfM}) {
        useDefault(kind);
        text.clear();
        if (kind == kRecD) {
            RenderHeaderRecD(rs, text, kNone, false);
            EXPECT_EQ(text.text(), QStringLiteral("受注個別データ一覧") + kCrLf + kCrLf + kLineHeads + kCrLf);
        } else {
            RenderHeaderInfM(rs, text, kNone, false);
            EXPECT_EQ(text.text(), QStringLiteral("商品別受注情報") + kCrLf + kCrLf + kLineHeads + kCrLf);
        }
    }
    rs.gRecRecD = sampleLine();
    rs.gRecInfM = sampleLine();
    text.clear();
    RenderDataRecD(rs, text, kNone, false);
    EXPECT_EQ(text.text(), lineText(0));
    text.clear();
    RenderDataInfM(rs, text, kNone, false);
    EXPECT_EQ(text.text(), lineText(0));
}

TEST_F(RenderTest, GoodsListsOfLayoutA) {
    GoodsRec g;
    g.商品No = 7;
    g.商品コード = QStringLiteral("G000001");
    g.商品名 = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ"); // 30 wide characters
    g.個別定価 = C::fromUnits(2000);
    g.個別仕切値 = C::fromUnits(1800);
    g.個別原価 = C::fromUnits(1200);
    g.消費税率 = 5;
    g.在庫量 = -3;
    g.在庫発注点 = 10;
    g.商品カテゴリ = QStringLiteral("文房具カテゴリ");
    const QString expected = QStringLiteral("     7") + blanks(2) + QStringLiteral("G000001     ") +
                             QStringLiteral("あいうえおかきくけこ") + blanks(1) + amount("2,000") + blanks(1) +
                             amount("1,800") + blanks(1) + amount("1,200") + blanks(2) + QStringLiteral("      5.00") +
                             blanks(1) + amount("-3") + blanks(1) + amount("10") + blanks(4) +
                             QStringLiteral("文房具カテゴリ   ");
    for (int kind : {kComm, kLack}) {
        useDefault(kind);
        text.clear();
        if (kind == kComm) {
            rs.gRecComm = g;
            RenderHeaderComm(rs, text, kNone, false);
            EXPECT_TRUE(text.text().startsWith(QStringLiteral("商品マスタ一覧\r\n\r\n商品No. 商品コード")));
            text.clear();
            RenderDataComm(rs, text, kNone, false);
        } else {
            rs.gRecLack = g;
            RenderHeaderLack(rs, text, kNone, false);
            EXPECT_TRUE(text.text().startsWith(QStringLiteral("在庫不足商品一覧\r\n\r\n商品No. 商品コード")));
            text.clear();
            RenderDataLack(rs, text, kNone, false);
        }
        // The category takes the number form: 7 characters left-filled into 10 positions, never cut.
        EXPECT_EQ(text.text(), expected) << kind;
    }
}

TEST_F(RenderTest, ClientsTakeTwoLinesAndBlankFaxAndMail) {
    useDefault(kCli);
    RenderHeaderCli(rs, text, kNone, false);
    EXPECT_EQ(text.text(), QStringLiteral("顧客マスタ一覧\r\n\r\n顧客No.   顧客コード  顧客名\r\n〒        住所                TEL           FAX           E-Mail\r\n"));
    ClientRec c;
    c.顧客No = 3;
    c.顧客コード = QStringLiteral("C000003");
    c.顧客名 = QStringLiteral("株式会社テスト");
    c.郵便番号 = QStringLiteral("100-0001");
    c.住所 = QStringLiteral("東京都千代田区");
    c.TEL = QStringLiteral("03-0000-0000");
    c.FAX = QStringLiteral(" ");
    c.EMail = QStringLiteral(" ");
    rs.gRecCli = c;
    text.clear();
    RenderDataCli(rs, text, kNone, false);
    EXPECT_EQ(text.text(), QStringLiteral("     3") + blanks(4) + QStringLiteral("C000003     ") +
                               QStringLiteral("株式会社テスト") + blanks(6) + kCrLf + QStringLiteral("100-0001  ") +
                               QStringLiteral("東京都千代田区") + blanks(6) + QStringLiteral("03-0000-0000  ") +
                               blanks(14) + blanks(20));
}

TEST_F(RenderTest, EmployeesAndSurplusFormatItems) {
    useDefault(kEmp);
    rs.gRecEmp = {5, QStringLiteral("E0005"), QStringLiteral("山田太郎")};
    RenderHeaderEmp(rs, text, kNone, false);
    EXPECT_EQ(text.text(), QStringLiteral("社員マスタ一覧\r\n\r\n社員No.   社員コード  氏名\r\n"));
    text.clear();
    RenderDataEmp(rs, text, kNone, false);
    const QString line = QStringLiteral("     5") + blanks(4) + QStringLiteral("E0005       ") + QStringLiteral("山田太郎") + blanks(12);
    EXPECT_EQ(text.text(), line);

    // A fourth FORMAT item finds no field and adds nothing.
    useLayout(kEmp, layout({u"[DATA]", u"FORMAT=\"0\"", u"FORMAT=\"@\"", u"FORMAT=\"@\"", u"FORMAT=\"0000\"", u"HEADER=\"|\""}));
    text.clear();
    RenderDataEmp(rs, text, kNone, false);
    EXPECT_EQ(text.text(), QStringLiteral("5E|")); // one column: the code cut to "E", the name to nothing
}

TEST_F(RenderTest, OrdersWithTheirLines) {
    struct Member {
        int kind;
        void (*h1)(ReportState&, print::RenderTarget&, const QString&, bool);
        void (*h2)(ReportState&, print::RenderTarget&, const QString&, bool);
        void (*d1)(ReportState&, print::RenderTarget&, const QString&, bool);
        void (*d2)(ReportState&, print::RenderTarget&, const QString&, bool);
        const char16_t* title;
    };
    const Member members[] = {
        {kInfA, RenderHeaderInfA, RenderHeader2InfA, RenderDataInfA, RenderData2InfA, u"受注情報"},
        {kCncl, RenderHeaderCncl, RenderHeader2Cncl, RenderDataCncl, RenderData2Cncl, u"受注キャンセル情報"},
    };
    rs.gRecInfA = rs.gRecCncl = sampleOrder();
    rs.gRecInfALine = rs.gRecCnclLine = sampleLine();
    for (const Member& m : members) {
        useDefault(m.kind);
        text.clear();
        m.h1(rs, text, kNone, false);
        m.d1(rs, text, kNone, false);
        text.appendText(kCrLf);
        m.h2(rs, text, kNone, false);
        m.d2(rs, text, kNone, false);
        EXPECT_EQ(text.text(), QString::fromUtf16(m.title) + kCrLf + kCrLf + kOrderHeads + kCrLf +
                                   orderLine(blanks(10), kNotCancelled) + kCrLf + QStringLiteral("  ") + kLineHeads +
                                   kCrLf + lineText(2));
    }
}

TEST_F(RenderTest, SectionRanges) {
    // [HEADER2] between [HEADER] and [DATA]: the header takes the line heading as well.
    useLayout(kInfA, layout({u"[HEADER]", u"HEADER=\"a\"", u"[HEADER2]", u"HEADER=\"b\"", u"[DATA]", u"HEADER=\"d\"",
                             u"[DATA2]", u"HEADER=\"e\""}));
    RenderHeaderInfA(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("ab"));
    RenderHeader2InfA(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("b"));
    RenderDataInfA(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("d"));
    RenderData2InfA(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("e"));

    // [HEADER] without a later [DATA] draws nothing; [DATA] as the last token draws nothing.
    useLayout(kRecG, layout({u"[DATA]", u"HEADER=\"d\"", u"[HEADER]", u"HEADER=\"h\""}));
    RenderHeaderRecG(rs, text, kNone, false);
    RenderDataRecG(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("d"));
    useLayout(kRecG, layout({u"[HEADER]", u"HEADER=\"h\"", u"[DATA]"}));
    RenderHeaderRecG(rs, text, kNone, false);
    RenderDataRecG(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("h"));

    // [HEADER2] with neither data marker after it.
    useLayout(kCncl, layout({u"[HEADER2]", u"HEADER=\"b\"", u"[FOOTER]"}));
    RenderHeader2Cncl(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QString());

    // The invoice header needs no [DATA] and ends at [FOOTER]; a last [FOOTER] draws nothing.
    useLayout(kInv, layout({u"[HEADER]", u"HEADER=\"h\"", u"[FOOTER]", u"HEADER=\"f\""}));
    RenderHeaderInv(rs, text, kNone, false);
    RenderFooterInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("hf"));
    useLayout(kInv, layout({u"[HEADER]", u"HEADER=\"h\"", u"[FOOTER]"}));
    RenderFooterInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QString());
}

TEST_F(RenderTest, TextItems) {
    struct Case {
        std::initializer_list<const char16_t*> lines;
        const char16_t* expected;
    };
    const Case cases[] = {
        {{u"[HEADER]", u"HEADER=\"a\"", u"SPACE=2", u"HEADER=\"b\"", u"CRLF=1", u"[DATA]"}, u"a  b\r\n"},
        {{u"[HEADER]", u"HEADER=\"a\"", u"CRLF=3", u"[DATA]"}, u"a\r\n\r\n\r\n"},
        {{u"[HEADER]", u"HEADER=\"a\"", u"CRLF=0", u"HEADER=\"b\"", u"[DATA]"}, u"ab"},
        {{u"[HEADER]", u"HEADER=\"a\"", u"FONTSIZE=12", u"SPACE=0", u"HEADER=\"b\"", u"[RIGHT]", u"[DATA]"}, u"ab"},
        {{u"[HEADER]", u"FORMAT=\"0\"", u"MAXLINE=3", u"[COMMON]", u"HEADER=\"c\"", u"[DATA]"}, u"c"},
    };
    for (const Case& c : cases) {
        useLayout(kComm, layout(c.lines));
        RenderHeaderComm(rs, text, kNone, false);
        EXPECT_EQ(text.take(), QString::fromUtf16(c.expected));
    }
}

TEST_F(RenderTest, DeviceLinesAndFontSizes) {
    print::RecordingTarget dev;
    useDefault(kComm);
    dev.setCurrentY(5000);
    RenderHeaderComm(rs, dev, kNone, true);
    // The title at the top left in size 10; CRLF=2 moves three lines; the headings in size 9.
    const auto& e = dev.entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].text, QStringLiteral("商品マスタ一覧"));
    EXPECT_EQ(e[0].y, 0);
    EXPECT_EQ(e[0].fontSize, 10);
    EXPECT_EQ(e[1].text, kCrLf);
    EXPECT_EQ(e[2].y, 600);
    EXPECT_EQ(e[2].fontSize, 9);
    EXPECT_EQ(dev.currentY(), 780);

    // The information lists continue where the caller left the device.
    useDefault(kInfC);
    print::RecordingTarget dev2;
    dev2.print(QStringLiteral("全年度分　"));
    RenderHeaderInfC(rs, dev2, kNone, true);
    EXPECT_EQ(dev2.entries()[1].y, 180);
    EXPECT_EQ(dev2.entries()[1].x, 0);

    // FONTSIZE prints a pending text first and scales by gPrintScale (at least one point).
    struct Case {
        double scale;
        double size;
    };
    for (const Case c : {Case{1.0, 10}, Case{0.35, 4}, Case{0.2, 2}, Case{0.01, 1}, Case{0.0, 1}}) {
        print::RecordingTarget d;
        rs.gPrintScale = c.scale;
        useLayout(kRecG, layout({u"[HEADER]", u"HEADER=\"a\"", u"FONTSIZE=10", u"HEADER=\"b\"", u"CRLF=0", u"[DATA]"}));
        RenderHeaderRecG(rs, d, kNone, true);
        ASSERT_EQ(d.entries().size(), 2u);
        EXPECT_EQ(d.entries()[0].text, QStringLiteral("a"));
        EXPECT_EQ(d.entries()[0].fontSize, 9);
        EXPECT_EQ(d.entries()[1].fontSize, c.size) << c.scale;
    }
    rs.gPrintScale = 1.0;

    // CRLF=0 on a device still prints the pending line; CRLF=1 with nothing pending prints an empty line.
    print::RecordingTarget d3;
    useLayout(kRecG, layout({u"[HEADER]", u"CRLF=1", u"HEADER=\"x\"", u"CRLF=0", u"[DATA]"}));
    RenderHeaderRecG(rs, d3, kNone, true);
    EXPECT_EQ(d3.printedTexts(), (QStringList{QString(), QStringLiteral("x")}));
}

TEST_F(RenderTest, InvoiceOnTheTextTarget) {
    useDefault(kInv);
    app.gCompany.CompanyName = QStringLiteral("ヴァルノクス商事");
    app.gCompany.ZipCode = QStringLiteral("100-0001");
    app.gCompany.Address1 = QStringLiteral("東京都千代田区");
    app.gCompany.Address2 = QStringLiteral("千代田1-1");
    app.gCompany.Address3 = QString();
    app.gCompany.Tel = QStringLiteral("03-0000-0000");
    app.gCompany.Fax = QStringLiteral("03-0000-0001");
    app.gCompany.Web = QStringLiteral("www.example.jp");
    app.gCompany.Mail = QStringLiteral("info@example.jp");
    InvoiceHeadRec& h = rs.gRecInvHead;
    h.受注No = 12;
    h.顧客名 = QStringLiteral("株式会社テスト");
    h.受注日付 = ole(2009, 4, 10);
    h.販売金額 = C::fromUnits(10000);
    h.消費税額 = C::fromUnits(500);
    h.送料 = C::fromUnits(800);
    RenderHeaderInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(),
              QStringLiteral("株式会社テスト") + blanks(6) + QStringLiteral("御中\r\n") + QStringLiteral("2026/12/08\r\n") +
                  QStringLiteral("ご請求書\r\n\r\n") +
                  QStringLiteral("　　　　　平素、弊社をご利用いただき有り難うございます。\r\n") +
                  QStringLiteral("　　　　　下記の通りご請求申し上げます。\r\n\r\n") +
                  QStringLiteral("契約No. 　　：") + blanks(5) + QStringLiteral("    12\r\n") +
                  QStringLiteral("ご契約日　　： 2009/04/10\r\n") + QStringLiteral("販売金額　　：") + amount("10,000") +
                  kCrLf + QStringLiteral("消費税額　　：") + amount("500") + kCrLf + QStringLiteral("送料　　　　：") +
                  amount("800") + kCrLf + QStringLiteral("----------------------------------\r\n") +
                  QStringLiteral("ご請求額合計：") + amount("11,300") + kCrLf + kCrLf + QStringLiteral("内訳\r\n") +
                  QStringLiteral("商品コード  商品名                      単価        数量      消費税"));

    InvoiceLineRec& l = rs.gRecInvLine;
    l.商品コード = QStringLiteral("G000001");
    l.商品名 = QStringLiteral("ボールペン");
    l.個別販売価格 = C::fromUnits(1500);
    l.個数 = 3;
    l.個別消費税 = C::fromUnits(75);
    const QString lead = QStringLiteral("G000001     ") + QStringLiteral("ボールペン") + blanks(10) + blanks(1) +
                         amount("1,500") + blanks(1) + amount("3") + blanks(1);
    app.gCompany.TaxPerLine = core::kFalse;
    RenderDataInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), lead + blanks(11));
    app.gCompany.TaxPerLine = core::kTrue;
    RenderDataInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), lead + amount("75"));

    RenderFooterInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("\r\n\r\n") + QStringLiteral("ヴァルノクス商事") + blanks(4) + kCrLf +
                               QStringLiteral("〒100-0001東京都千代田区") + blanks(6) + kCrLf +
                               QStringLiteral("千代田1-1") + blanks(11) + kCrLf + blanks(20) + kCrLf +
                               QStringLiteral("TEL   :03-0000-0000") + blanks(8) + kCrLf +
                               QStringLiteral("FAX   :03-0000-0001") + blanks(8) + kCrLf +
                               QStringLiteral("WEB   :www.example.jp") + blanks(6) + kCrLf +
                               QStringLiteral("E-MAIL:") + blanks(5) + QStringLiteral("info@example.jp"));
}

TEST_F(RenderTest, InvoiceOnADevice) {
    useDefault(kInv);
    rs.gRecInvHead.顧客名 = QStringLiteral("株式会社テスト");
    print::RecordingTarget dev;
    RenderHeaderInv(rs, dev, kNone, true);
    const auto& e = dev.entries();
    const double w = dev.scaleWidth();
    // Name line left in size 15; the date right in size 9; the title centred in size 12, then its extra break.
    EXPECT_EQ(e[0].x, 0);
    EXPECT_EQ(e[0].fontSize, 15);
    EXPECT_EQ(e[1].text, QStringLiteral("2026/12/08"));
    EXPECT_EQ(e[1].x, w - 10 * 90);
    EXPECT_EQ(e[1].fontSize, 9);
    EXPECT_EQ(e[2].text, QStringLiteral("ご請求書"));
    EXPECT_EQ(e[2].x, (w - 8 * 120) / 2);
    EXPECT_EQ(e[3].text, kCrLf);
    EXPECT_EQ(e[4].x, 0); // greetings at the left
    // The contract number line is right-aligned as a whole.
    const QString contract = QStringLiteral("契約No. 　　：") + blanks(5) + QStringLiteral("     0");
    EXPECT_EQ(e[6].text, kCrLf);
    EXPECT_EQ(e[7].text, contract);
    EXPECT_EQ(e[7].x, w - 25 * 90);
    // The heading line has no CRLF of its own and is printed at the end of the range, at the left.
    EXPECT_EQ(e.back().text, QStringLiteral("商品コード  商品名                      単価        数量      消費税"));
    EXPECT_EQ(e.back().x, 0);

    // The blank twin moves the device by the same lines in the same sizes.
    print::RecordingTarget blank;
    RenderHeaderBlankInv(rs, blank, kNone, true);
    ASSERT_EQ(blank.entries().size(), e.size());
    for (size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(blank.entries()[i].y, e[i].y) << i;
        EXPECT_EQ(blank.entries()[i].fontSize, e[i].fontSize) << i;
        EXPECT_TRUE(blank.entries()[i].text.trimmed().isEmpty()) << i;
    }
    EXPECT_EQ(blank.entries()[0].text, blanks(2)); // one blank for the name, one for "御中"
    print::RecordingTarget lineDev, blankLineDev;
    RenderDataInv(rs, lineDev, kNone, true);
    RenderDataBlankInv(rs, blankLineDev, kNone, true);
    EXPECT_EQ(blankLineDev.printedTexts(), QStringList{blanks(8)});
    EXPECT_EQ(blankLineDev.currentY(), lineDev.currentY());

    // A centred empty line: CurrentX at half the width, and centring stays for the next lines.
    useLayout(kInv, layout({u"[FOOTER]", u"[CENTER]", u"CRLF=2", u"HEADER=\"ab\"", u"CRLF=1"}));
    print::RecordingTarget foot;
    RenderFooterInv(rs, foot, kNone, true);
    ASSERT_EQ(foot.entries().size(), 3u);
    EXPECT_EQ(foot.entries()[0].x, w / 2);
    EXPECT_EQ(foot.entries()[1].text, kCrLf);
    EXPECT_EQ(foot.entries()[2].x, (w - 180) / 2);

    // Two texts with [RIGHT] between them make one right-aligned line.
    useLayout(kInv, layout({u"[HEADER]", u"HEADER=\"ab\"", u"[RIGHT]", u"HEADER=\"cd\"", u"CRLF=1"}));
    print::RecordingTarget two;
    RenderHeaderInv(rs, two, kNone, true);
    ASSERT_EQ(two.entries().size(), 1u);
    EXPECT_EQ(two.entries()[0].text, QStringLiteral("abcd"));
    EXPECT_EQ(two.entries()[0].x, w - 360);
}

TEST_F(RenderTest, InvoiceSurplusFieldsAndNameCut) {
    useLayout(kInv, layout({u"[HEADER]", u"FORMAT=\"!@@@@@@@@@@@@@@@@@@@@\"", u"FORMAT=\"\"", u"FORMAT=\"\"", u"FORMAT=\"\"",
                            u"FORMAT=\"\"", u"FORMAT=\"\"", u"FORMAT=\"\"", u"FORMAT=\"\"", u"FORMAT=\"x\"",
                            u"[DATA]", u"FORMAT=\"\"", u"FORMAT=\"\"", u"FORMAT=\"\"", u"FORMAT=\"\"",
                            u"FORMAT=\"!@@@@@\"", u"FORMAT=\"x\""}));
    rs.gRecInvHead = {};
    rs.gRecInvHead.顧客名 = QStringLiteral("a") + QStringLiteral("株").repeated(10); // column 21 would be crossed
    RenderHeaderInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("a") + QStringLiteral("株").repeated(9) + QStringLiteral("2026/12/0801899/12/300000"));
    rs.gRecInvLine = {};
    app.gCompany.TaxPerLine = core::kFalse;
    RenderDataInv(rs, text, kNone, false);
    EXPECT_EQ(text.take(), QStringLiteral("00") + blanks(6)); // the "!" counts
}

TEST_F(RenderTest, PageNumberCentredOnTheLastLine) {
    print::RecordingTarget dev(10773, 15704);
    PrintPageNumber(dev, 12);
    ASSERT_EQ(dev.entries().size(), 1u);
    EXPECT_EQ(dev.entries()[0].text, QStringLiteral("- 12 -"));
    EXPECT_EQ(dev.entries()[0].x, 5116); // (10773 - 540) / 2 truncated
    EXPECT_EQ(dev.entries()[0].y, 15704 - 180);
}

} // namespace
