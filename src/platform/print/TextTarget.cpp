#include "print/TextTarget.h"

#include "text/Cp932.h"

namespace print {

int printedLineCount(QStringView text) {
    // The string's own search finds the CRs: most texts have none, or one at the end.
    int n = 1;
    for (qsizetype i = text.indexOf(QLatin1Char('\r')); i >= 0 && i + 1 < text.size();
         i = text.indexOf(QLatin1Char('\r'), i + 1))
        if (text[i + 1] == QLatin1Char('\n'))
            ++n;
    return n;
}

QString TextTarget::take() {
    QString t;
    t.swap(text_);
    return t;
}

void TextTarget::print(const QString& text) {
    text_ += text;
    text_ += QStringLiteral("\r\n");
    lines_ += printedLineCount(text);
}

double TextTarget::textWidth(const QString& text) const { return text::displayWidth(text); }

double TextTarget::textHeight(const QString& text) const { return printedLineCount(text); }

} // namespace print
