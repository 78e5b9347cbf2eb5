// Order reset and compaction of a large database against a bare DELETE + VACUUM of the same file.
// Usage: bench_replica_reset [orders=100000] [rounds=3]
#include "gen/DataGen.h"
#include "replica/OrderReset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int orders = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir dir;
    const QString pristine = dir.filePath(QStringLiteral("pristine.vrd"));
    core::AppState s;
    benchgen::DbSpec spec;
    spec.orders = orders;
    spec.linesPerOrder = 3;
    benchgen::makeDatabase(s, pristine, spec);
    std::printf("database: %d orders, %d lines, %lld bytes\n", orders, orders * 3,
                static_cast<long long>(QFile(pristine).size()));

    // Each round works on a fresh copy of the same file (the copy is not timed).
    auto fresh = [&](const QString& name) {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        QFile::remove(dir.filePath(name.chopped(3) + QStringLiteral("vrk")));
        QFile::copy(pristine, path);
        QFile::copy(dir.filePath(QStringLiteral("pristine.vrk")), dir.filePath(name.chopped(3) + QStringLiteral("vrk")));
        return path;
    };
    std::vector<double> bare, reset;
    for (int r = 0; r < rounds; ++r) {
        const QString b = fresh(QStringLiteral("bare.vrd"));
        QElapsedTimer t;
        t.start();
        {
            SQLite::Database d(QFile::encodeName(b).toStdString(), SQLite::OPEN_READWRITE);
            d.exec("DELETE FROM 受注データ");
            d.exec("DELETE FROM 受注個別データ");
            d.exec("VACUUM");
        }
        bare.push_back(t.nsecsElapsed() / 1e6);

        const QString p = fresh(QStringLiteral("reset.vrd"));
        t.restart();
        const replica::RunResult result = replica::clearOrderData(p);
        reset.push_back(t.nsecsElapsed() / 1e6);
        if (!result.ok()) {
            std::fprintf(stderr, "reset failed: %s\n", result.message.toUtf8().constData());
            return 1;
        }
        std::printf("round %d: DELETE+VACUUM %.1f ms, reset+compact %.1f ms\n", r + 1, bare.back(), reset.back());
    }
    const double mb = median(bare), mr = median(reset);
    std::printf("median: DELETE+VACUUM %.1f ms, reset+compact %.1f ms, ratio %.2f (limit 3)\n", mb, mr, mr / mb);
    return mr <= 3 * mb ? 0 : 2;
}
