// The least a report can cost: its rows read with the sqlite3 C API and every column formatted into one
// string (numbers grouped, dates as yyyy/mm/dd, texts padded), with no layout, records or targets. The
// benchmarks measure the lists, previews and prints against it, in the same run.
#pragma once

#include <QString>
#include <vector>

namespace benchgen {

// The queries of report kind 1 to 14, in the order the report needs their rows.
const std::vector<const char*>& bareQueries(int kind);

// Reads the rows of the report kind and formats them; returns the bytes of text made. format false
// only reads.
std::size_t bareReadAndFormat(const QString& dbPath, int kind, bool format = true);

} // namespace benchgen
