// The main window's own commands as a user meets them: the menu tree, the locks while a list builds and
// while the database closes, opening files that are not databases, leaving, Qt's dialogs in Japanese, and
// grids whose columns show their text.
#include "support/MainRoad.h"

#include "core/AppState.h"
#include "masters/CompanySettingsDialog.h"
#include "orders/OrderListWindow.h"
#include "reports/InvoiceOrderChooser.h"
#include "reports/ProgressWait.h"
#include "shell/Startup.h"
#include "viewers/ListWindow.h"
#include "db/Transaction.h"
#include "viewers/ViewersTestDb.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QLineEdit>
#include <QPushButton>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>
#include <memory>

using mainroad::Program;

namespace {

// Calls probe on every turn of the event loop until it returns true.
QTimer* everyTurn(std::function<bool()> probe) {
    auto* t = new QTimer(qApp);
    t->setInterval(0);
    QObject::connect(t, &QTimer::timeout, [t, probe = std::move(probe)] {
        if (probe())
            t->stop();
    });
    t->start();
    return t;
}

// A double-click on the empty client area of the main window.
void doubleClickClientArea(Program& p) {
    QWidget* area = p.window().mdiArea()->viewport();
    const QPointF at(5, 5);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, area->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(area, &twice);
}

bool progressUp(Program& p) {
    const reports::frmEditWait* f = reports::gEditWaitForm(p.state());
    return f && f->isLoaded();
}

const QString kLongClient = QStringLiteral("株式会社山田商店東京本社営業第一部");

void fillOrders(const QString& db, int goods = 0) {
    using viewerstest::ole;
    viewerstest::Filler f(db);
    f.goods(1, QStringLiteral("G01"), QStringLiteral("鉛筆"), 1, 5);
    {
        db::Transaction tx(f.db());
        for (int i = 0; i < goods; ++i)
            f.goods(10 + i, QStringLiteral("H%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("ノート"), 9, 1);
        tx.commit();
    }
    f.client(1, QStringLiteral("C01"), kLongClient);
    f.employee(1, QStringLiteral("E01"), QStringLiteral("佐藤一郎"));
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2024, 5, 1), 0, QStringLiteral(" "), 123456780000);
    f.order(2, QStringLiteral("C01"), QStringLiteral("E01"), ole(2024, 12, 24), ole(2024, 12, 28));
    f.line(1, 1, QStringLiteral("G01"), 2);
}

class ShellRoad : public testing::Test {
protected:
    void SetUp() override {
        db_ = p.newDatabase(QStringLiteral("shop.vrd"));
        ASSERT_FALSE(db_.isEmpty()) << p.messages().texts().join('|').toStdString();
    }
    Program p;
    QString db_;
};

// Every cell's text, and the heading, fits its column in the font the grid draws with.
void expectTextsFit(const QTableView* grid, const char* what) {
    const QAbstractItemModel* m = grid->model();
    const QFontMetrics fm(grid->font());
    for (int c = 0; c < m->columnCount(); ++c) {
        const int w = grid->columnWidth(c);
        const QString head = m->headerData(c, Qt::Horizontal).toString();
        EXPECT_LE(QFontMetrics(grid->horizontalHeader()->font()).horizontalAdvance(head), w) << what << " heading " << c;
        for (int r = 0; r < m->rowCount(); ++r) {
            const QString text = m->data(m->index(r, c)).toString();
            EXPECT_LT(fm.horizontalAdvance(text), w) << what << " cell " << r << "," << c << " " << text.toStdString();
        }
    }
}

// Scrolled fully to the right, the grid's left edge still shows the first column.
void expectFirstColumnStays(QTableView* grid, const char* what) {
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    ASSERT_GT(grid->horizontalScrollBar()->maximum(), 0) << what << ": the grid must be wider than its window";
    const QPoint atLeft(grid->frameWidth() + 4, grid->horizontalHeader()->height() + 8);
    QWidget* shown = grid->childAt(atLeft);
    auto* frozen = grid->findChild<QTableView*>(QStringLiteral("frozenColumn"));
    ASSERT_NE(frozen, nullptr) << what;
    EXPECT_TRUE(frozen->isVisible()) << what;
    EXPECT_TRUE(shown == frozen || frozen->isAncestorOf(shown)) << what;
    EXPECT_EQ(frozen->columnWidth(0), grid->columnWidth(0)) << what;
    const QModelIndex first = frozen->indexAt(frozen->viewport()->mapFrom(grid, atLeft));
    EXPECT_EQ(first.column(), 0) << what;
    EXPECT_EQ(first.data().toString(), QStringLiteral("1")) << what;
}

} // namespace

