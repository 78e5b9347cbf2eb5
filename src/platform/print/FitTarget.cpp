#include "print/FitTarget.h"

#include <algorithm>

namespace print {

MeasureTarget::MeasureTarget(RenderTarget& metrics)
    : m_(metrics), savedSize_(metrics.fontSize()), size_(metrics.fontSize()) {}

MeasureTarget::~MeasureTarget() { m_.setFontSize(savedSize_); }

void MeasureTarget::setFontSize(double points) {
    size_ = points;
    m_.setFontSize(points);
}

void MeasureTarget::print(const QString& text) {
    right_ = std::max(right_, x_ + m_.textWidth(text));
    y_ += m_.textHeight(text);
    bottom_ = std::max(bottom_, y_);
    x_ = 0;
}

bool MeasureTarget::newPage() {
    x_ = 0;
    y_ = 0;
    return true;
}

FitTarget::FitTarget(RenderTarget& inner, double scale)
    : in_(inner), scale_(std::clamp(scale, kMinFitScale, 1.0)), size_(inner.fontSize()) {
    if (scale_ < 1.0)
        in_.setFontSize(size_ * scale_);
}

void FitTarget::setFontSize(double points) {
    size_ = points;
    in_.setFontSize(points * scale_);
}

void FitTarget::print(const QString& text) {
    const double edge = in_.scaleWidth();
    double width = in_.textWidth(text);
    if (in_.currentX() + width <= edge + 1 || width <= 0) {
        in_.print(text);
        return;
    }
    // A text that starts too far right to fit moves left first; one wider than the page gets smaller.
    if (in_.currentX() + width > edge)
        in_.setCurrentX(std::max(0.0, edge - width));
    const double top = in_.currentY();
    const double lineStep = in_.textHeight(text);
    double size = size_ * scale_;
    for (int i = 0; i < 8 && in_.currentX() + width > edge + 1; ++i) {
        size *= (edge - in_.currentX()) / width * 0.995;
        in_.setFontSize(size);
        width = in_.textWidth(text);
    }
    in_.print(text);
    in_.setFontSize(size_ * scale_);
    in_.setCurrentY(top + lineStep);
}

double FitScale(double right, double bottom, double width, double height) {
    double s = 1.0;
    if (right > width && right > 0)
        s = std::min(s, width / right);
    if (bottom > height && bottom > 0)
        s = std::min(s, height / bottom);
    return s;
}

} // namespace print
