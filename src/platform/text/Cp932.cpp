#include "text/Cp932.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace text {

namespace {

using IconvGuard = std::unique_ptr<void, int (*)(iconv_t)>;

IconvGuard openIconv(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        throw EncodingError("iconv does not know CP932");
    return IconvGuard(cd, iconv_close);
}

// One iconv conversion of a whole buffer; throws on any invalid or unconvertible input.
QByteArray convert(const char* to, const char* from, const QByteArray& in) {
    const IconvGuard guard = openIconv(to, from);
    iconv_t cd = guard.get();
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

// CP932 byte count of every BMP character, 0 for those it cannot hold; built once from iconv itself,
// so the widths can never disagree with what the files receive.
const std::array<std::uint8_t, 0x10000>& byteCounts() {
    static const std::array<std::uint8_t, 0x10000> table = [] {
        std::array<std::uint8_t, 0x10000> t{};
        const IconvGuard guard = openIconv("CP932", "UTF-32LE");
        for (std::uint32_t u = 0; u < 0x10000; ++u) {
            if (u >= 0xD800 && u < 0xE000)
                continue;
            char in[4];
            std::memcpy(in, &u, 4);
            char out[8];
            char* src = in;
            size_t srcLeft = 4;
            char* dst = out;
            size_t dstLeft = sizeof out;
            iconv(guard.get(), nullptr, nullptr, nullptr, nullptr);
            if (iconv(guard.get(), &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
                t[u] = std::uint8_t(sizeof out - dstLeft);
        }
        return t;
    }();
    return table;
}

// Steps past one line end (CR LF, LF or a lone CR) at i; returns false when there is none.
template <typename Text>
bool skipLineEnd(const Text& s, qsizetype& i) {
    const auto c = s[i];
    if (c == u'\n') {
        ++i;
        return true;
    }
    if (c == u'\r') {
        ++i;
        if (i < s.size() && s[i] == u'\n')
            ++i;
        return true;
    }
    return false;
}

} // namespace

QByteArray toCp932(const QString& s) {
    if (s.isEmpty())
        return {};
    // CP932 holds nothing outside the BMP, and UTF-8 would carry a lone surrogate as a stand-in
    // character: refused here as isCp932 refuses them.
    if (std::any_of(s.cbegin(), s.cend(), [](QChar c) { return c.isSurrogate(); }))
        throw EncodingError("a character that cannot be converted");
    return convert("CP932", "UTF-8", s.toUtf8());
}

QString fromCp932(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    return QString::fromUtf8(convert("UTF-8", "CP932", bytes));
}

bool isCp932(const QString& s) { return !findUnencodable(s).found(); }

namespace {
// The one width rule, with the table looked up by the caller once per text.
int widthIn(const std::array<std::uint8_t, 0x10000>& t, QChar c) {
    if (c.isSurrogate())
        return 1; // each half of a pair
    const int n = t[c.unicode()];
    return n == 0 ? 2 : n;
}
} // namespace

int displayWidth(QChar c) { return widthIn(byteCounts(), c); }

// The list and report texts pass through these a character at a time, millions of times: the table is
// looked up once per text and the loops stay plain.
int displayWidth(QStringView s) {
    const auto& t = byteCounts();
    int w = 0;
    for (const QChar c : s)
        w += widthIn(t, c);
    return w;
}

QStringView shownPart(QStringView s, int size) {
    if (s.size() <= size) return s;
    qsizetype i = 0;
    for (int chars = 0; chars < size && i < s.size(); ++chars)
        i += charSize(s, i);
    return s.first(i);
}

qsizetype findControl(QStringView s) {
    for (qsizetype i = 0; i < s.size(); ++i)
        if (s[i].unicode() < 0x20 || s[i].unicode() == 0x7f) return i;
    return -1;
}

qsizetype fittingLength(QStringView s, int width) {
    const auto& t = byteCounts();
    const QChar* const p = s.data();
    const qsizetype n = s.size();
    int w = 0;
    qsizetype i = 0;
    while (i < n) {
        const char16_t u = p[i].unicode();
        qsizetype size = 1;
        int cw;
        if (u >= 0xD800 && u < 0xE000) {
            // A whole pair takes two cells; a half alone takes one, as displayWidth counts it.
            if (u < 0xDC00 && i + 1 < n && p[i + 1].isLowSurrogate()) {
                size = 2;
                cw = 2;
            } else {
                cw = 1;
            }
        } else {
            const int b = t[u];
            cw = b == 0 ? 2 : b;
        }
        if (w + cw > width)
            break;
        w += cw;
        i += size;
    }
    return i;
}

int charSize(QStringView s, qsizetype i) {
    return (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
}

QChar storedForm(QChar c) {
    switch (c.unicode()) {
    case 0x00A2: return QChar(0xFFE0); // ¢ -> ￠
    case 0x00A3: return QChar(0xFFE1); // £ -> ￡
    case 0x00A5: return QChar(0x005C); // ¥ -> backslash
    case 0x00AC: return QChar(0xFFE2); // ¬ -> ￢
    case 0x2014: return QChar(0x2015); // em dash -> horizontal bar
    case 0x2016: return QChar(0x2225); // ‖ -> ∥
    case 0x203E: return QChar(0x007E); // overline -> tilde
    case 0x2212: return QChar(0xFF0D); // minus -> full-width hyphen-minus
    case 0x301C: return QChar(0xFF5E); // wave dash -> full-width tilde
    default: return c;
    }
}

QString toStoredForm(QString s) {
    for (QChar& c : s)
        c = storedForm(c);
    return s;
}

QString Unencodable::code() const {
    if (character.isEmpty())
        return {};
    const char32_t u = character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                             : char32_t(character[0].unicode());
    return QStringLiteral("U+") + QString::number(uint(u), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

Unencodable findUnencodable(QStringView s) {
    const auto& t = byteCounts();
    Unencodable bad;
    int line = 1;
    for (qsizetype i = 0; i < s.size();) {
        if (skipLineEnd(s, i)) {
            ++line;
            continue;
        }
        const QChar c = s[i];
        if (c.isSurrogate() || t[c.unicode()] == 0) {
            bad.index = i;
            bad.line = line;
            bad.character = s.mid(i, charSize(s, i)).toString();
            return bad;
        }
        ++i;
    }
    return bad;
}

TypedText checkTyped(const QString& typed) {
    TypedText r;
    r.text = toStoredForm(typed);
    r.bad = findUnencodable(r.text);
    return r;
}

QString unencodableMessage(const QString& boxName, const Unencodable& bad) {
    return QStringLiteral("%1に、Shift_JIS（CP932）で保存できない文字「%2」（%3）があります。\n"
                          "この文字を別の文字に替えて下さい。")
        .arg(boxName, bad.character, bad.code());
}

bool looksLikeUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    bool multiByte = false;
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) {
            multiByte = true;
            break;
        }
    if (!multiByte)
        return false; // plain ASCII reads the same either way
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return !utf8.hasError() && !decoded.isEmpty();
}

OutsideText decodeOutside(const QByteArray& bytes) {
    OutsideText r;
    if (looksLikeUtf8(bytes)) {
        r.problem = OutsideText::Problem::Utf8;
        return r;
    }
    try {
        r.text = fromCp932(bytes);
        return r;
    } catch (const EncodingError&) {
    }
    // Trail bytes of CP932 are never CR or LF, so the lines can be cut apart as bytes.
    r.problem = OutsideText::Problem::BadByte;
    int line = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size();) {
        qsizetype end = i;
        const bool atEnd = i == bytes.size();
        if (!atEnd && !skipLineEnd(bytes, i)) {
            ++i;
            continue;
        }
        try {
            fromCp932(bytes.mid(start, end - start));
        } catch (const EncodingError&) {
            r.line = line;
            return r;
        }
        if (atEnd)
            break;
        ++line;
        start = i;
    }
    r.line = line;
    return r;
}

} // namespace text