TEST_F(ShellRoad, DataDisplayIsTheLastItemOfOperateAndEveryTopMenuFits) {
    QMenuBar* bar = p.window().menuBar();
    QStringList tops;
    for (QAction* a : bar->actions())
        tops << a->objectName();
    EXPECT_EQ(tops, QStringList({"mnuFile", "mnuVIew", "mnuOperate", "mnuMaint", "mnuWindow", "mnuHelp"}));
    QMenu* operate = p.window().item(QStringLiteral("mnuOperate"))->menu();
    ASSERT_NE(operate, nullptr);
    EXPECT_EQ(operate->actions().last()->objectName(), QStringLiteral("mnuDsp"));
    EXPECT_EQ(operate->actions().last()->text(), QStringLiteral("データ表示(&V)"));
    EXPECT_EQ(p.window().item(QStringLiteral("mnuVComm"))->associatedObjects().size(), 1);

    // No two top menus answer the same Alt key.
    QSet<QChar> keys;
    for (QAction* a : bar->actions()) {
        const qsizetype at = a->text().indexOf(QLatin1Char('&'));
        ASSERT_GE(at, 0) << a->text().toStdString();
        EXPECT_FALSE(keys.contains(a->text().at(at + 1).toUpper())) << a->text().toStdString();
        keys.insert(a->text().at(at + 1).toUpper());
    }

    // At the window's default width (8280 twips) ヘルプ is on the bar itself, not behind the overflow mark.
    p.window().resize(552, 430);
    QApplication::processEvents();
    const QRect help = bar->actionGeometry(p.window().item(QStringLiteral("mnuHelp")));
    EXPECT_TRUE(help.isValid());
    EXPECT_LE(help.right(), bar->width());

    // Without a database the lists are out of reach with the rest of 操作; with one they are there.
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    EXPECT_FALSE(p.reachable(QStringLiteral("mnuVComm")));
    EXPECT_TRUE(p.reachable(QStringLiteral("mnuManComm")) == false);
}

TEST_F(ShellRoad, WhileAListBuildsNoOtherListPrintOrPreviewCanStart) {
    fillOrders(db_, 20000);
    struct Seen {
        bool during = false;
        QStringList reachable;
    } seen;
    const QStringList others{"mnuVCli", "mnuVGetY", "mnuPvComm", "mnuPrComm", "mnuPrInv", "mnuOrder", "mnuFileOpen"};
    QTimer* probe = everyTurn([&] {
        if (p.state().gProgressCount < 20 || !progressUp(p))
            return false;
        seen.during = true;
        for (const QString& name : others)
            if (p.reachable(name) || p.window().item(name)->isEnabled())
                seen.reachable << name;
        for (const char* key : {"New", "Open", "Invoice", "Get"})
            if (p.window().button(QLatin1String(key))->isEnabled())
                seen.reachable << QLatin1String(key);
        return true;
    });
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuVComm")));
    mainroad::waitFor([&] { return !progressUp(p); });
    delete probe;
    EXPECT_TRUE(seen.during);
    EXPECT_EQ(seen.reachable, QStringList());
    for (const QString& name : others)
        EXPECT_TRUE(p.reachable(name)) << name.toStdString();
}

