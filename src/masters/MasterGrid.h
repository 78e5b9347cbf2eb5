// The table window's grid: in-place editing, Delete on a row picked by its record selector, and a way
// to hand an open editor's text to the model before a button acts.
#pragma once

#include <QTableView>

namespace masters {

class MasterGrid : public QTableView {
    Q_OBJECT
public:
    explicit MasterGrid(QWidget* parent = nullptr);

    // Commits and closes the editor of the current cell, if one is open.
    void commitOpenEditor();
    // Opens the editor of index again with text in it and the characters from `from` on selected: a
    // refused text is given back to be mended, not lost.
    void reopenEditor(const QModelIndex& index, const QString& text, int from, int length);

signals:
    // Delete pressed while the row is selected whole through its record selector.
    void deleteRowRequested(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace masters
