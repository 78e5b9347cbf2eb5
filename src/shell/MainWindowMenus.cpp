// The main window's menu tree, report submenus and toolbar, built from tables.
#include "shell/MainWindow.h"

#include "ui/Icons.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

namespace shell {

using namespace core;

namespace {

// One row of the menu tree; "-" is a separator. Parent "" is the menu bar.
struct MenuDef {
    const char* name;
    const char* caption;
    const char* parent;
    const char* shortcut;
    void (MainWindow::*handler)();
    bool checkable;
};

const MenuDef kMenus[] = {
    {"mnuFile", "ファイル(&F)", "", nullptr, nullptr, false},
    {"mnuFileNew", "ＤＢ作成(&N)", "mnuFile", "Ctrl+N", &MainWindow::mnuFileNew_Click, false},
    {"mnuFileOpen", "ＤＢオープン(&O)", "mnuFile", "Ctrl+O", &MainWindow::mnuFileOpen_Click, false},
    {"mnuFileClose", "ＤＢを閉じる(&C)", "mnuFile", nullptr, &MainWindow::mnuFileClose_Click, false},
    {"mnuFileBar1", "-", "mnuFile", nullptr, nullptr, false},
    {"mnuFilePageSetup", "プリンタの設定(&U)", "mnuFile", nullptr, &MainWindow::mnuFilePageSetup_Click, false},
    {"mnuFilePrintPreview", "印刷プレビュー(&V)", "mnuFile", nullptr, nullptr, false},
    {"mnuFilePrint", "印刷(&P)", "mnuFile", nullptr, nullptr, false},
    {"mnuDum2", "-", "mnuFile", nullptr, nullptr, false},
    {"mnuFileExit", "Varnoxの終了(&X)", "mnuFile", nullptr, &MainWindow::mnuFileExit_Click, false},
    {"mnuVIew", "表示(&V)", "", nullptr, nullptr, false},
    {"mnuViewToolbar", "ツールバー(&T)", "mnuVIew", nullptr, &MainWindow::mnuViewToolbar_Click, true},
    {"mnuViewStatusBar", "ステータスバー(&B)", "mnuVIew", nullptr, &MainWindow::mnuViewStatusBar_Click, true},
    {"mnuTip", "Ｔｉｐ表示(&H)", "mnuVIew", nullptr, &MainWindow::mnuTip_Click, true},
    {"mnuViewAutoFOcus", "オートフォーカス(&A)", "mnuVIew", nullptr, &MainWindow::mnuViewAutoFOcus_Click, true},
    {"mnuViewBar2", "-", "mnuVIew", nullptr, nullptr, false},
    {"mnuViewRefresh", "リフレッシュ(&R)", "mnuVIew", nullptr, &MainWindow::mnuViewRefresh_Click, false},
    {"mnuOperate", "操作(&O)", "", nullptr, nullptr, false},
    {"mnuOrder", "受注データ入力(&G)", "mnuOperate", "Ctrl+G", &MainWindow::mnuOrder_Click, false},
    {"mnuReceipt", "入金処理(&M)", "mnuOperate", "Ctrl+M", &MainWindow::mnuReceipt_Click, false},
    {"mnuCancel", "キャンセル処理(&T)", "mnuOperate", "Ctrl+T", &MainWindow::mnuCancel_Click, false},
    {"mnuDum1", "-", "mnuOperate", nullptr, nullptr, false},
    {"mnuStockUp", "在庫更新(&Z)", "mnuOperate", nullptr, &MainWindow::mnuStockUp_Click, false},
    {"mnuDsp", "データ表示(&V)", "mnuOperate", nullptr, nullptr, false},
    {"mnuMaint", "ＤＢメンテナンス(&E)", "", nullptr, nullptr, false},
    {"mnuManComm", "商品マスタメンテナンス(&P)", "mnuMaint", nullptr, nullptr, false},
    {"mnuManCli", "顧客マスタメンテナンス(&C)", "mnuMaint", nullptr, nullptr, false},
    {"mnuManEmp", "社員マスタメンテナンス(&E)", "mnuMaint", nullptr, nullptr, false},
    {"dum50", "-", "mnuMaint", nullptr, nullptr, false},
    {"mnuImpComm", "商品マスタインポート(&G)", "mnuMaint", nullptr, nullptr, false},
    {"mnuImpCli", "顧客マスタインポート(&K)", "mnuMaint", nullptr, nullptr, false},
    {"mnuImpEmp", "社員マスタインポート(&S)", "mnuMaint", nullptr, nullptr, false},
    {"dum51", "-", "mnuMaint", nullptr, nullptr, false},
    {"mnuManRecG", "受注データメンテナンス(&R)", "mnuMaint", nullptr, nullptr, false},
    {"mnuManRecD", "受注個別データメンテナンス(&D)", "mnuMaint", nullptr, nullptr, false},
    {"dum52", "-", "mnuMaint", nullptr, nullptr, false},
    {"mnuMyNameChange", "自社情報変更(&M)", "mnuMaint", nullptr, &MainWindow::mnuMyNameChange_Click, false},
    {"mnuWindow", "ウィンドウ(&W)", "", nullptr, nullptr, false},
    {"mnuWindowCascade", "重ねて表示(&C)", "mnuWindow", nullptr, nullptr, false},
    {"mnuWindowTileHorizontal", "上下に並べて表示(&H)", "mnuWindow", nullptr, nullptr, false},
    {"mnuWindowTileVertical", "左右に並べて表示(&V)", "mnuWindow", nullptr, nullptr, false},
    {"mnuWindowArrangeIcons", "アイコンの整列(&A)", "mnuWindow", nullptr, nullptr, false},
    {"mnuHelp", "ヘルプ(&H)", "", nullptr, nullptr, false},
    {"mnuHelpContents", "ヘルプ(&H)", "mnuHelp", "F1", &MainWindow::mnuHelpContents_Click, false},
    {"mnuHelpBar1", "-", "mnuHelp", nullptr, nullptr, false},
    {"mnuHelpAbout", "Varnoxについて(&A)", "mnuHelp", nullptr, &MainWindow::mnuHelpAbout_Click, false},
    {"mnuWhatsnew", "Varnox最新情報(&N)", "mnuHelp", nullptr, &MainWindow::mnuWhatsnew_Click, false},
};

// The fourteen report items: caption and whether a separator follows.
struct ReportItem {
    const char* caption;
    bool separatorAfter;
};
const std::array<ReportItem, 14> kReportItems{{{"商品マスタ一覧(&P)", false},
                                               {"顧客マスタ一覧(&C)", false},
                                               {"社員マスタ一覧(&E)", true},
                                               {"受注データ一覧(&R)", false},
                                               {"受注個別データ一覧(&D)", true},
                                               {"請求書(&I)", true},
                                               {"受注情報(&A)", false},
                                               {"商品別受注情報(&M)", false},
                                               {"顧客別受注情報(&B)", false},
                                               {"社員別受注情報(&S)", false},
                                               {"受注キャンセル情報(&N)", true},
                                               {"在庫不足一覧(&L)", true},
                                               {"入金済み受注一覧(&T)", false},
                                               {"未入金受注一覧(&Y)", false}}};

struct ButtonDef {
    const char* key; // nullptr = separator
    const char* tip;
    QStyle::StandardPixmap icon;
};
const ButtonDef kButtons[] = {
    {"New", "ＤＢ作成", QStyle::SP_FileIcon},
    {"Open", "ＤＢオープン", QStyle::SP_DialogOpenButton},
    {"Close", "ＤＢを閉じる", QStyle::SP_DialogCloseButton},
    {nullptr, nullptr, QStyle::SP_CustomBase},
    {"Get", "受注データ入力", QStyle::SP_FileDialogNewFolder},
    {"Money", "入金処理", QStyle::SP_DialogYesButton},
    {"Invoice", "請求書印刷", QStyle::SP_FileDialogContentsView},
    {nullptr, nullptr, QStyle::SP_CustomBase},
    {"Stock", "在庫更新", QStyle::SP_DriveHDIcon},
    {nullptr, nullptr, QStyle::SP_CustomBase},
    {"Refresh", "リフレッシュ", QStyle::SP_BrowserReload},
};

} // namespace

void MainWindow::buildMenus() {
    QHash<QString, QMenu*> menus;
    for (const MenuDef& d : kMenus) {
        const QString name = QLatin1String(d.name);
        const QString caption = QString::fromUtf8(d.caption);
        const QString parent = QLatin1String(d.parent);
        QMenu* owner = parent.isEmpty() ? nullptr : menus.value(parent);
        QAction* a = nullptr;
        const bool isSubmenu = parent.isEmpty() || name == QLatin1String("mnuFilePrintPreview") ||
                               name == QLatin1String("mnuFilePrint") || name == QLatin1String("mnuDsp");
        if (isSubmenu) {
            QMenu* m = owner ? owner->addMenu(caption) : menuBar()->addMenu(caption);
            m->setObjectName(name);
            menus.insert(name, m);
            a = m->menuAction();
        } else if (caption == QLatin1String("-")) {
            a = owner->addSeparator();
        } else {
            a = owner->addAction(caption);
            if (d.shortcut)
                a->setShortcut(QKeySequence(QLatin1String(d.shortcut)));
            a->setCheckable(d.checkable);
            if (d.handler)
                connect(a, &QAction::triggered, this, [this, h = d.handler] { (this->*h)(); });
        }
        a->setObjectName(name);
        items_.insert(name, a);
        topMenu_.insert(name, parent.isEmpty() ? name : topMenu_.value(parent));
    }

    // Masters, imports and window arrangement share one handler each.
    for (const char* name : {"mnuManComm", "mnuManCli", "mnuManEmp", "mnuManRecG", "mnuManRecD"})
        connect(items_.value(QLatin1String(name)), &QAction::triggered, this,
                [this, n = QString::fromLatin1(name)] { openMaster(n); });
    for (const char* name : {"mnuImpComm", "mnuImpCli", "mnuImpEmp"})
        connect(items_.value(QLatin1String(name)), &QAction::triggered, this,
                [this, n = QString::fromLatin1(name)] { runCommand(n); });
    const char* arrangeItems[] = {"mnuWindowCascade", "mnuWindowTileHorizontal", "mnuWindowTileVertical",
                                  "mnuWindowArrangeIcons"};
    for (int i = 0; i < 4; ++i)
        connect(items_.value(QLatin1String(arrangeItems[i])), &QAction::triggered, this, [this, i] { arrange(i); });

    // The three report submenus: preview, print and list items in one order.
    const std::array<std::pair<const char*, const char*>, 3> reportMenus{
        {{"mnuFilePrintPreview", "mnuPv"}, {"mnuFilePrint", "mnuPr"}, {"mnuDsp", "mnuV"}}};
    for (const auto& [menuName, prefix] : reportMenus) {
        QMenu* m = menus.value(QLatin1String(menuName));
        for (size_t i = 0; i < kReportItems.size(); ++i) {
            const QString name = QLatin1String(prefix) + QLatin1String(kReportTags[i]);
            QAction* a = m->addAction(QString::fromUtf8(kReportItems[i].caption));
            a->setObjectName(name);
            items_.insert(name, a);
            topMenu_.insert(name, topMenu_.value(QLatin1String(menuName)));
            if (QLatin1String(prefix) == QLatin1String("mnuV"))
                connect(a, &QAction::triggered, this, [this, i] { openList(int(i)); });
            else
                connect(a, &QAction::triggered, this, [this, name] { runCommand(name); });
            if (kReportItems[i].separatorAfter)
                m->addSeparator();
        }
    }

    // The window menu lists the open child windows below its own items.
    QMenu* windowMenu = menus.value(QStringLiteral("mnuWindow"));
    connect(windowMenu, &QMenu::aboutToShow, this, [this, windowMenu] {
        const auto actions = windowMenu->actions();
        for (QAction* a : actions)
            if (a->property("childEntry").toBool())
                windowMenu->removeAction(a), a->deleteLater();
        const auto subs = mdi_->subWindowList();
        if (!subs.isEmpty())
            windowMenu->addSeparator()->setProperty("childEntry", true);
        int n = 1;
        for (QMdiSubWindow* sub : subs) {
            QAction* a = windowMenu->addAction(QStringLiteral("&%1 %2").arg(n++).arg(sub->windowTitle()));
            a->setProperty("childEntry", true);
            a->setCheckable(true);
            a->setChecked(sub == mdi_->activeSubWindow());
            connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
                if (sub)
                    mdi_->setActiveSubWindow(sub);
            });
        }
    });
}

void MainWindow::buildToolbar() {
    tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const ButtonDef& b : kButtons) {
        if (!b.key) {
            tbToolBar->addSeparator();
            continue;
        }
        const QString key = QLatin1String(b.key);
        // No text: an empty tool tip must not fall back to the action's text.
        // The style greys a dark picture only a little: a disabled button must look disabled.
        QAction* a = tbToolBar->addAction(ui::withPlainDisabled(style()->standardIcon(b.icon)), QString());
        a->setObjectName(QStringLiteral("tb") + key);
        tips_.insert(key, QString::fromUtf8(b.tip));
        buttons_.insert(key, a);
        connect(a, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }
}

void MainWindow::buildMenuPictures() {
    // The first two items of the File and the 操作 menus carry the pictures of their toolbar buttons.
    const std::array<std::pair<const char*, const char*>, 4> pictures{
        {{"mnuFileNew", "New"}, {"mnuFileOpen", "Open"}, {"mnuOrder", "Get"}, {"mnuReceipt", "Money"}}};
    for (const auto& [item, key] : pictures)
        items_.value(QLatin1String(item))->setIcon(buttons_.value(QLatin1String(key))->icon());
}

} // namespace shell
