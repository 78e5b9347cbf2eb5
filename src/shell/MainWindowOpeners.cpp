// The work-window openers of the main window, the commands other subsystems own, and the help menu.
#include "shell/MainWindow.h"

#include "shell/AboutWindow.h"

#include "frame/ChildWindow.h"
#include "frame/WindowRegistry.h"
#include "masters/CompanySettingsDialog.h"
#include "orders/PaymentChooser.h"
#include "orders/StockChooser.h"
#include "reports/ProgressWait.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QUrl>
#include <limits>

namespace shell {

using namespace core;

namespace {

struct MasterDef {
    const char* item;
    const char* window;
    int child;
};
const std::array<MasterDef, 5> kMasterWindows{{{"mnuManComm", "frmGoodsM", kChildGoodsM},
                                               {"mnuManCli", "frmClientM", kChildClientM},
                                               {"mnuManEmp", "frmEmployeeM", kChildEmployeeM},
                                               {"mnuManRecG", "frmOrderM", kChildOrderM},
                                               {"mnuManRecD", "frmDetailM", kChildDetailM}}};

// The list windows in menu order, with the load-order number their condition dialog takes (0 = none;
// -1 = the invoice dialogs).
struct ListDef {
    const char* window;
    int condReport;
};
const std::array<ListDef, 14> kListWindows{{{"frmVComm", 0},
                                            {"frmVCli", 0},
                                            {"frmVEmp", 0},
                                            {"frmVRecG", 0},
                                            {"frmVRecD", 0},
                                            {"frmVInv", -1},
                                            {"frmVInfA", 6},
                                            {"frmVInfM", 7},
                                            {"frmVInfC", 8},
                                            {"frmVInfS", 9},
                                            {"frmVCncl", 14},
                                            {"frmVLack", 0},
                                            {"frmVGetD", 11},
                                            {"frmVGetY", 12}}};

const QString kWebPage = QStringLiteral("https://varnox.example.com/");

void exclaim(const QString& text) {
    ui::messages().show(text, QStringLiteral("Varnox"), ui::Buttons::Ok, ui::Icon::Exclamation);
}

} // namespace

QString MainWindow::notAvailableText() { return QStringLiteral("この機能はまだ使用できません。"); }

bool MainWindow::countUp(std::int16_t& counter) {
    if (counter == std::numeric_limits<std::int16_t>::max())
        return false;
    ++counter;
    return true;
}

QWidget* MainWindow::showWork(const QString& windowName, int childIndex) {
    const frame::WindowFactory factory = frame::windowFactory(windowName);
    QWidget* w = factory ? factory(s_, mdi_) : nullptr;
    if (!w)
        return nullptr;
    // The size the window gave itself is its design size; the sub-window would otherwise take a bare
    // minimum from a window without a layout.
    auto* child = qobject_cast<frame::ChildWindow*>(w);
    if (child && w->testAttribute(Qt::WA_Resized) && w->sizeHint() != w->size())
        child->setDesignSize(w->size());
    QMdiSubWindow* sub = mdi_->addSubWindow(w);
    // The area would squeeze a window to its own size, hiding what lies at the window's right (the
    // buttons of 受注データ入力): it opens at its design size, and the area scrolls to it.
    sub->resize(sub->sizeHint());
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    opening_.insert(childIndex, w);
    auto forget = [this, childIndex, guard = QPointer<QWidget>(w)] {
        if (opening_.value(childIndex) == guard || !opening_.value(childIndex))
            opening_.remove(childIndex);
        updateCommandStates();
    };
    if (child)
        connect(child, &frame::ChildWindow::unloaded, this, forget);
    connect(w, &QObject::destroyed, this, forget);
    updateCommandStates();
    sub->show();
    return w;
}

bool MainWindow::runDialog(const QString& name) {
    const frame::WindowFactory factory = frame::windowFactory(name);
    QWidget* w = factory ? factory(s_, this) : nullptr;
    auto* dlg = qobject_cast<QDialog*>(w);
    if (!dlg) {
        delete w;
        ui::messages().show(notAvailableText());
        return false;
    }
    dlg->exec();
    delete dlg;
    return true;
}

void MainWindow::openMaster(const QString& item) {
    // The master windows edit the tables of the open database directly.
    if (s_.gOpenDbName.isEmpty())
        return;
    for (const MasterDef& m : kMasterWindows) {
        if (item != QLatin1String(m.item))
            continue;
        const QString window = QLatin1String(m.window);
        if (!frame::windowFactory(window)) {
            ui::messages().show(notAvailableText());
            return;
        }
        if (!countUp(s_.gOpenMasterCount))
            return;
        if (!showWork(window, m.child))
            --s_.gOpenMasterCount;
        return;
    }
}

void MainWindow::openDataWindow(const char* window, int child, DataChooser chooser) {
    const QString name = QLatin1String(window);
    if (!frame::windowFactory(name)) {
        ui::messages().show(notAvailableText());
        return;
    }
    int answer = 0;
    switch (chooser) {
    case DataChooser::None: break;
    case DataChooser::Payment: answer = orders::choosePaymentList(s_, this, true); break;
    case DataChooser::Cancel: answer = orders::choosePaymentList(s_, this, false); break;
    case DataChooser::Stock: answer = orders::chooseStockList(s_, this); break;
    }
    if (answer == 2 || !countUp(s_.gOpenDataCount))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!showWork(name, child)) {
        --s_.gOpenDataCount;
        QApplication::restoreOverrideCursor();
    }
}

