#include "shell/MainWindow.h"

#include "core/Dates.h"

#include "shell/FileTypes.h"
#include "shell/PasswordDialog.h"
#include "shell/Settings.h"

#include "masters/CompanySettingsDialog.h"
#include "orders/GetOrderWindow.h"
#include "os/Desktop.h"
#include "print/PageSetup.h"
#include "ui/DesktopBehaviour.h"
#include "ui/Icons.h"
#include "ui/WindowHelpers.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTime>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

namespace shell {

using namespace core;

namespace {

const QString kNoDb = QStringLiteral("ＤＢは開いていません");

QFont panelFont() { return QFont(QStringLiteral("IPAGothic")); }

QIcon programIcon() { return QIcon(ui::programPicture(32)); }

} // namespace

MainWindowHooks defaultHooks() {
    MainWindowHooks h;
    h.newDatabaseSettings = [](AppState& s, QWidget* parent,
                               const NewDatabaseSettings* typed) -> std::optional<NewDatabaseSettings> {
        s.gCatDialogMode = kFalse;
        masters::CompanySettingsDialog dlg(s, parent);
        if (typed) dlg.fillIn({typed->company, typed->fieldLen, typed->categories});
        dlg.exec();
        if (!isSet(s.gCatDialogOk))
            return std::nullopt;
        return NewDatabaseSettings{dlg.result().company, dlg.result().fieldLen, dlg.result().categories};
    };
    const QString filter = QStringLiteral("Varnox DB Files (*.vrd)");
    h.saveDatabasePath = [filter](QWidget* parent, const QString& folder) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("DB作成"), folder, filter);
    };
    h.openDatabasePath = [filter](QWidget* parent, const QString& folder) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("DBオープン"), folder, filter);
    };
    h.password = [](AppState& s, QWidget* parent, QString& typed) { return askPassword(s, parent, typed); };
    h.openUrl = os::openUrl;
    return h;
}

MainWindow::MainWindow(AppState& state, MainWindowHooks hooks, QWidget* parent)
    : QMainWindow(parent), s_(state), hooks_(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Varnox（受注・在庫・請求管理）"));
    QApplication::setWindowIcon(programIcon());
    setWindowIcon(programIcon());
    mdi_ = new QMdiArea(this);
    mdi_->setBackground(QColor(0x80, 0x80, 0x80));
    // A work window larger than the area is scrolled to, not cut off.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->viewport()->installEventFilter(this);
    setCentralWidget(mdi_);
    setAcceptDrops(true);

    printQueue_ = print::PageSetup::hasPrintQueue();
    buildMenus();
    buildToolbar();
    buildMenuPictures();
    buildStatusBar();

    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
    Timer1.start();
    Timer1_Timer();
    tmCLose.setInterval(100);
    connect(&tmCLose, &QTimer::timeout, this, &MainWindow::tmCLose_Timer);
    tmRefresh.setInterval(100);
    connect(&tmRefresh, &QTimer::timeout, this, &MainWindow::tmRefresh_Timer);

    s_.gMainForm = this;
    applySettings();
    s_.categories.CategoryCount = 0;
    SetMenusDbClosed();
}

MainWindow::~MainWindow() {
    if (s_.gMainForm == this)
        s_.gMainForm = nullptr;
    // Work windows still around are deleted with the window; they must not call back into it then.
    for (const QPointer<QWidget>& w : std::as_const(opening_))
        if (w)
            disconnect(w, nullptr, this, nullptr);
    // The filter would be asked about the viewport's last events while the area is half destroyed.
    mdi_->viewport()->removeEventFilter(this);
    delete mdi_;
    mdi_ = nullptr;
}
void MainWindow::buildStatusBar() {
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setFont(panelFont());
        panels_[i]->setFrameShape(QFrame::Panel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        panels_[i]->setContentsMargins(4, 0, 4, 0);
        statusBar()->addPermanentWidget(panels_[i], i == 0 ? 1 : 0);
    }
    panels_[0]->setText(kNoDb);
    statusBar()->setSizeGripEnabled(true);
}

void MainWindow::showStatusMessage(const QString& text) {
    // The first panel shows the note for a while, then the open database again.
    const QString before = panels_[0]->text();
    panels_[0]->setText(text);
    QTimer::singleShot(20000, panels_[0], [label = panels_[0], text, before] {
        if (label->text() == text)
            label->setText(before);
    });
}

QString MainWindow::statusText(int panel) const {
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (framed_)
        return;
    framed_ = true;
    ui::keepWholeOnScreen(this);
}

namespace {
// Stands in for a work window of the given size inside a sub-window, to learn the sub-window's frame.
class DesignSized : public QWidget {
public:
    explicit DesignSized(const QSize& size) : size_(size) {}
    QSize sizeHint() const override { return size_; }

private:
    QSize size_;
};
} // namespace

