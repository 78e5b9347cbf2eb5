// The fourteen list builds, their tab exports and their windows on 20,000 and 100,000 orders (three lines
// each), against the bare read and format of the same rows (gen/BareRead.h), measured in turns in one run:
// time, the ratio, the peak memory and the longest stretch of a build without running events.
// VARNOX_BENCH_RUNS sets the runs per step (default 5). Arguments: order counts (default 20000 100000).
// VARNOX_BENCH_LIST=frmVRecD runs one list; VARNOX_BENCH_GAPS=1 tells where the longest stretch was;
// VARNOX_BENCH_KEEP=1 keeps the database; VARNOX_BENCH_STEP=window times the windows alone (for profiling).
#include "core/MainFrame.h"
#include "gen/BareRead.h"
#include "gen/BenchApp.h"
#include "gen/DataGen.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"
#include "viewers/ListMembers.h"
#include "viewers/ListWindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

namespace {

// The list windows in report-kind order.
const char* const kWindows[14] = {"frmVComm", "frmVCli",  "frmVEmp",  "frmVRecG", "frmVRecD",
                                  "frmVInv",  "frmVInfA", "frmVInfM", "frmVInfC", "frmVInfS",
                                  "frmVCncl", "frmVLack", "frmVGetD", "frmVGetY"};

// Runs of each step, taken in turns with the bare read so both see the same load; the best counts.
int runs() {
    return qEnvironmentVariableIsSet("VARNOX_BENCH_RUNS") ? qEnvironmentVariableIntValue("VARNOX_BENCH_RUNS")
                                                          : 5;
}

double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
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
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

struct Measure {
    double ms = 0;
    long peakMb = 0;
    double maxGapMs = 0;
    int count = 0;
};

// One timed build; the longest stretch without events is kept in out.
double timeBuild(core::AppState& s, const viewers::ListMember& m, Measure& out) {
    return timeMs([&] {
        QElapsedTimer gap;
        gap.start();
        double maxGap = 0;
        int at = 0;
        const viewers::BuildResult r = viewers::buildList(m, s, [&] {
            const double g = double(gap.nsecsElapsed()) / 1e6;
            if (g > maxGap) {
                maxGap = g;
                at = s.gProgressCount;
            }
            ui::DoEvents();
            gap.restart();
        });
        if (qEnvironmentVariableIsSet("VARNOX_BENCH_GAPS"))
            std::printf("  longest gap %.1f ms before record %d, %.1f ms after the last\n", maxGap, at,
                        double(gap.nsecsElapsed()) / 1e6);
        out.count = r.count;
        out.maxGapMs = std::max(out.maxGapMs, std::max(maxGap, double(gap.nsecsElapsed()) / 1e6));
    });
}

long buildPeak(core::AppState& s, const viewers::ListMember& m) {
    resetPeak();
    const long before = residentKb("VmRSS:");
    {
        const viewers::BuildResult r = viewers::buildList(m, s, [] { ui::DoEvents(); });
    }
    return (residentKb("VmHWM:") - before) / 1024;
}

long tabPeak(core::AppState& s, const viewers::ListMember& m, const QString& file) {
    resetPeak();
    const long before = residentKb("VmRSS:");
    viewers::writeTabFile(m, s, file);
    return (residentKb("VmHWM:") - before) / 1024;
}

struct BenchMain : core::MainFrame {
    void updateCommandStates() override {}
    QWidget* window() override { return nullptr; }
};

// The whole window: its build, the text put into its text box, shown. The peak is taken in a run of its
// own: resetting it hands the freed memory back to the system, which the timed runs must not pay for
// when the bare read and the build do not.
Measure measureWindow(core::AppState& s, const viewers::ListMember& m, bool peak = false) {
    static BenchMain main;
    s.gMainForm = &main;
    Measure out;
    if (peak) resetPeak();
    const long before = residentKb("VmRSS:");
    QElapsedTimer t;
    t.start();
    ++s.gOpenDataCount;
    auto* w = new viewers::ListWindow(s, m);
    w->show();
    out.ms = double(t.nsecsElapsed()) / 1e6;
    out.count = w->loaded() ? 1 : 0;
    if (peak) out.peakMb = (residentKb("VmHWM:") - before) / 1024;
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
    std::printf("\n%d orders, %d lines, %d goods, %d clients (made in %.1f s)\n", orders,
                orders * spec.linesPerOrder, spec.goods, spec.clients, double(made.elapsed()) / 1000);
    std::printf("%-10s %9s %8s %9s %9s %6s %8s %7s %9s %8s %6s %9s %6s %9s\n", "list", "records", "read ms",
                "bare ms", "build ms", "ratio", "peak MB", "gap ms", "tab ms", "tab MB", "ratio", "window ms",
                "ratio", "window MB");
    const QString tabFile = dir.filePath(QStringLiteral("tab.txt"));
    const QByteArray only = qgetenv("VARNOX_BENCH_LIST"); // one list, for profiling
    for (int kind = 1; kind <= 14; ++kind) {
        const char* window = kWindows[kind - 1];
        if (!only.isEmpty() && only != window) continue;
        const viewers::ListMember& m = *viewers::listMember(QString::fromLatin1(window));
        // In turns, so that a busy moment of the machine falls on every step alike.
        double read = 1e30, bare = 1e30, build = 1e30, tab = 1e30, shown = 1e30;
        Measure b;
        long windowPeak = 0;
        const bool windowOnly = qgetenv("VARNOX_BENCH_STEP") == "window"; // for profiling the window alone
        for (int r = 0; r < runs(); ++r) {
            if (windowOnly) {
                shown = std::min(shown, measureWindow(s, m).ms);
                continue;
            }
            read = std::min(read, timeMs([&] { benchgen::bareReadAndFormat(s.gDbPath, kind, false); }));
            bare = std::min(bare, timeMs([&] { benchgen::bareReadAndFormat(s.gDbPath, kind); }));
            build = std::min(build, timeBuild(s, m, b));
            tab = std::min(tab, timeMs([&] { viewers::writeTabFile(m, s, tabFile); }));
            shown = std::min(shown, measureWindow(s, m).ms);
        }
        windowPeak = measureWindow(s, m, true).peakMb;
        const long peak = buildPeak(s, m);
        const long tabMb = tabPeak(s, m, tabFile);
        std::printf("%-10s %9d %8.1f %9.1f %9.1f %6.2f %8ld %7.1f %9.1f %8ld %6.2f %9.1f %6.2f %9ld\n",
                    window, b.count, read, bare, build, build / bare, peak, b.maxGapMs, tab, tabMb,
                    tab / bare, shown, shown / bare, windowPeak);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    const benchgen::BenchApp bench(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {20000, 100000};
    for (int n : sizes)
        runAt(n);
    return 0;
}
