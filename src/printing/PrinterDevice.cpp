#include "printing/PrinterDevice.h"

#include "print/PainterTarget.h"

#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace printing {

namespace {

// Forwards to a target made on first use.
class LazyTarget : public print::RenderTarget {
public:
    explicit LazyTarget(std::function<print::RenderTarget&()> make) : make_(std::move(make)) {}

    void print(const QString& text) override { real().print(text); }
    double currentX() const override { return real().currentX(); }
    double currentY() const override { return real().currentY(); }
    void setCurrentX(double x) override { real().setCurrentX(x); }
    void setCurrentY(double y) override { real().setCurrentY(y); }
    double fontSize() const override { return real().fontSize(); }
    void setFontSize(double points) override { real().setFontSize(points); }
    double scaleWidth() const override { return real().scaleWidth(); }
    double scaleHeight() const override { return real().scaleHeight(); }
    double textWidth(const QString& text) const override { return real().textWidth(text); }
    double textHeight(const QString& text) const override { return real().textHeight(text); }
    bool newPage() override { return real().newPage(); }
    void appendText(const QString& text) override { real().appendText(text); }

private:
    print::RenderTarget& real() const {
        if (!target_)
            target_ = &make_();
        return *target_;
    }
    std::function<print::RenderTarget&()> make_;
    mutable print::RenderTarget* target_ = nullptr;
};

class QPrinterDevice : public PrintDevice {
public:
    explicit QPrinterDevice(const QString& documentName)
        : name_(documentName), lazy_([this]() -> print::RenderTarget& { return begin(); }) {}

    print::RenderTarget& target() override { return lazy_; }
    bool finish() override {
        if (!painter_)
            return true;
        const bool ok = painter_->end();
        painter_.reset();
        return ok;
    }
    void abort() override {
        if (printer_ && painter_)
            printer_->abort();
        painter_.reset();
    }

private:
    print::RenderTarget& begin() {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setDocName(name_);
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            QDir().mkpath(PdfFallbackFolder());
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setPageSize(QPageSize(QPageSize::A4));
            printer_->setOutputFileName(QDir(PdfFallbackFolder()).filePath(name_ + QStringLiteral(".pdf")));
        }
        painter_ = std::make_unique<print::PainterTarget>(printer_.get());
        if (!painter_->isActive())
            throw PrinterFailure{};
        return *painter_;
    }

    QString name_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<print::PainterTarget> painter_;
    LazyTarget lazy_;
};

} // namespace

QString PdfFallbackFolder() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

std::unique_ptr<PrintDevice> OpenPrinterDevice(const QString& documentName) {
    return std::make_unique<QPrinterDevice>(documentName);
}

} // namespace printing
