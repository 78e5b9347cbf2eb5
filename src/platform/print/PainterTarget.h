// A device target over any paint device (printer, PDF writer, preview image): positions in twips from
// the device's top left corner, text in the fixed-pitch Japanese font.
#pragma once

#include "print/RenderTarget.h"
#include "print/TextMetrics.h"

#include <QPainter>

class QPaintDevice;

namespace print {

class PainterTarget : public RenderTarget {
  public:
    // Paints on the device, which must outlive the target. A lazy target begins painting with the first
    // thing drawn, so a printer document is only begun when there is something on it; until then it
    // measures text on the device all the same.
    explicit PainterTarget(QPaintDevice* device, bool lazy = false);
    ~PainterTarget() override;
    PainterTarget(const PainterTarget&) = delete;
    PainterTarget& operator=(const PainterTarget&) = delete;

    bool isActive() const { return painter_.isActive(); }
    bool begun() const { return begun_; }
    // Ends painting (for a printer: ends the document). False when the device reported a failure.
    bool end();
    // Draws everything larger or smaller by the factor: a page recorded at one size shown at another.
    void setScale(double factor);

    void print(const QString& text) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override;
    double scaleWidth() const override { return metrics_.widthTwips(); }
    double scaleHeight() const override { return metrics_.heightTwips(); }
    double textWidth(const QString& text) const override { return metrics_.textWidth(text); }
    double textHeight(const QString& text) const override { return metrics_.textHeight(text); }
    bool newPage() override;
    // A device has no text of its own: appended text is printed as it stands.
    void appendText(const QString& text) override { print(text); }

  private:
    bool begin();

    QPaintDevice* device_;
    QPainter painter_;
    TextMetrics metrics_;
    bool begun_ = false;
    double x_ = 0;
    double y_ = 0;
    double size_ = 9;
    double scale_ = 1;
};

} // namespace print
