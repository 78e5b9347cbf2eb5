#include "db/Transaction.h"

#include "db/Database.h"

namespace db {

Transaction::Transaction(Database& db) : db_(db) { db_.begin(); }

Transaction::~Transaction() {
    if (!done_)
        db_.rollback();
}

void Transaction::commit() {
    db_.commit();
    done_ = true;
}

} // namespace db