TEST_F(ShellRoad, CloseLocksEveryCommandWhileItWaitsForTheWindows) {
    fillOrders(db_);
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuVComm")));
    ASSERT_TRUE(mainroad::waitFor([&] { return !progressUp(p); }));
    QStringList reachable;
    bool during = false;
    // The window would answer the request at its own tick, maybe before the probe's: it waits for the probe.
    auto* list = p.window().mdiArea()->findChild<frame::ChildWindow*>();
    ASSERT_NE(list, nullptr);
    auto hold = std::make_unique<frame::ChildWindow::TimerHold>(list);
    QTimer* probe = everyTurn([&] {
        if (!core::isSet(p.state().gChildState[size_t(core::kChildVComm)].CloseRequest))
            return false;
        during = true;
        for (const char* name : {"mnuVCli", "mnuFileNew", "mnuFileOpen", "mnuFileClose", "mnuManComm", "mnuImpComm",
                                 "mnuHelpAbout", "mnuWindowCascade"})
            if (p.reachable(QLatin1String(name)) || p.window().item(QLatin1String(name))->isEnabled())
                reachable << QLatin1String(name);
        if (p.window().toolBar()->isEnabled() && p.window().button(QStringLiteral("New"))->isEnabled())
            reachable << QStringLiteral("toolbar");
        // A double-click on the empty client area opens a database only when ＤＢオープン could be clicked.
        doubleClickClientArea(p);
        hold.reset();
        return true;
    });
    p.nextPath(db_); // what the open box would answer
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    delete probe;
    EXPECT_TRUE(during);
    EXPECT_EQ(reachable, QStringList());
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
    EXPECT_TRUE(p.state().gDbPath.isEmpty());
    EXPECT_TRUE(p.reachable(QStringLiteral("mnuFileNew")));
    EXPECT_TRUE(p.window().button(QStringLiteral("Open"))->isEnabled());
}

// Nor does a double-click on the empty client area open a database while a refresh waits for the windows.
TEST_F(ShellRoad, ADoubleClickOnTheClientAreaWaitsForTheRefresh) {
    fillOrders(db_);
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuVComm")));
    ASSERT_TRUE(mainroad::waitFor([&] { return !progressUp(p); }));
    bool during = false;
    auto hold = std::make_unique<frame::ChildWindow::TimerHold>(
        p.window().mdiArea()->findChild<frame::ChildWindow*>());
    QTimer* probe = everyTurn([&] {
        if (!core::isSet(p.state().gChildState[size_t(core::kChildVComm)].RefreshRequest))
            return false;
        during = true;
        doubleClickClientArea(p);
        hold.reset();
        return true;
    });
    p.messages().clear();
    p.nextPath(db_);
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuViewRefresh")));
    delete probe;
    EXPECT_TRUE(during);
    EXPECT_EQ(p.messages().shown().size(), 1u) << p.messages().texts().join('|').toStdString(); // the refresh question
    EXPECT_EQ(p.state().gOpenDbName, db_);
    EXPECT_EQ(p.state().gDbPath, db_);
    EXPECT_EQ(p.state().gRefreshDone, core::kTrue);
    EXPECT_TRUE(mainroad::waitFor([&] { return !progressUp(p); })); // the list built again
}

