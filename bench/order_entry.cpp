// Order entry against a large database: the save of a 50-line order (lines, stock and order row in one
// transaction, connection opened as the window opens it) on 100,000 orders and 300,000 lines, and the
// order entry window opened on 10,000 goods.
#include "gen/BenchApp.h"
#include "db/Database.h"
#include "gen/DataGen.h"
#include "orders/GetOrderWindow.h"
#include "orders/OrderStore.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Timing {
    double median = 0, mean = 0, max = 0;
};

Timing summarize(std::vector<double> all) {
    Timing t;
    std::sort(all.begin(), all.end());
    t.median = all[all.size() / 2];
    for (double v : all)
        t.mean += v / double(all.size());
    t.max = all.back();
    return t;
}

orders::OrderToSave fiftyLines(std::int32_t no, int round) {
    orders::OrderToSave o;
    o.orderNo = no;
    o.clientCode = benchgen::clientCode(1 + round % 500);
    o.employeeCode = benchgen::employeeCode(1 + round % 20);
    o.date = QDate::currentDate();
    for (int i = 0; i < 50; ++i) {
        orders::OrderLineToSave l;
        l.goodsCode = benchgen::goodsCode(1 + (round * 50 + i * 7) % 10000);
        l.qty = 1 + i % 5;
        l.listPrice = l.salePrice = db::Currency::fromUnits(100 + i);
        l.wholesale = db::Currency::fromUnits(80 + i);
        l.cost = db::Currency::fromUnits(60 + i);
        l.lineTax = orders::lineTaxPerLine(l.salePrice, l.qty, 10.0f);
        o.totals.sale += l.salePrice * l.qty;
        o.totals.tax += l.lineTax;
        o.lines.push_back(l);
    }
    o.totals.list = o.totals.sale;
    return o;
}

} // namespace

int main(int argc, char** argv) {
    benchgen::BenchApp bench(argc, argv);
    ui::RecordingMessageService& rec = bench.messages();
    QTemporaryDir dir;
    core::AppState s;
    core::InitFieldLimits(s);
    benchgen::DbSpec spec;
    spec.goods = 10000;
    spec.clients = 500;
    spec.employees = 20;
    spec.orders = 100000;
    spec.linesPerOrder = 3;
    QElapsedTimer gen;
    gen.start();
    benchgen::makeDatabase(s, dir.filePath(QStringLiteral("big.vrd")), spec);
    std::printf("database: %d goods, %d orders, %d lines, made in %.1f s\n", spec.goods, spec.orders,
                spec.orders * spec.linesPerOrder, double(gen.elapsed()) / 1000.0);

    // The save: pending row made beforehand (as the window does when it opens), then the timed commit.
    std::vector<double> saves;
    for (int round = 0; round < 60; ++round) {
        std::int32_t no = 0;
        {
            db::Database d(s.gDbPath);
            no = orders::OrderStore(d).createPendingOrder(benchgen::clientCode(1), benchgen::employeeCode(1),
                                                          QDate::currentDate());
        }
        const orders::OrderToSave o = fiftyLines(no, round);
        QElapsedTimer t;
        t.start();
        {
            db::Database d(s.gDbPath);
            orders::OrderStore(d).saveOrder(o);
        }
        saves.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const Timing save = summarize(saves);

    // The same save on a connection the window keeps open (no open, no checkpoint on close).
    std::vector<double> kept;
    {
        db::Database d(s.gDbPath);
        orders::OrderStore store(d);
        for (int round = 0; round < 60; ++round) {
            const std::int32_t no = store.createPendingOrder(benchgen::clientCode(1), benchgen::employeeCode(1),
                                                             QDate::currentDate());
            const orders::OrderToSave o = fiftyLines(no, round);
            QElapsedTimer t;
            t.start();
            store.saveOrder(o);
            kept.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    const Timing keptSave = summarize(kept);
    std::printf("save of a 50-line order on an open connection: median %.2f ms, mean %.2f ms, max %.2f ms\n",
                keptSave.median, keptSave.mean, keptSave.max);
    std::printf("save of a 50-line order (open, transaction, commit, close): median %.2f ms, mean %.2f ms, "
                "max %.2f ms (limit 20 ms median)\n",
                save.median, save.mean, save.max);

    // Opening the window: construction, the build from the database and the first layout.
    std::vector<double> opens;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        auto* w = new orders::GetOrderWindow(s);
        w->resize(940, 560);
        w->show();
        QApplication::processEvents();
        opens.push_back(double(t.nsecsElapsed()) / 1e6);
        if (round == 0 && argc > 1)
            w->grab().save(QString::fromLocal8Bit(argv[1]));
        w->close();
        delete w;
    }
    const Timing open = summarize(opens);
    std::printf("order entry window opened on %d goods: median %.1f ms, max %.1f ms (limit 1000 ms)\n",
                spec.goods, open.median, open.max);
    if (!rec.texts().isEmpty())
        std::printf("messages: %s\n", qPrintable(rec.texts().join(QLatin1Char(' '))));
    return 0;
}
