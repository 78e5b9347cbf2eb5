#include "text/Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace text {

namespace {

// One iconv conversion of a whole buffer; throws on any invalid or unconvertible input.
QByteArray convert(const char* to, const char* from, const QByteArray& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        throw EncodingError("iconv does not know CP932");
    std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
    QByteArray out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) {
            if (errno == E2BIG) {
                const ptrdiff_t used = dst - out.data();
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = size_t(out.size() - used);
                continue;
            }
            throw EncodingError(errno == EINVAL ? "incomplete character at the end of the text"
                                                : "a character that cannot be converted");
        }
    }
    out.resize(dst - out.data());
    return out;
}

} // namespace

QByteArray toCp932(const QString& s) {
    if (s.isEmpty())
        return {};
    return convert("CP932", "UTF-8", s.toUtf8());
}

QString fromCp932(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    return QString::fromUtf8(convert("UTF-8", "CP932", bytes));
}

bool isCp932(const QString& s) {
    try {
        toCp932(s);
        return true;
    } catch (const EncodingError&) {
        return false;
    }
}

int cp932Length(QChar c) {
    const ushort u = c.unicode();
    if (u < 0x80)
        return 1;
    if (u >= 0xFF61 && u <= 0xFF9F)
        return 1;
    return int(toCp932(QString(c)).size());
}

int displayWidth(QChar c) {
    const ushort u = c.unicode();
    return ((u >= 1 && u <= 255) || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
}

int displayWidth(const QString& s) {
    int w = 0;
    for (QChar c : s)
        w += displayWidth(c);
    return w;
}

} // namespace text
