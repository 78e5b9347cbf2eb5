// A text target: a string that report lines are appended to, for list windows and exports.
#pragma once

#include "print/RenderTarget.h"

namespace print {

// Device calls on a text target act as on a line printer of fixed-pitch characters: print() appends
// the text and CR LF, a position is counted in characters and lines.
class TextTarget : public RenderTarget {
public:
    const QString& text() const { return text_; }
    QString& text() { return text_; }
    QString take();
    void clear() { text_.clear(); }
    void reserve(qsizetype n) { text_.reserve(n); }

    void appendText(const QString& text) override { text_ += text; }
    void print(const QString& text) override;
    double currentX() const override { return 0; }
    double currentY() const override { return lines_; }
    void setCurrentX(double) override {}
    void setCurrentY(double) override {}
    double fontSize() const override { return fontSize_; }
    void setFontSize(double points) override { fontSize_ = points; }
    double scaleWidth() const override { return 0; }
    double scaleHeight() const override { return 0; }
    double textWidth(const QString& text) const override;
    double textHeight(const QString& text) const override;

private:
    QString text_;
    double fontSize_ = 9;
    int lines_ = 0;
};

} // namespace print
