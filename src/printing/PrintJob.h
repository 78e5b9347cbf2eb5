// One print run: the layout items the check collected, the page capacity, the counters the command
// reads afterwards, and the table snapshots the page loop prints from.
#pragma once

#include "db/KeptConnection.h"
#include "printing/ReportRows.h"
#include "printing/TableSnapshot.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace printing {

// Status of a preparation or page loop.
enum PrintStatus : int { kLayoutError = 0, kNothingPrinted = 1, kReady = 2 };

struct LayoutItem {
    int kind = 0;
    QString text;
    int number = 0;
};

struct PrintJob {
    int status = kLayoutError;
    int pageCapacity = 0;
    // Table reports: rows of the table, seed row included; order reports and invoices: rows printed.
    int recordCount = 0;
    int pageNumber = 0;
    std::vector<LayoutItem> headerItems;
    std::vector<LayoutItem> dataItems;

    // What the page loop reads, straight from the database the preparation opened; it gives it back.
    std::unique_ptr<db::KeptConnection> database;
    std::unique_ptr<Rows> rows;                      // a table report's table, an order list's orders
    std::unique_ptr<OrdersWithLines> ordersAndLines; // reports of orders with their lines
    QHash<QString, QString> clientNames;             // the invoice's names by code
    QHash<QString, QString> goodsNames;

    // Rows held in memory instead (tests); read when the readers above are not set.
    TableSnapshot table;
    TableSnapshot orders;
    TableSnapshot lines;
    TableSnapshot clients;
    TableSnapshot goods;

    void resetLayout() {
        headerItems.clear();
        dataItems.clear();
    }
};

// Checks that the layout text has what printing needs: a MAXLINE= item, a [HEADER] section with at
// least one item and a [DATA] section (items of later sections count as data items) with at least one.
// Sets status, page capacity and both item lists; answers the status (kLayoutError or kReady).
int CheckLayout(const QString& text, PrintJob& job);

} // namespace printing
