#include "viewers/ListWindow.h"

#include "core/FileProblems.h"
#include "core/Numbers.h"
#include "reports/ProgressWait.h"
#include "ui/MessageService.h"
#include "ui/Pointer.h"
#include "ui/WindowHelpers.h"
#include "viewers/Export.h"
#include "viewers/TabText.h"

#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <stdexcept>

namespace viewers {

namespace {

using frame::WatchPause;

// Sizes of the design, in pixels at 96 DPI (15 twips a pixel).
constexpr int kButtonHeight = 25;
constexpr int kTextTop = 24;

const char16_t kReadError[] = u"このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
                              u"またはVarnox以外のプログラムで他の人が使用している場合に起こることがあります。";
const char16_t kExportError[] = u"上書き時に他のプログラムが使っているときに起こることがあります。";

QFont fixedFont(double points, bool bold = false) {
    QFont f(QStringLiteral("IPAGothic"));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

// A build stopped because its window was closed while it yielded.
struct Abandoned {};


} // namespace

ListWindow::ListWindow(core::AppState& state, const ListMember& member, QWidget* parent)
    : frame::ChildWindow(state, member.childIndex, member.formId, WatchForm::Other, parent), member_(member) {
    setWindowTitle(member.caption);
    setFont(fixedFont(9));
    auto button = [this](const QString& caption, int left, int width) {
        auto* b = new QPushButton(caption, this);
        b->setFont(fixedFont(11.25, true));
        b->setGeometry(left, 0, width, kButtonHeight);
        return b;
    };
    cmdCSV_ = button(QStringLiteral("TXT(Tab)出力"), 0, 121);
    cmdTXT_ = button(QStringLiteral("TXT(Flat)出力"), 120, 129);
    cmdClose_ = button(QStringLiteral("閉じる"), 248, 81);
    cmdCSV_->setObjectName(QStringLiteral("cmdCSV"));
    cmdTXT_->setObjectName(QStringLiteral("cmdTXT"));
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdCSV_, &QPushButton::clicked, this, &ListWindow::cmdCSV_Click);
    connect(cmdTXT_, &QPushButton::clicked, this, &ListWindow::cmdTXT_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &ListWindow::cmdClose_Click);
    setTabOrder(cmdClose_, cmdCSV_);
    setTabOrder(cmdCSV_, cmdTXT_);

    rch_ = new ListTextView(this);
    rch_->setObjectName(QStringLiteral("rch"));
    QFont textFont = fixedFont(9);
    // Unhinted glyphs keep the face's own half and full widths; the view mends the rest per character.
    textFont.setHintingPreference(QFont::PreferNoHinting);
    rch_->setFont(textFont);
    rch_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rch_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rch_->move(0, kTextTop);
    rch_->hide();

    tmUnload_.setSingleShot(true);
    tmUnload_.setInterval(100);
    connect(&tmUnload_, &QTimer::timeout, this, [this] { unloadWindow(); });

    resize(329, 213 + kTextTop); // the design's client area below the buttons
}

QSize ListWindow::minimumSizeHint() const {
    const int bar = rch_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, rch_);
    return {cmdClose_->geometry().right() + 1, kButtonHeight + 2 * bar + 2 * rch_->fontMetrics().height()};
}

void ListWindow::resizeEvent(QResizeEvent* e) {
    frame::ChildWindow::resizeEvent(e);
    onResize();
}

void ListWindow::onResize() {
    if (closed_ || width() == 0 || height() - kButtonHeight <= 0)
        return;
    rch_->setGeometry(0, kTextTop, width(), height() - kButtonHeight);
    // A resize while the list is being built (events run between records) only lays out.
    // Nor does a resize after a failed build, which is closing (a message box lets resizes through).
    if (building_ || failed_)
        return;
    if (mLoaded_) {
        setEnabled(true);
        return;
    }
    build();
}

