// Grid columns that show their text: widths from the longest text of the font the grid draws with, and
// a first column that stays in place when the grid scrolls sideways, as a grid's fixed column does.
#pragma once

class QTableView;

namespace ui {

// Sets every column to the width of its longest text (heading included) in the view's font, with the
// cell margins; at least minWidth. Reads every row of the model, not only the ones on screen.
void fitColumnsToText(QTableView* view, int minWidth = 0);

// Lays a second view over the first column that does not scroll sideways. It shares the model and the
// selection, scrolls up and down with the grid, and a click on it counts as a click on the grid.
// Returns the overlay (a child of the grid); calling it again returns the same one.
QTableView* freezeFirstColumn(QTableView* view);

} // namespace ui
