#include "orders/GetOrderWindow.h"

#include "core/FileProblems.h"
#include "core/MainFrame.h"
#include "core/Numbers.h"
#include "db/DbError.h"
#include "db/OleDate.h"
#include "db/UseLock.h"
#include "orders/LeftPendingOrders.h"
#include "orders/OrderMessages.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"
#include "ui/Pointer.h"
#include "ui/WindowHelpers.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <stdexcept>

namespace orders {

using core::FormatGrouped;
using db::Currency;

namespace {

const QStringList kHeadings{QStringLiteral("商品コード"), QStringLiteral("商品名"), QStringLiteral("定価"),
                            QStringLiteral("仕切値"), QStringLiteral("原価"), QStringLiteral("販売価格"),
                            QStringLiteral("個数"), QStringLiteral("消費税"), QStringLiteral("在庫数")};
const std::vector<double> kColumnShares{0.1111, 0.222, 0.12, 0.12, 0.11, 0.12, 0.055, 0.07, 0.0535};
const QString kHugeNumber = QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。");

// The numbers stop at the largest a Long holds: the next one would wrap below zero.
QString numbersUsedUp(const QString& field) {
    return QStringLiteral("%1の番号を使い切りました（上限は2147483647です）。\n").arg(field);
}

// A pending row left behind is in no list and goes once the file is free: the user only needs to know it was
// not lost. One line a sentence, so the message box never breaks one.
const QString kLeftPendingNote = QStringLiteral("\n\nこの仮の受注データは一覧や帳票には出ません。\n"
                                                "次の受注データ入力かＤＢオープンで削除されます。\n"
                                                "（ＤＢファイルを他で使用していないときに限ります。）");

constexpr int kTotalsRow = 11;
// Window sizes below which nothing is laid out, and below which the grid uses its small font
// (2500 and 4500 twips at 15 twips a pixel).
constexpr int kMinLayout = 167;
constexpr int kSmallFontHeight = 300;
constexpr int kTopBand = 70;

QString amountText(Currency v) { return v > Currency() ? FormatGrouped(v, 0) : QString(); }
QString countText(std::int64_t n) { return FormatGrouped(Currency::fromUnits(n), 0); }

} // namespace

GetOrderWindow::GetOrderWindow(core::AppState& state, QWidget* parent)
    : frame::ChildWindow(state, core::kChildGetOrder, core::kFormGetOrder, WatchForm::Other, parent) {
    setObjectName(QStringLiteral("frmGetOrder"));
    setWindowTitle(QStringLiteral("受注データ入力"));
    setFont(EntryGrid::gothicFont(10));
    createControls();
    tmScroll_.setInterval(100);
    connect(&tmScroll_, &QTimer::timeout, this, &GetOrderWindow::scrollTick);
    load();
}

GetOrderWindow::~GetOrderWindow() {
    // A window destroyed without its unload (program end) must not leave its pending row behind.
    deletePendingOrder(true);
}

void GetOrderWindow::createControls() {
    const char* captions[] = {"", "カテゴリ", "手数料", "総合計", "顧客名", "社員名", "受注No."};
    for (int i = 1; i <= 6; ++i)
        label_[i] = new QLabel(QString::fromUtf8(captions[i]), this);
    dbcClient_ = new QComboBox(this);
    dbcEmployee_ = new QComboBox(this);
    cmbCat_ = new QComboBox(this);
    for (QComboBox* c : {dbcClient_, dbcEmployee_, cmbCat_}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    lblOrderNo_ = new QLabel(this);
    lblTotal_ = new QLabel(this);
    for (QLabel* l : {lblOrderNo_, lblTotal_}) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    txtOther_ = new QLineEdit(this);
    txtOther_->setAlignment(Qt::AlignRight);
    txtOther_->installEventFilter(this);
    line1_ = new QFrame(this);
    line1_->setFrameShape(QFrame::HLine);
    line1_->setFrameShadow(QFrame::Sunken);
    frame1_ = new QFrame(this);
    cmdOK_ = new QPushButton(QStringLiteral("契約"), frame1_);
    cmdCancel_ = new QPushButton(QStringLiteral("キャンセル"), frame1_);
    cmdEnd_ = new QPushButton(QStringLiteral("終了"), frame1_);

    msfG_ = new EntryGrid(12, 9, this);
    for (int c = 0; c < 9; ++c)
        msfG_->setTextAt(0, c, kHeadings[c]);
    for (int c = 2; c < 9; ++c)
        msfG_->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    msfG_->editor()->setAlignment(Qt::AlignRight);

    connect(msfG_, &EntryGrid::gridMouseDown, this, [this] { msfG_->gridSetCell(curRow_, curCol_); });
    connect(msfG_, &EntryGrid::gridClicked, this, [this] { msfG_->gridSetCell(curRow_, curCol_); });
    connect(msfG_, &EntryGrid::cellChanged, this, &GetOrderWindow::gridCellChanged);
    connect(msfG_, &EntryGrid::editorChanged, this, &GetOrderWindow::cellEdit);
    connect(msfG_, &EntryGrid::editorKeyDown, this, [this](int key, int shift) {
        state().gGridOwnerIsOrder = core::kTrue;
        msfG_->gridKeyNav(key, shift, curRow_, curCol_);
    });
    connect(msfG_, &EntryGrid::scrollChanged, this, [this] {
        scrollPending_ = true;
        tmScroll_.start();
    });
    connect(cmbCat_, &QComboBox::currentTextChanged, this, &GetOrderWindow::categoryChanged);
    connect(cmbCat_, &QComboBox::activated, this, &GetOrderWindow::categoryChanged);
    connect(txtOther_, &QLineEdit::textChanged, this, &GetOrderWindow::shippingChanged);
    connect(txtOther_, &QLineEdit::editingFinished, this, &GetOrderWindow::shippingFinished);
    connect(cmdOK_, &QPushButton::clicked, this, &GetOrderWindow::commitOrder);
    connect(cmdCancel_, &QPushButton::clicked, this, &GetOrderWindow::clearEntries);
    connect(cmdEnd_, &QPushButton::clicked, this, &GetOrderWindow::unloadWindow);
}

// What loading the window sets; a rebuild after a commit or a refresh starts here again.
void GetOrderWindow::load() {
    usable_ = true;
    pendingPresent_ = false;
    scrollPending_ = false;
    ready_ = false;
    curRow_ = 1;
    curCol_ = 5;
    editStart_.reset();
    shippingStart_ = Currency();
}

bool GetOrderWindow::buildContents() { return build(); }

bool GetOrderWindow::build() {
    ++builds_;
    rec().Open = core::kTrue;
    rec().RefreshDone = core::kFalse;

    catNames_.clear();
    const auto& cats = state().categories;
    for (int c = 1; c <= cats.CategoryCount; ++c) {
        QString name;
        cats.CategoryGet(c, name);
        catNames_ << name;
    }
    {
        const QSignalBlocker block(cmbCat_);
        cmbCat_->clear();
        cmbCat_->addItems(catNames_);
        cmbCat_->setEditText(catNames_.value(0));
    }
    const int n = int(catNames_.size());
    lines_.assign(size_t(n), {});
    catTop_.assign(size_t(n), 0);
    catMax_.assign(size_t(n), 0);

    // Rows left by a window that could not remove its own go before this one takes a number.
    if (!db_) removeAbandonedPendingOrders(state().gDbPath);
    try {
        OrderStore store(database());
        std::vector<EntryLine> goods = store.loadGoods(state().gReservedCode[core::kLenGoodsCode]);
        clients_ = store.loadClients();
        employees_ = store.loadEmployees();
        if (goods.empty() || clients_.size() < 2 || employees_.size() < 2)
            return failBuild(kEmptyMessage);
        for (EntryLine& g : goods) {
            const int c = int(catNames_.indexOf(g.category));
            if (c >= 0)
                lines_[size_t(c)].push_back(std::move(g));
        }
    } catch (const std::exception& e) {
        db_.reset();
        return failBuild(core::dbFailureText(e, kOtherProgramMessage), kReadErrorTitle);
    }

    for (int c = 2; c < 9; ++c)
        msfG_->setTextAt(kTotalsRow, c, QString());
    msfG_->setTextAt(kTotalsRow, 0, QStringLiteral(" 合計"));
    msfG_->setTextAt(kTotalsRow, 1, QStringLiteral(" －"));
    msfG_->setTextAt(kTotalsRow, 6, QStringLiteral("-"));
    msfG_->setTextAt(kTotalsRow, 8, QStringLiteral("-"));
    {
        const QSignalBlocker block(msfG_->editor());
        msfG_->editor()->clear();
    }
    int shown = 0;
    for (int c = 1; c <= n; ++c) {
        catMax_[size_t(c - 1)] = qMax(0, goodsCount(c) - 10);
        if (shown == 0 && goodsCount(c) > 0)
            shown = c;
    }
    if (shown == 0)
        return failBuild(kEmptyMessage);
    curCat_ = shown;
    {
        const QSignalBlocker block(cmbCat_);
        cmbCat_->setCurrentIndex(shown - 1);
        cmbCat_->setEditText(catNames_[shown - 1]);
    }
    {
        const QSignalBlocker block(msfG_);
        msfG_->scrollBar()->setMaximum(catMax_[size_t(shown - 1)]);
        msfG_->scrollBar()->setValue(0);
    }
    paintRows();

    totals_ = OrderTotals{};
    {
        const QSignalBlocker block(txtOther_);
        txtOther_->clear();
    }
    ready_ = true;
    try {
        recalcOrder(curCat_, 1);
    } catch (const std::exception& e) {
        return failBuild(core::dbFailureText(e, kOtherProgramMessage), kReadErrorTitle);
    }

    for (QComboBox* picker : {dbcClient_, dbcEmployee_}) {
        const QSignalBlocker block(picker);
        picker->clear();
        const int nameLen = picker == dbcClient_ ? core::kLenClientName : core::kLenEmployeeName;
        for (const PartyRow& p : picker == dbcClient_ ? clients_ : employees_)
            picker->addItem(shownText(p.name, nameLen), p.code);
    }
    if (!newPendingOrder())
        return failBuild(QString(), QString());

    curRow_ = 1;
    curCol_ = 5;
    msfG_->setRow(1);
    msfG_->setCol(5);
    msfG_->editor()->show();
    msfG_->show();
    ui::showDefaultPointer();
    if (state().gMainForm)
        state().gMainForm->updateCommandStates();
    armLayout();
    return true;
}

bool GetOrderWindow::failBuild(const QString& text, const QString& title) {
    usable_ = false;
    rec().Open = core::kFalse;
    ui::showDefaultPointer();
    if (!text.isEmpty())
        errorBox(text, title);
    return false;
}

// After a commit and on refresh: everything from the database again, with a new pending row.
void GetOrderWindow::rebuild() {
    ui::showWaitPointer();
    const QPointer<GetOrderWindow> self(this);
    const int builds = builds_;
    ui::DoEvents();
    if (!self || unloaded_) // closed meanwhile (a close request, 終了, the main window)
        return;
    // A refresh answered meanwhile has rebuilt the window already: a second build would leave its
    // pending row behind in the file.
    if (builds_ != builds)
        return;
    {
        const QSignalBlocker block(cmbCat_);
        cmbCat_->clear();
    }
    load();
    if (!build()) {
        QTimer::singleShot(100, this, &GetOrderWindow::unloadWindow);
        return;
    }
    layoutContents();
    {
        const QSignalBlocker block(msfG_);
        msfG_->scrollBar()->setValue(0);
    }
    ui::showDefaultPointer();
}

bool GetOrderWindow::newPendingOrder(bool keepChoices) {
    // The order just stored is stored: the user must not key it in again.
    const QString saved =
        justSaved_ > 0 ? QStringLiteral("受注No.%1 を保存しました。\n").arg(justSaved_) : QString();
    try {
        const std::vector<HeldOrder> left = leftPendingOrders(state().gDbPath);
        // The moment, to the millisecond, tells this window's row from one another window takes under the
        // same number once this one's is gone.
        const QDateTime now = QDateTime::currentDateTime();
        // Under the reserved codes, which no list shows and 契約 refuses, whichever client row comes first.
        m_OrderNo_ = OrderStore(database())
                         .createPendingOrder(state().gReservedCode[core::kLenClientCode],
                                             state().gReservedCode[core::kLenEmployeeCode], now, left);
        pendingSince_ = db::toOleDate(now);
        forgetLeftPendingOrders(state().gDbPath, left);
        // Kept until the window closes, also while a refused 契約 has let its connection go: a row whose
        // window still holds the file is never taken for abandoned by another user's opening.
        holdFile_ = db::UseLock::heldHere(state().gDbPath);
    } catch (const OrderSaveError&) { // only NumbersUsedUp
        ui::showDefaultPointer();
        errorBox(saved + numbersUsedUp(QStringLiteral("受注No.")) +
                 QStringLiteral("新しい受注を登録できません。"));
        return false;
    } catch (const std::exception& e) {
        db_.reset();
        ui::showDefaultPointer();
        errorBox(saved + QStringLiteral("新しい受注No.を登録できませんでした。\n\n") + causeOf(e),
                 kWriteErrorTitle);
        return false;
    }
    pendingPresent_ = true;
    lblOrderNo_->setText(QString::number(m_OrderNo_));
    // A new number for an order being keyed in keeps the client and employee the user chose.
    if (!keepChoices) {
        dbcClient_->setCurrentIndex(0);
        dbcEmployee_->setCurrentIndex(0);
    }
    return true;
}

void GetOrderWindow::deletePendingOrder(bool quiet) {
    if (!pendingPresent_)
        return;
    pendingPresent_ = false;
    try {
        OrderStore(database()).deletePendingOrder(m_OrderNo_, pendingSince_);
    } catch (const std::exception& e) {
        db_.reset();
        // The row stays with amounts 0, which no list shows, until the file is free again.
        leavePendingOrder(state().gDbPath, {m_OrderNo_, pendingSince_});
        const auto* d = dynamic_cast<const db::DbError*>(&e);
        if (!quiet)
            errorBox(
                QStringLiteral("受注No.%1 の仮の受注データを削除できませんでした。\n\n").arg(m_OrderNo_) +
                    causeOf(e) + (d && d->kind() == db::ErrorKind::Busy ? kLeftPendingNote : QString()),
                kWriteErrorTitle);
    }
}

// The cause as every window words it, never the engine's words.
QString GetOrderWindow::causeOf(const std::exception& e) {
    return core::causeText(e, state().gDbPath);
}

// One connection for as long as the window is open, as its data controls always held one: opening and
// closing the file around every commit would cost a checkpoint each time.
db::Database& GetOrderWindow::database() {
    if (!db_)
        db_ = std::make_unique<db::Database>(state().gDbPath);
    return *db_;
}

int GetOrderWindow::goodsCount(int c) const {
    return c >= 1 && c <= int(lines_.size()) ? int(lines_[size_t(c - 1)].size()) : 0;
}

EntryLine* GetOrderWindow::lineAt(int c, int j) {
    if (j < 1 || j > goodsCount(c))
        return nullptr;
    return &lines_[size_t(c - 1)][size_t(j - 1)];
}

void GetOrderWindow::paintRows() {
    const int t = catTop_[size_t(curCat_ - 1)];
    for (int r = 1; r <= 10; ++r)
        for (int c = 0; c < 9; ++c)
            msfG_->setTextAt(r, c, QString());
    for (int r = 1; r <= qMin(10, goodsCount(curCat_) - t); ++r) {
        const EntryLine& l = *lineAt(curCat_, t + r);
        msfG_->setTextAt(r, 0, QStringLiteral(" ") + shownText(l.code, core::kLenGoodsCode));
        msfG_->setTextAt(r, 1, QStringLiteral(" ") + shownText(l.name, core::kLenGoodsName));
        msfG_->setTextAt(r, 2, amountText(l.listPrice));
        msfG_->setTextAt(r, 3, amountText(l.wholesale));
        msfG_->setTextAt(r, 4, amountText(l.cost));
        msfG_->setTextAt(r, 5, amountText(l.salePrice));
        msfG_->setTextAt(r, 6, amountText(Currency::fromUnits(l.qty)));
        msfG_->setTextAt(r, 7, amountText(l.lineTax));
        msfG_->setTextAt(r, 8, countText(std::int64_t(l.stock) - l.qty));
    }
}

// Recomputes the changed line (c > 0), all totals and the tax, then the grand total. Throws
// std::overflow_error beyond the money and count types; what was shown already stays.
void GetOrderWindow::recalcOrder(int c, int j) {
    if (!usable_)
        return;
    const bool perLine = core::isSet(state().gCompany.TaxPerLine);
    if (c > 0) {
        if (EntryLine* l = lineAt(c, j)) {
            recalcLineTax(*l, perLine);
            if (perLine)
                msfG_->setTextAt(curRow_, 7, amountText(l->lineTax));
            if (curRow_ > 0)
                msfG_->setTextAt(curRow_, 8, countText(remainingStock(l->stock, l->qty)));
        }
        recalcTotals(lines_, perLine, state().gCompany.TaxRate, totals_);
        msfG_->setTextAt(kTotalsRow, 2, FormatGrouped(totals_.list, 0));
        msfG_->setTextAt(kTotalsRow, 3, FormatGrouped(totals_.wholesale, 0));
        msfG_->setTextAt(kTotalsRow, 4, FormatGrouped(totals_.cost, 0));
        msfG_->setTextAt(kTotalsRow, 5, FormatGrouped(totals_.sale, 0));
        msfG_->setTextAt(kTotalsRow, 7, FormatGrouped(totals_.tax, 0));
    }
    totals_.grand = grandTotal(totals_);
    lblTotal_->setText(FormatGrouped(totals_.grand, 0));
    if (totals_.shipping <= Currency())
        txtOther_->setText(QString());
}

// A stored text as the window shows it: at most its field's size (the line keeps the stored value).
QString GetOrderWindow::shownText(const QString& stored, int lenEntry) {
    return text::shownPart(stored, state().gFieldLen[size_t(lenEntry)]).toString();
}

void GetOrderWindow::showHugeNumber() { errorBox(kHugeNumber); }

// The window's timers wait while a box is open: a close request, refresh or scroll repaint answered
// inside the box's event loop would change the rows under the handler that showed it.
void GetOrderWindow::errorBox(const QString& text, const QString& title) {
    const TimerHold hold(this);
    ui::messages().error(text, title);
}

void GetOrderWindow::cellEdit(const QString& text) {
    if (!usable_)
        return;
    const int j = catTop_[size_t(curCat_ - 1)] + curRow_;
    EntryLine* line = lineAt(curCat_, j);
    if (!line) {
        msfG_->editor()->setText(QString());
        msfG_->setTextAt(curRow_, curCol_, QString());
        return;
    }
    noteEditStart(*line, j);
    if (core::ParseAmount(text).status == core::ParseStatus::Overflow) {
        showHugeNumber();
        restoreEditStart();
        return;
    }
    QString twoDecimals;
    if (!core::ValidateAmount(text, twoDecimals)) {
        msfG_->editor()->setText(QString());
        storeCellValue(*line, j, Currency());
        return;
    }
    Currency value = core::ParseAmount(twoDecimals).value;
    // The quantity cell shows the whole number stored (2.5 is stored as 2, so it must not read 3).
    // Rounding may pass the Long range (2147483647.5): too large, like any other.
    if (curCol_ == 6) {
        try {
            value = Currency::fromUnits(quantityFromAmount(value));
        } catch (const std::overflow_error&) {
            showHugeNumber();
            restoreEditStart();
            return;
        }
    }
    storeCellValue(*line, j, value);
}

void GetOrderWindow::noteEditStart(const EntryLine& line, int j) {
    if (!editStart_ || editStart_->cat != curCat_ || editStart_->j != j || editStart_->col != curCol_)
        editStart_ = EditStart{curCat_, j, curCol_, curCol_ == 5 ? line.salePrice : Currency::fromUnits(line.qty)};
}

// The current cell's value into its line, the cell's text and the totals.
void GetOrderWindow::storeCellValue(EntryLine& line, int j, Currency value) {
    try {
        msfG_->setTextAt(curRow_, curCol_, amountText(value));
        if (curCol_ == 5)
            line.salePrice = value;
        else if (curCol_ == 6)
            line.qty = std::int32_t(value.raw() / Currency::kScale);
        ready_ = false;
        msfG_->setPainting(false);
        recalcOrder(curCat_, j);
        msfG_->setPainting(true);
        ready_ = true;
    } catch (const std::exception&) {
        msfG_->setPainting(true);
        ready_ = true;
        showHugeNumber();
        restoreEditStart();
    }
}

// After a number too large: the cell, the editor and the line get back the value the cell had when the
// editor came to it, and the totals follow.
void GetOrderWindow::restoreEditStart() {
    const int j = catTop_[size_t(curCat_ - 1)] + curRow_;
    EntryLine* line = lineAt(curCat_, j);
    if (!line || !editStart_ || editStart_->cat != curCat_ || editStart_->j != j || editStart_->col != curCol_)
        return;
    const Currency v = editStart_->value;
    if (curCol_ == 5)
        line->salePrice = v;
    else
        line->qty = std::int32_t(v.raw() / Currency::kScale);
    const QString shown = amountText(v);
    msfG_->setTextAt(curRow_, curCol_, shown);
    {
        const QSignalBlocker block(msfG_->editor());
        msfG_->editor()->setText(shown);
    }
    try {
        recalcOrder(curCat_, j);
    } catch (const std::exception&) {
        // The value held before cannot overflow on its own; if the totals still do, the cell goes to 0.
        editStart_->value = Currency();
        msfG_->editor()->setText(QString());
    }
}

// A click on 定価, 仕切値 or 原価 makes that price the line's selling price: the editor moves to the
// line's 販売価格 showing it, and the exact price (not the whole number shown) goes into the line, with
// the totals recomputed.
void GetOrderWindow::priceColumnClicked(int R, int C) {
    const int cat = curCat_;
    const int j = catTop_[size_t(cat - 1)] + R;
    const EntryLine* clicked = lineAt(cat, j);
    if (!clicked)
        return;
    const QString code = clicked->code;
    const Currency price = C == 2 ? clicked->listPrice : C == 3 ? clicked->wholesale : clicked->cost;
    msfG_->setTextAt(R, 5, FormatGrouped(price, 0));
    msfG_->setCol(5);
    // Moving the editor yields (with this window's timers held); still, the row must show the goods
    // that was clicked, or its price would go to another goods' row.
    if (!usable_ || unloaded_ || curCat_ != cat || size_t(cat) > catTop_.size() ||
        catTop_[size_t(cat - 1)] + R != j)
        return;
    EntryLine* line = lineAt(cat, j);
    if (!line || line->code != code)
        return;
    if (curRow_ != R || curCol_ != 5) {
        // Another click taken meanwhile moved the editor on: this one is dropped, and the cell shows
        // the line's price again.
        msfG_->setTextAt(R, 5, amountText(line->salePrice));
        return;
    }
    noteEditStart(*line, j);
    storeCellValue(*line, j, price);
}

void GetOrderWindow::gridCellChanged() {
    const int R = msfG_->row();
    const int t = curCat_ >= 1 && curCat_ <= int(catTop_.size()) ? catTop_[size_t(curCat_ - 1)] : 0;
    // Rows without goods, the headings and the totals row never take the editor.
    if (R < 1 || R > 10 || t + R > goodsCount(curCat_)) {
        msfG_->setCol(curCol_);
        msfG_->setRow(curRow_);
        return;
    }
    if (!ready_)
        return;
    const int C = msfG_->col();
    if (C >= 2 && C <= 4) {
        editStart_.reset();
        priceColumnClicked(R, C);
    } else if (C == 5 || C == 6) {
        editStart_.reset();
        msfG_->gridStoreEditor(curRow_, curCol_);
    }
}

void GetOrderWindow::scrollTick() {
    if (!usable_ || timersHeld()) // a handler is waiting: the repaint comes at a later tick
        return;
    if (scrollPending_) {
        scrollPending_ = false;
        return;
    }
    ready_ = false;
    msfG_->setPainting(false);
    tmScroll_.stop();
    catTop_[size_t(curCat_ - 1)] = msfG_->scrollBar()->value();
    paintRows();
    msfG_->setRow(curRow_);
    msfG_->setCol(curCol_);
    editStart_.reset(); // another goods stands under the editor now
    msfG_->showInEditor(msfG_->text());
    msfG_->setPainting(true);
    ready_ = true;
}

void GetOrderWindow::categoryChanged() {
    if (inCatChange_ || catNames_.isEmpty())
        return;
    inCatChange_ = true;
    const QString text = cmbCat_->currentText();
    for (int c = 1; c <= int(catNames_.size()); ++c) {
        if (text != catNames_[c - 1])
            continue;
        if (c == curCat_)
            break;
        curCat_ = c;
        QScrollBar* sb = msfG_->scrollBar();
        sb->setMaximum(catMax_[size_t(c - 1)]);
        sb->setValue(catTop_[size_t(c - 1)]);
        scrollPending_ = true;
        tmScroll_.start();
        inCatChange_ = false;
        return;
    }
    cmbCat_->setEditText(catNames_[curCat_ - 1]);
    inCatChange_ = false;
}

void GetOrderWindow::shippingChanged(const QString& text) {
    const core::ParseResult r = core::ParseAmount(text);
    if (r.status == core::ParseStatus::Overflow) {
        showHugeNumber();
        restoreShipping();
        return;
    }
    if (r.ok()) {
        totals_.shipping = r.value;
    } else {
        totals_.shipping = Currency();
        txtOther_->setText(QString());
    }
    try {
        recalcOrder(0, 0);
    } catch (const std::exception&) {
        showHugeNumber();
        restoreShipping();
    }
}

// The charge the box held when its edit began comes back after a number too large.
void GetOrderWindow::restoreShipping() {
    totals_.shipping = shippingStart_;
    {
        const QSignalBlocker block(txtOther_);
        txtOther_->setText(amountText(shippingStart_));
    }
    try {
        recalcOrder(0, 0);
    } catch (const std::exception&) {
        shippingStart_ = Currency();
        txtOther_->setText(QString());
    }
}

void GetOrderWindow::shippingFinished() {
    txtOther_->setText(totals_.shipping == Currency() ? QString() : FormatGrouped(totals_.shipping, 0));
    shippingStart_ = totals_.shipping;
}

bool GetOrderWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == txtOther_ && e->type() == QEvent::FocusIn)
        shippingStart_ = totals_.shipping;
    return frame::ChildWindow::eventFilter(watched, e);
}

