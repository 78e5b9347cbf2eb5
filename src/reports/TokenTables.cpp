#include "reports/TokenTables.h"

#include "reports/Layout.h"

namespace reports {

const FormatPattern& FrmtTables::noPattern() {
    static const FormatPattern none;
    return none;
}

void FrmtTables::load(const QString& text, int count, int column) {
    if (column < 1 || column > kColumns)
        return;
    if (!cells_)
        cells_ = std::make_unique<std::array<std::array<Cell, kRows + 1>, kColumns + 1>>();
    auto& cells = (*cells_)[size_t(column)];
    const int rows = std::clamp(count, 0, kRows);
    int pos = 1;
    QString sval;
    int nval = 0;
    int row = 0;
    for (bool first = true; row < rows; first = false) {
        const int kind = FrmtNextToken(text, first, pos, sval, nval);
        // An empty line (a layout file whose first line is empty) is not a token of the layout.
        if (kind == kTokEmptyLine)
            continue;
        Cell& c = cells[size_t(++row)];
        c.kind = kind;
        if (kind == kTokHeaderText || kind == kTokFormat) {
            c.str = sval;
            c.pattern = kind == kTokFormat ? std::make_shared<FormatPattern>(sval) : nullptr;
        } else if (kind >= kTokMaxLine && kind <= kTokSpace) {
            c.num = nval;
        }
        if (kind == kTokEnd || kind == kTokError)
            break;
    }
    loaded_[size_t(column)] = row;
}

} // namespace reports
