#include "print/PainterTarget.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QStringList>

namespace print {

namespace {

QStringList splitLines(const QString& text) { return text.split(QStringLiteral("\r\n")); }

} // namespace

QString fixedPitchFamily() { return QStringLiteral("IPAGothic"); }

PainterTarget::PainterTarget(QPaintDevice* device)
    : device_(device), dpiX_(device->logicalDpiX()), dpiY_(device->logicalDpiY()) {
    painter_.begin(device_);
    font_ = QFont(fixedPitchFamily(), device_);
    font_.setStyleHint(QFont::TypeWriter);
    font_.setPointSizeF(size_);
    if (painter_.isActive()) {
        painter_.setFont(font_);
        painter_.setPen(Qt::black);
    }
}

PainterTarget::~PainterTarget() {
    if (painter_.isActive())
        painter_.end();
}

bool PainterTarget::end() { return painter_.isActive() ? painter_.end() : false; }

void PainterTarget::setFontSize(double points) {
    size_ = points;
    // Qt refuses sizes below one point; the layout clamps, this only guards the device.
    font_.setPointSizeF(std::max(points, 1.0));
    if (painter_.isActive())
        painter_.setFont(font_);
}

double PainterTarget::scaleWidth() const { return device_->width() * 1440.0 / dpiX_; }

double PainterTarget::scaleHeight() const { return device_->height() * 1440.0 / dpiY_; }

double PainterTarget::lineHeightTwips() const {
    return QFontMetricsF(font_, device_).lineSpacing() * 1440.0 / dpiY_;
}

double PainterTarget::textWidth(const QString& text) const {
    const QFontMetricsF fm(font_, device_);
    double widest = 0;
    for (const QString& line : splitLines(text))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest * 1440.0 / dpiX_;
}

double PainterTarget::textHeight(const QString& text) const {
    return printedLineCount(text) * lineHeightTwips();
}

void PainterTarget::print(const QString& text) {
    const QFontMetricsF fm(font_, device_);
    const double step = lineHeightTwips();
    const QStringList lines = splitLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            x_ = 0;
        if (painter_.isActive() && !lines[i].isEmpty())
            painter_.drawText(QPointF(toPxX(x_), toPxY(y_) + fm.ascent()), lines[i]);
        y_ += step;
    }
    x_ = 0;
}

bool PainterTarget::newPage() {
    auto* paged = dynamic_cast<QPagedPaintDevice*>(device_);
    if (!paged || !paged->newPage())
        return false;
    x_ = 0;
    y_ = 0;
    return true;
}

} // namespace print
