#include "print/RecordingTarget.h"

#include "text/Cp932.h"

#include <QStringList>

namespace print {

RecordingTarget::RecordingTarget(double width, double height) : width_(width), height_(height) {}

QStringList RecordingTarget::printedTexts() const {
    QStringList out;
    for (const Entry& e : entries_)
        if (!e.appended)
            out << e.text;
    return out;
}

void RecordingTarget::print(const QString& text) {
    entries_.push_back({page_, x_, y_, size_, text, false});
    x_ = 0;
    y_ += textHeight(text);
}

double RecordingTarget::textWidth(const QString& text) const {
    // Widest line of the text; CR and LF take no room.
    double widest = 0;
    int w = 0;
    for (QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            widest = std::max(widest, double(w));
            w = 0;
            continue;
        }
        w += text::displayWidth(c);
    }
    widest = std::max(widest, double(w));
    return widest * size_ * 10;
}

double RecordingTarget::textHeight(const QString& text) const { return printedLineCount(text) * lineHeight(); }

bool RecordingTarget::newPage() {
    ++page_;
    x_ = 0;
    y_ = 0;
    return true;
}

void RecordingTarget::appendText(const QString& text) {
    entries_.push_back({page_, x_, y_, size_, text, true});
    appended_ += text;
}

} // namespace print
