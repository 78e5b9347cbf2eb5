// A write transaction that rolls back unless commit() was reached.
#pragma once

namespace db {

class Database;

class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& db_;
    bool done_ = false;
};

} // namespace db
