// The token tables: one column per report kind, loaded from the report's layout text before every
// build and walked by the renderers. FORMAT patterns are compiled as they are loaded.
#pragma once

#include "reports/Format.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

namespace reports {

class FrmtTables {
public:
    static constexpr int kRows = 300;
    static constexpr int kColumns = 15;

    // Rows and columns count from 1, as the layout lines do.
    int kind(int row, int column) const { return cell(row, column).kind; }
    const QString& str(int row, int column) const { return cell(row, column).str; }
    std::int32_t num(int row, int column) const { return cell(row, column).num; }
    const FormatPattern& pattern(int row, int column) const {
        const auto& p = cell(row, column).pattern;
        return p ? *p : noPattern();
    }
    // Rows loaded into the column by the last load.
    int rows(int column) const { return loaded_[size_t(column)]; }

    // Fills the column from text: the first count tokens that are not empty lines, at most kRows.
    void load(const QString& text, int count, int column);

private:
    static const FormatPattern& noPattern();

    struct Cell {
        int kind = 0;
        QString str;
        std::int32_t num = 0;
        std::shared_ptr<const FormatPattern> pattern; // none: the empty pattern
    };
    const Cell& cell(int row, int column) const {
        static const Cell none;
        return cells_ ? (*cells_)[size_t(column)][size_t(row)] : none;
    }

    // Made by the first load, so that tables nothing is loaded into cost nothing and two tables trade
    // their cells at once.
    std::unique_ptr<std::array<std::array<Cell, kRows + 1>, kColumns + 1>> cells_;
    std::array<int, kColumns + 1> loaded_{};
};

} // namespace reports
