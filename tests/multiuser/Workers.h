// The workers of the multi-process test: each writes to the shared company file as one window or program
// does, at its own pace, and reports every write that returned success in its journal.
//
// Who writes what, so each value has one writer: order workers sell G1..G20; the master worker renames
// G1..G30 through the grid's model; the stock worker counts G21..G30; the payment and cancel workers mark
// orders; the plain SQLite program renames employee E50 and reads between; the copier copies the file.
#pragma once

#include <QString>
#include <QStringList>

namespace multiuser {

struct Plan {
    QString folder; // holds shop.vrd, the journals and copies/
    QString kind;   // see workerKinds()
    int rounds = 0;
    unsigned seed = 1;
};

QString sharedDb(const QString& folder);
// ＤＢ作成 over the path with the default sizes, as a new company would; false when it was refused (its
// message went to the message service).
bool newDatabaseOver(const QString& db);
// Runs the worker of plan.kind: "orders", "payments", "cancels", "stock", "masters", "sqlite", "copier", or
// "hold" (keeps the file open, idle, until its input closes), "share" (gives up and retakes the use lock
// ROUNDS times), or once as another user: "open", "opendb" (ＤＢオープン), "order" (ＤＢオープン, then the
// number a new order window takes: "N done"), "clear", "copyonto" (other.vrd onto the file), "new".
// 0 when it ran to the end (refused writes are reported, not failures); 2 for an unknown kind.
int runWorker(const Plan& plan);

} // namespace multiuser
