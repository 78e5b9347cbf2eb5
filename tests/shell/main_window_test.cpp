#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include "core/ControlFile.h"
#include "masters/CompanySettingsDialog.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QSettings>
#include <QUrl>
#include <QToolBar>
#include <QScreen>
#include <gtest/gtest.h>

using namespace shell;
using namespace core;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QStringLiteral("Varnox"), QStringLiteral("Varnox")).clear();
        ui::setMessageService(&rec);
        InitFieldLimits(s);
        s.gPrinterReady = kTrue;
    }
    void TearDown() override {
        main.reset();
        ui::setMessageService(nullptr);
    }

    MainWindowHooks hooks() {
        MainWindowHooks h;
        h.animateUnload = false;
        h.newDatabaseSettings = [this](AppState& st, QWidget*,
                                       const NewDatabaseSettings*) -> std::optional<NewDatabaseSettings> {
            ++settingsShown;
            if (!settingsAnswer)
                return std::nullopt;
            st.categories.gCatCount = 0;
            st.categories.CatInit();
            st.categories.CatSet(1, QStringLiteral("食品"));
            st.categories.gCatCount = 1;
            return settingsAnswer;
        };
        h.saveDatabasePath = [this](QWidget*, const QString&) { return savePath; };
        h.openDatabasePath = [this](QWidget*, const QString&) { return openPath; };
        h.password = [this](AppState&, QWidget*, QString& typed) {
            if (passwords.empty())
                return false;
            typed = passwords.front();
            passwords.erase(passwords.begin());
            return true;
        };
        h.openUrl = [this](const QUrl& u, QObject*, const std::function<void()>&) { opened << u; };
        return h;
    }

    MainWindow& start() {
        main = std::make_unique<MainWindow>(s, hooks());
        return *main;
    }

    bool enabled(const char* name) { return main->item(QLatin1String(name))->isEnabled(); }

    testenv::TempFolder tmp;
    ui::RecordingMessageService rec;
    AppState s;
    std::unique_ptr<MainWindow> main;
    std::optional<NewDatabaseSettings> settingsAnswer = NewDatabaseSettings{};
    int settingsShown = 0;
    QString savePath;
    QString openPath;
    std::vector<QString> passwords;
    QList<QUrl> opened;
};

} // namespace

TEST_F(MainWindowTest, FirstStartUsesDefaultsAndClosedDatabaseState) {
    MainWindow& w = start();
    EXPECT_EQ(w.statusText(1), QStringLiteral("ＤＢは開いていません"));
    EXPECT_TRUE(w.item("mnuViewToolbar")->isChecked());
    EXPECT_TRUE(w.item("mnuViewStatusBar")->isChecked());
    EXPECT_TRUE(w.item("mnuTip")->isChecked());
    EXPECT_FALSE(w.item("mnuViewAutoFOcus")->isChecked());
    EXPECT_EQ(w.button("New")->toolTip(), QStringLiteral("ＤＢ作成"));
    const double dpi = w.logicalDpiX();
    // Larger than the saved default, for the largest work window, as far as the screen allows.
    EXPECT_GT(w.geometry().width(), twipsToPixels(8280, dpi));
    EXPECT_GT(w.geometry().height(), twipsToPixels(6450, dpi));
    EXPECT_TRUE(w.screen()->availableGeometry().contains(w.geometry())) << w.geometry().height();
    for (const char* on : {"mnuMaint", "mnuImpComm", "mnuFileNew", "mnuFileOpen"})
        EXPECT_TRUE(enabled(on)) << on;
    // The lists sit under 操作, which needs a database.
    for (const char* off : {"mnuOperate", "mnuDsp", "mnuVComm", "mnuVGetY", "mnuFileClose", "mnuViewRefresh",
                            "mnuFilePrint", "mnuFilePrintPreview", "mnuManComm"})
        EXPECT_FALSE(enabled(off)) << off;
    for (const char* key : {"Close", "Get", "Money", "Invoice", "Stock", "Refresh"})
        EXPECT_FALSE(w.button(QLatin1String(key))->isEnabled()) << key;
    EXPECT_TRUE(w.button("New")->isEnabled());
}

