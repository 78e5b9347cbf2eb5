// A fresh company database in a temporary folder for the master tests.
#pragma once

#include "core/AppState.h"
#include "core/Schema.h"
#include "support/TestEnv.h"
#include "text/AnsiFile.h"

#include <QDate>

namespace masterstest {

inline void makeDb(core::AppState& s, const QString& path, const QStringList& categories = {}) {
    core::InitFieldLimits(s);
    s.gDbPath = path;
    core::CreateNewDatabase(s);
    core::CreateCompanyTables(s, QDate(2024, 4, 1));
    s.categories.setCommittedFromFile(categories);
}

// Writes raw bytes (CP932 already, line ends as given).
inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

inline void writeCp932(const QString& path, const QString& content) { writeBytes(path, text::toCp932(content)); }

} // namespace masterstest
