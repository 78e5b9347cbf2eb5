// The fourteen list builds, their tab exports and their windows on 20,000 and 100,000 orders (three lines
// each), against a bare SQLite read of the same rows: time, the ratio, the peak memory and the longest
// stretch of a build without running events. Arguments: order counts (default 20000 100000).
// VARNOX_BENCH_LIST=frmVRecD runs one list; VARNOX_BENCH_GAPS=1 tells where the longest stretch was;
// VARNOX_BENCH_KEEP=1 keeps the database.
#include "gen/BenchApp.h"
#include "gen/DataGen.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "core/MainFrame.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"
#include "viewers/ListMembers.h"
#include "viewers/ListWindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

const char* kGoods = "SELECT * FROM 商品マスタ WHERE 商品コード <> 'XXXXXXXXXX' ORDER BY 商品No";
const char* kClients = "SELECT * FROM 顧客マスタ WHERE 顧客コード <> 'XXXXXXXXXX' ORDER BY 顧客No";
const char* kEmployees = "SELECT * FROM 社員マスタ WHERE 社員コード <> 'XXXXXXXXXX' ORDER BY 社員No";
const char* kOrders = "SELECT * FROM 受注データ WHERE 受注No <> 0 ORDER BY 受注No";
const char* kPaid = "SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 <> 0 ORDER BY 受注No";
const char* kUnpaid = "SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 = 0 ORDER BY 受注No";
const char* kCancelled = "SELECT * FROM 受注データ WHERE 受注No <> 0 AND キャンセル = 'X' ORDER BY 受注No";
const char* kLines = "SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 個別No";
const char* kLinesByOrder = "SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 受注No, 個別No";
const char* kCancelledLines = "SELECT * FROM 受注個別データ WHERE 受注No IN (SELECT 受注No FROM 受注データ "
                              "WHERE 受注No <> 0 AND キャンセル = 'X') ORDER BY 受注No, 個別No";
const char* kClientNames = "SELECT 顧客コード, 顧客名 FROM 顧客マスタ";
const char* kGoodsNames = "SELECT 商品コード, 商品名 FROM 商品マスタ";

// The rows each list reads, in the order it needs them.
struct Bare {
    const char* window;
    std::vector<const char*> queries;
};

const std::vector<Bare> kBare{
    {"frmVComm", {kGoods}},
    {"frmVCli", {kClients}},
    {"frmVEmp", {kEmployees}},
    {"frmVRecG", {kOrders}},
    {"frmVRecD", {kLines}},
    {"frmVInv", {kOrders, kLinesByOrder, kClientNames, kGoodsNames}},
    {"frmVInfA", {kOrders, kLinesByOrder}},
    {"frmVInfM", {kOrders, kLinesByOrder}},
    {"frmVInfC", {kOrders}},
    {"frmVInfS", {kOrders}},
    {"frmVCncl", {kCancelled, kCancelledLines}},
    {"frmVLack", {kGoods}},
    {"frmVGetD", {kPaid}},
    {"frmVGetY", {kUnpaid}},
};

// Runs of each step; the best counts.
constexpr int kRuns = 5;

// Opens the file and reads every column of every row, keeping nothing: the least a build has to do.
double bareRead(const QString& path, const Bare& b) {
    return benchgen::bestOfMs(kRuns, [&] {
        SQLite::Database d(path.toStdString(), SQLite::OPEN_READONLY);
        std::int64_t sum = 0;
        for (const char* sql : b.queries) {
            SQLite::Statement st(d, sql);
            const int n = st.getColumnCount();
            while (st.executeStep()) {
                for (int i = 0; i < n; ++i) {
                    const SQLite::Column c = st.getColumn(i);
                    switch (c.getType()) {
                    case SQLITE_INTEGER: sum += c.getInt64(); break;
                    case SQLITE_FLOAT: sum += std::int64_t(c.getDouble()); break;
                    case SQLITE_TEXT: sum += c.getBytes(); (void)c.getText(); break;
                    default: break;
                    }
                }
            }
        }
        if (sum == 42)
            std::puts("");
    });
}

// Peak resident memory since the last reset, and the reset (Linux: writing 5 to clear_refs).
long residentKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(key))
            return l.mid(qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}