TEST_F(MainWindowTest, MenuCaptionsAndShortcuts) {
    MainWindow& w = start();
    const std::vector<std::tuple<const char*, const char*, const char*>> items = {
        {"mnuFileNew", "ＤＢ作成(&N)", "Ctrl+N"},      {"mnuFileOpen", "ＤＢオープン(&O)", "Ctrl+O"},
        {"mnuOrder", "受注データ入力(&G)", "Ctrl+G"},  {"mnuReceipt", "入金処理(&M)", "Ctrl+M"},
        {"mnuCancel", "キャンセル処理(&T)", "Ctrl+T"}, {"mnuHelpContents", "ヘルプ(&H)", "F1"},
        {"mnuVLack", "在庫不足一覧(&L)", ""},          {"mnuPrInv", "請求書(&I)", ""},
        {"mnuPvGetD", "入金済み受注一覧(&T)", ""},      {"mnuMyNameChange", "自社情報変更(&M)", ""},
    };
    for (const auto& [name, caption, key] : items) {
        QAction* a = w.item(QLatin1String(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
        EXPECT_EQ(a->shortcut().toString(), QLatin1String(key)) << name;
    }
}

TEST_F(MainWindowTest, NoPrinterHidesPrintMenusAlsoWithDatabase) {
    s.gPrinterReady = kFalse;
    MainWindow& w = start();
    savePath = tmp.path("a.vrd");
    w.mnuFileNew_Click();
    ASSERT_FALSE(s.gOpenDbName.isEmpty());
    for (const char* n : {"mnuFileBar1", "mnuFilePageSetup", "mnuFilePrintPreview", "mnuFilePrint"})
        EXPECT_FALSE(w.item(QLatin1String(n))->isVisible()) << n;
}

TEST_F(MainWindowTest, NewCloseAndOpenAgain) {
    MainWindow& w = start();
    settingsAnswer->company.CompanyName = QStringLiteral("テスト商事");
    settingsAnswer->company.Password = QStringLiteral("pw");
    savePath = tmp.path("budget"); // typed without the suffix
    w.mnuFileNew_Click();
    const QString path = tmp.path("budget.vrd");
    EXPECT_EQ(s.gDbPath, path);
    EXPECT_TRUE(QFile::exists(tmp.path("budget.vrk")));
    EXPECT_EQ(w.statusText(1), QStringLiteral("開いているＤＢ＝") + path);
    EXPECT_TRUE(enabled("mnuOperate"));
    EXPECT_TRUE(enabled("mnuFileClose"));
    EXPECT_TRUE(w.button("Get")->isEnabled());

    w.mnuFileClose_Click();
    EXPECT_TRUE(s.gDbPath.isEmpty());
    EXPECT_EQ(w.statusText(1), QStringLiteral("ＤＢは開いていません"));
    EXPECT_FALSE(enabled("mnuOperate"));

    openPath = path;
    passwords = {QStringLiteral("PW"), QStringLiteral("pw")};
    w.mnuFileOpen_Click();
    EXPECT_EQ(s.gDbPath, path);
    EXPECT_EQ(s.gCompany.CompanyName, QStringLiteral("テスト商事"));
    EXPECT_EQ(rec.beeps(), 1); // the wrong letter case
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(MainWindowTest, CancelledSaveBoxKeepsTheOpenDatabaseAsItWas) {
    MainWindow& w = start();
    savePath = tmp.path("first.vrd");
    w.mnuFileNew_Click();
    ASSERT_EQ(s.gDbPath, savePath);
    const auto sizes = s.gFieldLen;
    const auto codes = s.gReservedCode;

    settingsAnswer->fieldLen[kLenGoodsCode] = 4;
    savePath.clear(); // the save box is cancelled after the dialog's OK
    w.mnuFileNew_Click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("現在のＤＢを閉じてよろしいか？"));
    EXPECT_EQ(s.gDbPath, tmp.path("first.vrd"));
    EXPECT_EQ(s.gFieldLen, sizes);
    EXPECT_EQ(s.gReservedCode, codes);
}

TEST_F(MainWindowTest, NoToCloseQuestionChangesNothing) {
    MainWindow& w = start();
    savePath = tmp.path("first.vrd");
    w.mnuFileNew_Click();
    rec.queueAnswer(ui::Answer::No);
    w.mnuFileNew_Click();
    rec.queueAnswer(ui::Answer::No);
    w.mnuFileOpen_Click();
    rec.queueAnswer(ui::Answer::No);
    w.DROPFILES(tmp.path("other.vrd"));
    EXPECT_EQ(settingsShown, 1);
    EXPECT_EQ(s.gDbPath, tmp.path("first.vrd"));
}

TEST_F(MainWindowTest, DroppedFiles) {
    MainWindow& w = start();
    savePath = tmp.path("shop.vrd");
    w.mnuFileNew_Click();
    w.mnuFileClose_Click();

    w.DROPFILES(tmp.path("notes.txt"));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("ファイルが対象外です。"));
    EXPECT_TRUE(rec.shown()[0].beepBefore);
    EXPECT_TRUE(s.gDbPath.isEmpty());

    rec.clear();
    w.DROPFILES(tmp.path("shop.vrk")); // the control file opens its database
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(s.gDbPath, tmp.path("shop.vrd"));

    w.mnuFileClose_Click();
    w.openFromCommandLine(QLatin1Char('"') + tmp.path("shop.vrk") + QLatin1Char('"'));
    EXPECT_EQ(s.gDbPath, tmp.path("shop.vrd"));
}

TEST_F(MainWindowTest, DropEventDeliversTheFirstFile) {
    MainWindow& w = start();
    savePath = tmp.path("first.vrd");
    w.mnuFileNew_Click();
    w.mnuFileClose_Click();
    w.dropUrls({QUrl::fromLocalFile(tmp.path("first.vrk")), QUrl::fromLocalFile(tmp.path("other.txt"))});
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(s.gDbPath, tmp.path("first.vrd"));
}

TEST_F(MainWindowTest, SettingsRoundTripAndMinimizedKeepsPlacement) {
    {
        MainWindow& w = start();
        w.setGeometry(30, 40, 700, 500);
        w.item("mnuViewToolbar")->trigger();
        w.item("mnuTip")->trigger();
        w.item("mnuViewAutoFOcus")->trigger();
        w.close();
    }
    const MainSettings st = loadMainSettings();
    EXPECT_FALSE(st.toolbar);
    EXPECT_TRUE(st.statusBar);
    EXPECT_FALSE(st.tips);
    EXPECT_TRUE(st.autoFocus);
    const double dpi = main->logicalDpiX();
    EXPECT_EQ(twipsToPixels(st.width, dpi), 700);
    QSettings raw(QStringLiteral("Varnox"), QStringLiteral("Varnox"));
    EXPECT_EQ(raw.value(QStringLiteral("Settings/TBChecked")).toString(), QStringLiteral("False"));
    EXPECT_EQ(raw.value(QStringLiteral("Settings/AutoFocusChecked")).toString(), QStringLiteral("True"));

    main.reset();
    MainWindow& again = start();
    EXPECT_FALSE(again.item("mnuViewToolbar")->isChecked());
    EXPECT_FALSE(again.toolBar()->isVisibleTo(&again));
    EXPECT_EQ(again.button("Open")->toolTip(), QString());
    EXPECT_EQ(s.gAutoFocus, kTrue);
    again.show();
    again.showMinimized();
    again.close();
    EXPECT_EQ(twipsToPixels(loadMainSettings().width, dpi), 700);
}

TEST_F(MainWindowTest, ChangeCompanySettingsRewritesTheControlFile) {
    MainWindow& w = start();
    savePath = tmp.path("firm.vrd");
    w.mnuFileNew_Click();
    EXPECT_TRUE(enabled("mnuMyNameChange"));
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<masters::CompanySettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->catList->count(), 1); // the committed categories of the open database
        dlg->txtMyName->setText(QStringLiteral("新しい社名"));
        dlg->txtCat->setText(QStringLiteral("雑貨"));
        dlg->cmdAdd->click();
        dlg->cmdOK->click();
    });
    w.item("mnuMyNameChange")->trigger();
    EXPECT_EQ(s.gCompany.CompanyName, QStringLiteral("新しい社名"));
    EXPECT_EQ(s.categories.CategoryCount, 2);
    QFile ctl(tmp.path("firm.vrk"));
    ASSERT_TRUE(ctl.open(QIODevice::ReadOnly));
    const ControlData d = decodeControl(ctl.readAll());
    EXPECT_EQ(d.company.CompanyName, QStringLiteral("新しい社名"));
    EXPECT_EQ(d.categories, (QStringList{QStringLiteral("食品"), QStringLiteral("雑貨")}));
    EXPECT_EQ(d.reserved1, 1);
}

TEST_F(MainWindowTest, GrabMainWindow) {
    MainWindow& w = start();
    savePath = tmp.path("grab.vrd");
    w.mnuFileNew_Click();
    w.resize(800, 560);
    w.show();
    QCoreApplication::processEvents();
    const QString out = qEnvironmentVariable("VARNOX_GRAB_DIR");
    if (!out.isEmpty()) {
        w.grab().save(out + "/main_window.png");
        for (const char* name : {"mnuFile", "mnuMaint", "mnuDsp", "mnuOperate"}) {
            auto* m = w.findChild<QMenu*>(QLatin1String(name));
            ASSERT_NE(m, nullptr) << name;
            m->popup(QPoint(0, 0));
            QCoreApplication::processEvents();
            m->grab().save(out + "/" + QLatin1String(name) + ".png");
            m->hide();
        }
    }
    EXPECT_FALSE(w.grab().isNull());
}
