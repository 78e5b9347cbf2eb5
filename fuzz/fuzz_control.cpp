// The control-file reader on any bytes: it refuses or decodes, and what it decodes writes back to bytes
// that read as the same data (compared as bytes, since a stored rate or date may be NaN).
#include "core/ControlFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    core::ControlData d;
    try {
        d = core::decodeControl(bytes);
    } catch (const core::ControlFileError&) {
        return 0;
    }
    QByteArray again;
    try {
        again = core::encodeControl(d);
    } catch (const core::ControlFileError&) {
        return 0; // a decoded text the writer refuses: not a fault of the reader
    }
    if (core::encodeControl(core::decodeControl(again)) != again)
        std::abort();
    return 0;
}
