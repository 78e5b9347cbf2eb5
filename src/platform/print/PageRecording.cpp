#include "print/PageRecording.h"

#include <algorithm>
#include <cstring>

namespace print {

namespace {

constexpr std::size_t kChunk = 1 << 19; // characters

bool drawsNothing(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QChar(0x3000))
            return false;
    return true;
}

QImage metricsImage(int dpi) {
    QImage image(1, 1, QImage::Format_RGB32);
    const int perMetre = int(dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(perMetre);
    image.setDotsPerMeterY(perMetre);
    return image;
}

} // namespace

PageRecording::PageRecording(double widthTwips, double heightTwips, int dpi)
    : metricsDevice_(metricsImage(dpi)), metrics_(&metricsDevice_), width_(widthTwips), height_(heightTwips) {
}

PageRecording::~PageRecording() = default;

int PageRecording::pageCount() const {
    return ops_.empty() && pageStarts_.size() == 1 ? 0 : int(pageStarts_.size());
}

void PageRecording::setFontSize(double points) {
    size_ = points;
    metrics_.setPointSize(points);
}

PageRecording::Span PageRecording::store(QStringView text) {
    const std::size_t hash = qHash(text);
    for (QHash<std::size_t, std::uint32_t>* page : {&thisPage_, &pageBefore_}) {
        if (auto it = page->constFind(hash); it != page->cend()) {
            const Op& op = ops_[*it];
            if (textOf(op) == text) {
                thisPage_.insert(hash, std::uint32_t(ops_.size()));
                return {op.offset, op.length};
            }
        }
    }
    const std::size_t n = std::size_t(text.size());
    if (chunks_.empty() || chunkUsed_ + n > kChunk) {
        chunks_.push_back(std::make_unique_for_overwrite<char16_t[]>(std::max(kChunk, n)));
        chunkUsed_ = 0;
    }
    const Span span{std::uint64_t(chunks_.size() - 1) * kChunk * 4 + chunkUsed_, std::uint32_t(n)};
    std::memcpy(chunks_.back().get() + chunkUsed_, text.utf16(), n * sizeof(char16_t));
    chunkUsed_ += n;
    thisPage_.insert(hash, std::uint32_t(ops_.size()));
    return span;
}

QStringView PageRecording::textOf(const Op& op) const {
    const std::size_t chunk = std::size_t(op.offset / (kChunk * 4));
    const std::size_t at = std::size_t(op.offset % (kChunk * 4));
    return QStringView(chunks_[chunk].get() + at, qsizetype(op.length));
}

void PageRecording::print(const QString& text) {
    if (!drawsNothing(text)) {
        const Span span = store(text);
        ops_.push_back({float(x_), float(y_), float(size_), span.length, span.offset});
    }
    x_ = 0;
    y_ += metrics_.textHeight(text);
}

bool PageRecording::newPage() {
    pageStarts_.push_back(ops_.size());
    pageBefore_.swap(thisPage_);
    thisPage_.clear();
    x_ = 0;
    y_ = 0;
    return true;
}

std::vector<PageRecording::Item> PageRecording::items(int page) const {
    std::vector<Item> out;
    if (page < 1 || page > int(pageStarts_.size())) return out;
    const std::size_t from = pageStarts_[std::size_t(page - 1)];
    const std::size_t to =
        std::size_t(page) < pageStarts_.size() ? pageStarts_[std::size_t(page)] : ops_.size();
    for (std::size_t i = from; i < to; ++i)
        out.push_back({ops_[i].x, ops_[i].y, ops_[i].size, textOf(ops_[i]).toString()});
    return out;
}

void PageRecording::play(int page, RenderTarget& target) const {
    for (const Item& item : items(page)) {
        target.setFontSize(item.fontSize);
        target.setCurrentX(item.x);
        target.setCurrentY(item.y);
        target.print(item.text);
    }
}

std::size_t PageRecording::bytes() const {
    return ops_.bytes() + pageStarts_.capacity() * sizeof(std::size_t) +
           chunks_.size() * kChunk * sizeof(char16_t);
}

} // namespace print
