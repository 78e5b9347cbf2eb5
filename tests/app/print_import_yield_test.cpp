// The preview's print and the master import under any timing: where they let events run, a click
// waiting in the queue arrives (a second 印刷, 次ページ, 閉じる; ＤＢを閉じる, 開く of another database).
// One click on 印刷 prints once, and an import goes only into the database its file was chosen for.
#include "support/MainRoad.h"

#include "masters/ImportCommand.h"
#include "preview/PreviewWindow.h"
#include "print/PageSetup.h"
#include "print/RecordingTarget.h"
#include "printing/PrintCommands.h"
#include "reports/ProgressWait.h"
#include "ui/GuardedApplication.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

// The printer queue is what cannot run here: a recording device of the page set-up's page stands in.
struct Printed {
    std::vector<std::unique_ptr<print::RecordingTarget>> documents;
    int finished = 0;
};
class RecordingDevice : public printing::PrintDevice {
  public:
    RecordingDevice(Printed& r, print::RecordingTarget& t) : r_(r), t_(t) {}
    print::RenderTarget& target() override { return t_; }
    bool finish() override { return ++r_.finished, true; }
    void abort() override {}

  private:
    Printed& r_;
    print::RecordingTarget& t_;
};

class PrintHooksKept {
  public:
    explicit PrintHooksKept(Printed& printed) : saved_(printing::printHooks()) {
        printing::printHooks().wait = [](double) {};
        printing::printHooks().device = [&printed](const QString&) -> std::unique_ptr<printing::PrintDevice> {
            const QSizeF page = print::PageSetup::current().printableTwips();
            printed.documents.push_back(
                std::make_unique<print::RecordingTarget>(page.width(), page.height()));
            return std::make_unique<RecordingDevice>(printed, *printed.documents.back());
        };
    }
    ~PrintHooksKept() { printing::printHooks() = saved_; }

  private:
    printing::PrintHooks saved_;
};

QPointer<preview::frmPreview> openPreview(Program& p, const QString& item) {
    waitFor([&] {
        const reports::frmEditWait* f = reports::gEditWaitForm(p.state());
        return (!f || !f->isVisible()) && p.window().isEnabled();
    });
    p.trigger(item);
    QPointer<preview::frmPreview> w;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<preview::frmPreview*>(top)) w = f;
    if (w) {
        waitFor([&] { return !w || w->built(); });
        waitFor([&] { return !w || w->isEnabled(); }, 2000);
    }
    return w;
}

} // namespace

// 印刷 in the preview lets events run before it prints. A second click on 印刷, a click on 次ページ or 閉じる
// queued meanwhile: the report is printed once, and the preview closes and gives the main window back.
TEST(PrintImportYields, OneClickOnThePreviewsPrintPrintsOnceWhateverClickIsQueuedBehindIt) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    print::PageSetup::current().reset();
    Printed printed;
    PrintHooksKept hooks(printed);
    const int caught = ui::GuardedApplication::caught();
    struct Queued {
        const char* name;
        std::function<QWidget*(preview::frmPreview*)> button;
    };
    const Queued queued[] = {
        {"nothing", [](preview::frmPreview*) -> QWidget* { return nullptr; }},
        {"印刷", [](preview::frmPreview* w) -> QWidget* { return w->cmdPrint(); }},
        {"次ページ", [](preview::frmPreview* w) -> QWidget* { return w->cmdFor(); }},
        {"閉じる", [](preview::frmPreview* w) -> QWidget* { return w->cmdClose(); }},
    };
    int cases = 0;
    for (const char* item : {"mnuPvComm", "mnuPvRecG", "mnuPvRecD"})
        for (const Queued& q : queued) {
            const std::string where = std::string(item) + " / " + q.name;
            SCOPED_TRACE(where);
            QPointer<preview::frmPreview> w = openPreview(p, QLatin1String(item));
            ASSERT_TRUE(w);
            ASSERT_GT(w->pageCount(), 0);
            const int before = printed.finished;
            p.messages().clear();
            if (QWidget* b = q.button(w)) mainroad::postClick(b);
            w->cmdPrint()->click();
            waitFor([&] { return !w; }, 3000);
            ++cases;
            EXPECT_FALSE(w);
            EXPECT_LE(printed.finished, before + 1);
            if (QLatin1String(q.name) != QLatin1String("閉じる")) {
                EXPECT_EQ(printed.finished, before + 1);
            }
            EXPECT_EQ(p.messages().texts(), QStringList());
            EXPECT_EQ(p.state().gPrintMode, core::kFalse);
            waitFor([&] { return p.window().isEnabled(); }, 2000);
            EXPECT_TRUE(p.window().isEnabled());
        }
    EXPECT_EQ(cases, 12);
    EXPECT_EQ(ui::GuardedApplication::caught(), caught);
    print::PageSetup::current().reset();
}

