#include "orders/EntryGrid.h"

#include "frame/ChildWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <functional>

namespace orders {

namespace {

// A table that never scrolls by itself: the owner shows exactly the rows it wants, and the scroll bar
// beside it does the paging.
class FixedTable : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    std::function<void()> onPress, onRelease;
    std::function<void(QPoint)> onMove;
    QWidget* wheelTarget = nullptr;

    void scrollTo(const QModelIndex&, ScrollHint) override {}

protected:
    void mousePressEvent(QMouseEvent* e) override {
        QTableWidget::mousePressEvent(e);
        if (onPress)
            onPress();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QTableWidget::mouseReleaseEvent(e);
        if (onRelease)
            onRelease();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        QTableWidget::mouseMoveEvent(e);
        if (onMove)
            onMove(viewport()->mapTo(this, e->position().toPoint()));
    }
    void wheelEvent(QWheelEvent* e) override {
        if (wheelTarget)
            QApplication::sendEvent(wheelTarget, e);
    }
};

int keyCodeOf(const QKeyEvent* e) {
    // The line-feed key (and Ctrl+J) carries no key of its own, only its character.
    if (e->text() == QStringLiteral("\n"))
        return kKeyLineFeed;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyReturn;
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Down:
        return kKeyDown;
    default:
        // Qt's codes for printable characters overlap the arrow codes ('%' is 37, '(' is 40): a typed
        // character must never reach the owner as a move.
        return 0;
    }
}

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

} // namespace

EntryGrid::EntryGrid(int rows, int cols, QWidget* parent) : QWidget(parent) {
    auto* t = new FixedTable(rows - 1, cols, this);
    table_ = t;
    t->verticalHeader()->hide();
    t->horizontalHeader()->setSectionsClickable(false);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setMinimumSectionSize(1);
    t->horizontalHeader()->setMinimumSectionSize(1);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setFocusPolicy(Qt::NoFocus);
    t->setAutoScroll(false);
    t->setWordWrap(false);
    t->setCornerButtonEnabled(false);
    for (int c = 0; c < cols; ++c)
        t->setHorizontalHeaderItem(c, new QTableWidgetItem());
    for (int r = 0; r < rows - 1; ++r)
        for (int c = 0; c < cols; ++c) {
            auto* item = new QTableWidgetItem();
            item->setFlags(Qt::ItemIsEnabled);
            t->setItem(r, c, item);
        }

    editor_ = new QLineEdit(this);
    editor_->hide();
    editor_->installEventFilter(this);

    vsG_ = new QScrollBar(Qt::Vertical, this);
    vsG_->setRange(0, 0);
    vsG_->setPageStep(10);
    vsG_->setFocusPolicy(Qt::NoFocus);
    t->wheelTarget = vsG_;

    connect(t, &QTableWidget::currentCellChanged, this, [this] { emit cellChanged(); });
    t->onPress = [this] { emit gridMouseDown(); };
    t->onRelease = [this] { emit gridClicked(); };
    t->onMove = [this](QPoint p) { emit gridMouseMove(p); };
    t->setMouseTracking(true);
    connect(editor_, &QLineEdit::textChanged, this, [this](const QString& s) { emit editorChanged(s); });
    connect(vsG_, &QScrollBar::valueChanged, this, [this](int v) { emit scrollChanged(v); });
}

QFont EntryGrid::gothicFont(int pointSize) {
    QFont f(QStringLiteral("IPAGothic"), pointSize);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

int EntryGrid::rows() const { return table_->rowCount() + 1; }
int EntryGrid::cols() const { return table_->columnCount(); }
int EntryGrid::row() const { return table_->currentRow() + 1; }
int EntryGrid::col() const { return qMax(table_->currentColumn(), 0); }

void EntryGrid::setRow(int r) {
    if (r < 1 || r >= rows() || r == row())
        return;
    table_->setCurrentCell(r - 1, col());
}

void EntryGrid::setCol(int c) {
    if (c < 0 || c >= cols() || c == table_->currentColumn())
        return;
    table_->setCurrentCell(qMax(table_->currentRow(), 0), c);
}

QString EntryGrid::text() const { return textAt(row(), col()); }
void EntryGrid::setText(const QString& t) { setTextAt(row(), col(), t); }

QString EntryGrid::textAt(int r, int c) const {
    if (r == 0) {
        const QTableWidgetItem* h = table_->horizontalHeaderItem(c);
        return h ? h->text() : QString();
    }
    const QTableWidgetItem* it = table_->item(r - 1, c);
    return it ? it->text() : QString();
}

void EntryGrid::setTextAt(int r, int c, const QString& t) {
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    QTableWidgetItem* it = r == 0 ? table_->horizontalHeaderItem(c) : table_->item(r - 1, c);
    if (it->text() != t)
        it->setText(t);
}

void EntryGrid::setColumnAlignment(int c, Qt::Alignment a) {
    for (int r = 0; r < table_->rowCount(); ++r)
        table_->item(r, c)->setTextAlignment(a);
}

int EntryGrid::rowHeight(int r) const {
    return r == 0 ? table_->horizontalHeader()->height() : table_->rowHeight(r - 1);
}
int EntryGrid::colWidth(int c) const { return table_->columnWidth(c); }
int EntryGrid::gridWidth() const { return table_->width(); }

void EntryGrid::layoutCells(const std::vector<double>& colFractions) {
    // A few pixels of frame stay free so every row is fully visible.
    const int h = qMax(1, (table_->height() - 3) / rows());
    table_->horizontalHeader()->setFixedHeight(h);
    for (int r = 0; r < table_->rowCount(); ++r)
        table_->setRowHeight(r, h);
    const int w = table_->width();
    for (int c = 0; c < cols() && c < int(colFractions.size()); ++c)
        table_->setColumnWidth(c, int(w * colFractions[size_t(c)]));
    table_->verticalScrollBar()->setValue(0);
    table_->horizontalScrollBar()->setValue(0);
}

void EntryGrid::setPainting(bool on) {
    table_->setUpdatesEnabled(on);
    if (on)
        table_->viewport()->update();
}

void EntryGrid::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const int sbw = vsG_->sizeHint().width();
    table_->setGeometry(0, 0, qMax(0, width() - sbw), height());
    vsG_->setGeometry(width() - sbw, 0, sbw, qMax(0, height() - 1));
}

