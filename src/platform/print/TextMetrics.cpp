#include "print/TextMetrics.h"

#include "print/RenderTarget.h"

#include <QCoreApplication>
#include <QList>
#include <QPaintDevice>
#include <QThread>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace print {

namespace {

// Sizes kept at once; a page fitted to a narrow device tries many sizes, and those need not stay.
constexpr std::size_t kKeptSizes = 16;
// Texts a size measures whole before it learns its characters: a size tried once or twice while a line
// is fitted to the page costs one shaping per text, not one per character.
constexpr int kShapedUses = 8;

// Advances are kept in 64ths of a pixel, the unit the font engine measures in, so adding them up is
// exact and quick.
constexpr std::int32_t kUnmeasured = -1;
constexpr std::int32_t kShapeWhole = -2;

// Characters whose advance can depend on their neighbours, or that the face may not draw by itself.
bool mayJoin(char16_t c) {
    if (c >= 0x20 && c < 0x7F) return false;
    if (c < 0xA0 || QChar::isSurrogate(c)) return true;
    switch (QChar::category(char32_t(c))) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return true;
    default:
        break;
    }
    switch (QChar::script(char32_t(c))) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return false;
    default:
        return true;
    }
}

QFont reportFont(QPaintDevice* device, double points) {
    QFont f(fixedPitchFamily(), device);
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(points);
    return f;
}

} // namespace

QString fixedPitchFamily() {
    return QStringLiteral("IPAGothic");
}

struct TextMetrics::Size {
    Size(QPaintDevice* device, double points)
        : devType(device->devType()), dpiX(device->logicalDpiX()), dpiY(device->logicalDpiY()),
          points(points), font(reportFont(device, points)), fm(font, device),
          lineHeight(fm.lineSpacing() * 1440.0 / dpiY) {
        ascii.fill(kUnmeasured);
    }

    bool fits(int type, int x, int y, double size) const {
        return points == size && devType == type && dpiX == x && dpiY == y;
    }

    // The advance of c in 64ths of a device pixel, or kShapeWhole.
    std::int32_t advance(char16_t c) {
        if (c < ascii.size()) {
            const std::int32_t a = ascii[c];
            return a != kUnmeasured ? a : ascii[c] = measure(c);
        }
        auto& page = pages[c >> 8];
        if (!page) {
            page = std::make_unique<std::array<std::int32_t, 256>>();
            page->fill(kUnmeasured);
        }
        std::int32_t& a = (*page)[c & 0xFF];
        return a != kUnmeasured ? a : a = measure(c);
    }

    std::int32_t measure(char16_t c) const {
        if (!mayJoin(c) && fm.inFont(QChar(c))) {
            const double px = fm.horizontalAdvance(QString(QChar(c))) * 64;
            if (px >= 0 && px < 1e9 && px == std::floor(px)) return std::int32_t(px);
        }
        return kShapeWhole;
    }

    // The device the measures hold for.
    int devType;
    int dpiX;
    int dpiY;
    double points;
    QFont font;
    QFontMetricsF fm;
    double lineHeight;
    int uses = 0;
    // Figures, Latin letters and blanks, the most of every report, looked up without a page.
    std::array<std::int32_t, 0x80> ascii;
    std::array<std::unique_ptr<std::array<std::int32_t, 256>>, 256> pages;
};

namespace {

// Sizes learnt on the application's thread, for every metrics of a device of the same kind and
// resolution: a preview or print begun again measures no character it measured before. They go with
// the application, before the fonts they hold outlive it.
constexpr std::size_t kSharedSizes = 48;
std::vector<std::shared_ptr<TextMetrics::Size>> sharedSizes;

bool sharesSizes() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void share(std::shared_ptr<TextMetrics::Size> size) {
    if (sharedSizes.empty()) qAddPostRoutine([] { sharedSizes.clear(); });
    if (sharedSizes.size() >= kSharedSizes) sharedSizes.erase(sharedSizes.begin());
    sharedSizes.push_back(std::move(size));
}

} // namespace

