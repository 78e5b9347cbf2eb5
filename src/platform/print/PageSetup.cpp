#include "print/PageSetup.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace print {

PrintQueues& printQueues() {
    static PrintQueues queues{
        [] {
            QStringList names = QPrinterInfo::availablePrinterNames();
            const QString first = QPrinterInfo::defaultPrinterName();
            if (names.removeOne(first))
                names.prepend(first);
            return names;
        },
        [](const QString& q) { return QPrinterInfo::printerInfo(q).defaultPageSize(); },
        [](const QString& q) { return QPrinterInfo::printerInfo(q).supportedPageSizes(); }};
    return queues;
}

PageSetup& PageSetup::current() {
    static PageSetup setup;
    return setup;
}

bool PageSetup::hasPrintQueue() { return !printQueues().names().isEmpty(); }

QString PageSetup::queue() const {
    const QStringList queues = printQueues().names();
    if (queues.isEmpty())
        return {};
    return queues.contains(queue_) ? queue_ : queues.first();
}

void PageSetup::applyTo(QPrinter& printer) const {
    const QString to = queue();
    if (to.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(to);
    }
    if (chosen_) {
        // A queue refuses, without a word, a layout whose margins are narrower than it can print (those
        // of the queue it was chosen on): the paper and orientation chosen hold on it with its own margins.
        if (!printer.setPageLayout(layout_)) {
            printer.setPageSize(layout_.pageSize());
            printer.setPageOrientation(layout_.orientation());
        }
    } else {
        // The queue's own paper: Qt would keep its built-in A4 wherever the queue takes A4 too.
        const QPageSize paper = to.isEmpty() ? QPageSize() : printQueues().defaultPaper(to);
        printer.setPageSize(paper.isValid() ? paper : QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
    }
}

void PageSetup::choose(const QString& queue, const QPageLayout& layout) {
    queue_ = queue;
    layout_ = layout;
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
