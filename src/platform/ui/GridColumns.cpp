#include "ui/GridColumns.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QEvent>
#include <QHeaderView>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <cmath>

namespace ui {

namespace {

// Keeps the overlay on the first column: its size, the row heights and the vertical position.
class FrozenColumn : public QObject {
public:
    FrozenColumn(QTableView* grid, QTableView* frozen)
        : QObject(frozen), grid_(grid), frozen_(frozen), gridTop_(grid->horizontalHeader()),
          gridSide_(grid->verticalHeader()), frozenTop_(frozen->horizontalHeader()) {}

    void place() {
        // A grid being destroyed resets its model after its headers are gone.
        if (!gridTop_ || !gridSide_ || !frozenTop_)
            return;
        const int w = grid_->columnWidth(0);
        const int hh = grid_->horizontalHeader()->isVisible() ? grid_->horizontalHeader()->height() : 0;
        const int vh = grid_->verticalHeader()->isVisible() ? grid_->verticalHeader()->width() : 0;
        frozen_->horizontalHeader()->setFixedHeight(hh);
        frozen_->setColumnWidth(0, w);
        frozen_->setGeometry(grid_->frameWidth() + vh, grid_->frameWidth(), w,
                             grid_->viewport()->height() + hh);
        const int columns = grid_->model() ? grid_->model()->columnCount() : 0;
        for (int c = 1; c < columns; ++c)
            frozen_->setColumnHidden(c, true);
        frozen_->setVisible(columns > 0 && grid_->isColumnHidden(0) == false);
        frozen_->raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Show || e->type() == QEvent::LayoutRequest)
            place();
        return QObject::eventFilter(watched, e);
    }

private:
    QTableView* grid_;
    QTableView* frozen_;
    QPointer<QHeaderView> gridTop_, gridSide_, frozenTop_;
};

} // namespace

void fitColumnsToText(QTableView* view, int minWidth) {
    const QAbstractItemModel* model = view->model();
    if (!model)
        return;
    // Fractional advances, rounded up: on screen the text is laid out at fractional positions and can run
    // a pixel past the whole-pixel width, which cuts the text short with an ellipsis.
    const QFontMetricsF fm(view->font());
    const QFontMetricsF hfm(view->horizontalHeader()->font());
    const auto advance = [](const QFontMetricsF& m, const QString& text) {
        return int(std::ceil(m.horizontalAdvance(text))) + 1;
    };
    // The style's frame around a cell's text, on both sides, and one pixel for the grid line.
    const int cellMargin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 1;
    const int headMargin = 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) + 2;
    const int rows = model->rowCount();
    for (int c = 0; c < model->columnCount(); ++c) {
        int w = advance(hfm, model->headerData(c, Qt::Horizontal).toString()) + headMargin;
        for (int r = 0; r < rows; ++r) {
            const QString text = model->data(model->index(r, c)).toString();
            if (!text.isEmpty())
                w = std::max(w, advance(fm, text) + cellMargin);
        }
        view->setColumnWidth(c, std::max(w, minWidth));
    }
}

QTableView* freezeFirstColumn(QTableView* view) {
    if (auto* existing = view->findChild<QTableView*>(QStringLiteral("frozenColumn"), Qt::FindDirectChildrenOnly))
        return existing;
    auto* frozen = new QTableView(view);
    frozen->setObjectName(QStringLiteral("frozenColumn"));
    frozen->setModel(view->model());
    frozen->setSelectionModel(view->selectionModel());
    frozen->setSelectionBehavior(view->selectionBehavior());
    frozen->setSelectionMode(view->selectionMode());
    frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frozen->setFocusPolicy(Qt::NoFocus);
    frozen->setFont(view->font());
    frozen->setWordWrap(view->wordWrap());
    frozen->setToolTip(view->toolTip());
    frozen->verticalHeader()->hide();
    frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen->verticalHeader()->setDefaultSectionSize(view->verticalHeader()->defaultSectionSize());
    frozen->horizontalHeader()->setSectionsClickable(false);
    frozen->horizontalHeader()->setHighlightSections(false);
    frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen->setVerticalScrollMode(view->verticalScrollMode());
    frozen->setFrameShape(QFrame::NoFrame);
    frozen->setStyleSheet(QStringLiteral("QTableView { border-right: 1px solid palette(mid); }"));

    auto* keeper = new FrozenColumn(view, frozen);
    view->installEventFilter(keeper);
    view->viewport()->installEventFilter(keeper);
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionResized, keeper,
                     [keeper](int logical) {
                         if (logical == 0)
                             keeper->place();
                     });
    QObject::connect(view->verticalHeader(), &QHeaderView::sectionResized, frozen,
                     [frozen](int logical, int, int size) { frozen->setRowHeight(logical, size); });
    QObject::connect(frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, view->verticalScrollBar(),
                     &QAbstractSlider::setValue);
    QObject::connect(view->verticalScrollBar(), &QAbstractSlider::valueChanged, frozen->verticalScrollBar(),
                     &QAbstractSlider::setValue);
    if (QAbstractItemModel* m = view->model()) {
        QObject::connect(m, &QAbstractItemModel::modelReset, keeper, [keeper] { keeper->place(); });
        QObject::connect(m, &QAbstractItemModel::columnsInserted, keeper, [keeper] { keeper->place(); });
    }
    // A click on the fixed column is a click on the grid's row.
    QObject::connect(frozen, &QAbstractItemView::clicked, view, [view](const QModelIndex& index) {
        view->setCurrentIndex(index);
        emit view->clicked(index);
    });
    QObject::connect(frozen, &QAbstractItemView::pressed, view, [view](const QModelIndex& index) { emit view->pressed(index); });
    keeper->place();
    return frozen;
}

} // namespace ui
