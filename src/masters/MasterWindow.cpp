#include "masters/MasterWindow.h"

#include "core/FileProblems.h"
#include "core/MainFrame.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "masters/MasterGrid.h"
#include "masters/MasterTableModel.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace masters {

namespace {

using frame::WatchPause;

// Sizes from the window's design, in pixels at 96 DPI (15 twips a pixel).
constexpr int kButtonHeight = 20;
constexpr int kNavHeight = 25;

QFont gridFont() {
    QFont f(QStringLiteral("IPAGothic"), 9);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

// The hourglass for one stretch of database work.
class Hourglass {
public:
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};


} // namespace

const std::vector<MasterSpec>& masterSpecs() {
    static const std::vector<MasterSpec> specs{
        {QStringLiteral("frmGoodsM"), QStringLiteral("商品マスタ"), core::kGoodsTable, core::kFormGoodsM, core::kChildGoodsM},
        {QStringLiteral("frmClientM"), QStringLiteral("顧客マスタ"), core::kClientTable, core::kFormClientM, core::kChildClientM},
        {QStringLiteral("frmEmployeeM"), QStringLiteral("社員マスタ"), core::kEmployeeTable, core::kFormEmployeeM,
         core::kChildEmployeeM},
        // The table as it is, the rows that open order windows hold (core::kNotPendingOrder) too: the grid is
        // where such a row can be seen and removed by hand, and hiding rows would skew its row positions.
        {QStringLiteral("frmOrderM"), QStringLiteral("受注データ"), core::kOrderTable, core::kFormOrderM, core::kChildOrderM, 0,
         {QStringLiteral("受注No")}},
        {QStringLiteral("frmDetailM"), QStringLiteral("受注個別データ"), core::kOrderLineTable, core::kFormDetailM,
         core::kChildDetailM, 0, {QStringLiteral("個別No"), QStringLiteral("受注No")}},
    };
    return specs;
}

const MasterSpec* masterSpec(const QString& name) {
    for (const MasterSpec& s : masterSpecs())
        if (s.name == name)
            return &s;
    return nullptr;
}

void DbMaintError(MasterTableModel* model, bool showMessage) {
    if (showMessage)
        ui::messages().error(QStringLiteral("このエラーは主にコードの重複（或いは不一致）、必要項目の記入漏れ、"
                                            "他からの参照レコードの削除等によってよく起こります。"),
                             QStringLiteral("ＤＢメンテナンスエラー"));
    if (model)
        model->dropPending();
}

MasterWindow::MasterWindow(core::AppState& state, const MasterSpec& spec, QWidget* parent)
    : frame::ChildWindow(state, spec.childIndex, spec.formId, WatchForm::Master, parent), spec_(spec) {
    setObjectName(spec.name);
    setWindowTitle(spec.caption);
    setFont(gridFont());
    resize(640, 420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    grd_ = new MasterGrid(this);
    grd_->setObjectName(QStringLiteral("grdDataGrid"));
    layout->addWidget(grd_, 1);

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("picButtons"));
    strip->setFixedHeight(kButtonHeight);
    auto* buttons = new QHBoxLayout(strip);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    auto addButton = [&](const char* name, const QString& text, int width) {
        auto* b = new QPushButton(text, strip);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(width, kButtonHeight);
        buttons->addWidget(b);
        return b;
    };
    cmdAdd_ = addButton("cmdAdd", QStringLiteral("追加(&A)"), 67);
    cmdDelete_ = addButton("cmdDelete", QStringLiteral("削除(&D)"), 67);
    cmdRefresh_ = addButton("cmdRefresh", QStringLiteral("リフレッシュ(&R)"), 105);
    cmdUpdate_ = addButton("cmdUpdate", QStringLiteral("更新(&U)"), 67);
    cmdClose_ = addButton("cmdClose", QStringLiteral("閉じる(&C)"), 67);
    buttons->addStretch(1);
    layout->addWidget(strip);

    nav_ = new QWidget(this);
    nav_->setObjectName(QStringLiteral("datPrimaryRS"));
    nav_->setFixedHeight(kNavHeight);
    auto* navLayout = new QHBoxLayout(nav_);
    navLayout->setContentsMargins(0, 0, 0, 0);
    navLayout->setSpacing(0);
    auto addNav = [&](const QString& text, Move m) {
        auto* b = new QToolButton(nav_);
        b->setText(text);
        b->setFixedSize(kNavHeight, kNavHeight);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, m] { navigate(m); });
        navLayout->addWidget(b);
    };
    addNav(QStringLiteral("|◀"), Move::First);
    addNav(QStringLiteral("◀"), Move::Previous);
    caption_ = new QLabel(QStringLiteral(" "), nav_);
    caption_->setFrameShape(QFrame::Panel);
    caption_->setFrameShadow(QFrame::Sunken);
    navLayout->addWidget(caption_, 1);
    addNav(QStringLiteral("▶"), Move::Next);
    addNav(QStringLiteral("▶|"), Move::Last);
    layout->addWidget(nav_);

    connect(cmdAdd_, &QPushButton::clicked, this, &MasterWindow::cmdAdd_Click);
    connect(cmdDelete_, &QPushButton::clicked, this, &MasterWindow::cmdDelete_Click);
    connect(cmdRefresh_, &QPushButton::clicked, this, &MasterWindow::cmdRefresh_Click);
    connect(cmdUpdate_, &QPushButton::clicked, this, &MasterWindow::cmdUpdate_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &MasterWindow::cmdClose_Click);
    connect(grd_, &MasterGrid::deleteRowRequested, this, [this](int row) {
        setCurrent(row);
        cmdDelete_Click();
    });
}

