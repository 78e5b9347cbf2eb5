// What a text typed into the stock count cell means: the count to keep and what the cell and the editor
// show. Pure, so the rules can be checked without a window.
#pragma once

#include <QString>
#include <optional>

namespace orders {

struct StockInput {
    qint32 count = 0;                  // the count to keep
    QString cellText;                  // the cell's new text
    std::optional<QString> editorText; // the editor's new text, when it must change
    bool overflow = false;             // a number beyond the program's range: say so
};

// stored: the count kept before this edit. An empty text keeps 0 with an empty cell; a text that is no
// number, or a number too large, puts the stored count back; a count may be negative ("-5" or "5-").
StockInput interpretStockInput(const QString& text, qint32 stored);

} // namespace orders