void GetOrderWindow::clearEntries() {
    if (!usable_)
        return;
    for (auto& cat : lines_)
        for (EntryLine& l : cat) {
            l.salePrice = l.listPrice;
            l.qty = 0;
            l.lineTax = Currency();
        }
    const int t = catTop_[size_t(curCat_ - 1)];
    for (int r = 1; r <= qMin(10, goodsCount(curCat_) - t); ++r) {
        const EntryLine& l = *lineAt(curCat_, t + r);
        msfG_->setTextAt(r, 5, msfG_->textAt(r, 2));
        msfG_->setTextAt(r, 6, QString());
        msfG_->setTextAt(r, 7, QString());
        msfG_->setTextAt(r, 8, countText(l.stock));
    }
    totals_.shipping = Currency();
    shippingStart_ = Currency();
    {
        const QSignalBlocker block(txtOther_);
        txtOther_->clear();
    }
    editStart_.reset();
    msfG_->showInEditor(msfG_->textAt(curRow_, curCol_));
    // The totals are recomputed even when the editor stands on a row without goods.
    try {
        recalcOrder(curCat_, t + curRow_);
    } catch (const std::exception&) {
        showHugeNumber();
    }
}

std::optional<QString> GetOrderWindow::chosenCode(QComboBox* picker) const {
    const QString text = picker->currentText();
    const int idx = picker->currentIndex();
    if (idx >= 0 && picker->itemText(idx) == text)
        return picker->itemData(idx).toString();
    // A typed name counts only when exactly one row bears it.
    int found = -1;
    for (int i = 0; i < picker->count(); ++i)
        if (picker->itemText(i) == text) {
            if (found >= 0)
                return std::nullopt;
            found = i;
        }
    if (found < 0)
        return std::nullopt;
    return picker->itemData(found).toString();
}