MasterWindow::~MasterWindow() {
    grd_->setModel(nullptr);
    model_.reset();
    db_.reset();
}

QTableView* MasterWindow::grid() const { return grd_; }

QPushButton* MasterWindow::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

QString MasterWindow::positionCaption() const { return caption_->text(); }

bool MasterWindow::buildContents() {
    try {
        Hourglass wait;
        db_ = std::make_unique<db::Database>(state().gDbPath);
        model_ = std::make_unique<MasterTableModel>(*db_, spec_.table);
    } catch (const db::DbError& e) {
        model_.reset();
        db_.reset();
        // The platform's text after the prefix is the cause in the user's language, never the engine's words.
        lockAfterDataError(QStringLiteral("Data error event hit err:") +
                           core::errorText(e, core::Doing::Reading, state().gDbPath));
        return true; // the window stays, locked, until it is closed
    }
    model_->setNumberFields(spec_.numbers);
    grd_->setModel(model_.get());
    connect(model_.get(), &MasterTableModel::editRefused, this, [this] { maintError(true); });
    // The held edit stays; the text just typed in another row is given back to its editor with the cause.
    connect(model_.get(), &MasterTableModel::heldEditRefused, this,
            [this](const QModelIndex& at, const QString& typed, const db::DbError& e) {
                if (leaving_) { // nothing to give it back to: named with the held edit
                    lostTyped_ << QStringLiteral("%1　「%2」：%3")
                                      .arg(rowName(at.row()), model_->fields()[size_t(at.column())].name,
                                           typed);
                    return;
                }
                refusal_ = Refusal{at, keptEditText(e), typed, 0, int(typed.size())};
                QTimer::singleShot(0, this, [this] { giveBackRefused(true); });
            });
    connect(model_.get(), &MasterTableModel::textRefused, this,
            [this](const QModelIndex& at, const QString& message, const QString& stored, int from, int length) {
                // The editor is still closing: the text is given back once it has gone, or at once by
                // the button that committed it.
                refusal_ = Refusal{at, message, stored, from, length};
                QTimer::singleShot(0, this, [this] { giveBackRefused(true); });
            });
    connect(grd_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur, const QModelIndex& prev) { currentRowChanged(cur.row(), prev.row()); });

    const QFontMetrics fm(grd_->font());
    const int digit = fm.horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < model_->columnCount(); ++c) {
        const db::FieldInfo& f = model_->fields()[size_t(c)];
        int chars = 8;
        switch (f.type) {
        case db::FieldType::Long: chars = 8; break;
        case db::FieldType::Currency: chars = 10; break;
        case db::FieldType::Single: chars = 6; break;
        case db::FieldType::Date: chars = 10; break;
        case db::FieldType::Text: chars = qBound(4, f.size, 24); break;
        }
        grd_->setColumnWidth(c, qMax(fm.horizontalAdvance(f.name) + 16, chars * digit + 10));
    }
    grd_->verticalHeader()->setDefaultSectionSize(fm.height() + 6);
    grd_->verticalHeader()->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("▶")) + 12);
    setCurrent(0);
    return true;
}

