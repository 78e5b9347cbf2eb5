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

// stored: the count kept before this keystroke; before: the count the cell had when its edit began.
// An empty text keeps 0 with an empty cell; a text that is no number puts the stored count back; a
// number too large puts back the count from before the edit; a count may be negative ("-5" or "5-").
// A text worth 0 ("-", "0.") stays in the editor, so a sign or a point typed first can be followed by
// the digits.
StockInput interpretStockInput(const QString& text, qint32 stored, qint32 before);

} // namespace orders
