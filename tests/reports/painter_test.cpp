// The painter target: a report page drawn on a picture and into a PDF, in twips and the fixed-pitch font.
#include "print/PainterTarget.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QPdfWriter>
#include <gtest/gtest.h>

using namespace reports;

namespace {

void drawInvoicePage(ReportState& rs, print::RenderTarget& t) {
    rs.gRecInvHead.受注No = 12;
    rs.gRecInvHead.顧客名 = QStringLiteral("株式会社テスト");
    rs.gRecInvHead.販売金額 = db::Currency::fromUnits(10000);
    rs.gRecInvHead.消費税額 = db::Currency::fromUnits(500);
    rs.gRecInvHead.送料 = db::Currency::fromUnits(800);
    RenderHeaderInv(rs, t, QString(), true);
    t.print(QString());
    for (int i = 1; i <= 3; ++i) {
        rs.gRecInvLine.商品コード = QStringLiteral("G00000%1").arg(i);
        rs.gRecInvLine.商品名 = QStringLiteral("ボールペン%1号").arg(i);
        rs.gRecInvLine.個数 = i;
        rs.gRecInvLine.個別販売価格 = db::Currency::fromUnits(1500);
        rs.gRecInvLine.個別消費税 = db::Currency::fromUnits(75 * i);
        RenderDataInv(rs, t, QString(), true);
    }
    RenderDataBlankInv(rs, t, QString(), true);
    RenderFooterInv(rs, t, QString(), true);
    PrintPageNumber(t, 1);
}

class PainterTest : public ::testing::Test {
protected:
    PainterTest() : rs(app) {
        app.gFrmtText[kInv] = DefaultLayoutText(kInv);
        app.gFrmtCount[kInv] = DefaultLayoutLines(kInv);
        FrmtLoadTokens(rs, kInv);
        app.gCompany.CompanyName = QStringLiteral("ヴァルノクス商事");
        app.gCompany.ZipCode = QStringLiteral("100-0001");
        app.gCompany.Address1 = QStringLiteral("東京都千代田区");
        app.gCompany.Tel = QStringLiteral("03-0000-0000");
        app.gCompany.TaxPerLine = core::kTrue;
    }
    core::AppState app;
    ReportState rs;
    testenv::TempFolder dir;
};

TEST_F(PainterTest, PictureInTwipsWithTheJapaneseFont) {
    QImage page(794, 1123, QImage::Format_RGB32); // A4 at 96 dpi
    page.setDotsPerMeterX(3780);
    page.setDotsPerMeterY(3780);
    page.fill(Qt::white);
    {
        print::PainterTarget t(&page);
        ASSERT_TRUE(t.isActive());
        EXPECT_NEAR(t.scaleWidth(), 794 * 15.0, 20);
        t.setFontSize(9);
        // Fixed pitch: a double-width character takes two half-width ones.
        EXPECT_NEAR(t.textWidth(QStringLiteral("商品")), t.textWidth(QStringLiteral("abcd")), 1.0);
        EXPECT_NEAR(t.textWidth(QStringLiteral("abcd")), 4 * 90, 20);
        EXPECT_GT(t.textHeight(QStringLiteral("a")), 150);
        EXPECT_EQ(t.textHeight(QStringLiteral("a\r\nb")), 2 * t.textHeight(QStringLiteral("a")));
        drawInvoicePage(rs, t);
        // The page number ends on the last line.
        EXPECT_NEAR(t.currentY(), t.scaleHeight(), 1.0);
    }
    int dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            dark += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(dark, 2000);
    const QString out = qEnvironmentVariable("VARNOX_RENDER_OUT");
    if (!out.isEmpty())
        page.save(QDir(out).filePath(QStringLiteral("invoice.png")));
}

TEST_F(PainterTest, PdfPages) {
    const QString out = qEnvironmentVariable("VARNOX_RENDER_OUT");
    const QString path = out.isEmpty() ? dir.path(QStringLiteral("invoice.pdf")) : QDir(out).filePath(QStringLiteral("invoice.pdf"));
    {
        QPdfWriter pdf(path);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(600);
        print::PainterTarget t(&pdf);
        ASSERT_TRUE(t.isActive());
        drawInvoicePage(rs, t);
        ASSERT_TRUE(t.newPage());
        EXPECT_EQ(t.currentY(), 0);
        RenderHeaderBlankInv(rs, t, QString(), true);
        PrintPageNumber(t, 2);
        EXPECT_TRUE(t.end());
    }
    EXPECT_GT(QFileInfo(path).size(), 1000);
}

} // namespace
