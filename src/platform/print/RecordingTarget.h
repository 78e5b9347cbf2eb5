// A device target for tests: logs every printed text with its position, font size and page, and
// measures text as fixed-pitch characters (a half-width character is half the font size wide).
#pragma once

#include "print/RenderTarget.h"

#include <vector>

namespace print {

class RecordingTarget : public RenderTarget {
public:
    struct Entry {
        int page;
        double x;
        double y;
        double fontSize;
        QString text;
        bool appended; // appendText rather than print
    };

    // Page size in twips (default: A4 less 10 mm margins).
    explicit RecordingTarget(double width = 10772, double height = 15704);

    const std::vector<Entry>& entries() const { return entries_; }
    int page() const { return page_; }
    // Printed texts only, in order.
    QStringList printedTexts() const;
    const QString& appended() const { return appended_; }

    void print(const QString& text) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override { size_ = points; }
    double scaleWidth() const override { return width_; }
    double scaleHeight() const override { return height_; }
    double textWidth(const QString& text) const override;
    double textHeight(const QString& text) const override;
    bool newPage() override;
    void appendText(const QString& text) override;

    // Height of one line in twips at the current font size.
    double lineHeight() const { return size_ * 20; }

private:
    std::vector<Entry> entries_;
    QString appended_;
    double width_;
    double height_;
    double x_ = 0;
    double y_ = 0;
    double size_ = 9;
    int page_ = 1;
};

} // namespace print
