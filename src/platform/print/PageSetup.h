// The printer set-up every print and preview uses: the print queue, paper and orientation chosen in the
// printer set-up box; the default queue with its own default paper, portrait (A4 portrait without a
// print queue) until a choice is made.
#pragma once

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPrinter;

namespace print {

// The machine's print queues (the default one first), the default paper of a queue and the papers it
// takes, from the print system; a test puts stand-in queues here.
struct PrintQueues {
    QStringList (*names)();
    QPageSize (*defaultPaper)(const QString& queue);
    QList<QPageSize> (*papers)(const QString& queue);
};
PrintQueues& printQueues();

class PageSetup {
public:
    static PageSetup& current();

    // Puts the set-up on a printer: the queue() and the layout(), or PDF output when the machine has no
    // queue (the caller names the file).
    void applyTo(QPrinter& printer) const;
    // Keeps the queue and the page chosen in the printer set-up box.
    void choose(const QString& queue, const QPageLayout& layout);
    // The queue a print goes to: the chosen one while the machine has it, else the default one; "" when
    // the machine has none.
    QString queue() const;
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
    QString queue_;
    QPageLayout layout_;
    bool chosen_ = false;
};

} // namespace print
