#include "print/PainterTarget.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QStringList>

namespace print {

QString fixedPitchFamily() { return QStringLiteral("IPAGothic"); }

TextMetrics::TextMetrics(QPaintDevice* device)
    : device_(device), font_(fixedPitchFamily(), device), dpiX_(device->logicalDpiX()),
      dpiY_(device->logicalDpiY()) {
    font_.setStyleHint(QFont::TypeWriter);
    setPointSize(9);
}

void TextMetrics::setPointSize(double points) {
    // Qt refuses sizes below one point; the layout clamps, this only guards the device.
    const double size = std::max(points, 1.0);
    if (fm_ && font_.pointSizeF() == size)
        return;
    font_.setPointSizeF(size);
    fm_.emplace(font_, device_);
    lineHeight_ = fm_->lineSpacing() * 1440.0 / dpiY_;
}

double TextMetrics::textWidth(const QString& text) const {
    if (!text.contains(QLatin1Char('\r')))
        return fm_->horizontalAdvance(text) * 1440.0 / dpiX_;
    double widest = 0;
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        widest = std::max(widest, fm_->horizontalAdvance(line));
    return widest * 1440.0 / dpiX_;
}

double TextMetrics::widthTwips() const { return device_->width() * 1440.0 / dpiX_; }

double TextMetrics::heightTwips() const { return device_->height() * 1440.0 / dpiY_; }

PainterTarget::PainterTarget(QPaintDevice* device, bool lazy) : device_(device), metrics_(device) {
    if (!lazy)
        begin();
}

PainterTarget::~PainterTarget() {
    if (painter_.isActive())
        painter_.end();
}

bool PainterTarget::begin() {
    if (begun_)
        return painter_.isActive();
    begun_ = true;
    if (!painter_.begin(device_))
        return false;
    painter_.setFont(metrics_.font());
    painter_.setPen(Qt::black);
    return true;
}

bool PainterTarget::end() { return painter_.isActive() ? painter_.end() : false; }

void PainterTarget::setFontSize(double points) {
    size_ = points;
    metrics_.setPointSize(points);
    if (painter_.isActive())
        painter_.setFont(metrics_.font());
}

void PainterTarget::print(const QString& text) {
    const bool active = begin();
    const double step = metrics_.lineHeight();
    const double ascent = metrics_.fm().ascent();
    qsizetype from = 0;
    for (bool first = true;; first = false) {
        const qsizetype cr = text.indexOf(QStringLiteral("\r\n"), from);
        const qsizetype end = cr < 0 ? text.size() : cr;
        if (!first)
            x_ = 0;
        if (active && end > from) {
            const QPointF at(metrics_.toPxX(x_), metrics_.toPxY(y_) + ascent);
            painter_.drawText(at, from == 0 && end == text.size() ? text : text.mid(from, end - from));
        }
        y_ += step;
        if (cr < 0)
            break;
        from = cr + 2;
    }
    x_ = 0;
}

bool PainterTarget::newPage() {
    auto* paged = dynamic_cast<QPagedPaintDevice*>(device_);
    if (!paged || !begin() || !paged->newPage())
        return false;
    x_ = 0;
    y_ = 0;
    return true;
}

} // namespace print
