// Preview and print of the fourteen reports on 20,000 and 100,000 orders (three lines each): the
// preview's build time against the bare read and format of the report's rows (gen/BareRead.h), its peak
// memory, the time to show page 1 and the last page and the preview window from its opening to page 1;
// the print to PDF against a plain QPdfWriter/QPainter loop that draws the same texts at the same places
// in the same font, and the ratio of the two. Steps run in turns, best of VARNOX_BENCH_RUNS (3) previews
// and VARNOX_BENCH_PRINT_RUNS (2) prints. Memory is the process's highest resident size in the first run
// of a step. An argument gives one number of orders instead of the two; VARNOX_BENCH_ONLY=preview|print
// and VARNOX_BENCH_REPORT=kind[,kind...] narrow the run.
#include "gen/BareRead.h"
#include "gen/BenchApp.h"
#include "gen/DataGen.h"

#include "core/MainFrame.h"
#include "preview/PreviewBuild.h"
#include "preview/PreviewWindow.h"
#include "print/PageRecording.h"
#include "print/PageSetup.h"
#include "print/PainterTarget.h"
#include "print/RecordingTarget.h"
#include "printing/PrintCommands.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/ReportKind.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Resident memory in MB, from the kernel.
double residentMb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1048576.0 : 0;
}

// The highest resident memory while work runs, sampled every 5 ms.
struct PeakMemory {
    // Memory freed by the step before goes back to the system first, so it does not count here.
    PeakMemory() : base((malloc_trim(0), residentMb())), peak(base) {
        sampler = std::thread([this] {
            while (!stop) {
                const double now = residentMb();
                if (now > peak) peak = now;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~PeakMemory() { end(); }
    double end() {
        if (sampler.joinable()) {
            stop = true;
            sampler.join();
        }
        return peak;
    }
    double base;
    std::atomic<double> peak;
    std::atomic<bool> stop{false};
    std::thread sampler;
};

// The plain writer: every recorded text at its place, in the report font, page after page.
double plainWriter(const print::RecordingTarget& doc, const QString& file) {
    const auto t0 = Clock::now();
    QPdfWriter writer(file);
    writer.setResolution(1200);
    writer.setPageLayout(print::PageSetup::current().layout());
    QPainter painter(&writer);
    QFont font(print::fixedPitchFamily(), &writer);
    double size = -1;
    int page = 1;
    const double px = writer.logicalDpiX() / 1440.0;
    const double py = writer.logicalDpiY() / 1440.0;
    for (const auto& e : doc.entries()) {
        while (e.page > page) {
            writer.newPage();
            ++page;
        }
        if (e.text == QLatin1String("\r\n")) continue; // a line end alone draws nothing
        if (e.fontSize != size) {
            size = e.fontSize;
            font.setPointSizeF(std::max(1.0, size));
            painter.setFont(font);
        }
        painter.drawText(QPointF(e.x * px, e.y * py + painter.fontMetrics().ascent()), e.text);
    }
    painter.end();
    return since(t0);
}

int pdfPages(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray b = f.readAll();
    return int(b.count("/Type /Page\n") + b.count("/Type /Page\r") + b.count("/Type /Page "));
}

int runs(const char* name, int fallback) {
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

struct BenchMain : core::MainFrame {
    void updateCommandStates() override {}
    QWidget* window() override { return nullptr; }
};

// The preview window as a person opens it, from its creation to page 1 on screen.
double previewWindowSeconds(core::AppState& s, const QString& name) {
    static BenchMain main;
    s.gMainForm = &main;
    s.gReportName = name;
    const auto t0 = Clock::now();
    auto* w = new preview::frmPreview(s);
    w->setWaitOneSecond([] {});
    w->resize(1000, 900);
    w->show();
    w->build();
    const double seconds = since(t0);
    delete w;
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    benchgen::BenchApp bench(argc, argv);
    ui::RecordingMessageService& messages = bench.messages();
    QTemporaryDir dir;
    qputenv("HOME", dir.path().toLocal8Bit());
    QList<int> sizes{20000, 100000};
    if (argc > 1) sizes = {QString::fromLocal8Bit(argv[1]).toInt()};
    const int previewRuns = runs("VARNOX_BENCH_RUNS", 3);
    const int printRuns = runs("VARNOX_BENCH_PRINT_RUNS", 2);
    const QByteArray only = qgetenv("VARNOX_BENCH_ONLY"); // "preview" or "print"
    QList<int> onlyKinds; // report kinds, "6" or "5,6"
    for (const QByteArray& k : qgetenv("VARNOX_BENCH_REPORT").split(','))
        if (k.toInt() > 0)
            onlyKinds << k.toInt();

    printing::printHooks().showProgress = false;
    printing::printHooks().wait = [](double) {};

    for (const int orders : sizes) {
        core::AppState s;
        benchgen::DbSpec spec;
        spec.orders = orders;
        spec.linesPerOrder = 3;
        const auto made = Clock::now();
        benchgen::makeDatabase(s, dir.filePath(QStringLiteral("bench%1.vrd").arg(orders)), spec);
        std::printf(
            "\n%d orders, %d lines (database made in %.1f s); best of %d previews, %d prints, in turns with "
            "the bare read\n",
            orders, orders * 3, since(made), previewRuns, printRuns);
        for (int kind = 1; kind <= reports::kReportCount; ++kind) {
            s.gFrmtText[size_t(kind)] = reports::DefaultLayoutText(kind);
            reports::FrmtValidate(s.gFrmtText[size_t(kind)], s.gFrmtCount[size_t(kind)]);
        }
        s.gInvPrintScope = 1; // every order
        s.gInvFooterOn = core::kTrue;
        s.gPrintMode = core::kTrue;

        std::printf("%-18s | %7s %8s %8s %6s %8s %8s %8s %8s | %8s %8s %6s %8s %6s\n", "report", "pages",
                    "bare s", "build s", "ratio", "peak MB", "page1 ms", "last ms", "window s", "print s",
                    "plain s", "ratio", "peak MB", "pages");
        for (int kind = 1; kind <= reports::kReportCount; ++kind) {
            if (!onlyKinds.isEmpty() && !onlyKinds.contains(kind)) continue;
            const QString name = reports::ReportName(kind);
            reports::ReportState& rs = reports::reportState(s);
            double bare = 1e30;
            const auto bareOnce = [&] {
                const auto t0 = Clock::now();
                benchgen::bareReadAndFormat(s.gDbPath, kind);
                bare = std::min(bare, since(t0));
            };

            // The preview as the window builds it: a page 800 pixels high, recorded, then two pages drawn.
            const QSizeF page = print::PageSetup::current().printableTwips();
            const double scale = 800.0 * 15 / page.height();
            double buildSeconds = 1e30, previewPeak = 0, firstMs = 0, lastMs = 0, windowSeconds = 0;
            int previewPages = 0;
            for (int r = 0; r < previewRuns && only != "print"; ++r) {
                bareOnce();
                rs.gPrintScale = scale;
                std::optional<PeakMemory> mem;
                if (r == 0) mem.emplace();
                const auto t0 = Clock::now();
                auto rec =
                    std::make_unique<print::PageRecording>(page.width() * scale, page.height() * scale);
                preview::BuildContext ctx{s, rs, *rec, [] {}, [] { printing::YieldNowAndThen(); }};
                preview::BuildPreview(ctx, name);
                buildSeconds = std::min(buildSeconds, since(t0));
                previewPages = rec->pageCount();
                const auto draw = [&](int n) {
                    const auto t1 = Clock::now();
                    QImage image(QSize(int(page.width() * scale / 15), int(page.height() * scale / 15)),
                                 QImage::Format_RGB32);
                    image.fill(Qt::white);
                    print::PainterTarget target(&image);
                    rec->play(n, target);
                    target.end();
                    return since(t1) * 1000;
                };
                if (previewPages > 0) {
                    firstMs = draw(1);
                    lastMs = draw(previewPages);
                }
                if (mem) previewPeak = mem->end();
                rec.reset();
            }
            if (only != "print") windowSeconds = previewWindowSeconds(s, name);

            // The print to PDF through the print command, then the same texts through the plain writer.
            const QString pdf = QDir(printing::PdfFallbackFolder()).filePath(name + QStringLiteral(".pdf"));
            double printSeconds = 1e30, plainSeconds = 1e30, printPeak = 0;
            int printedPages = 0;
            if (only != "preview") {
                rs.gPrintScale = 1.0;
                const auto printOnce = [&](bool measurePeak) {
                    std::optional<PeakMemory> mem;
                    if (measurePeak)
                        mem.emplace();
                    const auto t0 = Clock::now();
                    printing::RunPrintCommand(
                        *printing::FindPrintReport(QStringLiteral("mnuPr") + reports::ReportTag(kind)), s,
                        nullptr);
                    printSeconds = std::min(printSeconds, since(t0));
                    if (mem)
                        printPeak = mem->end();
                    printedPages = pdfPages(pdf);
                    QFile::remove(pdf);
                };
                // The first print's memory is measured before the texts for the plain writer are held.
                printOnce(true);
                print::RecordingTarget doc(page.width(), page.height());
                {
                    const auto saved = printing::printHooks().device;
                    struct Rec : printing::PrintDevice {
                        explicit Rec(print::RecordingTarget& t) : t(t) {}
                        print::RenderTarget& target() override { return t; }
                        bool finish() override { return true; }
                        void abort() override {}
                        print::RecordingTarget& t;
                    };
                    printing::printHooks().device = [&doc](const QString&) {
                        return std::make_unique<Rec>(doc);
                    };
                    printing::RunPrintCommand(
                        *printing::FindPrintReport(QStringLiteral("mnuPr") + reports::ReportTag(kind)), s,
                        nullptr);
                    printing::printHooks().device = saved;
                }
                for (int r = 0; r < printRuns; ++r) {
                    if (r > 0)
                        printOnce(false);
                    plainSeconds =
                        std::min(plainSeconds, plainWriter(doc, dir.filePath(QStringLiteral("plain.pdf"))));
                }
            }
            // Steps left out of the run show as 0.
            if (bare > 1e29)
                bare = 0;
            if (buildSeconds > 1e29)
                buildSeconds = 0;
            if (printSeconds > 1e29)
                printSeconds = plainSeconds = 0;
            std::printf(
                "%-18s | %7d %8.3f %8.3f %6.2f %8.0f %8.1f %8.1f %8.2f | %8.2f %8.2f %6.2f %8.0f %6d\n",
                name.toUtf8().constData(), previewPages, bare, buildSeconds, bare > 0 ? buildSeconds / bare : 0.0, previewPeak,
                firstMs, lastMs, windowSeconds, printSeconds, plainSeconds,
                plainSeconds > 0 ? printSeconds / plainSeconds : 0.0, printPeak, printedPages);
            std::fflush(stdout);
        }
        if (!messages.texts().isEmpty())
            std::printf("messages: %s\n", messages.texts().join(QLatin1Char('|')).toUtf8().constData());
        messages.clear();
    }
    ui::setMessageService(nullptr);
    return 0;
}
