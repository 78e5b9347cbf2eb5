// Realistic test data for benchmarks: master import files in CP932 and whole databases with orders.
#pragma once

#include "core/AppState.h"

#include <QString>
#include <QStringList>

namespace benchgen {

// Import files (tab-separated, CRLF, CP932) in the column order of the master imports.
void writeGoodsImport(const QString& path, int count, const QStringList& categories, int firstNo = 1);
void writeClientImport(const QString& path, int count, int firstNo = 1);
void writeEmployeeImport(const QString& path, int count, int firstNo = 1);

struct DbSpec {
    int goods = 1000;
    int clients = 500;
    int employees = 20;
    int orders = 1000;
    int linesPerOrder = 3;
    QStringList categories{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
};

// Creates a database and its control file at path (gDbPath is set in the state) with the seed rows, the
// masters and the orders DbSpec asks for; codes are G000001..., C000001..., E0001...
void makeDatabase(core::AppState& s, const QString& path, const DbSpec& spec);

QString goodsCode(int i);
QString clientCode(int i);
QString employeeCode(int i);

} // namespace benchgen