bool GetOrderWindow::isReserved(const QString& code, int field) {
    return code == state().gReservedCode[size_t(field)];
}

void GetOrderWindow::commitOrder() {
    if (!usable_ || unloaded_ || committing_)
        return;
    // The save and the rebuild after it yield to events: a second press of a double click waiting there
    // would store the typed lines again and lower the stock twice. The window may be gone afterwards.
    committing_ = true;
    const QPointer<GetOrderWindow> self(this);
    commitOnce();
    if (self)
        committing_ = false;
}

void GetOrderWindow::commitOnce() {
    // A number that could not be taken again after a refused save is tried once more now.
    if (!pendingPresent_ && !newPendingOrder(true))
        return;
    Currency saleAndShipping;
    try {
        saleAndShipping = totals_.sale + totals_.shipping;
    } catch (const std::exception&) {
        showHugeNumber();
        return;
    }
    if (!(saleAndShipping > Currency())) {
        errorBox(QStringLiteral("総合計が０以下です。"));
        return;
    }
    // The reserved seed rows stand first in the pickers but are no client or employee to sell for.
    const std::optional<QString> client = chosenCode(dbcClient_);
    if (!client || isReserved(*client, core::kLenClientCode)) {
        errorBox(QStringLiteral("顧客名を一覧から選んでください。"));
        dbcClient_->setFocus();
        return;
    }
    const std::optional<QString> employee = chosenCode(dbcEmployee_);
    if (!employee || isReserved(*employee, core::kLenEmployeeCode)) {
        errorBox(QStringLiteral("社員名を一覧から選んでください。"));
        dbcEmployee_->setFocus();
        return;
    }

    OrderToSave order;
    order.orderNo = m_OrderNo_;
    order.clientCode = *client;
    order.employeeCode = *employee;
    order.totals = totals_;
    order.date = QDate::currentDate();
    order.pendingSince = pendingSince_;
    for (const auto& cat : lines_)
        for (const EntryLine& l : cat)
            if (l.qty > 0)
                order.lines.push_back({l.code, l.qty, l.listPrice, l.wholesale, l.cost, l.salePrice, l.lineTax});

    ui::showWaitPointer();
    try {
        OrderStore(database()).saveOrder(order);
    } catch (const OrderSaveError& e) {
        ui::showDefaultPointer();
        if (e.kind() == OrderSaveError::GoodsGone) {
            errorBox(QStringLiteral("商品コード「%1」の商品が商品マスタにありません。\n"
                                                "受注は保存されていません。")
                                     .arg(e.subject()));
        } else if (e.kind() == OrderSaveError::NumbersUsedUp) {
            errorBox(numbersUsedUp(QStringLiteral("個別No.")) + QStringLiteral("受注は保存されていません。"));
        } else {
            // Someone removed the reserved row: take a new number, keep what was typed.
            pendingPresent_ = false;
            errorBox(QStringLiteral("受注No.%1 の受注データが見つかりません。受注は保存されていません。\n"
                                                "新しい受注No.を取り直しますので、もう一度「契約」を押してください。")
                                     .arg(m_OrderNo_));
            newPendingOrder(true);
        }
        return;
    } catch (const std::exception& e) {
        db_.reset(); // the next try opens the file afresh
        ui::showDefaultPointer();
        errorBox(QStringLiteral("受注を保存できませんでした。入力内容はそのまま残っています。\n\n") +
                     causeOf(e),
                 kWriteErrorTitle);
        return;
    }
    // The pending row is the order now; the rebuild makes the next one.
    pendingPresent_ = false;
    justSaved_ = order.orderNo;
    const QPointer<GetOrderWindow> self(this);
    rebuild();
    if (self) // the rebuild yields: the window may be gone
        justSaved_ = 0;
}

