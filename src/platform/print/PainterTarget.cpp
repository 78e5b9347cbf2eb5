#include "print/PainterTarget.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>

namespace print {

PainterTarget::PainterTarget(QPaintDevice* device, bool lazy) : device_(device), metrics_(device) {
    if (!lazy) begin();
}

PainterTarget::~PainterTarget() {
    if (painter_.isActive()) painter_.end();
}

bool PainterTarget::begin() {
    if (begun_) return painter_.isActive();
    begun_ = true;
    if (!painter_.begin(device_)) return false;
    painter_.setFont(metrics_.font());
    painter_.setPen(Qt::black);
    painter_.scale(scale_, scale_);
    return true;
}

void PainterTarget::setScale(double factor) {
    scale_ = factor;
    if (painter_.isActive()) {
        painter_.resetTransform();
        painter_.scale(scale_, scale_);
    }
}

bool PainterTarget::end() {
    return painter_.isActive() ? painter_.end() : false;
}

void PainterTarget::setFontSize(double points) {
    size_ = points;
    metrics_.setPointSize(points);
    if (painter_.isActive()) painter_.setFont(metrics_.font());
}

void PainterTarget::print(const QString& text) {
    const bool active = begin();
    const double step = metrics_.lineHeight();
    const double ascent = metrics_.fm().ascent();
    qsizetype from = 0;
    for (bool first = true;; first = false) {
        const qsizetype cr = text.indexOf(QStringLiteral("\r\n"), from);
        const qsizetype end = cr < 0 ? text.size() : cr;
        if (!first) x_ = 0;
        if (active && end > from) {
            const QPointF at(metrics_.toPxX(x_), metrics_.toPxY(y_) + ascent);
            painter_.drawText(at, from == 0 && end == text.size() ? text : text.mid(from, end - from));
        }
        y_ += step;
        if (cr < 0) break;
        from = cr + 2;
    }
    x_ = 0;
}

bool PainterTarget::newPage() {
    auto* paged = dynamic_cast<QPagedPaintDevice*>(device_);
    if (!paged || !begin() || !paged->newPage()) return false;
    x_ = 0;
    y_ = 0;
    return true;
}

} // namespace print
