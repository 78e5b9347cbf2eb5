#include "masters/MasterGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

namespace masters {

MasterGrid::MasterGrid(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ContiguousSelection); // rows can be picked by their selectors
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false); // Tab leaves the grid for the next control
    setWordWrap(false);
    setShowGrid(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
}

void MasterGrid::commitOpenEditor() {
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void MasterGrid::reopenEditor(const QModelIndex& index, const QString& text, int from, int length) {
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    edit(index);
    if (auto* box = qobject_cast<QLineEdit*>(indexWidget(index))) {
        box->setText(text);
        box->setSelection(from, length);
    }
}

void MasterGrid::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState && selectionModel()) {
        const int row = currentIndex().row();
        if (row >= 0 && selectionModel()->isRowSelected(row, QModelIndex())) {
            emit deleteRowRequested(row);
            return;
        }
    }
    QTableView::keyPressEvent(e);
}

} // namespace masters
