// The rows of the list queries read into the report record buffers by column position, the positions
// found once per query from its column names. A column the query lacks reads as Null.
#pragma once

#include "db/Database.h"
#include "reports/Records.h"

#include <QHash>
#include <QString>

namespace viewers {

class GoodsColumns {
public:
    explicit GoodsColumns(const db::Query& q);
    void fill(const db::Query& q, reports::GoodsRec& r) const;
    // 在庫量 at or below 在庫発注点, as the buffer would hold them.
    bool isShort(const db::Query& q) const;

private:
    int no_, code_, name_, list_, part_, cost_, rate_, stock_, reorder_, category_;
};

class ClientColumns {
public:
    explicit ClientColumns(const db::Query& q);
    void fill(const db::Query& q, reports::ClientRec& r) const;

private:
    int no_, code_, name_, zip_, address_, tel_, fax_, mail_;
};

class EmployeeColumns {
public:
    explicit EmployeeColumns(const db::Query& q);
    void fill(const db::Query& q, reports::EmployeeRec& r) const;

private:
    int no_, code_, name_;
};

class OrderColumns {
public:
    explicit OrderColumns(const db::Query& q);
    void fill(const db::Query& q, reports::OrderRec& r) const;
    // 顧客名 is the caller's.
    void fill(const db::Query& q, reports::InvoiceHeadRec& r) const;
    std::int32_t orderNo(const db::Query& q) const;
    double orderDate(const db::Query& q) const;
    QString clientCode(const db::Query& q) const;

private:
    template <class Rec> void fillOrder(const db::Query& q, Rec& r) const;

    int no_, client_, employee_, list_, part_, sale_, tax_, ship_, cost_, date_, paid_, cancel_;
};

class LineColumns {
public:
    explicit LineColumns(const db::Query& q);
    void fill(const db::Query& q, reports::OrderLineRec& r) const;
    // 商品名 is the caller's.
    void fill(const db::Query& q, reports::InvoiceLineRec& r) const;
    std::int32_t orderNo(const db::Query& q) const;
    QString goodsCode(const db::Query& q) const;

private:
    template <class Rec> void fillLine(const db::Query& q, Rec& r) const;

    int no_, order_, goods_, qty_, list_, part_, cost_, price_, tax_, cancel_;
};

// The lines of ascending order numbers from one pass over lines sorted by order number, then line
// number: each order takes its own lines and skips those of orders that were not asked for.
class LineCursor {
public:
    explicit LineCursor(db::Query q);
    const db::Query& query() const { return q_; }
    const LineColumns& columns() const { return cols_; }
    // Moves to the first line of the order; false when it has none.
    bool seek(std::int32_t orderNo);
    // Moves to the order's next line; false after its last.
    bool next();

private:
    void advance();

    db::Query q_;
    LineColumns cols_;
    bool has_ = false;
    std::int32_t current_ = 0; // the order number of the line the cursor is on
    std::int32_t order_ = 0;
};

} // namespace viewers