QSize MainWindow::firstStartSize(const QSize& now) {
    // The largest work window, 受注データ入力, whole inside the work area: its title bar and frame, then the
    // menu, toolbar, status bar and the area's own frame around that. applySettings() bounds it by the
    // screen.
    QWidget holder; // a sub-window has its title bar and frame only inside something
    auto* probe = new QMdiSubWindow(&holder);
    probe->setWidget(new DesignSized(orders::GetOrderWindow::designSize()));
    const QSize sub = probe->sizeHint();
    resize(now);
    ensurePolished();
    mdi_->ensurePolished();
    layout()->activate();
    const int areaFrame = 2 * mdi_->frameWidth();
    return sub + size() - mdi_->size() + QSize(areaFrame, areaFrame);
}

void MainWindow::applySettings() {
    const MainSettings st = loadMainSettings();
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    QRect placement(twipsToPixels(st.left, dpi), twipsToPixels(st.top, dpi), twipsToPixels(st.width, dpi),
                    twipsToPixels(st.height, dpi));
    if (!st.placed)
        placement.setSize(placement.size().expandedTo(firstStartSize(placement.size())));
    // A placement saved on a screen that is gone, or larger than this one, comes back whole onto the
    // screen: otherwise the window, and every dialog centred over it, opens where nobody can reach it.
    // The frame is added once the window manager has put it on (showEvent).
    const QScreen* screen = QGuiApplication::screenAt(placement.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    setGeometry(screen ? ui::wholeOnScreen(placement, QMargins(), *screen) : placement);

    items_.value(QStringLiteral("mnuViewToolbar"))->setChecked(st.toolbar);
    s_.gShowToolbar = vbool(st.toolbar);
    tbToolBar->setVisible(st.toolbar);
    items_.value(QStringLiteral("mnuViewStatusBar"))->setChecked(st.statusBar);
    s_.gShowStatusBar = vbool(st.statusBar);
    statusBar()->setVisible(st.statusBar);
    items_.value(QStringLiteral("mnuTip"))->setChecked(st.tips);
    s_.gShowTips = vbool(st.tips);
    setTips(st.tips);
    items_.value(QStringLiteral("mnuViewAutoFOcus"))->setChecked(st.autoFocus);
    s_.gAutoFocus = vbool(st.autoFocus);
}

void MainWindow::setTips(bool on) {
    for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it)
        it.value()->setToolTip(on ? tips_.value(it.key()) : QString());
}

void MainWindow::updateCommandStates() {
    ProgramState p = programStateOf(s_);
    for (auto it = opening_.cbegin(); it != opening_.cend(); ++it)
        if (it.value())
            p.open[size_t(it.key())] = true;
    p.printQueue = printQueue_;
    p.topMenusLocked = topMenusLocked_;
    p.refreshRunning = refreshRunning_;
    p.closeRunning = closeRunning_;
    const CommandStates c = computeCommandStates(p);
    for (auto it = items_.cbegin(); it != items_.cend(); ++it) {
        const QString top = topMenu_.value(it.key());
        const bool topOn = top.isEmpty() || top == it.key() || c.isEnabled(top);
        it.value()->setEnabled(topOn && c.isEnabled(it.key()));
        if (c.visible.contains(it.key()))
            it.value()->setVisible(c.visible.value(it.key()));
    }
    const bool toolbarFree = c.isEnabled(QStringLiteral("tb"));
    for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it)
        it.value()->setEnabled(toolbarFree && c.isEnabled(QStringLiteral("tb:") + it.key()));
}

void MainWindow::setTopMenusEnabled(bool enabled) {
    topMenusLocked_ = !enabled;
    updateCommandStates();
}

void MainWindow::SetMenusDbClosed() {
    s_.gOpenMasterCount = 0;
    s_.gOpenDataCount = 0;
    updateCommandStates();
}

void MainWindow::SetMenusDbOpen() { updateCommandStates(); }

void MainWindow::Timer1_Timer() {
    panels_[1]->setText(core::FormatShortDate(QDate::currentDate()));
    panels_[2]->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
}

void MainWindow::mnuViewToolbar_Click() {
    QAction* a = items_.value(QStringLiteral("mnuViewToolbar"));
    tbToolBar->setVisible(a->isChecked());
    s_.gShowToolbar = vbool(a->isChecked());
}

void MainWindow::mnuViewStatusBar_Click() {
    QAction* a = items_.value(QStringLiteral("mnuViewStatusBar"));
    statusBar()->setVisible(a->isChecked());
    s_.gShowStatusBar = vbool(a->isChecked());
}

void MainWindow::mnuTip_Click() {
    QAction* a = items_.value(QStringLiteral("mnuTip"));
    setTips(a->isChecked());
    s_.gShowTips = vbool(a->isChecked());
}