void ListWindow::build() {
    QPointer<ListWindow> self(this);
    setEnabled(false);
    ui::DoEvents();
    if (!self || closed_)
        return;
    rec().Open = core::kTrue;
    rec().RefreshDone = core::kFalse;
    building_ = true;
    BuildResult result;
    try {
        result = buildList(member_, state(), [this] {
            ui::DoEvents();
            if (closed_)
                throw Abandoned{};
        });
    } catch (const Abandoned&) {
        building_ = false;
        state().gProgressCount = -1;
        return;
    } catch (const std::exception& e) {
        building_ = false;
        failed_ = true;
        setEnabled(true);
        state().gProgressCount = -1;
        ui::showDefaultPointer();
        {
            WatchPause pause(tmWatch);
            // A sum of stored amounts beyond the money type (the invoice total) is no reading error.
            if (dynamic_cast<const std::overflow_error*>(&e))
                ui::messages().error(core::kHugeNumberText);
            else
                ui::messages().error(core::dbFailureText(e, messageText(kReadError)),
                                     QStringLiteral("データベース読み込み中にエラーが発生しました"));
        }
        if (self && !closed_)
            tmUnload_.start();
        return;
    }
    building_ = false;
    shownText_ = result.text;
    rch_->setText(shownText_);
    mLoaded_ = true;
    rch_->show();
    state().gProgressCount = -1;
    ui::showDefaultPointer();
    ui::DoEvents();
    if (!self || closed_)
        return;
    if (!result.found) {
        shownText_.clear();
        rch_->clear();
        {
            WatchPause pause(tmWatch);
            ui::Wait(1);
            ui::messages().error(QStringLiteral("データが空です。"));
        }
        if (!self || closed_)
            return;
        tmUnload_.start();
    }
    setEnabled(true);
}

void ListWindow::reloadData() {
    reports::ShowProgressWait(state());
    ui::showWaitPointer();
    shownText_.clear();
    rch_->clear();
    rch_->hide();
    mLoaded_ = false;
    // Nothing is saved from the window while its text is being built again: it would save the empty text.
    setEnabled(false);
    QPointer<ListWindow> self(this);
    ui::DoEvents();
    if (!self || closed_)
        return;
    onResize();
    if (self && !closed_)
        ui::showWaitPointer(); // the main window puts the pointer back once every window has rebuilt
}

void ListWindow::onUnload() {
    // A list closed before its build ended must still end the progress count its opener started, or the
    // progress window would hold the main window's menus for good.
    if (!mLoaded_ && !failed_)
        state().gProgressCount = -1;
    closed_ = true;
    tmUnload_.stop();
    if (state().gOpenDataCount > 0)
        --state().gOpenDataCount;
}

QString ListWindow::messageText(const char16_t* text) const {
    QString t = QString::fromUtf16(text);
    if (member_.doubledStop)
        t += QStringLiteral("。");
    return t;
}

void ListWindow::cmdCSV_Click() { exportTo(true); }

void ListWindow::cmdTXT_Click() { exportTo(false); }

void ListWindow::exportTo(bool tab) {
    QPointer<ListWindow> self(this);
    WatchPause pause(tmWatch);
    SaveDialogRequest req;
    req.title = tab ? QStringLiteral("Save txt(Tab) Format") : QStringLiteral("Save txt(Flat) Format");
    req.filter = tab ? QStringLiteral(" Text(Tab) file(*.txt)| *.txt") : QStringLiteral(" Text file(*.txt)| *.txt");
    req.fileName = proposedExportName(state().gDbPath, member_.exportWord, tab ? ExportKind::Tab : ExportKind::Flat);
    const QString name = askSaveFileName(this, req);
    if (!self || name.isEmpty())
        return;
    state().gExportPath = name;
    ui::showWaitPointer();
    try {
        if (tab)
            writeTabFile(member_, state(), name);
        else
            writeExportFile(name, shownText_);
    } catch (const UnencodableExport& e) {
        ui::showDefaultPointer();
        ui::messages().error(unencodableExportMessage(e.bad), QStringLiteral("ファイル出力エラーです"));
        return;
    } catch (const ControlInExport& e) {
        ui::showDefaultPointer();
        ui::messages().error(controlExportMessage(e), QStringLiteral("ファイル出力エラーです"));
        return;
    } catch (const std::overflow_error&) {
        ui::showDefaultPointer();
        ui::messages().error(core::kHugeNumberText + QStringLiteral("\nファイルは書き換えていません。"),
                             QStringLiteral("ファイル出力エラーです"));
        return;
    } catch (const std::exception& e) {
        ui::showDefaultPointer();
        // A cause the person can act on is named; the file stayed as it was in every case.
        const QString cause = core::writeCauseText(name, e);
        ui::messages().error(
            core::dbFailureText(
                e, messageText(kExportError) +
                       (cause.isEmpty()
                            ? QString()
                            : QStringLiteral("\n%1 に書き込めませんでした。%2ファイルは書き換えていません。")
                                  .arg(QDir::toNativeSeparators(name), cause))),
            QStringLiteral("ファイル出力エラーです"));
        return;
    }
    ui::showDefaultPointer();
}

} // namespace viewers