void resetPeak() {
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

struct Measure {
    double ms = 0;
    long peakMb = 0;
    double maxGapMs = 0;
    int count = 0;
};

Measure measureBuild(core::AppState& s, const viewers::ListMember& m) {
    Measure out;
    out.ms = benchgen::bestOfMs(kRuns, [&] {
        QElapsedTimer gap;
        gap.start();
        double maxGap = 0;
        int at = 0;
        const viewers::BuildResult r = viewers::buildList(m, s, [&] {
            const double g = double(gap.nsecsElapsed()) / 1e6;
            if (g > maxGap) { maxGap = g; at = s.gProgressCount; }
            ui::DoEvents();
            gap.restart();
        });
        if (qEnvironmentVariableIsSet("VARNOX_BENCH_GAPS"))
            std::printf("  longest gap %.1f ms before record %d, %.1f ms after the last\n", maxGap, at, double(gap.nsecsElapsed()) / 1e6);
        out.count = r.count;
        out.maxGapMs = std::max(out.maxGapMs, std::max(maxGap, double(gap.nsecsElapsed()) / 1e6));
    });
    resetPeak();
    const long before = residentKb("VmRSS:");
    { const viewers::BuildResult r = viewers::buildList(m, s, [] { ui::DoEvents(); }); }
    out.peakMb = (residentKb("VmHWM:") - before) / 1024;
    return out;
}

Measure measureTab(core::AppState& s, const viewers::ListMember& m, const QString& file) {
    Measure out;
    out.ms = benchgen::bestOfMs(kRuns, [&] { viewers::writeTabFile(m, s, file); });
    resetPeak();
    const long before = residentKb("VmRSS:");
    viewers::writeTabFile(m, s, file);
    out.peakMb = (residentKb("VmHWM:") - before) / 1024;
    return out;
}

struct BenchMain : core::MainFrame {
    void updateCommandStates() override {}
    QWidget* window() override { return nullptr; }
};

// The whole window: its build, the text put into its text box, shown.
Measure measureWindow(core::AppState& s, const viewers::ListMember& m) {
    static BenchMain main;
    s.gMainForm = &main;
    Measure out;
    resetPeak();
    const long before = residentKb("VmRSS:");
    QElapsedTimer t;
    t.start();
    ++s.gOpenDataCount;
    auto* w = new viewers::ListWindow(s, m);
    w->show();
    out.ms = double(t.nsecsElapsed()) / 1e6;
    out.count = w->loaded() ? 1 : 0;
    out.peakMb = (residentKb("VmHWM:") - before) / 1024;
    delete w;
    return out;
}

void runAt(int orders) {
    QTemporaryDir dir;
    dir.setAutoRemove(qgetenv("VARNOX_BENCH_KEEP").isEmpty()); // keeps the database for a look at it
    core::AppState s;
    benchgen::DbSpec spec;
    spec.orders = orders;
    spec.linesPerOrder = 3;
    spec.goods = 5000;
    spec.clients = 5000;
    spec.employees = 50;
    QElapsedTimer made;
    made.start();
    benchgen::makeDatabase(s, dir.filePath(QStringLiteral("bench.vrd")), spec);
    for (int k = 1; k <= 14; ++k) {
        s.gFrmtText[size_t(k)] = reports::DefaultLayoutText(k);
        reports::FrmtValidate(s.gFrmtText[size_t(k)], s.gFrmtCount[size_t(k)]);
    }
    s.gInvViewScope = 1; // every order's invoice
    std::printf("\n%d orders, %d lines, %d goods, %d clients (made in %.1f s)\n", orders, orders * spec.linesPerOrder,
                spec.goods, spec.clients, double(made.elapsed()) / 1000);
    std::printf("%-10s %9s %9s %9s %6s %8s %7s %9s %8s %6s %9s %9s\n", "list", "records", "bare ms", "build ms", "ratio",
                "peak MB", "gap ms", "tab ms", "tab MB", "ratio", "window ms", "window MB");
    const QString tabFile = dir.filePath(QStringLiteral("tab.txt"));
    const QByteArray only = qgetenv("VARNOX_BENCH_LIST"); // one list, for profiling
    for (const Bare& b : kBare) {
        if (!only.isEmpty() && only != b.window)
            continue;
        const viewers::ListMember& m = *viewers::listMember(QString::fromLatin1(b.window));
        const double bare = bareRead(s.gDbPath, b);
        const Measure build = measureBuild(s, m);
        const Measure tab = measureTab(s, m, tabFile);
        const Measure window = measureWindow(s, m);
        std::printf("%-10s %9d %9.1f %9.1f %6.2f %8ld %7.1f %9.1f %8ld %6.2f %9.1f %9ld\n", b.window, build.count, bare,
                    build.ms, build.ms / bare, build.peakMb, build.maxGapMs, tab.ms, tab.peakMb, tab.ms / bare, window.ms,
                    window.peakMb);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    const benchgen::BenchApp bench(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {20000, 100000};
    for (int n : sizes)
        runAt(n);
    return 0;
}
