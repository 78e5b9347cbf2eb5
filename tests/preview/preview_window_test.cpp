// The preview window: build on show, paging, closing after a failure; one page is saved as a
// picture to look at.
#include "PreviewTestDb.h"
#include "support/TestEnv.h"

#include "core/MainFrame.h"
#include "frame/WindowRegistry.h"
#include "preview/PreviewWindow.h"
#include "preview/Register.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace preview;
using namespace previewtest;

namespace {

class FakeMain : public core::MainFrame {
public:
    void updateCommandStates() override {}
    QWidget* window() override { return &w; }
    QWidget w;
};

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&msgs);
        makeDatabase(s, tmp.path(QStringLiteral("co.vrd")));
        setAllLayouts(s, 20);
        s.gMainForm = &main;
        db::Database d(s.gDbPath);
        for (int i = 1; i <= 45; ++i)
            addGoods(d, i, QStringLiteral("G%1").arg(i, 3, 10, QLatin1Char('0')), i % 7, 3);
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    QPointer<frmPreview> open(const QString& report) {
        s.gReportName = report;
        QPointer<frmPreview> w = new frmPreview(s);
        w->setWaitOneSecond([] {});
        w->resize(1000, 900);
        w->show();
        for (int i = 0; i < 100 && w && !w->built(); ++i)
            QTest::qWait(10);
        return w;
    }

    testenv::TempFolder tmp;
    core::AppState s;
    ui::RecordingMessageService msgs;
    FakeMain main;
};

TEST_F(PreviewWindowTest, BuildsAllPagesAndPagesThroughThem) {
    QPointer<frmPreview> w = open(QStringLiteral("商品マスタ"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("印刷プレビュー＜商品マスタ＞"));
    EXPECT_FALSE(main.w.isEnabled());
    EXPECT_EQ(w->pageCount(), 3);
    EXPECT_EQ(w->page(), 1);
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(w->visiblePage()->isVisible());
    struct Step {
        bool forward;
        int page;
        bool forEnabled;
        bool backEnabled;
    };
    EXPECT_TRUE(w->cmdFor()->isEnabled());
    EXPECT_FALSE(w->cmdBack()->isEnabled());
    const Step steps[] = {{true, 2, true, true}, {true, 3, false, true}, {false, 2, true, true},
                          {false, 1, true, false}};
    for (const Step& st : steps) {
        if (st.forward)
            w->cmdFor()->click();
        else
            w->cmdBack()->click();
        EXPECT_EQ(w->page(), st.page);
        EXPECT_EQ(w->cmdFor()->isEnabled(), st.forEnabled);
        EXPECT_EQ(w->cmdBack()->isEnabled(), st.backEnabled);
    }
    const QImage page = w->visiblePage()->pixmap().toImage();
    EXPECT_EQ(page, w->pageImage(1).convertToFormat(page.format()));
    w->grab().save(tmp.path(QStringLiteral("preview.png")));
    if (const QByteArray out = qgetenv("VARNOX_PREVIEW_PNG"); !out.isEmpty())
        w->grab().save(QString::fromLocal8Bit(out));

    // The print button without a print command says so and leaves the preview as it is.
    w->cmdPrint()->click();
    EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("商品マスタの印刷コマンドがありません。")});
    EXPECT_TRUE(w);
    EXPECT_EQ(s.gPrintMode, core::kFalse);

    w->cmdClose()->click();
    QTest::qWait(10);
    EXPECT_FALSE(w);
    EXPECT_TRUE(main.w.isEnabled());
}

TEST_F(PreviewWindowTest, FailedBuildClosesTheWindow) {
    QPointer<frmPreview> w = open(QStringLiteral("受注データ一覧"));
    EXPECT_EQ(msgs.texts(), QStringList{QStringLiteral("データが空です。")});
    for (int i = 0; i < 50 && w; ++i)
        QTest::qWait(10);
    EXPECT_FALSE(w);
    EXPECT_TRUE(main.w.isEnabled());
}

TEST_F(PreviewWindowTest, InvoicePageIsDrawnWithHeaderLinesAndFooter) {
    {
        db::Database d(s.gDbPath);
        addClient(d, 1, QStringLiteral("C1"), QStringLiteral("山田商店"));
        addOrder(d, 1, QDate(2024, 5, 1));
        for (int i = 1; i <= 3; ++i)
            addLine(d, i, 1, QStringLiteral("G%1").arg(i, 3, 10, QLatin1Char('0')));
    }
    s.gCompany.CompanyName = QStringLiteral("株式会社ヴァルノクス");
    s.gInvPrintScope = 1;
    s.gInvFooterOn = core::kTrue;
    QPointer<frmPreview> w = open(QStringLiteral("請求書"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->pageCount(), 1);
    EXPECT_FALSE(w->cmdFor()->isEnabled());
    if (const QByteArray out = qgetenv("VARNOX_INVOICE_PNG"); !out.isEmpty())
        w->grab().save(QString::fromLocal8Bit(out));
    ui::CloseByCode(w);
}

} // namespace
