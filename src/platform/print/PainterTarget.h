// A device target over any paint device (printer, PDF writer, preview image): positions in twips from
// the device's top left corner, text in the fixed-pitch Japanese font.
#pragma once

#include "print/RenderTarget.h"

#include <QFont>
#include <QPainter>

class QPaintDevice;

namespace print {

// The fixed-pitch Japanese face that reports are printed in.
QString fixedPitchFamily();

class PainterTarget : public RenderTarget {
public:
    // Starts painting on the device; the device must outlive the target.
    explicit PainterTarget(QPaintDevice* device);
    ~PainterTarget() override;
    PainterTarget(const PainterTarget&) = delete;
    PainterTarget& operator=(const PainterTarget&) = delete;

    bool isActive() const { return painter_.isActive(); }
    // Ends painting (for a printer: ends the document). False when the device reported a failure.
    bool end();

    void print(const QString& text) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override;
    double scaleWidth() const override;
    double scaleHeight() const override;
    double textWidth(const QString& text) const override;
    double textHeight(const QString& text) const override;
    bool newPage() override;
    // A device has no text of its own: appended text is printed as it stands.
    void appendText(const QString& text) override { print(text); }

private:
    double toPxX(double twips) const { return twips * dpiX_ / 1440.0; }
    double toPxY(double twips) const { return twips * dpiY_ / 1440.0; }
    double lineHeightTwips() const;

    QPaintDevice* device_;
    QPainter painter_;
    QFont font_;
    double dpiX_;
    double dpiY_;
    double x_ = 0;
    double y_ = 0;
    double size_ = 9;
};

} // namespace print
