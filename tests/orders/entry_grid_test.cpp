#include "orders/EntryGrid.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using orders::EntryGrid;

namespace {

// An owner as the entry windows are: it keeps the current cell and answers the grid's signals.
struct Owner {
    EntryGrid grid{12, 9};
    int row = 1;
    int col = 5;
    int cellChanges = 0;

    Owner() {
        grid.resize(900, 400);
        for (int r = 1; r < 12; ++r)
            for (int c = 0; c < 9; ++c)
                grid.setTextAt(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
        grid.layoutCells({0.1111, 0.222, 0.12, 0.12, 0.11, 0.12, 0.055, 0.07, 0.0535});
        grid.scrollBar()->setMaximum(5);
        QObject::connect(&grid, &EntryGrid::cellChanged, [this] { ++cellChanges; });
        QObject::connect(&grid, &EntryGrid::editorKeyDown,
                         [this](int key, int shift) { grid.gridKeyNav(key, shift, row, col); });
        QObject::connect(&grid, &EntryGrid::gridClicked, [this] { grid.gridSetCell(row, col); });
        grid.show();
        place(1, 5);
    }
    void place(int r, int c) {
        row = r;
        col = c;
        grid.gridPlaceEditor(row, col);
    }
    QRect cellRect(int r, int c) const {
        QTableWidget* t = const_cast<EntryGrid&>(grid).table();
        return t->visualItemRect(t->item(r - 1, c));
    }
};

} // namespace

TEST(EntryGrid, ClickOutsideEditableCellsPutsGridBack) {
    Owner o;
    o.place(3, 5);
    const QRect before = o.grid.editor()->geometry();
    o.grid.table()->setCurrentCell(7 - 1, 2); // as a click on a price cell does
    o.grid.gridSetCell(o.row, o.col);
    EXPECT_EQ(o.grid.row(), 3);
    EXPECT_EQ(o.grid.col(), 5);
    EXPECT_EQ(o.row, 3);
    EXPECT_EQ(o.col, 5);
    EXPECT_EQ(o.grid.editor()->geometry(), before);
    EXPECT_EQ(o.grid.editor()->text(), QStringLiteral("r3c5"));
}

TEST(EntryGrid, ClickOnEditableCellMovesEditorOverIt) {
    Owner o;
    o.place(3, 5);
    QTest::mouseClick(o.grid.table()->viewport(), Qt::LeftButton, {}, o.cellRect(7, 6).center());
    EXPECT_EQ(o.row, 7);
    EXPECT_EQ(o.col, 6);
    EXPECT_EQ(o.grid.editor()->text(), QStringLiteral("r7c6"));
    // The editor covers the cell it edits.
    const QRect cell = o.cellRect(7, 6);
    const QPoint cellInGrid = o.grid.table()->viewport()->mapTo(&o.grid, cell.center());
    EXPECT_TRUE(o.grid.editor()->geometry().contains(cellInGrid));
}

TEST(EntryGrid, HeadingRowAndRowElevenRefuseTheEditor) {
    for (auto [r, c] : {std::pair{0, 5}, {11, 5}, {11, 6}, {4, 4}, {4, 7}, {1, 0}})
        EXPECT_FALSE(EntryGrid::isEditableCell(r, c)) << r << "," << c;
    for (auto [r, c] : {std::pair{1, 5}, {10, 6}, {5, 6}})
        EXPECT_TRUE(EntryGrid::isEditableCell(r, c)) << r << "," << c;
}

TEST(EntryGrid, KeyMovesTable) {
    struct Case {
        const char* name;
        int startRow, startCol, scrollValue, key;
        int endRow, endCol, endScroll;
    };
    const Case cases[] = {
        {"down", 4, 5, 0, orders::kKeyDown, 5, 5, 0},
        {"enter", 4, 5, 0, orders::kKeyReturn, 5, 5, 0},
        {"line feed", 4, 6, 0, orders::kKeyLineFeed, 5, 6, 0},
        {"down to an empty row still moves", 9, 5, 0, orders::kKeyDown, 10, 5, 0},
        {"down on row 10 scrolls", 10, 5, 0, orders::kKeyDown, 10, 5, 1},
        {"down at the end of the list", 10, 6, 5, orders::kKeyDown, 10, 6, 5},
        {"up", 4, 6, 2, orders::kKeyUp, 3, 6, 2},
        {"up on row 1 scrolls back", 1, 5, 2, orders::kKeyUp, 1, 5, 1},
        {"up on row 1 at the top", 1, 5, 0, orders::kKeyUp, 1, 5, 0},
        {"left from 6", 2, 6, 0, orders::kKeyLeft, 2, 5, 0},
        {"left from 5 stays", 2, 5, 0, orders::kKeyLeft, 2, 5, 0},
        {"right from 5", 2, 5, 0, orders::kKeyRight, 2, 6, 0},
        {"right from 6 stays", 2, 6, 0, orders::kKeyRight, 2, 6, 0},
        {"other key", 2, 6, 0, 65, 2, 6, 0},
    };
    for (const Case& k : cases) {
        Owner o;
        o.grid.scrollBar()->setValue(k.scrollValue);
        o.place(k.startRow, k.startCol);
        o.grid.gridKeyNav(k.key, 0, o.row, o.col);
        EXPECT_EQ(o.row, k.endRow) << k.name;
        EXPECT_EQ(o.col, k.endCol) << k.name;
        EXPECT_EQ(o.grid.row(), k.endRow) << k.name;
        EXPECT_EQ(o.grid.col(), k.endCol) << k.name;
        EXPECT_EQ(o.grid.scrollBar()->value(), k.endScroll) << k.name;
        EXPECT_EQ(o.grid.editor()->text(), QStringLiteral("r%1c%2").arg(k.endRow).arg(k.endCol)) << k.name;
    }
}

TEST(EntryGrid, SameSideMoveReloadsTheCellText) {
    Owner o;
    o.place(2, 5);
    o.grid.editor()->setText(QStringLiteral("typed"));
    o.grid.gridKeyNav(orders::kKeyLeft, 0, o.row, o.col);
    EXPECT_EQ(o.grid.editor()->text(), QStringLiteral("r2c5"));
}

TEST(EntryGrid, KeysTypedIntoTheEditorReachTheOwnerFirst) {
    Owner o;
    o.grid.gridStoreEditor(o.row, o.col);
    QTest::keyClick(o.grid.editor(), Qt::Key_Down);
    QTest::keyClick(o.grid.editor(), Qt::Key_Return);
    QTest::keyClick(o.grid.editor(), Qt::Key_Right);
    EXPECT_EQ(o.row, 3);
    EXPECT_EQ(o.col, 6);
    EXPECT_EQ(o.grid.editor()->text(), QStringLiteral("r3c6"));
}

TEST(EntryGrid, MovingTheCurrentCellSignalsOncePerRealMove) {
    Owner o;
    o.place(2, 5);
    o.cellChanges = 0;
    o.grid.setRow(2); // no move
    EXPECT_EQ(o.cellChanges, 0);
    o.grid.setRow(4);
    o.grid.setCol(6);
    EXPECT_EQ(o.cellChanges, 2);
}

TEST(EntryGrid, ScrollingChangesOnlyTheScrollBar) {
    Owner o;
    o.place(5, 6);
    int seen = -1;
    QObject::connect(&o.grid, &EntryGrid::scrollChanged, [&](int v) { seen = v; });
    QTest::mouseClick(o.grid.table()->viewport(), Qt::LeftButton, {}, o.cellRect(5, 6).center());
    o.grid.scrollBar()->setValue(3);
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(o.grid.table()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(o.grid.row(), 5);
}
