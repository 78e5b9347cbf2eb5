// The page set-up every print and preview uses: the printer, paper, orientation and margins chosen in
// the page set-up dialog; the default printer with its default paper (A4 portrait without a print queue)
// until a choice is made.
#pragma once

#include <QPageLayout>
#include <QSizeF>
#include <QString>

class QPrinter;

namespace print {

class PageSetup {
public:
    static PageSetup& current();

    // Puts the set-up on a printer: the chosen queue when the machine has it, else the default queue,
    // else PDF output (the caller names the file).
    void applyTo(QPrinter& printer) const;
    // Keeps what the page set-up dialog left on the printer.
    void takeFrom(const QPrinter& printer);
    // The area a report is drawn on, in twips: the printable part of the page.
    QSizeF printableTwips() const;
    // The page layout (paper, orientation, margins) in use.
    QPageLayout layout() const;
    bool chosen() const { return chosen_; }
    // Back to the defaults.
    void reset();

    // True when the machine has a print queue.
    static bool hasPrintQueue();

private:
    QString printerName_;
    QPageLayout layout_;
    bool chosen_ = false;
};

} // namespace print