TEST_F(ShellRoad, AWindowThatNeverAnswersEndsTheCloseWaitWithAMessage) {
    p.window().setCloseWaitLimit(400);
    // A window that stopped answering: its record says open and nothing will ever clear it.
    core::ChildStateRec& stuck = p.state().gChildState[size_t(core::kChildVRecG)];
    stuck.Open = core::kTrue;
    bool hung = false;
    QTimer guard; // lives no longer than the test
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        hung = !core::isSet(p.state().gAllClosed);
        stuck.Open = core::kFalse; // lets a wait without a limit end, so the test reports instead of hanging
    });
    guard.start(5000);
    const QString other = p.path(QStringLiteral("other.vrd"));
    const struct {
        const char* item;
        std::function<void()> before;
    } commands[] = {{"mnuFileClose", [] {}},
                    {"mnuFileOpen", [&] { p.nextPath(other); }},
                    {"mnuFileNew", [&] {
                         mainroad::onNextModal([](QWidget* w) {
                             auto* dlg = qobject_cast<masters::CompanySettingsDialog*>(w);
                             ASSERT_NE(dlg, nullptr);
                             dlg->txtMyName->setText(QStringLiteral("別の店"));
                             dlg->txtCat->setText(QStringLiteral("食品"));
                             dlg->cmdAdd->click();
                             dlg->cmdOK->click();
                         });
                         p.nextPath(other);
                     }}};
    for (const auto& c : commands) {
        p.messages().clear();
        p.messages().queueAnswer(ui::Answer::Yes); // 現在のＤＢを閉じてよろしいか？
        c.before();
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(p.trigger(QLatin1String(c.item))) << c.item;
        EXPECT_LT(clock.elapsed(), 4000) << c.item;
        EXPECT_FALSE(hung) << c.item;
        EXPECT_TRUE(p.messages().texts().contains(
            QStringLiteral("閉じることのできないウィンドウがあるため、ＤＢを閉じられませんでした。")))
            << c.item << ": " << p.messages().texts().join('|').toStdString();
        EXPECT_EQ(p.state().gOpenDbName, db_) << c.item;
        EXPECT_EQ(p.state().gDbPath, db_) << c.item;
        EXPECT_FALSE(QFileInfo::exists(other)) << c.item;
        EXPECT_TRUE(p.reachable(QStringLiteral("mnuFileClose"))) << c.item;
        EXPECT_TRUE(p.window().toolBar()->isEnabled()) << c.item;
    }
    stuck.Open = core::kFalse;
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
}

TEST_F(ShellRoad, AFileThatFailsToOpenIsNotTouched) {
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"empty.vrd", QByteArray()},
                 {"short.vrd", QByteArray("SQLite")},
                 {"text.vrd", QByteArray("受注,顧客\r\n1,2\r\n").repeated(40)},
                 {"zeros.vrd", QByteArray(8192, '\0')}};
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    for (const auto& f : files) {
        const QString path = p.path(QLatin1String(f.name));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(f.bytes);
        out.close();
        QFile ctl(QString(path).replace(QStringLiteral(".vrd"), QStringLiteral(".vrk")));
        QFile::copy(p.path(QStringLiteral("shop.vrk")), ctl.fileName());
        p.messages().clear();
        p.nextPath(path);
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileOpen")));
        EXPECT_TRUE(p.state().gOpenDbName.isEmpty()) << f.name;
        EXPECT_FALSE(p.messages().texts().isEmpty()) << f.name;
        QFile in(path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), f.bytes) << f.name;
        for (const char* side : {"-wal", "-shm", "-journal"})
            EXPECT_FALSE(QFileInfo::exists(path + QLatin1String(side))) << f.name << side;
    }
}

