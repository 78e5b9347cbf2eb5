#include "masters/TabFields.h"

#include "text/Cp932.h"

namespace masters {

namespace {
bool ends(QChar c) { return c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'); }
bool blank(QChar c) { return c == QLatin1Char(' ') || c == QChar(0x3000); }
} // namespace

QString GetTabField(int n, const QString& line) {
    if (line.isEmpty() || n < 1)
        return {};
    const qsizetype len = line.size();
    qsizetype i = 0;
    if (n > 1) {
        int tabs = 0;
        while (i < len && tabs < n - 1) {
            const QChar c = line[i++];
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                return {};
            if (c == QLatin1Char('\t'))
                ++tabs;
        }
        if (tabs < n - 1)
            return {};
    }
    const qsizetype start = i;
    while (i < len && !ends(line[i]))
        ++i;
    if (i == start)
        return i < len ? QString(line[i]) : QString();
    // A terminating tab, CR or LF is not a blank, so only a field running to the line's end can be all blanks.
    if (n == 1 && i == len) {
        bool allBlank = true;
        for (qsizetype k = start; k < i && allBlank; ++k)
            allBlank = blank(line[k]);
        if (allBlank)
            return QStringLiteral("\n");
    }
    return line.mid(start, i - start);
}

bool HasNoQuote(const QString& s) { return !s.contains(QLatin1Char('\'')); }

qsizetype FindControl(QStringView s) {
    return text::findControl(s);
}

} // namespace masters
