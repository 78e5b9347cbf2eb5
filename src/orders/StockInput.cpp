#include "orders/StockInput.h"

#include "core/Numbers.h"

#include <limits>

namespace orders {

StockInput interpretStockInput(const QString& text, qint32 stored, qint32 before) {
    StockInput in;
    if (text.isEmpty()) return in; // 0, blank cell until the next repaint
    const core::ParseResult p = core::ParseSignedAmount(text);
    const auto restore = [&](bool overflow) {
        in.count = overflow ? before : stored;
        in.cellText = core::FormatGrouped(db::Currency::fromUnits(in.count), 0);
        in.editorText = in.cellText;
        in.overflow = overflow;
        return in;
    };
    if (p.status == core::ParseStatus::Refused) return restore(false);
    if (p.status == core::ParseStatus::Overflow) return restore(true);
    if (p.value == db::Currency()) {
        in.cellText = QStringLiteral("0");
        return in;
    }
    // Rounded as the cell shows it, so the stored count and the shown one agree.
    const std::int64_t units = p.value.roundedUnits();
    if (units > std::numeric_limits<qint32>::max() || units < std::numeric_limits<qint32>::min())
        return restore(true);
    in.count = qint32(units);
    in.cellText = core::FormatGrouped(p.value, 0);
    return in;
}

} // namespace orders
