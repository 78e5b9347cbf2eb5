#include "preview/PageSink.h"

#include "print/PainterTarget.h"

#include <QPainter>

namespace preview {

ImagePages::ImagePages(QSize pixels) : pixels_(pixels.expandedTo(QSize(1, 1))) {}

ImagePages::~ImagePages() { finish(); }

print::RenderTarget& ImagePages::newPage() {
    finish();
    auto image = std::make_unique<QImage>(pixels_, QImage::Format_RGB32);
    image->fill(Qt::white);
    images_.push_back(std::move(image));
    painter_ = std::make_unique<print::PainterTarget>(images_.back().get());
    return *painter_;
}

print::RenderTarget& ImagePages::page() {
    if (!painter_)
        return newPage();
    return *painter_;
}

void ImagePages::finish() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

print::RenderTarget& RecordedPages::newPage() {
    pages_.push_back(std::make_unique<print::RecordingTarget>(width_, height_));
    return *pages_.back();
}

} // namespace preview
