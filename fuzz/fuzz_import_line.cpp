// The import line parser on any CP932 line: the tab fields of every column and the number parsers on
// each, with the formatting of what they accept.
#include "core/Numbers.h"
#include "masters/TabFields.h"
#include "text/Cp932.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString line;
    try {
        line = text::fromCp932(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const text::EncodingError&) {
        return 0;
    }
    for (int n = 1; n <= 12; ++n) {
        const QString field = masters::GetTabField(n, line);
        if (field.size() > line.size() + 1)
            std::abort();
        masters::HasNoQuote(field);
        for (const core::ParseResult& r : {core::ParseAmount(field), core::ParseSignedAmount(field)}) {
            if (!r.ok())
                continue;
            for (int decimals = -1; decimals <= 3; ++decimals)
                core::FormatGrouped(r.value, decimals);
            // What the grid shows with two decimals parses back to the value rounded to cents.
            const core::ParseResult back = core::ParseSignedAmount(core::FormatGrouped(r.value, 2));
            if (r.value.magnitude() < 2000000000ull * 10000 && !back.ok())
                std::abort();
        }
        QString formatted;
        core::ValidateAmount(field, formatted);
        core::ValidateSignedAmount(field, formatted);
    }
    return 0;
}