// The import lets events run once its file is chosen. A click queued then on ＤＢを閉じる or on 開く of
// another database ends the import quietly: nothing goes into the database the file was not chosen for,
// and no box blames the file.
TEST(PrintImportYields, AnImportWhoseDatabaseWasClosedOrChangedMeanwhileStoresNothing) {
    Program p;
    const QString other = p.newDatabase(QStringLiteral("other.vrd"));
    ASSERT_FALSE(other.isEmpty());
    const QString file = p.path(QStringLiteral("new_goods.txt"));
    mainroad::writeCp932(file, {QStringLiteral("\tN01\t新商品一\t100\t80\t60\t8\t10\t2\t食品"),
                                QStringLiteral("\tN02\t新商品二\t200\t160\t120\t8\t10\t2\t食品")});
    const int caught = ui::GuardedApplication::caught();
    struct Queued {
        const char* name;
        std::function<void(Program&)> run; // what the click does
        int expectedInShop;
        QStringList asked; // the boxes the click itself shows
    };
    const Queued queued[] = {
        {"nothing", [](Program&) {}, 2, {}},
        {"ＤＢを閉じる", [](Program& p) { p.trigger(QStringLiteral("mnuFileClose")); }, 0, {}},
        {"開く",
         [&](Program& p) {
             p.nextPath(other);
             p.trigger(QStringLiteral("mnuFileOpen"));
         },
         0,
         {QStringLiteral("現在のＤＢを閉じてよろしいか？")}},
    };
    QStringList shops;
    for (int i = 0; i < 3; ++i) {
        p.openShop(QStringLiteral("shop%1.vrd").arg(i));
        shops << p.state().gDbPath;
        ASSERT_EQ(mainroad::sqlite(shops.back(), QStringLiteral("SELECT COUNT(*) FROM 商品マスタ")),
                  QString::number(Program::shopGoods().size() + 1));
    }
    int cases = 0;
    for (const Queued& q : queued) {
        SCOPED_TRACE(q.name);
        const QString shop = shops[cases];
        p.nextPath(shop);
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileOpen")));
        ASSERT_EQ(p.state().gDbPath, shop);
        masters::setOpenFileDialog([&](QWidget*, const QString&, const QString&) {
            QMetaObject::invokeMethod(
                qApp, [&] { q.run(p); }, Qt::QueuedConnection);
            return file;
        });
        p.messages().clear();
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuImpComm")));
        waitFor([] { return false; }, 100);
        ++cases;
        const QString count = QStringLiteral("SELECT COUNT(*) FROM 商品マスタ WHERE 商品コード LIKE 'N%'");
        EXPECT_EQ(mainroad::sqlite(shop, count), QString::number(q.expectedInShop));
        EXPECT_EQ(mainroad::sqlite(other, count), QStringLiteral("0"));
        EXPECT_EQ(p.messages().texts(), q.asked);
    }
    EXPECT_EQ(cases, 3);
    EXPECT_EQ(ui::GuardedApplication::caught(), caught);
}