void MainWindow::mnuViewAutoFOcus_Click() {
    s_.gAutoFocus = vbool(items_.value(QStringLiteral("mnuViewAutoFOcus"))->isChecked());
    s_.gActiveFormId = kFormNone;
}

void MainWindow::tbToolBar_ButtonClick(const QString& key) {
    using Handler = void (MainWindow::*)();
    static const std::array<std::pair<const char*, Handler>, 8> dispatch{{
        {"New", &MainWindow::mnuFileNew_Click},
        {"Open", &MainWindow::mnuFileOpen_Click},
        {"Close", &MainWindow::mnuFileClose_Click},
        {"Get", &MainWindow::mnuOrder_Click},
        {"Money", &MainWindow::mnuReceipt_Click},
        {"Invoice", nullptr},
        {"Stock", &MainWindow::mnuStockUp_Click},
        {"Refresh", &MainWindow::mnuViewRefresh_Click},
    }};
    for (const auto& [k, handler] : dispatch) {
        if (key != QLatin1String(k))
            continue;
        if (handler)
            (this->*handler)();
        else
            runCommand(QStringLiteral("mnuPrInv"));
        return;
    }
}

void MainWindow::arrange(int how) {
    switch (how) {
    case 0: mdi_->cascadeSubWindows(); break;
    case 1:
    case 2: {
        // Stacked one above the other (1) or side by side (2).
        const auto subs = mdi_->subWindowList();
        QList<QMdiSubWindow*> shown;
        for (QMdiSubWindow* sub : subs)
            if (!sub->isMinimized() && sub->isVisible())
                shown << sub;
        if (shown.isEmpty())
            return;
        const QRect area = mdi_->viewport()->rect();
        const int n = int(shown.size());
        for (int i = 0; i < n; ++i) {
            shown[i]->showNormal();
            if (how == 1) {
                const int h = area.height() / n;
                shown[i]->setGeometry(0, i * h, area.width(), h);
            } else {
                const int w = area.width() / n;
                shown[i]->setGeometry(i * w, 0, w, area.height());
            }
        }
        break;
    }
    case 3: {
        // Line up the minimized windows along the bottom edge.
        const QRect area = mdi_->viewport()->rect();
        int x = 0;
        for (QMdiSubWindow* sub : mdi_->subWindowList()) {
            if (!sub->isMinimized())
                continue;
            sub->move(x, area.height() - sub->height());
            x += sub->width();
        }
        break;
    }
    default: break;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // A double-click on the empty client area opens a database, when ＤＢオープン could be clicked (it is
    // off while a close waits) and no refresh waits either: either broadcast would go on under a database
    // opened meanwhile.
    if (watched == mdi_->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        if (const QAction* open = items_.value(QStringLiteral("mnuFileOpen"));
            open && open->isEnabled() && !refreshRunning_)
            mnuFileOpen_Click();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (unloading_) {
        e->accept();
        return;
    }
    // The program ends even if a window does not answer: it goes with the main window.
    if (!s_.gOpenDbName.isEmpty())
        closeDatabase();
    MainSettings st;
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const QRect g = geometry();
    st.left = pixelsToTwips(g.x(), dpi);
    st.top = pixelsToTwips(g.y(), dpi);
    st.width = pixelsToTwips(g.width(), dpi);
    st.height = pixelsToTwips(g.height(), dpi);
    st.toolbar = isSet(s_.gShowToolbar);
    st.statusBar = isSet(s_.gShowStatusBar);
    st.tips = isSet(s_.gShowTips);
    st.autoFocus = isSet(s_.gAutoFocus);
    saveMainSettings(st, !isMinimized());
    unloading_ = true;
    if (hooks_.animateUnload)
        unloadAnimation();
    e->accept();
    // Leaving ends the program even when another window (the progress window, say) is still shown; quit()
    // would ask that window to close first, and it refuses. Only from inside a running event loop: exit()
    // without one would make every later dialog return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void MainWindow::unloadAnimation() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui::DoEvents();
    showNormal();
    tbToolBar->hide();
    statusBar()->hide();
    for (const char* top : {"mnuFile", "mnuVIew", "mnuOperate", "mnuWindow", "mnuHelp"})
        items_.value(QLatin1String(top))->setVisible(false);
    // Fade from white to black, then shrink towards the centre.
    for (int i = 255; i >= 0; i -= 5) {
        mdi_->setBackground(QColor(i, i, i));
        repaint();
    }
    QRectF g = geometry();
    for (int i = 0; i < 32; ++i) {
        g.moveTop(g.top() + 0.03 * g.height());
        g.moveLeft(g.left() + 0.03 * g.width());
        g.setWidth(g.width() * 0.94);
        g.setHeight(g.height() * 0.94);
        setGeometry(g.toRect());
        repaint();
    }
    QApplication::restoreOverrideCursor();
}

} // namespace shell
