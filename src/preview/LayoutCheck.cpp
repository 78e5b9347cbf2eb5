#include "preview/LayoutCheck.h"

#include "reports/Layout.h"

namespace preview {

using namespace reports;

bool CheckLayout(const QString& text, LayoutItems& items) {
    items = LayoutItems{};
    int pos = 1;
    QString sval;
    int nval = 0;
    bool first = true;
    auto next = [&] {
        nval = -1;
        const int kind = FrmtNextToken(text, first, pos, sval, nval);
        first = false;
        return kind;
    };

    for (;;) {
        const int kind = next();
        if (kind == kTokEnd)
            return false;
        if (kind == kTokMaxLine) {
            items.maxLine = nval < 0 ? 0 : nval;
            break;
        }
    }
    for (;;) {
        const int kind = next();
        if (kind == kTokEnd)
            return false;
        if (kind == kTokHeader)
            break;
    }
    for (;;) {
        const int kind = next();
        if (kind == kTokEnd)
            return false;
        if (kind == kTokData)
            break;
        if (kind >= kTokFontSize && kind <= kTokHeaderText)
            ++items.headerItems;
    }
    if (items.headerItems == 0)
        return false;
    for (;;) {
        const int kind = next();
        if (kind == kTokEnd)
            break;
        if (kind >= kTokFontSize && kind <= kTokFormat)
            ++items.dataItems;
    }
    return items.dataItems > 0;
}

} // namespace preview
