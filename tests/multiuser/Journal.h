// What each worker reports of its writes, and the checks of a database file (the shared one at the end,
// or a copy taken at some moment) against every write reported before that moment.
#pragma once

#include <QString>
#include <vector>

namespace multiuser {

// O order saved (key: number, value: "G1:3,G7:1"), F order refused (key: number), P payment date,
// C cancel mark, S stock count, M goods name, X employee name written by a plain SQLite program,
// K copy taken (key: its file name).
struct Entry {
    char kind = 0;
    QString key;
    QString value;
    qint64 at = 0; // monotonic nanoseconds: for a write, when it had returned; for a copy, when it began
};

qint64 monotonicNs();

class JournalWriter {
public:
    explicit JournalWriter(const QString& path);
    ~JournalWriter();
    void add(char kind, const QString& key, const QString& value = {});

private:
    struct Impl;
    Impl* d_;
};

std::vector<Entry> readJournals(const QString& folder);

// "" when the file holds every write reported before `takenAt` (for the shared file at the end: every write,
// and no refused one), its orders equal their lines, stock is exactly what was sold and counted, and
// numbers are unique; else what broke.
QString checkDatabase(const QString& dbPath, const std::vector<Entry>& entries, qint64 takenAt, bool final);

} // namespace multiuser
