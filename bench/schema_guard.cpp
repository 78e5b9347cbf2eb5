// What keeping to the expected schema costs: a write transaction (begin and rollback) with and without it,
// and a connection's opening, which runs the whole check.
#include "core/Schema.h"
#include "db/Database.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

namespace {

double perTransactionUs(const QString& path, int n) {
    db::Database d(path);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i) {
        d.begin();
        d.rollback();
    }
    return double(t.nsecsElapsed()) / 1e3 / n;
}

double perOpenUs(const QString& path, int n) {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i)
        db::Database d(path);
    return double(t.nsecsElapsed()) / 1e3 / n;
}

} // namespace

int main() {
    QTemporaryDir dir;
    core::AppState s;
    core::InitFieldLimits(s);
    s.gDbPath = dir.filePath(QStringLiteral("guard.vrd"));
    core::CreateNewDatabase(s);
    core::CreateCompanyTables(s);
    const auto len = s.gFieldLen;
    const std::pair<const char*, db::SchemaTest> tests[] = {
        {"unchecked", {}},
        {"checked, expected schema built at each check",
         [len](sqlite3* d) { return core::foreignSchemaText(d, len); }},
        {"checked, expected schema built once", core::companySchemaTest(len)},
    };
    for (const auto& [what, test] : tests) {
        db::expectSchema(s.gDbPath, test);
        std::printf("%s: begin+rollback %.1f us, open %.1f us\n", what, perTransactionUs(s.gDbPath, 2000),
                    perOpenUs(s.gDbPath, 200));
    }
    return 0;
}
