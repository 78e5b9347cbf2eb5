// The database file commands of the main window: New, Open, Close, drop and command line, and the
// close-all and refresh-all broadcasts to the work windows.
#include "shell/MainWindow.h"

#include "db/KeptConnection.h"
#include "frame/ChildWindow.h"
#include "print/PageSetup.h"
#include "ui/FileDialogFolder.h"
#include "ui/MessageService.h"
#include "ui/PrinterSetupBox.h"
#include "ui/WindowHelpers.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QUrl>

namespace shell {

using namespace core;

namespace {

const QString kNoDb = QStringLiteral("ＤＢは開いていません");
const QString kOpenDb = QStringLiteral("開いているＤＢ＝");
const QString kCloseTimedOut = QStringLiteral("閉じることのできないウィンドウがあるため、ＤＢを閉じられませんでした。");

// Waits while events run until done() holds; the timers that end the wait keep ticking meanwhile.
template <typename Done> void waitUntil(Done done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

bool MainWindow::confirmCloseCurrent() {
    if (panels_[0]->text() == kNoDb)
        return true;
    return ui::messages().show(QStringLiteral("現在のＤＢを閉じてよろしいか？"), QStringLiteral("Varnox"),
                               ui::Buttons::YesNo, ui::Icon::None) == ui::Answer::Yes;
}

void MainWindow::showDatabaseOpen() {
    panels_[0]->setText(kOpenDb + s_.gOpenDbName);
    SetMenusDbOpen();
}

void MainWindow::mnuFileNew_Click() {
    if (!confirmCloseCurrent())
        return;
    if (!hooks_.newDatabaseSettings)
        return;
    const std::optional<NewDatabaseSettings> settings =
        hooks_.newDatabaseSettings(s_, this, typedNew_ ? &*typedNew_ : nullptr);
    // Kept until a database is made of it: a file that cannot be written costs nothing typed.
    typedNew_ = settings;
    if (!settings)
        return;
    const QString chosen =
        hooks_.saveDatabasePath ? hooks_.saveDatabasePath(this, ui::dialogStartFolder(s_.gDbPath)) : QString();
    if (chosen.isEmpty())
        return;
    ui::rememberDialogChoice(chosen);
    const QString path = withDatabaseSuffix(chosen);
    // The save box asked only about the name as typed: a name without the suffix can still hit a file.
    if (path != chosen && QFileInfo::exists(path) &&
        ui::messages().show(QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(QDir::toNativeSeparators(path)),
                            QStringLiteral("DB作成"), ui::Buttons::YesNo, ui::Icon::Exclamation) != ui::Answer::Yes)
        return;
    if (!closeDatabase())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui::DoEvents();
    const bool created = createDatabase(s_, *settings, path);
    QApplication::restoreOverrideCursor();
    if (!created) return;
    typedNew_.reset();
    showDatabaseOpen();
}

void MainWindow::mnuFileOpen_Click() {
    if (!confirmCloseCurrent())
        return;
    const QString path =
        hooks_.openDatabasePath ? hooks_.openDatabasePath(this, ui::dialogStartFolder(s_.gDbPath)) : QString();
    if (path.isEmpty())
        return;
    ui::rememberDialogChoice(path);
    if (!closeDatabase())
        return;
    ui::DoEvents();
    OpenDbFile(path);
}

void MainWindow::OpenDbFile(const QString& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto prompt = [this](QString& typed) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const bool ok = hooks_.password && hooks_.password(s_, this, typed);
        QApplication::restoreOverrideCursor();
        return ok;
    };
    const bool opened = openDatabase(s_, path, prompt);
    QApplication::restoreOverrideCursor();
    if (opened)
        showDatabaseOpen();
}

void MainWindow::DROPFILES(const QString& droppedName) {
    if (!confirmCloseCurrent())
        return;
    const QString path = databasePathFromArgument(droppedName);
    if (path.isEmpty()) {
        ui::messages().error(QStringLiteral("ファイルが対象外です。"));
        return;
    }
    if (!closeDatabase())
        return;
    ui::DoEvents();
    OpenDbFile(path);
}

void MainWindow::openFromCommandLine(const QString& argument) {
    const QString path = databasePathFromArgument(argument);
    if (path.isEmpty())
        return;
    ui::DoEvents();
    OpenDbFile(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (urls.isEmpty())
        return;
    e->acceptProposedAction();
    // Let the drag finish before any message box appears.
    QMetaObject::invokeMethod(this, [this, urls] { dropUrls(urls); }, Qt::QueuedConnection);
}

void MainWindow::dropUrls(const QList<QUrl>& urls) {
    if (urls.isEmpty())
        return;
    // Only the first of several dropped files counts.
    const QUrl& first = urls.first();
    DROPFILES(first.isLocalFile() ? first.toLocalFile() : first.toString());
}

void MainWindow::mnuFileClose_Click() { closeDatabase(); }

bool MainWindow::closeDatabase() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString wasOpen = s_.gOpenDbName;
    s_.gOpenDbName.clear();
    const bool closed = closeAllChildren();
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (!closed) {
        // The windows that answered are gone; the one that did not still works on the database.
        s_.gOpenDbName = wasOpen;
        updateCommandStates();
        ui::messages().error(kCloseTimedOut);
        return false;
    }
    panels_[0]->setText(kNoDb);
    db::expectSchema(s_.gDbPath, {});
    s_.gDbPath.clear();
    db::KeptConnection::closeKept(); // no descriptor of ours stays on a file the user is done with
    SetMenusDbClosed();
    return true;
}

bool MainWindow::closeAllChildren() {
    s_.gAllClosed = kFalse;
    for (ChildStateRec& r : s_.gChildState)
        if (isSet(r.Open))
            r.CloseRequest = kTrue;
    // Nothing may start meanwhile: a window opened now would get no close request and hold the wait.
    closeRunning_ = true;
    updateCommandStates();
    tmCLose.start();
    QElapsedTimer clock;
    clock.start();
    waitUntil([&] { return isSet(s_.gAllClosed) || clock.elapsed() >= closeWaitMs_; });
    closeRunning_ = false;
    if (!isSet(s_.gAllClosed)) {
        tmCLose.stop();
        return false;
    }
    // A window that never got as far as being built has no open flag to answer with; it goes too, so
    // nothing stays on screen without a database.
    const auto left = opening_.values();
    for (const QPointer<QWidget>& w : left)
        if (w)
            if (QMdiSubWindow* sub = frame::subWindowOf(w))
                ui::CloseByCode(sub);
    return true;
}

void MainWindow::tmCLose_Timer() {
    for (const ChildStateRec& r : s_.gChildState)
        if (isSet(r.Open))
            return;
    tmCLose.stop();
    s_.gAllClosed = kTrue;
}

void MainWindow::mnuViewRefresh_Click() {
    ui::messages().beep();
    if (ui::messages().show(QStringLiteral("使用中のＤＢを最新状態にしてもよろしいですか？"),
                            QStringLiteral("入力中の情報はクリアされます"), ui::Buttons::YesNo,
                            ui::Icon::None) != ui::Answer::Yes)
        return;
    s_.gEditWaitCanClose = kFalse;
    refreshRunning_ = true;
    updateCommandStates();
    s_.gRefreshDone = kFalse;
    for (ChildStateRec& r : s_.gChildState)
        if (isSet(r.Open))
            r.RefreshRequest = kTrue;
    tmRefresh.start();
    waitUntil([this] { return isSet(s_.gRefreshDone); });
    s_.gEditWaitCanClose = kTrue;
    refreshRunning_ = false;
    updateCommandStates();
    // The rebuilt windows leave the hourglass for this point.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void MainWindow::tmRefresh_Timer() {
    // A window that is not open (closed meanwhile, or never built) counts as answered.
    for (const ChildStateRec& r : s_.gChildState)
        if (isSet(r.Open) && !isSet(r.RefreshDone))
            return;
    for (ChildStateRec& r : s_.gChildState)
        r.RefreshRequest = kFalse;
    tmRefresh.stop();
    for (ChildStateRec& r : s_.gChildState)
        r.RefreshDone = kFalse;
    s_.gRefreshDone = kTrue;
}

void MainWindow::mnuFilePageSetup_Click() {
    // The choice is kept where every print and preview takes its queue and paper from.
    print::PageSetup& setup = print::PageSetup::current();
    if (const auto choice = ui::askPrinterSetup(this, {setup.queue(), setup.layout()}))
        setup.choose(choice->queue, choice->layout);
}

void MainWindow::mnuFileExit_Click() { close(); }

} // namespace shell
