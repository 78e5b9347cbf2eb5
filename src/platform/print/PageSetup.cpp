#include "print/PageSetup.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace print {

PrintQueues& printQueues() {
    static PrintQueues queues{[] { return QPrinterInfo::availablePrinterNames(); },
                              [](const QPrinter& p) { return QPrinterInfo(p).defaultPageSize(); }};
    return queues;
}

PageSetup& PageSetup::current() {
    static PageSetup setup;
    return setup;
}

bool PageSetup::hasPrintQueue() { return !printQueues().names().isEmpty(); }

void PageSetup::applyTo(QPrinter& printer) const {
    const QStringList queues = printQueues().names();
    if (queues.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        if (!printerName_.isEmpty() && queues.contains(printerName_))
            printer.setPrinterName(printerName_);
    }
    if (chosen_) {
        printer.setPageLayout(layout_);
    } else {
        // The queue's own paper: Qt would keep its built-in A4 wherever the queue takes A4 too.
        const QPageSize paper = queues.isEmpty() ? QPageSize() : printQueues().defaultPaper(printer);
        printer.setPageSize(paper.isValid() ? paper : QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
    }
}

void PageSetup::takeFrom(const QPrinter& printer) {
    printerName_ = printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
    layout_ = printer.pageLayout();
    chosen_ = true;
}

QPageLayout PageSetup::layout() const {
    if (chosen_)
        return layout_;
    QPrinter printer(QPrinter::HighResolution);
    applyTo(printer);
    return printer.pageLayout();
}

QSizeF PageSetup::printableTwips() const {
    QPrinter printer(QPrinter::HighResolution);
    applyTo(printer);
    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
    return area.size() * 20.0;
}

void PageSetup::reset() { *this = PageSetup(); }

} // namespace print
