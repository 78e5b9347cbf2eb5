// The entry grid of the order and stock windows: a fixed grid of ten goods rows, a text box laid over the
// one cell being edited, and a scroll bar beside the grid that pages through the goods of a category.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <vector>

class QLineEdit;
class QScrollBar;
class QTableWidget;

namespace orders {

// Key codes the editor hands to its owner (those of the keyboard layer the windows were written against).
enum GridKey : int {
    kKeyLineFeed = 10,
    kKeyReturn = 13,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
};

class EntryGrid : public QWidget {
    Q_OBJECT
public:
    // rows counts the heading row 0; rows 1-10 are the goods rows.
    EntryGrid(int rows, int cols, QWidget* parent = nullptr);

    // The grid, addressed as the windows address it: row 0 is the headings row.
    int rows() const;
    int cols() const;
    int row() const; // the grid's current cell (0 when it has none)
    int col() const;
    // Each may raise cellChanged() at once, when the current cell really moves.
    void setRow(int r);
    void setCol(int c);
    QString text() const; // of the current cell
    void setText(const QString& t);
    QString textAt(int r, int c) const;
    void setTextAt(int r, int c, const QString& t);
    void setColumnAlignment(int c, Qt::Alignment a);
    int rowHeight(int r) const;
    int colWidth(int c) const;
    int gridLineWidth() const { return 1; }
    int gridWidth() const;

    // Row heights share the grid's height evenly; column widths are Int(grid width x fraction).
    void layoutCells(const std::vector<double>& colFractions);
    // Stops and restarts painting around a repaint of many cells.
    void setPainting(bool on);

    QTableWidget* table() { return table_; }
    QLineEdit* editor() { return editor_; }
    QScrollBar* scrollBar() { return vsG_; }

    // Only these cells take the editor: goods rows 1-10, columns 5 and 6.
    static bool isEditableCell(int r, int c) { return r > 0 && r < 11 && c > 4 && c < 7; }

    // The cell procedures both windows share; row and column are the window's current cell. The editor
    // placed on a cell shows the cell's text without raising editorChanged: only what the user types
    // changes a value, so a cell's rounded text never replaces the exact value behind it.
    void gridSetCell(int& row, int& column);
    void gridPlaceEditor(int& row, int& column);
    void gridStoreEditor(int& row, int& column);
    void gridMoveLeft(int& row, int& column);
    void gridMoveRight(int& row, int& column);
    void gridMoveDown(int& row, int& column);
    void gridMoveUp(int& row, int& column);
    void gridKeyNav(int keyCode, int shift, int& row, int& column);
    // Puts text into the editor as a placement, not as typing: no editorChanged.
    void showInEditor(const QString& text);

    static QFont gothicFont(int pointSize);

signals:
    void cellChanged();              // the grid's current cell moved
    void gridMouseDown();            // a mouse button went down on the grid
    void gridClicked();              // ... and came up again
    void gridMouseMove(QPoint pos);  // pointer position in the grid's coordinates
    void editorChanged(const QString& text); // typed, or set by the owner
    void editorKeyDown(int keyCode, int shift); // before the editor itself sees the key
    void scrollChanged(int value);

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void placeOver(int r, int c);

    QTableWidget* table_;
    QLineEdit* editor_;
    QScrollBar* vsG_;
};

} // namespace orders
