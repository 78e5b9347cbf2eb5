// Fitting a page on a device: a target that lays text out without drawing, to find how far a page
// reaches, and a target that draws on another at a uniform scale, so that a page laid out wider or
// taller than the device still lands on it whole.
#pragma once

#include "print/RenderTarget.h"

namespace print {

// Measures with another target's font and page, draws nothing; puts the other's font size back after.
class MeasureTarget : public RenderTarget {
public:
    explicit MeasureTarget(RenderTarget& metrics);
    ~MeasureTarget() override;
    MeasureTarget(const MeasureTarget&) = delete;
    MeasureTarget& operator=(const MeasureTarget&) = delete;

    // The right edge of the widest text and the foot of the lowest line so far, in twips.
    double right() const { return right_; }
    double bottom() const { return bottom_; }

    void print(const QString& text) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override;
    double scaleWidth() const override { return m_.scaleWidth(); }
    double scaleHeight() const override { return m_.scaleHeight(); }
    double textWidth(const QString& text) const override { return m_.textWidth(text); }
    double textHeight(const QString& text) const override { return m_.textHeight(text); }
    bool newPage() override;
    void appendText(const QString& text) override { print(text); }

private:
    RenderTarget& m_;
    double savedSize_;
    double x_ = 0;
    double y_ = 0;
    double size_;
    double right_ = 0;
    double bottom_ = 0;
};

// Draws on another target with every position, font size and measure multiplied by scale (at most 1).
// A line that would still run past the right edge is drawn in a font small enough to end at the edge.
class FitTarget : public RenderTarget {
public:
    explicit FitTarget(RenderTarget& inner, double scale = 1.0);

    double scale() const { return scale_; }

    void print(const QString& text) override;
    double currentX() const override { return in_.currentX() / scale_; }
    double currentY() const override { return in_.currentY() / scale_; }
    void setCurrentX(double x) override { in_.setCurrentX(x * scale_); }
    void setCurrentY(double y) override { in_.setCurrentY(y * scale_); }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override;
    double scaleWidth() const override { return in_.scaleWidth() / scale_; }
    double scaleHeight() const override { return in_.scaleHeight() / scale_; }
    double textWidth(const QString& text) const override { return in_.textWidth(text) / scale_; }
    double textHeight(const QString& text) const override { return in_.textHeight(text) / scale_; }
    bool newPage() override { return in_.newPage(); }
    void appendText(const QString& text) override { in_.appendText(text); }

private:
    RenderTarget& in_;
    double scale_;
    double size_;
};

// The smallest scale a FitTarget draws at.
inline constexpr double kMinFitScale = 0.01;

// The scale at which a page that reaches right x bottom twips fits a target of width x height: 1 when it
// fits as it is.
double FitScale(double right, double bottom, double width, double height);

} // namespace print
