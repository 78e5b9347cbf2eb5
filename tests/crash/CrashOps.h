// The multi-row writes of the crash test: how each one's files are made, the write itself (run in a child
// process that is killed at some moment), and what must hold of the files whatever the moment was.
#pragma once

#include <QString>
#include <vector>

namespace crash {

struct Operation {
    const char* name;
    void (*prepare)(const QString& folder); // the files before the write
    void (*run)(const QString& folder);     // the write, as the program makes it
    QString (*check)(const QString& folder); // "" when every invariant holds, else what broke
    bool renames;                            // the write puts files in place by renaming them
};

const std::vector<Operation>& operations();
const Operation* findOperation(const QString& name);

constexpr int kCompanyGoods = 50;           // goods G1..G50, clients C1..C50, employees E1..E50
constexpr qint64 kCompanyStartStock = 100000; // every goods' stock in a new company

// A company pair with masters (names tagged so two pairs tell apart) and `orders` orders of five lines of G1.
void makeCompany(const QString& path, const QString& company, const QString& tag, int orders, int goodsCodeLen = 10);

// The common checks after any kill: each database in the folder passes SQLite's integrity check, and no
// temporary of ours is left once the clean-up of the next open has run. "" when all holds.
QString checkFolder(const QString& folder);

} // namespace crash
