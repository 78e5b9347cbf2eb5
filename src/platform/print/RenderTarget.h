// What a report is drawn on: a device (printer, PDF, preview picture) that prints text lines at a
// position in twips, or a text that grows by appended strings (the list windows).
#pragma once

#include <QString>

namespace print {

class RenderTarget {
public:
    virtual ~RenderTarget() = default;

    // Device side. print() draws text at the current position and moves to the start of the next line;
    // a CR LF inside the text starts a new line as well.
    virtual void print(const QString& text) = 0;
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;
    virtual double fontSize() const = 0;
    virtual void setFontSize(double points) = 0;
    virtual double scaleWidth() const = 0;
    virtual double scaleHeight() const = 0;
    virtual double textWidth(const QString& text) const = 0;
    virtual double textHeight(const QString& text) const = 0;
    // Starts a new page; false when the device has no further pages (a single picture).
    virtual bool newPage() { return false; }

    // Text side: the text a list window shows, appended to.
    virtual void appendText(const QString& text) = 0;
};

// Lines a text occupies when printed: one more per CR LF pair inside it.
int printedLineCount(QStringView text);

} // namespace print
