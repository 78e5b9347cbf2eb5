#include "orders/StockUpdateWindow.h"

#include "core/FileProblems.h"
#include "core/Numbers.h"
#include "orders/EntryGrid.h"
#include "orders/OrderMessages.h"
#include "orders/StockInput.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"
#include "ui/Pointer.h"
#include "ui/WindowHelpers.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTableWidget>

namespace orders {

namespace {

constexpr int kVisibleRows = 10;
constexpr int kCountCol = 6;
constexpr int kTwipsPerPixel = 15;
constexpr int kTopStrip = 34; // category box above the grid
const std::vector<double> kColFractions{0.1111, 0.292, 0.12, 0.12, 0.12, 0.11, 0.11};
const QStringList kHeadings{QStringLiteral("商品コード"), QStringLiteral("商品名"), QStringLiteral("定価"),
                            QStringLiteral("仕切値"), QStringLiteral("原価"), QStringLiteral("消費税率"),
                            QStringLiteral("在庫数")};
const QString kHugeNumber = QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。");
const QString kNoShortage = QStringLiteral("在庫不足はありません。");

QString priceText(db::Currency v) { return v > db::Currency() ? core::FormatGrouped(v, 0) : QString(); }

QString conflictMessage(const std::vector<StockConflict>& conflicts) {
    QString text = QStringLiteral("次の商品の在庫量は、この画面を開いた後に他の処理で変更されたため更新しませんでした。"
                                  "最新の在庫量を表示しますので、入力し直してください。");
    for (const StockConflict& c : conflicts)
        text += QStringLiteral("\n%1 (現在の在庫量 %2)").arg(c.code, core::FormatGrouped(db::Currency::fromUnits(c.stored), 0));
    return text;
}

QString vanishedMessage(const QStringList& codes) {
    return QStringLiteral("次の商品は商品マスタにないため更新しませんでした。\n") + codes.join(QLatin1Char('\n'));
}

} // namespace

StockUpdateWindow::StockUpdateWindow(core::AppState& state, QWidget* parent)
    : frame::ChildWindow(state, core::kChildStockUp, core::kFormStockUp, WatchForm::Other, parent) {
    setWindowTitle(QStringLiteral("在庫更新"));
    setFont(EntryGrid::gothicFont(10));
    grid_ = new EntryGrid(kVisibleRows + 1, int(kHeadings.size()), this);
    grid_->setVisible(false);
    for (int c = 2; c <= kCountCol; ++c)
        grid_->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    Label1 = new QLabel(QStringLiteral("カテゴリ"), this);
    cmbCat = new QComboBox(this);
    cmbCat->setEditable(true);
    cmbCat->setInsertPolicy(QComboBox::NoInsert);
    Frame1 = new QFrame(this);
    Frame1->setFrameShape(QFrame::StyledPanel);
    cmdOK = new QPushButton(QStringLiteral("更新"), Frame1);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), Frame1);
    cmdEnd = new QPushButton(QStringLiteral("終了"), Frame1);
    auto* buttons = new QHBoxLayout(Frame1);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdEnd);
    Frame1->resize(Frame1->width(), 44);
    tmScroll.setInterval(100);

    connect(&tmScroll, &QTimer::timeout, this, &StockUpdateWindow::scrollTick);
    connect(grid_, &EntryGrid::scrollChanged, this, &StockUpdateWindow::armScroll);
    connect(grid_, &EntryGrid::cellChanged, this, &StockUpdateWindow::onCellChanged);
    connect(grid_, &EntryGrid::editorChanged, this, &StockUpdateWindow::onEditorChanged);
    connect(grid_, &EntryGrid::editorKeyDown, this, &StockUpdateWindow::onEditorKey);
    connect(grid_, &EntryGrid::gridMouseMove, this, &StockUpdateWindow::onGridMouseMove);
    for (auto signal : {&EntryGrid::gridClicked, &EntryGrid::gridMouseDown})
        connect(grid_, signal, this, [this] {
            if (!cats_.empty())
                grid_->gridSetCell(row_, col_);
        });
    connect(cmbCat, &QComboBox::currentTextChanged, this, &StockUpdateWindow::onCategoryText);
    connect(cmbCat, &QComboBox::activated, this, [this] { onCategoryText(cmbCat->currentText()); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { saveOrReload(true); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { saveOrReload(false); });
    connect(cmdEnd, &QPushButton::clicked, this, &StockUpdateWindow::unloadWindow);
    resize(sizeHint());
}

StockUpdateWindow::~StockUpdateWindow() = default;

// 更新 (save, then reload) and キャンセル (reload). Both let waiting events run first: a second press,
// 終了 or a close request may come in there, so the window is looked at again afterwards.
void StockUpdateWindow::saveOrReload(bool save) {
    if (busy_ || unloaded_)
        return;
    busy_ = true;
    ui::showWaitPointer();
    const QPointer<StockUpdateWindow> self(this);
    ui::DoEvents();
    if (!self) {
        ui::showDefaultPointer();
        return;
    }
    if (!unloaded_ && (!save || saveChanged())) {
        reload();
        grid_->scrollBar()->setValue(0);
    }
    busy_ = false;
    ui::showDefaultPointer();
}

// The window's timers wait while a box is open (see GetOrderWindow::errorBox).
void StockUpdateWindow::errorBox(const QString& text, const QString& title) {
    const TimerHold hold(this);
    ui::messages().error(text, title);
}

bool StockUpdateWindow::buildContents() { return loadStockList(); }

bool StockUpdateWindow::failBuild(const QString& text, const QString& title) {
    usable_ = false;
    ui::showDefaultPointer();
    setEnabled(true);
    errorBox(text, title);
    return false;
}

bool StockUpdateWindow::loadStockList() {
    setEnabled(false);
    ready_ = false;
    cats_.clear();
    {
        const QSignalBlocker block(cmbCat);
        cmbCat->clear();
        const core::Categories& list = state().categories;
        for (std::int32_t c = 1; c <= list.CategoryCount; ++c) {
            StockCategory cat;
            list.CategoryGet(c, cat.name);
            cmbCat->addItem(cat.name);
            cats_.push_back(std::move(cat));
        }
        if (!cats_.empty())
            cmbCat->setEditText(cats_.front().name);
    }
    const bool shortOnly = state().gStockListMode == 0;
    std::vector<StockGoods> goods;
    try {
        goods = StockStore(state().gDbPath).listGoods(shortOnly, state().gReservedCode[core::kLenGoodsCode]);
    } catch (const std::exception& e) {
        return failBuild(core::dbFailureText(e, kOtherProgramMessage), kReadErrorTitle);
    }
    if (goods.empty())
        return failBuild(kEmptyMessage, QStringLiteral("Varnox"));
    for (const StockGoods& g : goods)
        for (StockCategory& cat : cats_)
            if (cat.name == g.category)
                cat.lines.push_back({g, g.stock});
    for (int c = 0; c < int(kHeadings.size()); ++c)
        grid_->setTextAt(0, c, kHeadings[c]);
    int first = -1;
    for (int i = 0; i < int(cats_.size()); ++i) {
        cats_[size_t(i)].maxScroll = qMax(0, int(cats_[size_t(i)].lines.size()) - kVisibleRows);
        cats_[size_t(i)].top = 0;
        if (first < 0 && !cats_[size_t(i)].lines.empty())
            first = i;
    }
    if (first < 0) {
        cats_.clear();
        grid_->setPainting(false);
        for (int r = 1; r <= kVisibleRows; ++r)
            for (int c = 0; c < int(kHeadings.size()); ++c)
                grid_->setTextAt(r, c, QString());
        grid_->setPainting(true);
        // Only the short-goods list may say there is no shortage; a list of all goods is simply empty.
        return failBuild(shortOnly ? kNoShortage : kEmptyMessage, QStringLiteral("Varnox"));
    }
    cur_ = first;
    {
        const QSignalBlocker block(cmbCat);
        cmbCat->setEditText(cats_[size_t(cur_)].name);
    }
    grid_->scrollBar()->setMaximum(cats_[size_t(cur_)].maxScroll);
    paintRows();
    ready_ = true;
    row_ = 1;
    col_ = kCountCol;
    grid_->setVisible(true);
    ui::showDefaultPointer();
    setEnabled(true);
    layoutContents();
    // Once more after the window is on screen: a hidden grid has not placed its cells yet.
    QTimer::singleShot(0, this, [this] {
        if (usable_ && !cats_.empty())
            layoutContents();
    });
    return true;
}

void StockUpdateWindow::paintRow(int r) {
    const StockCategory& cat = cats_[size_t(cur_)];
    const StockGoods& g = cat.lines[size_t(cat.top + r - 1)].goods;
    // At most the field's size of a stored text: a longer one would freeze the grid.
    const auto& len = state().gFieldLen;
    grid_->setTextAt(r, 0,
                     QStringLiteral(" ") + text::shownPart(g.code, len[core::kLenGoodsCode]).toString());
    grid_->setTextAt(r, 1,
                     QStringLiteral(" ") + text::shownPart(g.name, len[core::kLenGoodsName]).toString());
    grid_->setTextAt(r, 2, priceText(g.listPrice));
    grid_->setTextAt(r, 3, priceText(g.tradePrice));
    grid_->setTextAt(r, 4, priceText(g.costPrice));
    const db::Currency rate = db::Currency::fromDouble(double(g.taxRate));
    grid_->setTextAt(r, 5, rate > db::Currency() ? core::FormatGrouped(rate, 2) : QString());
    grid_->setTextAt(r, kCountCol, core::FormatGrouped(db::Currency::fromUnits(g.stock), 0));
}

void StockUpdateWindow::paintRows() {
    const StockCategory& cat = cats_[size_t(cur_)];
    for (int r = 1; r <= kVisibleRows; ++r) {
        if (cat.top + r <= int(cat.lines.size())) {
            paintRow(r);
        } else {
            for (int c = 0; c < int(kHeadings.size()); ++c)
                grid_->setTextAt(r, c, QString());
        }
    }
}

StockUpdateWindow::StockLine* StockUpdateWindow::lineAt(int r) {
    if (cats_.empty())
        return nullptr;
    StockCategory& cat = cats_[size_t(cur_)];
    const int j = cat.top + r;
    return j >= 1 && j <= int(cat.lines.size()) ? &cat.lines[size_t(j - 1)] : nullptr;
}

void StockUpdateWindow::armScroll() {
    scrollPending_ = true;
    tmScroll.start();
}

void StockUpdateWindow::scrollTick() {
    if (!usable_) {
        tmScroll.stop();
        return;
    }
    if (timersHeld()) // a handler is waiting: the repaint comes at a later tick
        return;
    if (scrollPending_) { // one more tick after the last scroll event
        scrollPending_ = false;
        return;
    }
    tmScroll.stop();
    ready_ = false;
    grid_->setPainting(false);
    cats_[size_t(cur_)].top = grid_->scrollBar()->value();
    paintRows();
    grid_->setCol(col_);
    grid_->setRow(row_);
    editStart_.reset(); // another goods stands under the editor now
    grid_->showInEditor(grid_->text());
    grid_->setPainting(true);
    ready_ = true;
}

void StockUpdateWindow::onCellChanged() {
    if (cats_.empty())
        return;
    if (!lineAt(grid_->row())) { // a row without goods: back to the current cell
        grid_->setCol(col_);
        grid_->setRow(row_);
        return;
    }
    if (!ready_)
        return;
    if (grid_->col() == kCountCol) {
        editStart_.reset(); // the editor comes to a cell: a new edit begins
        grid_->gridStoreEditor(row_, col_);
    }
    else
        grid_->setCol(kCountCol);
}

void StockUpdateWindow::onEditorChanged(const QString& text) {
    if (!usable_ || cats_.empty())
        return;
    if (StockLine* line = lineAt(row_)) {
        const int j = cats_[size_t(cur_)].top + row_;
        if (!editStart_ || editStart_->cat != cur_ || editStart_->j != j)
            editStart_ = EditStart{cur_, j, line->goods.stock};
        const StockInput in = interpretStockInput(text, line->goods.stock, editStart_->count);
        if (in.overflow)
            errorBox(kHugeNumber, QStringLiteral("Varnox"));
        grid_->setText(in.cellText);
        if (col_ == kCountCol)
            line->goods.stock = in.count;
        if (in.editorText)
            grid_->editor()->setText(*in.editorText); // runs this again with the replaced text
    } else {
        grid_->editor()->setText(QString());
        grid_->setText(QString());
    }
    ready_ = false;
    grid_->setPainting(false);
    grid_->setPainting(true);
    ready_ = true;
}

void StockUpdateWindow::onEditorKey(int key, int shift) {
    if (cats_.empty())
        return;
    state().gGridOwnerIsOrder = core::kFalse;
    grid_->gridKeyNav(key, shift, row_, col_);
    if (grid_->col() != kCountCol)
        grid_->setCol(kCountCol);
}

void StockUpdateWindow::onCategoryText(const QString& text) {
    if (cats_.empty())
        return;
    for (int c = 0; c < int(cats_.size()); ++c) {
        if (cats_[size_t(c)].name != text)
            continue;
        if (c == cur_)
            break;
        cur_ = c;
        QScrollBar* vsG = grid_->scrollBar();
        vsG->setMaximum(cats_[size_t(c)].maxScroll);
        vsG->setValue(cats_[size_t(c)].top);
        armScroll();
        return;
    }
    if (cmbCat->currentText() != cats_[size_t(cur_)].name)
        cmbCat->setEditText(cats_[size_t(cur_)].name);
}

void StockUpdateWindow::onGridMouseMove(QPoint pos) {
    if (cats_.empty() || !usable_)
        return;
    int limit = 0; // the bottom of the visible rows
    for (int r = 0; r <= kVisibleRows; ++r)
        limit += grid_->rowHeight(r);
    if (pos.y() < limit) {
        grid_->gridSetCell(row_, col_);
        pointerInside_ = true;
    } else if (pointerInside_) {
        grid_->gridSetCell(row_, col_);
        pointerInside_ = false;
    }
}

void StockUpdateWindow::layoutContents() {
    const int W = width();
    const int H = height();
    if (W * kTwipsPerPixel <= 2500 || H * kTwipsPerPixel <= 2500)
        return;
    const int points = H * kTwipsPerPixel < 4500 ? 5 : 10;
    grid_->table()->setFont(EntryGrid::gothicFont(points));
    grid_->editor()->setFont(EntryGrid::gothicFont(points));
    Label1->setGeometry(6, 6, 70, kTopStrip - 10);
    cmbCat->setGeometry(80, 4, 220, kTopStrip - 8);
    Frame1->setGeometry(0, H - Frame1->height(), W, Frame1->height());
    grid_->setGeometry(0, kTopStrip, W, qMax(0, H - kTopStrip - Frame1->height()));
    grid_->layoutCells(kColFractions);
    grid_->gridPlaceEditor(row_, col_);
}

void StockUpdateWindow::reload() {
    usable_ = true;
    editStart_.reset();
    scrollPending_ = false;
    pointerInside_ = false;
    row_ = 1;
    col_ = kCountCol;
    tmScroll.stop();
    if (!loadStockList())
        QTimer::singleShot(100, this, [this] { unloadWindow(); });
}

void StockUpdateWindow::reloadData() {
    ui::showWaitPointer();
    const QPointer<StockUpdateWindow> self(this);
    ui::DoEvents();
    if (!self || unloaded_)
        return;
    reload();
    grid_->scrollBar()->setValue(0);
    ui::showWaitPointer(); // the refresh broadcast restores it once every window has answered
}

void StockUpdateWindow::onUnload() {
    unloaded_ = true;
    if (state().gOpenDataCount > 0)
        --state().gOpenDataCount;
    tmScroll.stop();
    cats_.clear();
}

void StockUpdateWindow::Set_tblDetail_and_Update_Stock_count() { saveChanged(); }

bool StockUpdateWindow::saveChanged() {
    // Only what the user changed: a count lowered meanwhile by an order must not be overwritten.
    std::vector<StockChange> changes;
    QSet<QString> seen;
    for (const StockCategory& cat : cats_)
        for (const StockLine& line : cat.lines)
            if (line.goods.stock != line.loaded && !seen.contains(line.goods.code)) {
                seen.insert(line.goods.code);
                changes.push_back({line.goods.code, line.loaded, line.goods.stock});
            }
    StockSaveResult result;
    try {
        result = StockStore(state().gDbPath).saveCounts(changes);
    } catch (const std::exception& e) {
        ui::showDefaultPointer();
        if (const QString cause = core::fileProblemText(e, state().gDbPath); !cause.isEmpty())
            errorBox(cause, QStringLiteral("Varnox"));
        else
            errorBox(core::dbFailureText(e, kOtherProgramMessage), kWriteErrorTitle);
        return false; // the typed counts stay on screen for another try
    }
    if (!result.vanished.isEmpty() || !result.conflicts.empty())
        ui::showDefaultPointer();
    if (!result.vanished.isEmpty())
        errorBox(vanishedMessage(result.vanished), QStringLiteral("Varnox"));
    if (!result.conflicts.empty())
        errorBox(conflictMessage(result.conflicts), QStringLiteral("Varnox"));
    return true;
}

} // namespace orders
