// Opening a connection parses the file's whole schema, which costs more than reading a small list. So the
// connection a reader opened is kept when it is done, idle and holding nothing (neither the file's use lock
// nor a lock of the engine), and handed to the next reader of the same file. Another program may reset,
// replace or remove the file meanwhile: the connection is taken again only when it still reads the file at
// the path, else a new one is opened.
#pragma once

#include "db/Database.h"

#include <memory>

namespace db {

class KeptConnection {
public:
    // The kept connection to the file when it is still good, else a new one (throws as Database does).
    explicit KeptConnection(const QString& path);
    ~KeptConnection(); // kept for the next reader when it is idle, else closed
    KeptConnection(const KeptConnection&) = delete;
    KeptConnection& operator=(const KeptConnection&) = delete;

    Database& operator*() const { return *db_; }
    Database* operator->() const { return db_.get(); }

    // Closes the kept connection: when the program is done with its file, or leaves.
    static void closeKept();

private:
    std::unique_ptr<Database> db_;
};

} // namespace db
