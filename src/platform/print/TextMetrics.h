// Text measures of the report font on one device, in twips. Every size keeps its font, its metrics and
// the advance of each character met so far, so a text is measured by adding up advances instead of
// being shaped again at every draw: the report face is fixed-pitch with no kerning or ligatures, so the
// sum is exactly what the device's own measure of the whole text gives. A text holding a character that
// may join or change its neighbours (a mark, a control, a glyph from a fallback face) is measured whole.
// On the application's thread the sizes are shared by every metrics of a device of the same kind and
// resolution, so a report previewed or printed again measures nothing it measured before.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <memory>
#include <vector>

class QPaintDevice;

namespace print {

// The fixed-pitch Japanese face that reports are printed in.
QString fixedPitchFamily();

class TextMetrics {
  public:
    explicit TextMetrics(QPaintDevice* device);
    ~TextMetrics();
    TextMetrics(const TextMetrics&) = delete;
    TextMetrics& operator=(const TextMetrics&) = delete;

    QPaintDevice* device() const { return device_; }
    const QFont& font() const;
    void setPointSize(double points);
    const QFontMetricsF& fm() const;
    double lineHeight() const;
    // The widest of the text's lines (CR LF ends a line), as the device measures it, in twips.
    double textWidth(QStringView text) const;
    // The same, shaped whole by the device every time: what textWidth must equal.
    double shapedWidth(QStringView text) const;
    double textHeight(QStringView text) const;
    double toPxX(double twips) const { return twips * dpiX_ / 1440.0; }
    double toPxY(double twips) const { return twips * dpiY_ / 1440.0; }
    double widthTwips() const;
    double heightTwips() const;

    struct Size;

  private:
    QPaintDevice* device_;
    double dpiX_;
    double dpiY_;
    std::vector<std::shared_ptr<Size>> sizes_;
    Size* current_ = nullptr;
};

} // namespace print