void GetOrderWindow::layoutContents() {
    const int W = width();
    const int H = height();
    if (W <= kMinLayout || H <= kMinLayout)
        return;
    const QFont gridFont = EntryGrid::gothicFont(H < kSmallFontHeight ? 5 : 10);
    msfG_->table()->setFont(gridFont);
    msfG_->table()->horizontalHeader()->setFont(gridFont);
    msfG_->editor()->setFont(gridFont);

    const int h = 24;
    int x = 6;
    auto put = [&](QWidget* w, int width, int y) {
        w->setGeometry(x, y, width, h);
        x += width + 6;
    };
    put(label_[6], 56, 6);
    put(lblOrderNo_, 70, 6);
    put(label_[4], 48, 6);
    put(dbcClient_, 240, 6);
    put(label_[5], 48, 6);
    put(dbcEmployee_, 160, 6);
    x = 6;
    put(label_[1], 56, 36);
    put(cmbCat_, 180, 36);
    put(label_[2], 48, 36);
    put(txtOther_, 100, 36);
    put(label_[3], 48, 36);
    put(lblTotal_, 130, 36);
    const int frameWidth = 3 * 90 + 2 * 4;
    frame1_->setGeometry(qMax(x, W - frameWidth - 6), 6, frameWidth, 54);
    cmdOK_->setGeometry(0, 15, 90, 30);
    cmdCancel_->setGeometry(94, 15, 90, 30);
    cmdEnd_->setGeometry(188, 15, 90, 30);
    line1_->setGeometry(0, kTopBand - 6, W, 4);

    msfG_->setGeometry(0, kTopBand, W, H - kTopBand);
    msfG_->layoutCells(kColumnShares);
    msfG_->gridPlaceEditor(curRow_, curCol_);
}

void GetOrderWindow::reloadData() {
    ui::showWaitPointer();
    const QPointer<GetOrderWindow> self(this);
    ui::DoEvents();
    if (!self || unloaded_)
        return;
    deletePendingOrder(false);
    rebuild();
}

void GetOrderWindow::onUnload() {
    unloaded_ = true;
    deletePendingOrder(false);
    db_.reset();
    holdFile_.reset();
    if (state().gOpenDataCount > 0)
        --state().gOpenDataCount;
    lines_.clear();
    catTop_.clear();
    catMax_.clear();
}

} // namespace orders