bool MasterWindow::commitEditor() {
    grd_->commitOpenEditor();
    return !giveBackRefused(true);
}

bool MasterWindow::giveBackRefused(bool reopen) {
    if (!refusal_)
        return false;
    const Refusal r = *std::exchange(refusal_, std::nullopt);
    {
        WatchPause pause(tmWatch);
        ui::messages().error(r.message);
    }
    if (reopen)
        grd_->reopenEditor(r.at, r.stored, r.from, r.length);
    return true;
}

void MasterWindow::maintError(bool showMessage) {
    WatchPause pause(tmWatch);
    DbMaintError(model_.get(), showMessage);
}

void MasterWindow::lockAfterDataError(const QString& text) {
    WatchPause pause(tmWatch);
    ui::messages().error(text, QStringLiteral("Varnox"));
    locked_ = true;
    for (QWidget* w : {static_cast<QWidget*>(grd_), nav_, static_cast<QWidget*>(cmdAdd_),
                       static_cast<QWidget*>(cmdDelete_), static_cast<QWidget*>(cmdRefresh_),
                       static_cast<QWidget*>(cmdUpdate_)})
        w->setEnabled(false);
}

void MasterWindow::setCurrent(int row) {
    if (!model_)
        return;
    row = qBound(0, row, model_->recordCount());
    const int col = qMax(0, grd_->currentIndex().column());
    grd_->setCurrentIndex(model_->index(row, col));
    if (model_->currentRow() != row) {
        model_->setCurrentRow(row);
        updateCaption();
    }
}

void MasterWindow::updateCaption() {
    if (!model_)
        return;
    const int row = model_->currentRow();
    const int position = row >= 0 && row < model_->recordCount() ? row : -1;
    caption_->setText(QStringLiteral("Record: ") + QString::number(position + 1));
}

bool MasterWindow::savePending(bool showMessage) {
    if (!model_ || !model_->hasPending())
        return true;
    const int row = model_->pendingRow();
    try {
        Hourglass wait;
        model_->save();
        return true;
    } catch (const db::DbError& e) {
        if (e.kind() == db::ErrorKind::Changed) {
            // The row now shows what the other user stored; the user may make the change again on it.
            WatchPause pause(tmWatch);
            ui::messages().error(QStringLiteral("「%1」の行は他で変更されていたため、変更を保存できませんでした。"
                                                "今の内容を表示しました。")
                                     .arg(model_->index(row, spec_.keyColumn).data().toString()),
                                 spec_.caption);
            return false;
        }
        if (MasterTableModel::keepsEditOnRefusal(e.kind())) {
            // The typed values stay in the row: another press stores them once the cause is gone.
            WatchPause pause(tmWatch);
            ui::messages().error(keptEditText(e), spec_.caption);
            return false;
        }
        maintError(showMessage); // the model dropped the edit already
        return false;
    }
}

QString MasterWindow::keptEditText(const db::DbError& e) {
    // A cause of the file's own says that nothing was stored; the others follow what the window did.
    const bool named = !core::fileProblemText(e, state().gDbPath).isEmpty();
    const QString cause =
        named ? core::causeText(e, state().gDbPath)
              : QStringLiteral("変更を保存できませんでした。") +
                    (leaving_ ? QString() : QStringLiteral("入力した値はそのまま残っています。")) +
                    QLatin1Char('\n') + core::causeText(e, state().gDbPath);
    if (leaving_) {
        QStringList lost;
        for (const QString& value : model_->heldValues())
            lost << rowName(model_->pendingRow()) + QStringLiteral("　") + value;
        lost << std::exchange(lostTyped_, {});
        return cause + QStringLiteral("\n保存されなかった入力（もう一度入力してください）：\n") +
               lost.join(QLatin1Char('\n'));
    }
    return cause;
}

