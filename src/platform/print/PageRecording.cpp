#include "print/PageRecording.h"

#include <algorithm>
#include <QAnyStringView>
#include <cstdint>
#include <cstring>

namespace print {

namespace {

constexpr std::size_t kChunk = 1 << 20; // bytes

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

// A quick hash of a text for finding it again on the page or the page before: its length and up to 24
// characters from its start, middle and end. Texts of the same hash are compared before one is shared, so
// a text that shares its samples with another is only kept twice.
std::size_t sampledHash(QStringView text) {
    const qsizetype n = text.size();
    if (n <= 24)
        return qHash(text);
    const auto* p = reinterpret_cast<const unsigned char*>(text.utf16());
    std::uint64_t h = std::uint64_t(n) * 0x9E3779B97F4A7C15ull;
    for (const qsizetype from : {qsizetype(0), n / 2 - 4, n - 8}) {
        std::uint64_t w[2];
        std::memcpy(w, p + from * 2, sizeof w);
        h = (h ^ w[0]) * 0xFF51AFD7ED558CCDull;
        h = (h ^ w[1]) * 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 33;
    }
    return std::size_t(h);
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

// A text of Latin-1 characters only (figures, codes, blanks) is kept one byte a character, other texts
// as UTF-8, one with a surrogate as UTF-16 so it comes back exactly; the top bits of the length tell which.
constexpr std::uint32_t kUtf8 = 0x80000000u;
constexpr std::uint32_t kUtf16 = 0x40000000u;
constexpr std::uint32_t kLengthBits = 0x3FFFFFFFu;

PageRecording::Span PageRecording::store(QStringView text) {
    const std::size_t hash = sampledHash(text);
    for (QHash<std::size_t, std::uint32_t>* page : {&thisPage_, &pageBefore_}) {
        if (auto it = page->constFind(hash); it != page->cend()) {
            const Op& op = ops_[*it];
            if (holds(op, text)) {
                thisPage_.insert(hash, std::uint32_t(ops_.size()));
                return {op.offset, op.length};
            }
        }
    }
    std::uint32_t form = 0;
    QByteArray utf8;
    std::size_t bytes = std::size_t(text.size());
    if (!QtPrivate::isLatin1(text)) {
        if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); })) {
            form = kUtf16;
            bytes *= 2;
        } else {
            form = kUtf8;
            utf8 = text.toUtf8();
            bytes = std::size_t(utf8.size());
        }
    }
    chunkUsed_ += chunkUsed_ % 2; // UTF-16 stays aligned
    if (chunks_.empty() || chunkUsed_ + bytes > kChunk) {
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(std::max(kChunk, bytes)));
        chunkUsed_ = 0;
    }
    char* at = chunks_.back().get() + chunkUsed_;
    if (form == kUtf8) {
        std::memcpy(at, utf8.constData(), bytes);
    } else if (form == kUtf16) {
        std::memcpy(at, text.utf16(), bytes);
    } else {
        for (std::size_t i = 0; i < bytes; ++i)
            at[i] = char(text[qsizetype(i)].unicode());
    }
    const Span span{std::uint64_t(chunks_.size() - 1) * kChunk * 4 + chunkUsed_, std::uint32_t(bytes) | form};
    chunkUsed_ += bytes;
    thisPage_.insert(hash, std::uint32_t(ops_.size()));
    return span;
}

const char* PageRecording::bytesOf(const Op& op) const {
    return chunks_[std::size_t(op.offset / (kChunk * 4))].get() + std::size_t(op.offset % (kChunk * 4));
}

bool PageRecording::holds(const Op& op, QStringView text) const {
    const qsizetype bytes = qsizetype(op.length & kLengthBits);
    if (op.length & kUtf8)
        return QAnyStringView::equal(QUtf8StringView(bytesOf(op), bytes), text);
    if (op.length & kUtf16)
        return QStringView(reinterpret_cast<const char16_t*>(bytesOf(op)), bytes / 2) == text;
    return bytes == text.size() && QLatin1StringView(bytesOf(op), bytes) == text;
}

QString PageRecording::textOf(const Op& op) const {
    const qsizetype bytes = qsizetype(op.length & kLengthBits);
    if (op.length & kUtf8)
        return QString::fromUtf8(bytesOf(op), bytes);
    if (op.length & kUtf16)
        return QString(reinterpret_cast<const QChar*>(bytesOf(op)), bytes / 2);
    return QString::fromLatin1(bytesOf(op), bytes);
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
        out.push_back({ops_[i].x, ops_[i].y, ops_[i].size, textOf(ops_[i])});
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
           chunks_.size() * kChunk;
}

} // namespace print
