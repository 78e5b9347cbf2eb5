#include "reports/InvoiceOrderChooser.h"

#include "core/FileProblems.h"
#include "core/Dates.h"
#include "core/Numbers.h"
#include "ui/GridColumns.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTableWidget>
#include <cmath>
#include <exception>

namespace reports {

namespace {

constexpr int kColumns = 9;
constexpr int kMargin = twips(50);

const QString kReadErrorText = QStringLiteral(
    "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
    "またはVarnox以外のプログラムで他の人が使用している場合に起こることがあります。");
const QString kReadErrorTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");

QString dateText(double ole) { return core::FormatShortDate(ole); }

} // namespace

QStringList InvoiceOrderCells(const InvoiceOrderRow& r) {
    return {QString::number(r.orderNo),
            r.clientName,
            r.employeeName,
            core::FormatGrouped(r.sales, 0),
            core::FormatGrouped(r.tax, 0),
            core::FormatGrouped(r.shipping, 0),
            dateText(r.orderDate),
            r.paidDate == 0 ? QString() : dateText(r.paidDate),
            r.cancelMark == QLatin1String("X") ? QStringLiteral("キャンセル") : QStringLiteral(" ")};
}

InvoiceOrderChooser::InvoiceOrderChooser(core::AppState& state, QWidget* parent) : ButtonOnlyDialog(parent), s_(state) {
    setObjectName(QStringLiteral("frmInvPrep2"));
    setFont(dialogFont(9));
    resize(twips(5475), twips(3990));

    grd_ = new QTableWidget(this);
    grd_->setObjectName(QStringLiteral("grd"));
    grd_->setGeometry(0, 0, twips(2535), twips(1335));
    grd_->setFont(dialogFont(9));
    grd_->setToolTip(QStringLiteral("出力、表示したいところをクリックして下さい"));
    grd_->setColumnCount(kColumns);
    grd_->verticalHeader()->hide();
    grd_->horizontalHeader()->setSectionsClickable(false);
    grd_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grd_->setSelectionMode(QAbstractItemView::SingleSelection);
    grd_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grd_->setWordWrap(false);
    grd_->setVisible(false);
    ui::freezeFirstColumn(grd_); // the order number stays in sight when the grid scrolls sideways

    cmdEnd_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdEnd_->setObjectName(QStringLiteral("cmdEnd"));
    cmdEnd_->setFont(dialogFont(11.25, true));
    cmdEnd_->setGeometry(twips(3840), twips(3480), twips(1575), twips(375));
    cmdEnd_->setAutoDefault(false);

    tmResize_.setSingleShot(false);
    tmResize_.setInterval(100);
    connect(&tmResize_, &QTimer::timeout, this, &InvoiceOrderChooser::tmResize_Timer);
    connect(cmdEnd_, &QPushButton::clicked, this, &InvoiceOrderChooser::unload);
    connect(grd_, &QTableWidget::currentCellChanged, this, [this](int row) { grd_RowColChange(row); });
    connect(grd_, &QTableWidget::cellClicked, this, [this] { grd_Click(); });

    // Load: nothing is chosen until a row is clicked.
    if (core::isSet(s_.gInvPrintFlavour)) {
        setWindowTitle(QStringLiteral("請求書出力選択"));
        s_.gInvPrintOrderNo = -1;
    } else {
        setWindowTitle(QStringLiteral("請求書表示選択"));
        s_.gInvViewOrderNo = -1;
    }
}

std::int32_t& InvoiceOrderChooser::result() {
    return core::isSet(s_.gInvPrintFlavour) ? s_.gInvPrintOrderNo : s_.gInvViewOrderNo;
}

void InvoiceOrderChooser::resizeEvent(QResizeEvent* event) {
    ButtonOnlyDialog::resizeEvent(event);
    if (mFirstBuild_) {
        mFirstBuild_ = false;
        // Built once the dialog is on screen, so the hourglass shows over it.
        QTimer::singleShot(0, this, &InvoiceOrderChooser::build);
    } else if (!tmResize_.isActive()) {
        tmResize_.start();
    }
}

void InvoiceOrderChooser::build() {
    mSelRow_ = 1; // the current row after filling is the first order: a click without moving picks it
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    try {
        orders_ = ListInvoiceOrders(s_.gDbPath);
    } catch (const std::exception& e) {
        orders_.clear();
        QApplication::restoreOverrideCursor();
        setEnabled(true);
        ui::messages().error(core::dbFailureText(e, kReadErrorText), kReadErrorTitle);
        closeLater();
        return;
    }
    if (orders_.empty()) {
        QApplication::restoreOverrideCursor();
        setEnabled(true);
        ui::messages().error(QStringLiteral("データが空です。"));
        closeLater();
        return;
    }
    layOut(false);
    fillGrid();
    grd_->setVisible(true);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
}

void InvoiceOrderChooser::fillGrid() {
    // At least one screen of rows, so the grid never ends short of its window; at least one row per order.
    const int rowHeight = std::max(1, grd_->verticalHeader()->defaultSectionSize());
    const QScreen* sc = screen() ? screen() : QApplication::primaryScreen();
    const int screenHeight = sc ? sc->geometry().height() : 0;
    const int screenRows = int(std::floor(double(screenHeight) / rowHeight + 0.5));
    const int rows = std::max(rowCount() + 1, screenRows);

    const QSignalBlocker block(grd_);
    grd_->setRowCount(rows - 1); // the heading row is the grid's header
    grd_->setHorizontalHeaderLabels({QStringLiteral("受注No"), QStringLiteral("顧客名"), QStringLiteral("社員名"),
                                     QStringLiteral("販売金額"), QStringLiteral("消費税額"), QStringLiteral("送料"),
                                     QStringLiteral("受注日付"), QStringLiteral("入金日"), QStringLiteral("キャンセル")});
    const QBrush fixedColumn = palette().brush(QPalette::Button);
    for (int i = 0; i < rows - 1; ++i) {
        const QStringList cells = i < rowCount() ? InvoiceOrderCells(orders_[size_t(i)]) : QStringList();
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(c < cells.size() ? cells[c] : QString());
            if (c == 0)
                item->setBackground(fixedColumn);
            // The order number and the amounts stand right-aligned, as in every other list of orders.
            if (c == 0 || (c >= 3 && c <= 5))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grd_->setItem(i, c, item);
        }
    }
    // Each column as wide as its longest text in the grid's font: names, amounts and dates are read whole.
    ui::fitColumnsToText(grd_);
    grd_->setCurrentCell(0, 0);
}