void MainWindow::mnuOrder_Click() { openDataWindow("frmGetOrder", kChildGetOrder, DataChooser::None); }
void MainWindow::mnuReceipt_Click() { openDataWindow("frmPayment", kChildPayment, DataChooser::Payment); }
void MainWindow::mnuCancel_Click() { openDataWindow("frmCancel", kChildCancel, DataChooser::Cancel); }
void MainWindow::mnuStockUp_Click() { openDataWindow("frmStockUp", kChildStockUp, DataChooser::Stock); }

void MainWindow::openList(int reportIndex) {
    if (reportIndex < 0 || reportIndex >= int(kListWindows.size()))
        return;
    const ListDef& def = kListWindows[size_t(reportIndex)];
    const QString window = QLatin1String(def.window);
    if (!frame::windowFactory(window)) {
        ui::messages().show(notAvailableText());
        return;
    }
    if (def.condReport > 0) {
        s_.gCondReport = def.condReport;
        s_.gCondForPrint = kFalse;
        s_.gCondAccepted = kFalse;
        if (!runDialog(QStringLiteral("frmCondition")) || !isSet(s_.gCondAccepted))
            return;
    } else if (def.condReport < 0) {
        s_.gInvPrintFlavour = kFalse;
        s_.gInvViewScope = 3;
        if (!runDialog(QStringLiteral("frmInvPrep")) || s_.gInvViewScope == 3)
            return;
        if (s_.gInvViewScope == 2) {
            s_.gInvViewOrderNo = -1;
            if (!runDialog(QStringLiteral("frmInvPrep2")) || s_.gInvViewOrderNo <= 0)
                return;
        } else if (s_.gInvViewScope != 0 && s_.gInvViewScope != 1) {
            return;
        }
    }
    if (!countUp(s_.gOpenDataCount))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    reports::ShowProgressWait(s_);
    ui::DoEvents();
    if (!showWork(window, kListChild[size_t(reportIndex)])) {
        --s_.gOpenDataCount;
        s_.gProgressCount = -1;
        QApplication::restoreOverrideCursor();
    }
}

void MainWindow::runCommand(const QString& name) {
    const frame::Command cmd = frame::command(name);
    if (!cmd) {
        ui::messages().show(notAvailableText());
        return;
    }
    cmd(s_, this);
    updateCommandStates();
}

void MainWindow::mnuMyNameChange_Click() {
    if (s_.gOpenDbName.isEmpty())
        return;
    masters::changeCompanySettings(s_, this);
}

void MainWindow::mnuHelpContents_Click() {
    const QString path =
        QDir::toNativeSeparators(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("VARNOX.HLP")));
    // No help file comes with the program: without one the desktop would open nothing, without a word.
    if (!QFileInfo(path).isFile()) {
        exclaim(QStringLiteral("ヘルプファイル「%1」が見つかりません。").arg(path));
        return;
    }
    if (hooks_.openUrl)
        hooks_.openUrl(QUrl::fromLocalFile(path), this, [path] {
            exclaim(QStringLiteral("ヘルプファイル「%1」を開くプログラムを起動できませんでした。").arg(path));
        });
}

void MainWindow::mnuWhatsnew_Click() {
    // A desktop without a browser would otherwise answer the command with nothing at all.
    if (hooks_.openUrl)
        hooks_.openUrl(QUrl(kWebPage), this, [] {
            exclaim(QStringLiteral("Webブラウザを起動できませんでした。\nブラウザで次のアドレスを開いてください：\n%1")
                        .arg(kWebPage));
        });
}

void MainWindow::mnuHelpAbout_Click() {
    AboutWindow about(s_, this);
    about.exec();
}

} // namespace shell
