// The walk over a report's layout text that every build makes first: it needs a MAXLINE= item, a
// [HEADER] section with at least one item and a [DATA] section with at least one item.
#pragma once

#include <QString>
#include <cstdint>

namespace preview {

struct LayoutItems {
    std::int32_t maxLine = 0; // the MAXLINE= number; 0 when it has no digits
    int headerItems = 0;
    int dataItems = 0;
};

// True when the layout has what a report build needs.
bool CheckLayout(const QString& text, LayoutItems& items);

} // namespace preview
