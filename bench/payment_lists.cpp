// The payment list over 100,000 orders against a bare SQLite scan of the same query, the whole window
// build, and the time a payment, a cancel toggle and a stock save take to commit.
#include "core/Schema.h"
#include "db/Defensive.h"
#include "db/KeyedRows.h"
#include "db/OleDate.h"
#include "gen/BenchApp.h"
#include "gen/DataGen.h"
#include "orders/OrderListModel.h"
#include "orders/OrderStatusStore.h"
#include "orders/PaymentWindow.h"
#include "orders/StockStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <sqlite3.h>

namespace {

const char* kListAll = "SELECT 受注No, 顧客コード, 社員コード, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル "
                       "FROM 受注データ WHERE 受注No <> 0 AND (販売金額 + 送料) > 0";

// Every column read, nothing kept: the least any list build has to do.
double bareScan(const QString& path, int& rows) {
    SQLite::Database d(path.toStdString(), SQLite::OPEN_READONLY);
    return benchgen::bestOfMs(5, [&] {
        SQLite::Statement st(d, kListAll);
        rows = 0;
        int64_t sum = 0;
        while (st.executeStep()) {
            sum += st.getColumn(0).getInt64() + st.getColumn(3).getInt64() + st.getColumn(4).getInt64() +
                   st.getColumn(5).getInt64();
            sum += int64_t(st.getColumn(6).getDouble() + st.getColumn(7).getDouble());
            sum += int64_t(st.getColumn(1).getString().size() + st.getColumn(2).getString().size() +
                           st.getColumn(8).getString().size());
            ++rows;
        }
        if (sum == 42)
            std::puts("");
    });
}

struct Timing {
    double mean = 0, median = 0, max = 0;
};

template <class F> Timing perCall(int n, F f) {
    Timing t;
    std::vector<double> all;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer e;
        e.start();
        f(i);
        const double ms = double(e.nsecsElapsed()) / 1e6;
        all.push_back(ms);
        t.mean += ms / n;
        t.max = std::max(t.max, ms);
    }
    std::sort(all.begin(), all.end());
    t.median = all[all.size() / 2];
    return t;
}

void print(const char* what, const Timing& t) {
    std::printf("%-44s mean %.3f ms, median %.3f ms, max %.3f ms\n", what, t.mean, t.median, t.max);
}

} // namespace

int main(int argc, char** argv) {
    const benchgen::BenchApp bench(argc, argv);
    QTemporaryDir dir;
    core::AppState s;
    benchgen::DbSpec spec;
    spec.orders = 100000;
    spec.goods = 1000;
    benchgen::makeDatabase(s, dir.filePath(QStringLiteral("bench.vrd")), spec);

    int rows = 0;
    const double bare = bareScan(s.gDbPath, rows);
    orders::OrderStatusStore store(s.gDbPath);
    orders::OrderListModel model;
    const double list = benchgen::bestOfMs(5, [&] { model.setOrders(store.listOrders(false), 40); });
    std::printf("payment list, %d orders: bare scan %.1f ms, store + model %.1f ms, ratio %.2f\n", rows, bare, list,
                list / bare);

    s.gPaymentListMode = 1;
    const double window = benchgen::bestOfMs(3, [&] {
        orders::PaymentWindow w(s);
        w.resize(900, 500);
        w.show();
        QApplication::processEvents();
        if (w.model()->orderCount() != rows)
            std::printf("window listed %d orders\n", w.model()->orderCount());
    });
    std::printf("payment window built and shown: %.1f ms\n", window);

    // What a journal played back costs the open that finds it: the engine's whole check and its quick one;
    // and a cancel's look-up of an order's lines, with the count of the index against the table it makes.
    {
        db::Database d(s.gDbPath);
        sqlite3* h = d.handle().getHandle();
        const double whole = benchgen::bestOfMs(3, [&] { db::refuseDamagedFile(h, 0); });
        const double quick = benchgen::bestOfMs(3, [&] { db::refuseDamagedFile(h, LLONG_MAX); });
        const double lines =
            benchgen::bestOfMs(5, [&] { db::rowsWithKey(d, core::kOrderLineTable, core::kOrderNoField, 7); });
        std::printf(
            "file of %.1f MB after a journal played back: integrity_check %.1f ms, quick_check %.1f ms; "
            "an order's lines by key, counts compared: %.1f ms\n",
            double(QFileInfo(s.gDbPath).size()) / 1e6, whole, quick, lines);
    }

    // The floor on this disk: one bare single-row update committed through each way of journalling — the
    // rollback journal the program uses, and a write-ahead log checkpointed into the file after each commit
    // (the other way to keep every commit in the file itself).
    for (const char* mode : {"WAL", "DELETE"}) {
        const bool wal = std::string(mode) == "WAL";
        SQLite::Database d(s.gDbPath.toStdString(), SQLite::OPEN_READWRITE);
        d.exec(std::string("PRAGMA journal_mode = ") + mode);
        SQLite::Statement st(d, "UPDATE 受注データ SET 入金日 = ? WHERE 受注No = ?");
        const std::string what = std::string("bare single-row update commit, ") +
                                  (wal ? "WAL + checkpoint:" : "rollback journal:");
        print(what.c_str(), perCall(200, [&](int i) {
                  d.exec("BEGIN IMMEDIATE");
                  st.bind(1, 45000.0 + i); // a new value: an unchanged row writes no page
                  st.bind(2, 1 + i * 41 % 100000);
                  st.exec();
                  st.reset();
                  d.exec("COMMIT");
                  if (wal)
                      d.exec("PRAGMA wal_checkpoint(PASSIVE)");
              }));
        if (wal)
            d.exec("PRAGMA journal_mode = DELETE");
    }
    const double day = db::toOleDate(QDate(2024, 9, 1));
    std::vector<double> shown; // each order once: what the list showed of it
    for (int i = 0; i < 200; ++i)
        shown.push_back(store.readOrder(1 + i * 37 % 100000).value_or(orders::OrderListRow{}).paidDate);
    print("payment write:", perCall(200, [&](int i) {
              store.setPaidDate(1 + i * 37 % 100000, i % 2 ? 0.0 : day, shown[size_t(i)]);
          }));
    print("cancel toggle (order and its 3 lines):", perCall(200, [&](int i) { store.toggleCancel(1 + i * 53 % 100000, QStringLiteral(" ")); })); // each order once, shown uncancelled

    orders::StockStore stock(s.gDbPath);
    std::vector<orders::StockChange> changes;
    for (const orders::StockGoods& g : stock.listGoods(false, s.gReservedCode[core::kLenGoodsCode]))
        if (changes.size() < 1000)
            changes.push_back({g.code, g.stock, g.stock + 1});
    QElapsedTimer t;
    t.start();
    const orders::StockSaveResult r = stock.saveCounts(changes);
    std::printf("stock save of %d changed counts: %.1f ms\n", r.written, double(t.nsecsElapsed()) / 1e6);
    return 0;
}