TextMetrics::TextMetrics(QPaintDevice* device)
    : device_(device), dpiX_(device->logicalDpiX()), dpiY_(device->logicalDpiY()) {
    setPointSize(9);
}

TextMetrics::~TextMetrics() = default;

const QFont& TextMetrics::font() const {
    return current_->font;
}

const QFontMetricsF& TextMetrics::fm() const {
    return current_->fm;
}

double TextMetrics::lineHeight() const {
    return current_->lineHeight;
}

void TextMetrics::setPointSize(double points) {
    // Qt refuses sizes below one point; the layout clamps, this only guards the device.
    const double size = std::max(points, 1.0);
    if (current_ && current_->points == size) return;
    for (const auto& s : sizes_) {
        if (s->points == size) {
            current_ = s.get();
            return;
        }
    }
    const bool shared = sharesSizes();
    std::shared_ptr<Size> found;
    if (shared) {
        const int type = device_->devType();
        const auto it = std::find_if(sharedSizes.begin(), sharedSizes.end(), [&](const auto& s) {
            return s->fits(type, int(dpiX_), int(dpiY_), size);
        });
        if (it != sharedSizes.end()) found = *it;
    }
    if (!found) {
        found = std::make_shared<Size>(device_, size);
        if (shared) share(found);
    }
    if (sizes_.size() >= kKeptSizes) sizes_.clear();
    sizes_.push_back(std::move(found));
    current_ = sizes_.back().get();
}

double TextMetrics::textWidth(QStringView text) const {
    Size& size = *current_;
    if (size.uses < kShapedUses) {
        ++size.uses;
        return shapedWidth(text);
    }
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    double widest = 0;     // pixels
    std::int64_t line = 0; // 64ths of a pixel
    qsizetype lineStart = 0;
    const std::int32_t* ascii = size.ascii.data();
    qsizetype i = 0;
    while (i < n) {
        // Figures, letters and blanks measured before, four at a time: a report line is mostly these.
        for (; i + 4 <= n; i += 4) {
            std::uint64_t four;
            std::memcpy(&four, p + i, sizeof four);
            if (four & 0xFF80FF80FF80FF80ull) break;
            const std::int32_t a0 = ascii[p[i]], a1 = ascii[p[i + 1]], a2 = ascii[p[i + 2]], a3 = ascii[p[i + 3]];
            if ((a0 | a1 | a2 | a3) < 0) break;
            line += std::int64_t(a0) + a1 + a2 + a3;
        }
        if (i >= n) break;
        // One character the long way.
        const char16_t c = p[i];
        std::int32_t a = c < 0x80 ? ascii[c] : kUnmeasured;
        if (a < 0) {
            if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
                widest = std::max(widest, line / 64.0);
                line = 0;
                i += 2;
                lineStart = i;
                continue;
            }
            a = size.advance(c);
            if (a == kShapeWhole) {
                qsizetype end = text.indexOf(u"\r\n", i);
                if (end < 0) end = n;
                widest = std::max(widest,
                                  size.fm.horizontalAdvance(text.mid(lineStart, end - lineStart).toString()));
                line = 0;
                i = end + 2;
                lineStart = i;
                continue;
            }
        }
        line += a;
        ++i;
    }
    return std::max(widest, line / 64.0) * 1440.0 / dpiX_;
}

double TextMetrics::shapedWidth(QStringView text) const {
    double widest = 0;
    for (QStringView line : text.split(u"\r\n"))
        widest = std::max(widest, current_->fm.horizontalAdvance(line.toString()));
    return widest * 1440.0 / dpiX_;
}

double TextMetrics::textHeight(QStringView text) const {
    return printedLineCount(text) * lineHeight();
}

double TextMetrics::widthTwips() const {
    return device_->width() * 1440.0 / dpiX_;
}

double TextMetrics::heightTwips() const {
    return device_->height() * 1440.0 / dpiY_;
}

} // namespace print
