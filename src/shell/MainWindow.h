// frmMain: the one main window. An MDI parent with the menus, toolbar and status bar, the database
// file commands, the close-all and refresh-all broadcasts and the openers of every work window.
#pragma once

#include "core/AppState.h"
#include "core/MainFrame.h"
#include "shell/CommandStates.h"
#include "shell/DbFiles.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace shell {

// What the window asks of the user or the desktop; tests replace these.
struct MainWindowHooks {
    // The company settings dialog in new-database mode, showing what was typed before when given; nothing
    // when it was cancelled.
    std::function<std::optional<NewDatabaseSettings>(core::AppState&, QWidget*,
                                                     const NewDatabaseSettings* typed)>
        newDatabaseSettings;
    // The file choosers, opened in the given folder; "" = cancelled.
    std::function<QString(QWidget*, const QString& folder)> saveDatabasePath;
    std::function<QString(QWidget*, const QString& folder)> openDatabasePath;
    std::function<bool(core::AppState&, QWidget*, QString&)> password;
    // Opens the address in the desktop's browser (a file in its viewer); failed runs when nothing started.
    std::function<void(const QUrl&, QObject* context, std::function<void()> failed)> openUrl;
    bool animateUnload = true;
};

MainWindowHooks defaultHooks();

class MainWindow : public QMainWindow, public core::MainFrame {
    Q_OBJECT
public:
    explicit MainWindow(core::AppState& state, MainWindowHooks hooks = defaultHooks(), QWidget* parent = nullptr);
    ~MainWindow() override;

    // core::MainFrame
    void updateCommandStates() override;
    QWidget* window() override { return this; }
    void setTopMenusEnabled(bool enabled) override;
    void showStatusMessage(const QString& text) override;

    // Menu items by name ("mnuFileClose"), top menus included; toolbar buttons by key ("Close").
    QAction* item(const QString& name) const { return items_.value(name); }
    QAction* button(const QString& key) const { return buttons_.value(key); }
    QString statusText(int panel) const; // panels 1 to 3
    QMdiArea* mdiArea() const { return mdi_; }
    QToolBar* toolBar() const { return tbToolBar; }

    // Opens the database named on the command line (quotes stripped, .vrk names its .vrd).
    void openFromCommandLine(const QString& argument);

    // File commands.
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFilePageSetup_Click();
    void mnuFileExit_Click();
    void DROPFILES(const QString& droppedName);
    void dropUrls(const QList<QUrl>& urls); // what a drop on the window delivers
    void OpenDbFile(const QString& path);

    // View options and broadcasts.
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuTip_Click();
    void mnuViewAutoFOcus_Click();
    void mnuViewRefresh_Click();
    void tbToolBar_ButtonClick(const QString& key);

    // Work-window openers.
    void openMaster(const QString& item);
    void mnuOrder_Click();
    void mnuReceipt_Click();
    void mnuCancel_Click();
    void mnuStockUp_Click();
    void openList(int reportIndex); // 0..13 in menu order
    void runCommand(const QString& name);
    void mnuMyNameChange_Click();

    // Help and arrangement.
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();
    void mnuWhatsnew_Click();
    void arrange(int how); // 0 cascade, 1 tile horizontally, 2 tile vertically, 3 icons

    // How long closing the database waits for the work windows to answer (tests shorten it).
    void setCloseWaitLimit(int ms) { closeWaitMs_ = ms; }

    // The message shown for a command whose subsystem is not part of the program yet.
    static QString notAvailableText();

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildMenuPictures();
    void buildStatusBar();
    void applySettings();
    // The size the window needs for its largest work window, from its size now (menus and bars laid out).
    QSize firstStartSize(const QSize& now);
    void setTips(bool on);
    void SetMenusDbClosed();
    void SetMenusDbOpen();
    // Closes the database and every work window; false (with a message, the database still open) when a
    // window has not answered its close request within the wait limit.
    bool closeDatabase();
    bool closeAllChildren();
    bool confirmCloseCurrent();
    void showDatabaseOpen();
    QWidget* showWork(const QString& windowName, int childIndex);
    // The chooser that stands before a data window; its answer 2 opens nothing.
    enum class DataChooser { None, Payment, Cancel, Stock };
    void openDataWindow(const char* window, int child, DataChooser chooser);
    bool runDialog(const QString& name);
    bool countUp(std::int16_t& counter);
    void Timer1_Timer();
    void tmCLose_Timer();
    void tmRefresh_Timer();
    void unloadAnimation();

    core::AppState& s_;
    MainWindowHooks hooks_;
    QMdiArea* mdi_ = nullptr;
    QToolBar* tbToolBar = nullptr;
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    QHash<QString, QAction*> items_;
    QHash<QString, QString> topMenu_; // item name -> the top menu it sits in
    QHash<QString, QAction*> buttons_;
    QHash<QString, QString> tips_;
    QHash<int, QPointer<QWidget>> opening_; // work windows shown, until they unload
    QTimer Timer1;
    QTimer tmCLose;
    QTimer tmRefresh;
    bool printQueue_ = false; // looked up once at start, as the menu's printer probe is
    bool topMenusLocked_ = false;
    bool refreshRunning_ = false;
    bool closeRunning_ = false;
    int closeWaitMs_ = 10000;
    // What the last ＤＢ作成 was given, until a database is made of it or its dialog is cancelled.
    std::optional<NewDatabaseSettings> typedNew_;
    bool unloading_ = false;
    bool framed_ = false; // the first showing has fitted the frame onto the screen
};

} // namespace shell