TEST_F(ShellRoad, ARelativePathOnTheCommandLineMeansTheFolderTheProgramStartedIn) {
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    const QString started = QDir::currentPath();
    QDir().mkpath(p.path(QStringLiteral("sub")));
    ASSERT_TRUE(QDir::setCurrent(p.path(QStringLiteral("sub"))));
    const QString canonical = QFileInfo(db_).canonicalFilePath();
    const char* const given[] = {"../shop.vrd", "\"../shop.vrd\"", "./../shop.vrk", "\"../shop.vrk\""};
    QStringList resolved;
    for (const char* g : given)
        resolved << shell::startArgumentPath(QLatin1String(g), QDir::currentPath());
    // Start-up then makes the program's folder the current one before it opens the file.
    ASSERT_TRUE(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    for (int i = 0; i < resolved.size(); ++i) {
        p.window().openFromCommandLine(resolved[i]);
        EXPECT_EQ(QFileInfo(p.state().gOpenDbName).canonicalFilePath(), canonical) << given[i];
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    }
    EXPECT_EQ(shell::startArgumentPath(QStringLiteral("/abs/x.vrd"), QStringLiteral("/else")), QStringLiteral("/abs/x.vrd"));
    QDir::setCurrent(started);
}

TEST_F(ShellRoad, ExitEndsTheProgramEvenWithTheProgressWindowUp) {
    // A build that never ended leaves the progress window on screen.
    reports::ShowProgressWait(p.state());
    ASSERT_TRUE(progressUp(p));
    // ファイル is held by the progress window: the person closes the main window by its close box.
    EXPECT_FALSE(p.reachable(QStringLiteral("mnuFileExit")));
    QTimer leave, giveUp;
    leave.setSingleShot(true);
    giveUp.setSingleShot(true);
    QObject::connect(&leave, &QTimer::timeout, [&] { p.window().close(); });
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    leave.start(0);
    giveUp.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
}

TEST_F(ShellRoad, ExitFromTheMenuEndsTheProgram) {
    fillOrders(db_);
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuVComm")));
    ASSERT_TRUE(mainroad::waitFor([&] { return !progressUp(p); }));
    QTimer leave, giveUp;
    leave.setSingleShot(true);
    giveUp.setSingleShot(true);
    QObject::connect(&leave, &QTimer::timeout, [&] { EXPECT_TRUE(p.trigger(QStringLiteral("mnuFileExit"))); });
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    leave.start(0);
    giveUp.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
    EXPECT_TRUE(p.window().mdiArea()->subWindowList().isEmpty());
}

TEST_F(ShellRoad, QtsOwnDialogsSpeakJapanese) {
    QStringList texts;
    mainroad::onNextModalOf<QDialog>([&](QDialog& dialog) {
        QDialog* d = &dialog;
        for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
            if (b->isVisible())
                texts << b->text().remove(QLatin1Char('&'));
        for (QLabel* l : d->findChildren<QLabel*>())
            if (l->isVisible())
                texts << l->text().remove(QLatin1Char('&'));
        d->reject();
    });
    // Qt's page set-up, as the printer set-up box's プロパティ opens it (here, where no queue shows the box).
    QPrinter printer;
    QPageSetupDialog(&printer, &p.window()).exec();
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.contains(QStringLiteral("キャンセル"))) << texts.join('|').toStdString();
    for (const char* english : {"Cancel", "Paper", "Orientation", "Portrait", "Landscape", "Page size:", "Margins"})
        EXPECT_FALSE(texts.contains(QLatin1String(english))) << english << " in " << texts.join('|').toStdString();
}

// The grey of a picture's darkest visible pixel (255 when none is visible).
int darkest(const QPixmap& picture) {
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    int grey = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb c = image.pixel(x, y); qAlpha(c) > 128)
                grey = std::min(grey, qGray(c));
    return grey;
}

// Every toolbar button looks enabled when it is and disabled when it is not: dark lines where the disabled
// picture has none, also in the pale pictures (ＤＢ作成, 在庫更新).
TEST_F(ShellRoad, EveryToolbarPictureIsPlainlyDarkerEnabledThanDisabled) {
    for (const char* key : {"New", "Open", "Close", "Get", "Money", "Invoice", "Stock", "Refresh"}) {
        const QIcon icon = p.window().button(QLatin1String(key))->icon();
        EXPECT_LE(darkest(icon.pixmap(16, QIcon::Normal)), 60) << key;
        EXPECT_EQ(darkest(icon.pixmap(16, QIcon::Disabled)), 255) << key;
    }
}

// No help file comes with the program: help says so, naming the file it looked for.
TEST_F(ShellRoad, HelpWithoutAHelpFileSaysSo) {
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("VARNOX.HLP"));
    ASSERT_FALSE(QFileInfo::exists(path));
    p.messages().clear();
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuHelpContents")));
    EXPECT_EQ(p.messages().texts(), QStringList{QStringLiteral("ヘルプファイル「%1」が見つかりません。").arg(path)});
}

