#include "reports/Layout.h"

#include "reports/DefaultLayouts.h"
#include "reports/ReportKind.h"
#include "text/Cp932.h"

#include <QDir>
#include <QFile>
#include <array>

namespace reports {

namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool at(const QString& text, int pos, char16_t c) { return pos >= 1 && pos <= text.size() && text[pos - 1] == c; }

bool startsAt(const QString& text, int pos, QStringView word) {
    return QStringView(text).sliced(pos - 1).startsWith(word);
}

struct Keyword {
    QStringView word;
    int kind;
};

constexpr std::array<Keyword, 9> kMarkers{{
    {u"[COMMON]", kTokCommon},
    {u"[HEADER]", kTokHeader},
    {u"[HEADER2]", kTokHeader2},
    {u"[DATA]", kTokData},
    {u"[DATA2]", kTokData2},
    {u"[FOOTER]", kTokFooter},
    {u"[CENTER]", kTokCenter},
    {u"[RIGHT]", kTokRight},
    {u"[LEFT]", kTokLeft},
}};

constexpr std::array<Keyword, 4> kNumberItems{{
    {u"MAXLINE=", kTokMaxLine},
    {u"FONTSIZE=", kTokFontSize},
    {u"CRLF=", kTokCrLf},
    {u"SPACE=", kTokSpace},
}};

// HEADER="text": a doubled quote inside stands for one quote.
int readHeaderText(const QString& text, int& pos, QString& sval) {
    enum { Before, Inside, After } state = Before;
    while (pos <= text.size()) {
        const QChar c = text[pos - 1];
        switch (state) {
        case Before:
            if (c == kCr || c == kLf)
                return kTokError;
            ++pos;
            if (c == u'"')
                state = Inside;
            break;
        case Inside:
            if (c == kCr || c == kLf)
                return kTokError;
            ++pos;
            if (c == u'"')
                state = After;
            else
                sval += c;
            break;
        case After:
            if (c == u'"') {
                ++pos;
                sval += c;
                state = Inside;
            } else if (c == kCr) {
                ++pos;
                return kTokHeaderText;
            } else if (c == kLf) {
                return kTokHeaderText; // a last line without its CR
            } else {
                ++pos;
                FrmtSkipLine(text, pos);
                return kTokHeaderText;
            }
            break;
        }
    }
    return state == After ? kTokHeaderText : kTokError;
}

// FORMAT="text": no escape, the text ends at the next quote.
int readFormatText(const QString& text, int& pos, QString& sval) {
    bool inside = false;
    while (pos <= text.size()) {
        const QChar c = text[pos - 1];
        if (c == kCr || c == kLf)
            return kTokError;
        ++pos;
        if (c == u'"') {
            if (inside) {
                FrmtSkipLine(text, pos);
                return kTokFormat;
            }
            inside = true;
        } else if (inside) {
            sval += c;
        }
    }
    return kTokError;
}

} // namespace

bool FrmtReadFile(const QString& fileName, QString& text, bool* isUtf8) {
    text.clear();
    if (isUtf8)
        *isUtf8 = false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray raw = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    file.close();

    // Trail bytes of CP932 are never CR, LF or NUL, so line ends can be normalised byte by byte.
    // Any run of CR and LF (a lone LF included) is one line end.
    QByteArray bytes;
    bytes.reserve(raw.size() + 2);
    bool lastCr = false;
    bool hasData = false;
    for (char b : raw) {
        if (b == '\r' || b == '\n') {
            if (!lastCr)
                bytes += '\r';
            lastCr = true;
        } else if (b != '\0') {
            bytes += b;
            lastCr = false;
            hasData = true;
        }
    }
    if (!hasData) {
        file.remove();
        return false;
    }
    // Many UTF-8 texts also decode as CP932, into other characters: never read them as layouts.
    if (text::looksLikeUtf8(raw)) {
        if (isUtf8)
            *isUtf8 = true;
        return false;
    }
    if (!lastCr)
        bytes += '\r';
    bytes += '\n';
    try {
        text = text::fromCp932(bytes);
    } catch (const text::EncodingError&) {
        text.clear();
        return false; // not a CP932 text: unusable, but left in place for the user to mend
    }
    return true;
}