QString MasterWindow::rowName(int row) const {
    const QString key = model_->index(row, spec_.keyColumn).data().toString();
    return model_->isNewRow(row) && key.isEmpty() ? QStringLiteral("新しい行")
                                                  : QStringLiteral("「%1」の行").arg(key);
}

void MasterWindow::leaveEdits(const std::function<void()>& out) {
    leaving_ = true;
    // A refused text cannot go back into its editor now: its message still says it was not kept.
    grd_->commitOpenEditor();
    giveBackRefused(false);
    out();
    if (!lostTyped_.isEmpty()) { // the held edit went in after all, the text typed beside it did not
        WatchPause pause(tmWatch);
        ui::messages().error(
            QStringLiteral(
                "変更を保存できませんでした。\n保存されなかった入力（もう一度入力してください）：\n") +
                std::exchange(lostTyped_, {}).join(QLatin1Char('\n')),
            spec_.caption);
    }
    leaving_ = false;
}

void MasterWindow::currentRowChanged(int row, int previous) {
    // Leaving a row stores its edit, whether the grid or the navigation bar moved; a refusal shows the
    // maintenance message and the row's stored values, and the window stays usable.
    if (previous >= 0 && model_->pendingRow() == previous)
        savePending(true);
    model_->setCurrentRow(row);
    updateCaption();
}

void MasterWindow::navigate(Move m) {
    if (!model_ || locked_)
        return;
    if (!commitEditor())
        return;
    const int count = model_->recordCount();
    int row = model_->currentRow();
    switch (m) {
    case Move::First: row = 0; break;
    case Move::Previous: row = qMax(0, row - 1); break;
    case Move::Next: row = qMin(count - 1, row + 1); break; // stays on the last record
    case Move::Last: row = count - 1; break;
    }
    setCurrent(qMax(0, row));
}

void MasterWindow::cmdAdd_Click() {
    if (!model_)
        return;
    if (!commitEditor())
        return;
    if (!savePending(true))
        return;
    // To the new-record row, where the user types the new row (also on an empty table).
    grd_->setFocus();
    setCurrent(model_->recordCount());
}

void MasterWindow::cmdDelete_Click() {
    if (!model_)
        return;
    if (!commitEditor())
        return;
    const int row = model_->currentRow();
    try {
        Hourglass wait;
        model_->removeRecord(row);
    } catch (const db::DbError& e) {
        if (!core::tellFileProblem(e, state().gDbPath))
            maintError(true);
        return;
    }
    // The next record moves up into the place; past the end the last record becomes current, and an
    // empty table leaves the new-record row.
    const int count = model_->recordCount();
    model_->setCurrentRow(-1);
    setCurrent(row < count ? row : qMax(0, count - 1));
}

void MasterWindow::cmdRefresh_Click() {
    if (!model_)
        return;
    if (!commitEditor())
        return;
    refreshRows();
}

void MasterWindow::refreshRows() {
    // The window's own リフレッシュ keeps an edit the file refused for now, as its message says.
    if (!savePending(true) && model_->hasPending() && !leaving_) return;
    const int row = model_->currentRow();
    try {
        Hourglass wait;
        model_->requery();
    } catch (const db::DbError&) {
        maintError(false);
    }
    model_->setCurrentRow(-1);
    setCurrent(row);
}

void MasterWindow::cmdUpdate_Click() {
    if (!model_)
        return;
    if (!commitEditor())
        return;
    if (!model_->hasPending())
        return; // nothing to store
    if (!savePending(true))
        return;
    const int row = model_->lastModifiedRow();
    if (row >= 0)
        setCurrent(row);
}

void MasterWindow::cmdClose_Click() { unloadWindow(); }

// The refresh of every window goes on past a refused text or edit: the user was told that what is being
// typed is cleared, and the messages name what was not stored.
void MasterWindow::reloadData() {
    if (locked_ || !model_)
        return;
    leaveEdits([this] { refreshRows(); });
}

void MasterWindow::onUnload() {
    if (model_) leaveEdits([this] { savePending(true); });
    core::AppState& s = state();
    if (s.gOpenMasterCount > 0)
        --s.gOpenMasterCount;
    grd_->setModel(nullptr);
    model_.reset();
    db_.reset();
}

} // namespace masters
