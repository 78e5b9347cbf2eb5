#include "viewers/CellLayout.h"

#include "text/Cp932.h"

#include <QFontMetricsF>
#include <QTextCharFormat>
#include <cmath>

namespace viewers {

CellLayout::CellLayout(QTextDocument* doc, const QFont& font)
    : QSyntaxHighlighter(doc), font_(font), cell_(QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'))) {}

qreal CellLayout::spacingFor(QStringView character) {
    const char32_t key = character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                               : char32_t(character[0].unicode());
    const auto found = spacing_.constFind(key);
    if (found != spacing_.constEnd())
        return *found;
    // The advance the line would give it, a fallback face included.
    const qreal advance = QFontMetricsF(font_).horizontalAdvance(character.toString());
    qreal d = text::displayWidth(character) * cell_ - advance;
    if (std::abs(d) < 0.01)
        d = 0;
    spacing_.insert(key, d);
    return d;
}

void CellLayout::highlightBlock(const QString& line) {
    for (qsizetype i = 0; i < line.size();) {
        const int size = text::charSize(line, i);
        // Plain ASCII has the cell's own advance in a fixed-pitch face.
        if (line[i].unicode() >= 0x80 || line[i] < QLatin1Char(' ')) {
            const qreal d = spacingFor(QStringView(line).mid(i, size));
            if (d != 0) {
                QTextCharFormat f;
                f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
                f.setFontLetterSpacing(d);
                setFormat(int(i), size, f);
            }
        }
        i += size;
    }
}

} // namespace viewers