bool EntryGrid::eventFilter(QObject* watched, QEvent* e) {
    if (watched == editor_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        // The owner moves the editor first; the key still reaches the editor afterwards.
        emit editorKeyDown(keyCodeOf(k), shiftOf(k->modifiers()));
    }
    return QWidget::eventFilter(watched, e);
}

// Lays the editor over the cell: one pixel inside it and two pixels larger, so it covers the grid lines.
void EntryGrid::placeOver(int r, int c) {
    if (r < 1 || r >= rows() || c < 0 || c >= cols())
        return;
    int top = 0;
    for (int i = 0; i < r; ++i)
        top += rowHeight(i);
    int left = 0;
    for (int j = 0; j < c; ++j)
        left += colWidth(j);
    const QPoint origin = table_->mapTo(this, QPoint(table_->frameWidth(), table_->frameWidth()));
    editor_->setGeometry(origin.x() + left - 1, origin.y() + top - 1, colWidth(c) + 2, rowHeight(r) + 2);
    editor_->raise();
}

void EntryGrid::gridSetCell(int& row, int& column) {
    const int R = this->row();
    const int C = col();
    if (isEditableCell(R, C)) {
        row = R;
        column = C;
        gridPlaceEditor(row, column);
    } else {
        setRow(row);
        setCol(column);
    }
}

void EntryGrid::showInEditor(const QString& text) {
    const QSignalBlocker placedNotTyped(editor_);
    editor_->setText(text);
}

void EntryGrid::gridPlaceEditor(int& row, int& column) {
    setRow(row);
    setCol(column);
    showInEditor(text());
    placeOver(row, column);
}

void EntryGrid::gridStoreEditor(int& row, int& column) {
    editor_->setVisible(true);
    gridSetCell(row, column);
    if (editor_->isVisible()) {
        showInEditor(text());
        placeOver(row, column);
        // Let the repaint happen before the focus moves. No user input runs in between, and the owner's
        // timers wait: a scroll repaint, close or refresh here would change the rows under the caller.
        frame::YieldHeld(this, QEventLoop::ExcludeUserInputEvents);
        editor_->setFocus();
    }
}

void EntryGrid::gridMoveLeft(int& row, int& column) {
    if (col() == 6)
        column = col() - 1;
    gridPlaceEditor(row, column);
}

void EntryGrid::gridMoveRight(int& row, int& column) {
    if (col() == 5)
        column = col() + 1;
    gridPlaceEditor(row, column);
}

void EntryGrid::gridMoveDown(int& row, int& column) {
    if (row > 9) {
        // The owner's scroll handling brings the next goods into the rows and reloads the editor.
        if (vsG_->value() < vsG_->maximum())
            vsG_->setValue(vsG_->value() + 1);
        return;
    }
    if (this->row() < rows() - 1)
        row = this->row() + 1;
    gridPlaceEditor(row, column);
}

void EntryGrid::gridMoveUp(int& row, int& column) {
    if (this->row() > 1) {
        row = row - 1;
        gridPlaceEditor(row, column);
        return;
    }
    if (vsG_->value() > 0)
        vsG_->setValue(vsG_->value() - 1);
}

void EntryGrid::gridKeyNav(int keyCode, int /*shift*/, int& row, int& column) {
    switch (keyCode) {
    case kKeyLineFeed:
    case kKeyReturn:
    case kKeyDown:
        gridMoveDown(row, column);
        break;
    case kKeyLeft:
        gridMoveLeft(row, column);
        break;
    case kKeyUp:
        gridMoveUp(row, column);
        break;
    case kKeyRight:
        gridMoveRight(row, column);
        break;
    default:
        break;
    }
}

} // namespace orders