// Varnox最新情報 on a desktop that cannot start a browser says so, naming the address; one that starts a
// browser says nothing. The desktop's opener is a stand-in found on PATH.
TEST_F(ShellRoad, TheWebPageWithoutABrowserSaysSoNamingTheAddress) {
    const QString address = QStringLiteral("https://varnox.example.com/");
    const QString said = QStringLiteral("Webブラウザを起動できませんでした。\nブラウザで次のアドレスを開いてください：\n") + address;
    struct Case {
        const char* what;
        const char* opener; // the end of xdg-open; nullptr: there is none
        bool says;
    };
    const Case cases[] = {
        {"no xdg-open", nullptr, true},
        {"xdg-open finds no browser", "exit 3", true},
        {"xdg-open killed", "kill -9 $$", true},
        {"xdg-open starts a browser", "exit 0", false},
    };
    testenv::TempFolder bin;
    const struct KeptPath {
        QByteArray saved = qgetenv("PATH");
        ~KeptPath() { qputenv("PATH", saved); }
    } kept;
    qputenv("PATH", QFile::encodeName(bin.path()));
    const QString log = bin.path(QStringLiteral("asked"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(bin.path(QStringLiteral("xdg-open")));
        QFile::remove(log);
        if (c.opener != nullptr) {
            QFile f(bin.path(QStringLiteral("xdg-open")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("#!/bin/sh\necho \"$1\" >%1\n%2\n").arg(log, QLatin1String(c.opener)).toLocal8Bit());
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        p.messages().clear();
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuWhatsnew")));
        if (c.opener != nullptr) {
            ASSERT_TRUE(mainroad::waitFor([&] { return QFileInfo(log).size() > 0; }, 5000));
            QFile asked(log);
            ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
            EXPECT_EQ(asked.readAll().trimmed(), address.toLatin1());
        }
        mainroad::waitFor([&] { return !p.messages().texts().isEmpty(); }, c.says ? 5000 : 300);
        EXPECT_EQ(p.messages().texts(), c.says ? QStringList{said} : QStringList{});
    }
}

TEST_F(ShellRoad, InvoiceOrderChooserShowsWholeTextsAndKeepsTheOrderNumberInSight) {
    fillOrders(db_);
    bool checked = false;
    mainroad::onNextModal([](QWidget* w) { mainroad::press(w, QStringLiteral("一覧から選択")); });
    mainroad::onNextModalOf<reports::InvoiceOrderChooser>([&](reports::InvoiceOrderChooser& dialog) {
        reports::InvoiceOrderChooser* d = &dialog;
        ASSERT_TRUE(mainroad::waitFor([d] { return d->grd()->isVisible(); }));
        d->resize(365, 266); // the design size: the grid is wider than its window
        QApplication::processEvents();
        expectTextsFit(d->grd(), "chooser");
        EXPECT_EQ(d->grd()->item(0, 1)->text(), kLongClient);
        for (int c : {0, 3, 4, 5}) // the order number and the amounts
            EXPECT_EQ(d->grd()->item(0, c)->textAlignment(), Qt::AlignRight | Qt::AlignVCenter) << c;
        expectFirstColumnStays(d->grd(), "chooser");
        checked = true;
        d->cmdEnd()->click();
    });
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuVInv")));
    EXPECT_TRUE(checked);
    EXPECT_EQ(p.state().gInvViewOrderNo, -1);
}

TEST_F(ShellRoad, PaymentListShowsWholeTextsAndKeepsTheOrderNumberInSight) {
    fillOrders(db_);
    mainroad::onNextModal([](QWidget* w) { mainroad::press(w, QStringLiteral("全て表示")); });
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuReceipt")));
    orders::OrderListWindow* list = nullptr;
    ASSERT_TRUE(mainroad::waitFor([&] {
        for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
            if ((list = qobject_cast<orders::OrderListWindow*>(frame::workOf(sub))))
                return list->grid()->isVisible();
        return false;
    })) << p.messages().texts().join('|').toStdString();
    auto* sub = frame::subWindowOf(list);
    sub->resize(420, 300);
    p.waitLaidOut();
    expectTextsFit(list->grid(), "payment list");
    expectFirstColumnStays(list->grid(), "payment list");
    // A click on the fixed column picks the order of that row, as a click on the grid does.
    mainroad::onNextModal([](QWidget* w) {
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    }, 2000);
    auto* frozen = list->grid()->findChild<QTableView*>(QStringLiteral("frozenColumn"));
    ASSERT_NE(frozen, nullptr);
    emit frozen->clicked(frozen->model()->index(1, 0));
    EXPECT_EQ(p.state().gSelectedOrderNo, 2);
}
