// The layout reader and tokenizer on any file: reading gives normal form or fails, and validating and
// walking the tokens of what was read ends without a fault.
#include "reports/Layout.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// The one file every input is written to; removed when the run ends.
struct Scratch {
    QString path = QDir::tempPath() + QStringLiteral("/varnox-fuzz-layout-%1.FRMT").arg(::getpid());
    ~Scratch() { QFile::remove(path); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    const QString& path = scratch.path;
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QString text;
    if (!reports::FrmtReadFile(path, text))
        return 0;
    // Normal form: CR ends every line, one LF ends the text.
    if (!text.endsWith(QStringLiteral("\r\n")) || text.count(QLatin1Char('\n')) != 1)
        std::abort();
    std::int32_t count = 0;
    reports::FrmtValidate(text, count);
    int pos = 1;
    QString sval;
    int nval = 0;
    bool reset = true;
    for (int guard = 0; guard <= text.size() + 1; ++guard) {
        const int kind = reports::FrmtNextToken(text, reset, pos, sval, nval);
        reset = false;
        if (kind == reports::kTokEnd || kind == reports::kTokError)
            return 0;
    }
    std::abort(); // the tokenizer must reach the end: every token moves at least one line on
}
