// The queries of the list windows and their exports, over one connection for one build or export (kept
// between lists: a small list costs less to read than a connection to open).
#pragma once

#include "db/KeptConnection.h"

#include <QString>
#include <cstdint>

namespace viewers {

// Which orders a list reads; the reserved order 0 is never among them.
enum class OrderSet {
    All,       // every order
    Paid,      // 入金日 set (not 0)
    Unpaid,    // 入金日 0
    Cancelled, // キャンセル "X"
    Client,    // of one client code
    Employee,  // of one employee code
    One,       // the one order numbered by the code argument's number
};

// The tables a list is driven by.
enum class ListTable { Goods, Clients, Employees, Orders, Lines };

class ListStore {
public:
    // Opens the database file; throws db::DbError when it cannot (a missing file is not created).
    explicit ListStore(const QString& dbPath);

    // Masters in key order, without the reserved row of the given code.
    db::Query goods(const QString& reservedCode);
    db::Query clients(const QString& reservedCode);
    db::Query employees(const QString& reservedCode);

    // Orders in number order. code is the client or employee code for those sets.
    db::Query orders(OrderSet set, const QString& code = {}, std::int32_t orderNo = 0);
    // Every order line except those of order 0, in line-number order.
    db::Query orderLines();
    // The lines of the orders of the set (as orders() reads them), by order number, then line number:
    // one pass gives each order its lines in line-number order.
    db::Query linesOfOrders(OrderSet set, const QString& code = {}, std::int32_t orderNo = 0);

    // Rows of the table, its seed row counted: a quick upper bound of the rows a list goes through.
    qint64 rowCount(ListTable table);

    // Code and name of every client / goods row, in key order.
    db::Query clientNames();
    db::Query goodsNames();

private:
    db::KeptConnection db_;
};

} // namespace viewers