void InvoiceOrderChooser::layOut(bool onlyPositive) {
    const int top = height() - cmdEnd_->height() - kMargin;
    const int left = width() - cmdEnd_->width() - kMargin;
    if (!onlyPositive || top > 0)
        cmdEnd_->move(cmdEnd_->x(), top);
    if (!onlyPositive || left > 0)
        cmdEnd_->move(left, cmdEnd_->y());
    if (!onlyPositive || width() > 0)
        grd_->resize(width(), grd_->height());
    const int gridHeight = cmdEnd_->y() - kMargin;
    if (!onlyPositive || gridHeight > 0)
        grd_->resize(grd_->width(), std::max(0, gridHeight));
}

void InvoiceOrderChooser::closeLater() {
    mCloseOnTimer_ = true;
    tmResize_.start();
}

void InvoiceOrderChooser::grd_RowColChange(int row) {
    if (row >= 0 && row < rowCount()) {
        mSelRow_ = row + 1;
        s_.gSelectedOrderNo = orders_[size_t(row)].orderNo;
    } else {
        mSelRow_ = 0;
    }
}

void InvoiceOrderChooser::grd_Click() {
    if (mSelRow_ <= 0)
        return;
    result() = orders_[size_t(mSelRow_ - 1)].orderNo;
    unload();
}

void InvoiceOrderChooser::tmResize_Timer() {
    tmResize_.stop();
    if (mCloseOnTimer_) {
        unload();
        return;
    }
    layOut(true);
}

std::int32_t runInvoiceOrderChooser(core::AppState& state, QWidget* parent) {
    InvoiceOrderChooser dialog(state, parent);
    dialog.exec();
    return core::isSet(state.gInvPrintFlavour) ? state.gInvPrintOrderNo : state.gInvViewOrderNo;
}

} // namespace reports
