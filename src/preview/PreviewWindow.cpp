#include "preview/PreviewWindow.h"

#include "core/MainFrame.h"
#include "frame/WindowRegistry.h"
#include "reports/ReportKind.h"
#include "reports/ReportState.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"
#include "print/PageSetup.h"
#include "printing/PrintCommands.h"
#include "print/PainterTarget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

namespace preview {

namespace {

QWidget* mainWindowOf(core::AppState& s) { return s.gMainForm ? s.gMainForm->window() : nullptr; }

void restorePointer() {
    if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

int kindOfName(const QString& name) {
    for (int k = 1; k <= reports::kReportCount; ++k)
        if (reports::ReportName(k) == name)
            return k;
    return 0;
}

} // namespace

frmPreview::frmPreview(core::AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint), state_(state),
      wait_([] { ui::Wait(1); }) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmPreview"));
    QFont f(QStringLiteral("ＭＳ ゴシック"));
    f.setPointSize(9);
    setFont(f);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    menu_ = new QMenuBar(this);
    QMenu* mnuFile = menu_->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFile->addAction(QStringLiteral("印刷(&P)"), this, [this] { PrintReport(); });
    mnuFile->addSeparator();
    mnuFile->addAction(QStringLiteral("閉じる(&L)"), this, [this] { ui::CloseByCode(this); });
    lay->setMenuBar(menu_);

    tb_ = new QToolBar(this);
    tb_->setMovable(false);
    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, tb_);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(57, 25); // 855 x 375 twips
        tb_->addWidget(b);
        return b;
    };
    cmdPrint_ = button(QStringLiteral("印刷"), "cmdPrint");
    cmdFor_ = button(QStringLiteral("次ページ"), "cmdFor");
    cmdBack_ = button(QStringLiteral("前ページ"), "cmdBack");
    cmdClose_ = button(QStringLiteral("閉じる"), "cmdClose");
    cmdFor_->setEnabled(false);
    cmdBack_->setEnabled(false);
    connect(cmdPrint_, &QPushButton::clicked, this, [this] { PrintReport(); });
    connect(cmdFor_, &QPushButton::clicked, this, [this] { cmdFor_Click(); });
    connect(cmdBack_, &QPushButton::clicked, this, [this] { cmdBack_Click(); });
    connect(cmdClose_, &QPushButton::clicked, this, [this] { ui::CloseByCode(this); });
    lay->addWidget(tb_);

    picBase_ = new QWidget(this);
    picBase_->setAutoFillBackground(true);
    QPalette pal = picBase_->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
    picBase_->setPalette(pal);
    lay->addWidget(picBase_, 1);
    picPr0_ = new QLabel(picBase_);
    picPr0_->setObjectName(QStringLiteral("picPr0"));
    picPr0_->hide();
    picBase_->installEventFilter(this);

    // The build waits until the window has kept its size for a moment: a maximized window gets its
    // final size only after the first resize.
    settle_.setInterval(50);
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (!built_ && isVisible())
            build();
    });

    timer1_.setInterval(100);
    timer1_.setSingleShot(true);
    connect(&timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    // Load.
    ui::DisableCloseButton(this);
    if (QWidget* main = mainWindowOf(state_))
        main->setEnabled(false);
    setWindowTitle(QStringLiteral("印刷プレビュー") + QStringLiteral("＜") + state_.gReportName + QStringLiteral("＞"));
    state_.gProgressCount = 0;
    mPageCount = 0;
}

frmPreview::~frmPreview() { unload(); }

QSizeF frmPreview::printerPageTwips() { return print::PageSetup::current().printableTwips(); }

int frmPreview::toolbarHeight() const { return tb_->height(); }

void frmPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!built_)
        settle_.start();
}

BuildOutcome frmPreview::build() {
    built_ = true;
    settle_.stop();
    setEnabled(false);
    if (layout())
        layout()->activate();

    const PageFit fit = fitPage();
    recordedPixels_ = pagePixels_;

    reports::ReportState& rs = reports::reportState(state_);
    rs.gPrintScale = fit.scale;
    // The recording measures text as a picture of the page does (15 twips to a pixel at 96 dpi).
    pages_ = std::make_unique<print::PageRecording>(pagePixels_.width() * 15.0, pagePixels_.height() * 15.0, 96);
    BuildContext ctx{state_, rs, *pages_, wait_, [] { printing::YieldNowAndThen(); }};
    const BuildOutcome outcome = BuildPreview(ctx, state_.gReportName);
    mRecCount = ctx.recCount;
    mPageCount = outcome == BuildOutcome::Shown ? pages_->pageCount() : 0;

    if (outcome != BuildOutcome::Shown) {
        timer1_.start();
        return outcome;
    }
    showPage(1);
    cmdFor_->setEnabled(mPageCount > 1);
    restorePointer();
    setEnabled(true);
    return outcome;
}