void FrmtSkipLine(const QString& text, int& pos) {
    while (pos >= 1 && pos <= text.size()) {
        const QChar c = text[pos - 1];
        if (c == kLf)
            return;
        ++pos;
        if (c == kCr)
            return;
    }
}

int FrmtReadNumber(const QString& text, int& pos) {
    if (pos < 1)
        return -1;
    std::int64_t value = 0;
    int p = pos;
    while (p <= text.size()) {
        const char16_t c = text[p - 1].unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        if (value > 2147483647)
            value = 2147483648LL; // stays too large, no overflow of the accumulator
        ++p;
    }
    if (p == pos)
        return -1;
    pos = p;
    return value > 2147483647 ? -1 : int(value);
}

int FrmtNextToken(const QString& text, bool reset, int& pos, QString& sval, int& nval) {
    sval.clear();
    if (reset)
        pos = 1;
    if (pos < 1 || pos > text.size())
        return kTokError;
    if (at(text, pos, kLf))
        return kTokEnd;
    if (at(text, pos, kCr)) {
        ++pos;
        return kTokEmptyLine;
    }
    const int start = pos;
    for (const Keyword& m : kMarkers) {
        if (startsAt(text, pos, m.word)) {
            pos += int(m.word.size());
            FrmtSkipLine(text, pos);
            return m.kind;
        }
    }
    for (const Keyword& m : kNumberItems) {
        if (startsAt(text, pos, m.word)) {
            pos += int(m.word.size());
            nval = FrmtReadNumber(text, pos);
            if (nval < 0) {
                pos = start;
                return kTokError;
            }
            FrmtSkipLine(text, pos);
            return m.kind;
        }
    }
    int kind = kTokError;
    if (startsAt(text, pos, u"HEADER=")) {
        pos += 7;
        kind = readHeaderText(text, pos, sval);
    } else if (startsAt(text, pos, u"FORMAT=")) {
        pos += 7;
        kind = readFormatText(text, pos, sval);
    }
    if (kind == kTokError) {
        pos = start;
        sval.clear();
    }
    return kind;
}

bool FrmtValidate(const QString& text, std::int32_t& count) {
    count = 0;
    int pos = 1;
    QString sval;
    int nval = 0;
    for (bool first = true;; first = false) {
        const int kind = FrmtNextToken(text, first, pos, sval, nval);
        if (kind == kTokError)
            return false;
        if (kind == kTokEnd)
            return count > 0;
        if (kind == kTokEmptyLine)
            continue;
        if (((kind == kTokSpace || kind == kTokCrLf) && nval > kFrmtMaxRepeat) ||
            (kind == kTokFontSize && nval > kFrmtMaxFontSize) || (kind == kTokMaxLine && nval > kFrmtMaxLine))
            return false;
        if (++count > kFrmtMaxTokens)
            return false; // would not fit the token tables
    }
}

void FrmtCountTokens(std::int32_t& count, int loadOrder, QString& text) {
    if (FrmtValidate(text, count))
        return;
    int kind = KindFromLoadOrder(loadOrder);
    if (kind == 0)
        kind = kCncl;
    SetDefaultFrmt(kind, text);
    FrmtValidate(text, count);
}

void LoadAllLayouts(core::AppState& s, const QString& folder) {
    for (int order = 1; order <= kReportCount; ++order) {
        const int kind = KindFromLoadOrder(order);
        const QString name = LayoutFileName(kind);
        const QString path = folder.isEmpty() ? name : QDir(folder).filePath(name);
        QString& text = s.gFrmtText[size_t(kind)];
        bool utf8 = false;
        if (!FrmtReadFile(path, text, &utf8)) {
            if (utf8)
                SetDefaultFrmtForUtf8(kind, text);
            else
                SetDefaultFrmt(kind, text);
        }
        FrmtCountTokens(s.gFrmtCount[size_t(kind)], order, text);
    }
}

} // namespace reports
