// The CP932 conversion both ways: any bytes decode or are refused, and decoded text encodes and decodes
// back to itself; any UTF-16 text is accepted by the encoder exactly when isCp932 says so.
#include "text/Cp932.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QString decoded = text::fromCp932(bytes);
        const QByteArray encoded = text::toCp932(decoded);
        if (text::fromCp932(encoded) != decoded || !text::isCp932(decoded))
            std::abort();
        text::displayWidth(decoded);
    } catch (const text::EncodingError&) {
    }
    const QString wide = QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    bool encodes = true;
    try {
        text::toCp932(wide);
    } catch (const text::EncodingError&) {
        encodes = false;
    }
    if (encodes != text::isCp932(wide))
        std::abort();
    for (qsizetype i = 0; i < wide.size(); ++i)
        text::charSize(wide, i);
    text::displayWidth(wide);
    return 0;
}