PageFit frmPreview::fitPage() {
    // The printer's page fitted into the frame, a margin of the toolbar's height around it.
    const double m = tb_->height();
    const QSizeF pageTw = printerPageTwips();
    const PageFit fit = FitPage(picBase_->width(), picBase_->height(), m, pageTw.width() * logicalDpiX() / 1440.0,
                                pageTw.height() * logicalDpiY() / 1440.0);
    pagePixels_ = QSize(std::max(fit.width, 1), std::max(fit.height, 1));
    picPr0_->setGeometry(fit.left, fit.top, pagePixels_.width(), pagePixels_.height());
    return fit;
}

bool frmPreview::eventFilter(QObject* watched, QEvent* event) {
    // Once built, the page is fitted again to every new size of the frame (restored from maximized,
    // resized by hand), and the page the user is on drawn afresh at that size.
    if (watched == picBase_ && event->type() == QEvent::Resize && built_ && mPage >= 1) {
        fitPage();
        showPage(mPage);
    }
    return QWidget::eventFilter(watched, event);
}

QImage frmPreview::pageImage(int n) const {
    // Drawn at the screen's pixels, not enlarged from the window's: sharp on a scaled screen.
    const double ratio = std::max(devicePixelRatioF(), 1.0);
    QImage image(QSize(std::max(1, int(std::lround(pagePixels_.width() * ratio))),
                       std::max(1, int(std::lround(pagePixels_.height() * ratio)))),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    if (pages_ && n >= 1 && n <= mPageCount && !recordedPixels_.isEmpty()) {
        // The recording holds the page at the size it was built for; the painter scales it to this one.
        print::PainterTarget target(&image);
        target.setScale(double(image.width()) / recordedPixels_.width());
        pages_->play(n, target);
        target.end();
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

void frmPreview::showPage(int n) {
    mPage = n;
    picPr0_->setPixmap(QPixmap::fromImage(pageImage(n)));
    picPr0_->setVisible(true);
}

void frmPreview::cmdFor_Click() {
    if (mPage >= mPageCount)
        return;
    cmdBack_->setEnabled(true);
    showPage(mPage + 1);
    cmdFor_->setEnabled(mPage < mPageCount);
}

void frmPreview::cmdBack_Click() {
    if (mPage <= 1)
        return;
    cmdFor_->setEnabled(true);
    showPage(mPage - 1);
    cmdBack_->setEnabled(mPage >= 2);
}

void frmPreview::PrintReport() {
    const int kind = kindOfName(state_.gReportName);
    const frame::Command print =
        kind ? frame::command(QStringLiteral("mnuPr") + reports::ReportTag(kind)) : frame::Command();
    if (!print) {
        ui::messages().error(state_.gReportName + QStringLiteral("の印刷コマンドがありません。"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The waits below run events: the preview may be closed meanwhile, so nothing of it is used after
    // them without a look whether it is still there.
    core::AppState& state = state_;
    const QPointer<frmPreview> self(this);
    // A second click on 印刷 (or one on 閉じる) waiting in the queue must not start a second print.
    setEnabled(false);
    ui::DoEvents();
    if (!self) {
        restorePointer();
        return;
    }
    state.gPrintDone = core::kFalse;
    state.gPrintMode = core::kTrue;
    print(state, mainWindowOf(state));
    while (!core::isSet(state.gPrintDone))
        ui::Wait(1);
    state.gPrintMode = core::kFalse;
    restorePointer();
    if (!self)
        return;
    setEnabled(true);
    // A print always ends the preview, whatever its outcome.
    ui::CloseByCode(this);
}

void frmPreview::Timer1_Timer() {
    restorePointer();
    ui::CloseByCode(this);
}

void frmPreview::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        unload();
}

void frmPreview::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    timer1_.stop();
    pages_.reset();
    if (QWidget* main = mainWindowOf(state_))
        main->setEnabled(true);
}

} // namespace preview
