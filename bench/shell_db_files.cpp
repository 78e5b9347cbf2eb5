// Creating a company database (five tables, seed rows, control file) and opening it again, as File New
// and File Open do, with the schema check of the open alone; and the main window's command-state update the
// work windows trigger on every unload.
#include "gen/BenchApp.h"
#include "shell/CommandStates.h"
#include "shell/DbFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    const benchgen::BenchApp bench(argc, argv);
    QTemporaryDir dir;
    constexpr int rounds = 20;
    std::vector<double> create, open, schema;
    for (int i = 0; i < rounds; ++i) {
        core::AppState s;
        core::InitFieldLimits(s);
        s.categories.CatSet(1, QStringLiteral("食品"));
        s.categories.gCatCount = 1;
        const QString path = dir.filePath(QStringLiteral("db%1.vrd").arg(i));
        QElapsedTimer t;
        t.start();
        if (!shell::createDatabase(s, {}, path))
            return 1;
        create.push_back(t.nsecsElapsed() / 1e6);
        core::AppState fresh;
        core::InitFieldLimits(fresh);
        t.restart();
        if (!shell::openDatabase(fresh, path, {}))
            return 1;
        open.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        if (!shell::foreignSchemaProblem(path, fresh.gFieldLen).isEmpty()) return 1;
        schema.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(create.begin(), create.end());
    std::sort(open.begin(), open.end());
    std::sort(schema.begin(), schema.end());
    std::printf("create database (5 tables + control file): median %.2f ms, best %.2f ms\n", create[rounds / 2],
                create.front());
    std::printf("open database (file check + control file + schema check):  median %.2f ms, best %.2f ms\n",
                open[rounds / 2], open.front());
    std::printf("of it the schema check:  median %.2f ms, best %.2f ms\n", schema[rounds / 2],
                schema.front());

    shell::ProgramState p;
    p.dbOpen = true;
    p.open[core::kChildGetOrder] = true;
    QElapsedTimer t;
    t.start();
    constexpr int n = 100000;
    int enabled = 0;
    for (int i = 0; i < n; ++i)
        enabled += shell::computeCommandStates(p).isEnabled(QStringLiteral("mnuReceipt"));
    std::printf("command states computed: %.2f us each (%d)\n", t.nsecsElapsed() / 1e3 / n, enabled);
    return 0;
}
