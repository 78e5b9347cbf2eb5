// The page set-up every print and preview uses: the printer, paper, orientation and margins chosen in
// the page set-up dialog; the default queue with its own default paper, portrait (A4 portrait without a
// print queue) until a choice is made.
#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPrinter;

namespace print {

// The machine's print queues and the default paper of the queue a printer is set to, from the print
// system; a test puts a stand-in queue here.
struct PrintQueues {
    QStringList (*names)();
    QPageSize (*defaultPaper)(const QPrinter& printer);
};
PrintQueues& printQueues();

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
