#include "orders/OrderListWindow.h"

#include "core/FileProblems.h"
#include "core/Numbers.h"
#include "orders/OrderMessages.h"
#include "ui/GridColumns.h"
#include "ui/MessageService.h"
#include "ui/Pointer.h"
#include "ui/WindowHelpers.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <limits>
#include <stdexcept>

namespace orders {

namespace {
constexpr int kMargin = 3; // 50 twips

// Whether an amount of the order, or their sum, lies past what the money type holds (another program
// stored it).
bool pastMoney(const OrderListRow& r) {
    const auto past = [](db::Currency c) {
        constexpr auto kEdge = std::numeric_limits<std::int64_t>::max();
        return c.raw() >= kEdge || c.raw() <= -kEdge;
    };
    if (past(r.sales) || past(r.tax) || past(r.shipping))
        return true;
    try {
        return past(r.sales + r.tax + r.shipping);
    } catch (const std::overflow_error&) {
        return true;
    }
}

// The numbers of such orders, or "".
QString hugeAmounts(const std::vector<OrderListRow>& rows) {
    QStringList numbers;
    for (const OrderListRow& r : rows)
        if (pastMoney(r))
            numbers << QString::number(r.orderNo);
    return numbers.join(QStringLiteral("、"));
}

} // namespace

OrderListWindow::OrderListWindow(core::AppState& state, Kind kind, QWidget* parent)
    : frame::ChildWindow(state, kind == Kind::Payment ? core::kChildPayment : core::kChildCancel,
                         kind == Kind::Payment ? core::kFormPayment : core::kFormCancel, WatchForm::Other, parent),
      kind_(kind) {
    setWindowTitle(kind == Kind::Payment ? QStringLiteral("入金処理") : QStringLiteral("受注キャンセル処理"));
    model_ = new OrderListModel(this);
    grd_ = new QTableView(this);
    grd_->setModel(model_);
    grd_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grd_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grd_->setSelectionMode(QAbstractItemView::SingleSelection);
    grd_->verticalHeader()->hide();
    grd_->horizontalHeader()->setSectionsClickable(false);
    grd_->horizontalHeader()->setHighlightSections(false);
    grd_->setWordWrap(false);
    grd_->verticalHeader()->setDefaultSectionSize(grd_->fontMetrics().height() + 8);
    grd_->setVisible(false);
    ui::freezeFirstColumn(grd_); // the order number stays in sight when the grid scrolls sideways
    cmdEnd_ = new QPushButton(QStringLiteral("終了"), this);
    cmdEnd_->resize(96, 30);
    connect(cmdEnd_, &QPushButton::clicked, this, &OrderListWindow::unloadWindow);
    connect(grd_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { trackSelectedRow(current); });
    // The clicked cell is the picked one, also when it already was the current cell (a first click on
    // the first row changes no cell and would otherwise do nothing).
    connect(grd_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        trackSelectedRow(index);
        actOnSelectedRow();
    });
    // A date or mark set in the list may be longer than anything the column held when it was sized.
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { setColumnWidths(); });
    resize(sizeHint());
}

OrderListWindow::~OrderListWindow() = default;

bool OrderListWindow::buildContents() { return loadOrderList(); }

bool OrderListWindow::loadOrderList() {
    mSelRow_ = 0;
    ui::showWaitPointer();
    setEnabled(false);
    std::vector<OrderListRow> rows;
    try {
        if (!store_)
            store_ = std::make_unique<OrderStatusStore>(state().gDbPath);
        const std::int32_t mode = kind_ == Kind::Payment ? state().gPaymentListMode : state().gCancelListMode;
        rows = store_->listOrders(mode == 0);
    } catch (const std::exception& e) {
        store_.reset();
        ui::showDefaultPointer();
        setEnabled(true);
        ui::messages().error(core::dbFailureText(e, kOtherProgramMessage), kReadErrorTitle);
        return false;
    }
    if (rows.empty()) {
        ui::showDefaultPointer();
        setEnabled(true);
        ui::messages().error(kEmptyMessage);
        return false;
    }
    placeControls();
    const QString huge = hugeAmounts(rows);
    // Enough rows to cover the screen's height, so a short list shows blank rows below it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int rowHeight = qMax(1, grd_->verticalHeader()->defaultSectionSize());
    const int screenRows = screen ? int(double(screen->size().height()) / rowHeight + 0.5) : 0;
    model_->setOrders(std::move(rows), qMax(0, screenRows - 1));
    setColumnWidths();
    // The grid starts on its first cell, yet no order counts as picked until the user picks one.
    grd_->selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
    mSelRow_ = 0;
    grd_->setVisible(true);
    ui::showDefaultPointer();
    setEnabled(true);
    if (!huge.isEmpty()) // listed all the same, and named
        ui::messages().error(core::kHugeNumberText + QStringLiteral("\n受注No.%1 の金額の合計").arg(huge));
    return true;
}

void OrderListWindow::placeControls() {
    const int top = height() - cmdEnd_->height() - kMargin;
    if (top > 0)
        cmdEnd_->move(cmdEnd_->x(), top);
    const int left = width() - cmdEnd_->width() - kMargin;
    if (left > 0)
        cmdEnd_->move(left, cmdEnd_->y());
    if (width() > 0)
        grd_->resize(width(), grd_->height());
    if (cmdEnd_->y() - kMargin > 0)
        grd_->resize(grd_->width(), cmdEnd_->y() - kMargin);
}

void OrderListWindow::setColumnWidths() {
    // Each column as wide as its longest text in the grid's font, so no client name is cut.
    ui::fitColumnsToText(grd_);
}

void OrderListWindow::layoutContents() {
    placeControls(); // the columns follow their texts, not the window's width
}

void OrderListWindow::reloadData() {
    ui::showWaitPointer();
    const QPointer<OrderListWindow> self(this);
    ui::DoEvents();
    if (!self) // closed meanwhile (終了 waiting in the queue)
        return;
    model_->clear();
    if (!loadOrderList())
        QTimer::singleShot(100, this, [this] { unloadWindow(); });
    ui::showWaitPointer(); // the refresh broadcast restores it once every window has answered
}

void OrderListWindow::onUnload() {
    if (state().gOpenDataCount > 0)
        --state().gOpenDataCount;
    model_->setOrders({}, 0);
    store_.reset();
}

void OrderListWindow::trackSelectedRow(const QModelIndex& current) {
    const int r = current.isValid() ? current.row() + 1 : 0;
    if (r > 0 && r <= model_->orderCount()) {
        mSelRow_ = r;
        if (kind_ == Kind::Payment)
            state().gSelectedOrderNo = model_->order(r - 1).orderNo;
    } else {
        mSelRow_ = 0;
    }
}

bool OrderListWindow::eventFilter(QObject* watched, QEvent* e) {
    // A click on the heading row acts on the row picked last, as a click on a cell does.
    if (e->type() == QEvent::MouseButtonRelease && grd_ && watched == grd_->horizontalHeader()->viewport())
        actOnSelectedRow();
    return frame::ChildWindow::eventFilter(watched, e);
}

} // namespace orders
