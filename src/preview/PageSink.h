// Where a preview build puts its pages: one new target per page. The window keeps pictures (QImage),
// tests keep recorders.
#pragma once

#include "print/RecordingTarget.h"
#include "print/RenderTarget.h"

#include <QImage>
#include <QSize>
#include <memory>
#include <vector>

namespace print {
class PainterTarget;
}

namespace preview {

class PageSink {
public:
    virtual ~PageSink() = default;
    // Starts page count()+1 and returns its target; the page before it is finished.
    virtual print::RenderTarget& newPage() = 0;
    // The page being drawn.
    virtual print::RenderTarget& page() = 0;
    virtual int count() const = 0;
};

// Pages as pictures of one size, drawn in twips over the picture's own resolution.
class ImagePages : public PageSink {
public:
    explicit ImagePages(QSize pixels);
    ~ImagePages() override;

    print::RenderTarget& newPage() override;
    print::RenderTarget& page() override;
    int count() const override { return int(images_.size()); }

    // Ends painting on the last page; the pictures are then complete.
    void finish();
    // Page n, 1-based.
    const QImage& image(int n) const { return *images_[size_t(n - 1)]; }

private:
    QSize pixels_;
    std::vector<std::unique_ptr<QImage>> images_;
    std::unique_ptr<print::PainterTarget> painter_;
};

// Pages as recorders, for tests.
class RecordedPages : public PageSink {
public:
    explicit RecordedPages(double width = 10772, double height = 15704) : width_(width), height_(height) {}
    print::RenderTarget& newPage() override;
    print::RenderTarget& page() override { return *pages_.back(); }
    int count() const override { return int(pages_.size()); }
    const print::RecordingTarget& recorded(int n) const { return *pages_[size_t(n - 1)]; }

private:
    double width_;
    double height_;
    std::vector<std::unique_ptr<print::RecordingTarget>> pages_;
};

} // namespace preview
