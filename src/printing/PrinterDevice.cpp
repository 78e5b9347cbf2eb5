#include "printing/PrinterDevice.h"

#include "db/SideFiles.h"
#include "os/FileModes.h"
#include "print/PageSetup.h"
#include "print/PainterTarget.h"
#include "printing/PdfCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace printing {

namespace {

class QPrinterDevice : public PrintDevice {
public:
    explicit QPrinterDevice(const QString& documentName) : printer_(QPrinter::HighResolution) {
        printer_.setDocName(documentName);
        print::PageSetup::current().applyTo(printer_);
        if (printer_.outputFormat() == QPrinter::PdfFormat) {
            QDir().mkpath(PdfFallbackFolder());
            final_ = QDir(PdfFallbackFolder()).filePath(documentName + QStringLiteral(".pdf"));
            QTemporaryFile part(final_ + QStringLiteral(".XXXXXX.part"));
            part.setAutoRemove(false);
            if (part.open()) {
                part_ = part.fileName();
                // A temporary file is private; the PDF takes the mode any new file of the user gets.
                os::setFileMode(part.handle(), os::newFileMode());
            }
            printer_.setOutputFileName(part_.isEmpty() ? final_ + QStringLiteral(".part") : part_);
            part_ = printer_.outputFileName();
        }
        target_ = std::make_unique<print::PainterTarget>(&printer_, true);
    }
    ~QPrinterDevice() override {
        target_.reset();
        dropPart();
    }

    print::RenderTarget& target() override { return *target_; }

    bool finish() override {
        if (!target_->begun())
            return true;
        bool ok = target_->end() && printer_.printerState() != QPrinter::Error;
        if (!part_.isEmpty()) {
            // Only a file that is whole on the disk takes the final name, in one step; until then the
            // earlier one stands.
            ok = ok && pdfFileIsWhole(part_) && db::renameOver(part_, final_);
            if (ok) {
                part_.clear();
                db::syncPath(QFileInfo(final_).absolutePath());
            }
            dropPart();
        }
        return ok;
    }

    void abort() override {
        if (target_->isActive())
            printer_.abort();
        target_->end();
        dropPart();
    }

    QString destination() const override { return final_.isEmpty() ? printer_.printerName() : final_; }
    bool toFile() const override { return !final_.isEmpty(); }

private:
    void dropPart() {
        if (!part_.isEmpty())
            QFile::remove(part_);
        part_.clear();
    }

    QPrinter printer_;
    std::unique_ptr<print::PainterTarget> target_;
    QString final_;
    QString part_;
};

} // namespace

QString PdfFallbackFolder() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

std::unique_ptr<PrintDevice> OpenPrinterDevice(const QString& documentName) {
    return std::make_unique<QPrinterDevice>(documentName);
}

} // namespace printing
