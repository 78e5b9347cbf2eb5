// Pages kept as compact recordings of what was drawn on them: each printed text with its position and
// font size, the texts held once (a text repeated from the page before is shared). A page
// becomes a picture only when it is played on a device target, so a long report costs little memory.
#pragma once

#include "print/PainterTarget.h"
#include "print/RenderTarget.h"

#include <QHash>
#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

namespace print {

class PageRecording : public RenderTarget {
public:
    struct Item {
        double x;
        double y;
        double fontSize;
        QString text;
    };

    // Pages of the size in twips, text measured as on a picture of the given resolution.
    PageRecording(double widthTwips, double heightTwips, int dpi = 96);
    ~PageRecording() override;

    // Pages begun; 0 while nothing has been drawn.
    int pageCount() const;
    // The texts of page n (1-based) in drawing order; texts of blanks only are not kept.
    std::vector<Item> items(int page) const;
    // Draws page n on the target as it was recorded.
    void play(int page, RenderTarget& target) const;
    // Bytes held by the recording.
    std::size_t bytes() const;

    void print(const QString& text) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override;
    double scaleWidth() const override { return width_; }
    double scaleHeight() const override { return height_; }
    double textWidth(const QString& text) const override { return metrics_.textWidth(text); }
    double textHeight(const QString& text) const override { return metrics_.textHeight(text); }
    bool newPage() override;
    void appendText(const QString& text) override { print(text); }

private:
    struct Span {
        std::uint64_t offset;
        std::uint32_t length;
    };
    struct Op {
        float x;
        float y;
        float size;
        std::uint32_t length;
        std::uint64_t offset;
    };
    Span store(QStringView text);
    const char* bytesOf(const Op& op) const;
    bool holds(const Op& op, QStringView text) const;
    QString textOf(const Op& op) const;

    QImage metricsDevice_;
    TextMetrics metrics_;
    double width_;
    double height_;
    double x_ = 0;
    double y_ = 0;
    double size_ = 9;
    // The ops in blocks of a fixed size, so a long report never copies them to grow.
    class Ops {
    public:
        std::size_t size() const { return size_; }
        bool empty() const { return size_ == 0; }
        const Op& operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
        void push_back(const Op& op) {
            if (size_ % kBlock == 0)
                blocks_.push_back(std::make_unique_for_overwrite<Op[]>(kBlock));
            blocks_.back()[size_++ % kBlock] = op;
        }
        std::size_t bytes() const { return blocks_.size() * kBlock * sizeof(Op); }

    private:
        static constexpr std::size_t kBlock = 1 << 14;
        std::vector<std::unique_ptr<Op[]>> blocks_;
        std::size_t size_ = 0;
    };
    Ops ops_;
    std::vector<std::size_t> pageStarts_{0}; // first op of each page
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunkUsed_ = 0;
    // The ops of this page and the page before by the hash of their text, to share the headings and
    // footers they repeat.
    QHash<std::size_t, std::uint32_t> thisPage_;
    QHash<std::size_t, std::uint32_t> pageBefore_;
};

} // namespace print
