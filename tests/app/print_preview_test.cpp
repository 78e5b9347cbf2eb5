// Print and preview started from their menu items of the real main window: both give the same pages for
// the same data, no text runs past the page edge, the printer set-up is the one both use, a PDF is replaced
// only by a complete one, and the preview holds its pages as small recordings.
#include "support/MainRoad.h"

#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "preview/PreviewBuild.h"
#include "preview/PreviewWindow.h"
#include "print/PageSetup.h"
#include "print/RecordingTarget.h"
#include "printing/PrintCommands.h"
#include "reports/ConditionDialog.h"
#include "reports/DefaultLayouts.h"
#include "reports/InvoiceScopeDialog.h"
#include "reports/Layout.h"
#include "reports/ProgressWait.h"
#include "reports/ReportKind.h"
#include "text/Cp932.h"
#include "ui/PrinterSetupBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

using mainroad::Program;
using namespace reports;

namespace {

QVariant money(qint64 yen) { return QVariant::fromValue(db::Currency::fromUnits(yen)); }

bool drawsNothing(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QChar(0x3000))
            return false;
    return true;
}

// The printer queue is what cannot run here: a recording device of the page set-up's page stands in.
struct Recorded {
    std::vector<std::unique_ptr<print::RecordingTarget>> documents;
    QStringList queues; // the queue each document went to
    int finished = 0;
};
class RecordingDevice : public printing::PrintDevice {
public:
    RecordingDevice(Recorded& r, print::RecordingTarget& t) : r_(r), t_(t) {}
    print::RenderTarget& target() override { return t_; }
    bool finish() override { return ++r_.finished, true; }
    void abort() override {}

private:
    Recorded& r_;
    print::RecordingTarget& t_;
};

using Pages = std::vector<QStringList>;

// Every text the printer got lies within the page; the count of texts that draw something.
int expectWithinPage(const print::RecordingTarget& doc, const QSizeF& page) {
    int drawn = 0;
    for (const auto& e : doc.entries()) {
        if (drawsNothing(e.text))
            continue;
        ++drawn;
        const double width = text::displayWidth(e.text) * e.fontSize * 10;
        EXPECT_GE(e.x, -1) << e.text.toStdString();
        EXPECT_LE(e.x + width, page.width() + 1) << e.text.toStdString();
        EXPECT_LE(e.y + e.fontSize * 20, page.height() + 1) << e.text.toStdString();
    }
    return drawn;
}

// Every text of every preview page lies within the page, measured as the preview measures it.
void expectWithinPage(const print::PageRecording& rec) {
    print::PageRecording probe(rec.scaleWidth(), rec.scaleHeight());
    for (int n = 1; n <= rec.pageCount(); ++n)
        for (const auto& item : rec.items(n)) {
            probe.setFontSize(item.fontSize);
            EXPECT_LE(item.x + probe.textWidth(item.text), rec.scaleWidth() + 15) << item.text.toStdString();
            EXPECT_LE(item.y + probe.textHeight(item.text), rec.scaleHeight() + 15) << item.text.toStdString();
        }
}

Pages pagesOf(const print::RecordingTarget& t) {
    Pages out;
    for (const auto& e : t.entries()) {
        if (e.appended || drawsNothing(e.text))
            continue;
        while (int(out.size()) < e.page)
            out.emplace_back();
        out[size_t(e.page - 1)] << e.text;
    }
    return out;
}

Pages pagesOf(const print::PageRecording& r) {
    Pages out;
    for (int p = 1; p <= r.pageCount(); ++p) {
        out.emplace_back();
        for (const auto& item : r.items(p))
            out.back() << item.text;
    }
    return out;
}

class PrintAndPreview : public ::testing::Test {
protected:
    void SetUp() override {
        print::PageSetup::current().reset();
        saved = printing::printHooks();
        printing::printHooks().wait = [](double) {};
        ASSERT_FALSE(p.newDatabase(QStringLiteral("shop.vrd")).isEmpty());
        for (int kind = 1; kind <= kReportCount; ++kind)
            setLayout(kind, 20);
    }
    void TearDown() override {
        printing::printHooks() = saved;
        print::PageSetup::current().reset();
    }

    void useRecordingPrinter() {
        printing::printHooks().device = [this](const QString&) -> std::unique_ptr<printing::PrintDevice> {
            const QSizeF page = print::PageSetup::current().printableTwips();
            recorded.documents.push_back(std::make_unique<print::RecordingTarget>(page.width(), page.height()));
            recorded.queues << print::PageSetup::current().queue();
            return std::make_unique<RecordingDevice>(recorded, *recorded.documents.back());
        };
    }

    void setLayout(int kind, int maxLine) {
        QString text = DefaultLayoutText(kind);
        text.replace(QRegularExpression(QStringLiteral("MAXLINE=\\d+")), QStringLiteral("MAXLINE=%1").arg(maxLine));
        std::int32_t count = 0;
        ASSERT_TRUE(FrmtValidate(text, count));
        p.state().gFrmtText[size_t(kind)] = text;
        p.state().gFrmtCount[size_t(kind)] = count;
    }

    // n goods, clients, employees and orders (every other one paid, every fourth cancelled, 0 to 2 lines
    // each); texts as long as their fields allow, amounts in the millions.
    void fill(int n, bool longTexts = false) {
        const auto& len = p.state().gFieldLen;
        const auto text = [&](const QString& head, int i, int field) {
            QString t = head + QString::number(i);
            if (longTexts)
                t = t.leftJustified(len[size_t(field)], QChar(0x3042), true);
            return t;
        };
        db::Database d(p.state().gDbPath);
        db::Transaction tx(d);
        const auto& reserved = p.state().gReservedCode;
        d.execute(QStringLiteral("DELETE FROM 商品マスタ WHERE 商品コード <> ?"), {reserved[core::kLenGoodsCode]});
        d.execute(QStringLiteral("DELETE FROM 顧客マスタ WHERE 顧客コード <> ?"), {reserved[core::kLenClientCode]});
        d.execute(QStringLiteral("DELETE FROM 社員マスタ WHERE 社員コード <> ?"), {reserved[core::kLenEmployeeCode]});
        d.execute(QStringLiteral("DELETE FROM 受注データ WHERE 受注No <> 0"));
        d.execute(QStringLiteral("DELETE FROM 受注個別データ WHERE 個別No <> 0"));
        int lineNo = 0;
        for (int i = 1; i <= n; ++i) {
            const QString goods = QStringLiteral("G%1").arg(i, 4, 10, QLatin1Char('0'));
            const QString client = QStringLiteral("C%1").arg(i, 4, 10, QLatin1Char('0'));
            d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?, ?, ?, ?, ?, ?, 10.0, ?, 5, ?)"),
                      {i, goods, text(QStringLiteral("商品"), i, core::kLenGoodsName), money(9876543), money(8765432),
                       money(7654321), i % 2 ? 3 : 9, QStringLiteral("文具")});
            d.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?, ?, ?, '100-0001', ?, '03-1234-5678', ?, NULL)"),
                      {i, client, text(QStringLiteral("顧客"), i, core::kLenClientName),
                       text(QStringLiteral("東京都"), i, core::kLenAddress), i % 2 ? QVariant() : QVariant("03-9")});
            d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?, ?, ?)"),
                      {i, QStringLiteral("E%1").arg(i), text(QStringLiteral("社員"), i, core::kLenEmployeeName)});
            const double date = db::toOleDate(QDate(2024, i % 12 + 1, 1));
            d.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?, ?, 'E1', ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                      {i, client, money(99999999), money(88888888), money(77777777), money(99999999), money(9999999),
                       money(99999), date, i % 2 ? 0.0 : date + 30, i % 4 ? QStringLiteral(" ") : QStringLiteral("X")});
            for (int l = 0; l < i % 3; ++l)
                d.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?, ?, ?, 99, ?, ?, ?, ?, ?, ' ')"),
                          {++lineNo, i, goods, money(9999999), money(8888888), money(7777777), money(9999999),
                           money(999999)});
        }
        tx.commit();
    }

    // Answers the report's dialogs as a person would: every year, every invoice.
    void answerDialogs(int kind) {
        if (kind == kInv) {
            mainroad::onNextModal([](QWidget* w) {
                if (auto* d = qobject_cast<InvoiceScopeDialog*>(w))
                    d->command1(1)->click();
            });
        } else if (!(kind <= kRecD || kind == kLack)) {
            mainroad::onNextModal([](QWidget* w) {
                if (auto* d = qobject_cast<ConditionDialog*>(w))
                    d->cmdOK()->click();
            });
        }
    }

    // The progress window closes itself once a build has ended; the menus are free again then.
    void progressWindowGone() {
        mainroad::waitFor([this] {
            const reports::frmEditWait* f = reports::gEditWaitForm(p.state());
            return !f || !f->isVisible();
        }, 3000);
    }

    // 印刷 > the report; the pages the printer got (none when nothing was sent).
    Pages print(int kind) {
        progressWindowGone();
        useRecordingPrinter();
        const int before = recorded.finished;
        answerDialogs(kind);
        p.trigger(QStringLiteral("mnuPr") + ReportTag(kind));
        EXPECT_EQ(p.state().gPrintDone, core::kTrue);
        if (recorded.finished == before)
            return {};
        return pagesOf(*recorded.documents.back());
    }

    // 印刷プレビュー > the report, built; nullptr when the window closed after a message.
    QPointer<preview::frmPreview> openPreview(int kind) {
        progressWindowGone();
        answerDialogs(kind);
        p.trigger(QStringLiteral("mnuPv") + ReportTag(kind));
        QPointer<preview::frmPreview> w;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<preview::frmPreview*>(top))
                w = f;
        if (!w)
            return w;
        mainroad::waitFor([&] { return !w || w->built(); });
        mainroad::waitFor([&] { return !w || w->isEnabled(); }, 500);
        return w;
    }
    void closePreview(QPointer<preview::frmPreview>& w) {
        if (w)
            w->cmdClose()->click();
        mainroad::waitFor([&] { return !w; });
        mainroad::waitFor([&] { return p.window().isEnabled(); }, 2000);
    }
    Pages preview(int kind) {
        QPointer<preview::frmPreview> w = openPreview(kind);
        mainroad::waitFor([&] { return !w || w->isEnabled(); }, 300);
        Pages pages = w && w->recording() && w->pageCount() > 0 ? pagesOf(*w->recording()) : Pages();
        closePreview(w);
        return pages;
    }

    Program p;
    printing::PrintHooks saved;
    Recorded recorded;
};

TEST_F(PrintAndPreview, GiveTheSamePagesForTheSameDataAlsoOnExactMultiplesOfTheCapacity) {
    constexpr int kMaxLine = 4;
    for (int kind = 1; kind <= kReportCount; ++kind)
        setLayout(kind, kMaxLine);
    for (int n : {1, 4, 5, 8}) { // 4 and 8 fill their pages exactly
        fill(n);
        for (int kind = 1; kind <= kReportCount; ++kind) {
            SCOPED_TRACE(testing::Message() << n << " rows, " << ReportName(kind).toStdString());
            p.messages().clear();
            const Pages printed = print(kind);
            const QStringList printMessages = p.messages().texts();
            p.messages().clear();
            const Pages previewed = preview(kind);
            EXPECT_EQ(previewed.size(), printed.size());
            EXPECT_EQ(previewed, printed);
            for (const QStringList& page : printed) {
                // no page with the header alone: every page ends with its number after some data line
                ASSERT_GE(page.size(), 2);
                EXPECT_TRUE(page.back().startsWith(QStringLiteral("- ")));
            }
            if (printed.empty()) { // both then told the user why (the texts differ by design)
                EXPECT_FALSE(printMessages.isEmpty() || p.messages().texts().isEmpty());
            }
        }
    }
}

TEST_F(PrintAndPreview, NoReportDrawsTextBeyondTheEdgeOfTheDefaultPage) {
    fill(30, true);
    const QSizeF page = print::PageSetup::current().printableTwips();
    for (int kind = 1; kind <= kReportCount; ++kind) {
        SCOPED_TRACE(ReportName(kind).toStdString());
        print(kind);
        ASSERT_FALSE(recorded.documents.empty());
        EXPECT_GT(expectWithinPage(*recorded.documents.back(), page), 0);

        QPointer<preview::frmPreview> w = openPreview(kind);
        ASSERT_TRUE(w && w->recording());
        expectWithinPage(*w->recording());
        closePreview(w);
    }
}

// Layouts the check lets through whose pages are far longer than any paper holds at their size (many
// rows, a header of hundreds of line breaks): print and preview each draw every page within the page,
// smaller as a whole, or refuse the layout with its message and draw nothing; where both draw, they give
// the same pages.
TEST_F(PrintAndPreview, ALongLayoutIsDrawnWithinThePageOrRefusedWithItsMessage) {
    fill(160);
    const QSizeF page = print::PageSetup::current().printableTwips();
    struct Case {
        int kind;
        int maxLine;
        int headerBreaks; // of the header's first line
        bool fits;        // a smaller page holds it on paper and on screen: neither may refuse it
    } cases[] = {
        {kComm, 150, 2, true}, {kComm, 20, 300, true},  {kComm, 20, 1000, false}, {kComm, 500, 2, true},
        {kRecG, 150, 2, true}, {kInfA, 100, 200, true}, {kInv, 60, 400, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ReportName(c.kind).toStdString() + " MAXLINE=" + std::to_string(c.maxLine) + " CRLF=" +
                     std::to_string(c.headerBreaks));
        QString text = DefaultLayoutText(c.kind);
        text.replace(QRegularExpression(QStringLiteral("MAXLINE=\\d+")), QStringLiteral("MAXLINE=%1").arg(c.maxLine));
        const qsizetype at = text.indexOf(QStringLiteral("CRLF="));
        ASSERT_GE(at, 0);
        text.replace(at, text.indexOf(QLatin1Char('\r'), at) - at, QStringLiteral("CRLF=%1").arg(c.headerBreaks));
        std::int32_t count = 0;
        ASSERT_TRUE(FrmtValidate(text, count));
        p.state().gFrmtText[size_t(c.kind)] = text;
        p.state().gFrmtCount[size_t(c.kind)] = count;
        const QString refusal = ReportName(c.kind) + QStringLiteral("のフォーマットデータが正しくありません。");

        p.messages().clear();
        const Pages printed = print(c.kind);
        const bool printRefused = p.messages().texts().contains(refusal);
        EXPECT_FALSE(c.fits && printRefused);
        if (printRefused) {
            EXPECT_TRUE(printed.empty());
        } else {
            ASSERT_FALSE(recorded.documents.empty());
            EXPECT_GT(expectWithinPage(*recorded.documents.back(), page), 0) << p.messages().texts().join('|').toStdString();
        }

        p.messages().clear();
        QPointer<preview::frmPreview> w = openPreview(c.kind);
        const bool previewRefused = p.messages().texts().contains(refusal);
        EXPECT_FALSE(c.fits && previewRefused);
        if (previewRefused) {
            EXPECT_TRUE(!w || w->pageCount() == 0);
        } else {
            ASSERT_TRUE(w && w->recording()) << p.messages().texts().join('|').toStdString();
            expectWithinPage(*w->recording());
            if (!printRefused) {
                EXPECT_EQ(pagesOf(*w->recording()), printed);
            }
        }
        closePreview(w);
    }
}

TEST_F(PrintAndPreview, PreviewFromTheMenuBuildsItsPagesAtTheMaximizedSize) {
    fill(3);
    QPointer<preview::frmPreview> w = openPreview(kComm);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isMaximized());
    const QSizeF page = print::PageSetup::current().printableTwips();
    const preview::PageFit fit = preview::FitPage(w->pageFrame()->width(), w->pageFrame()->height(),
                                                  w->toolbarHeight(), page.width() / 15, page.height() / 15);
    EXPECT_EQ(w->visiblePage()->size(), QSize(fit.width, fit.height));
    EXPECT_GT(fit.height, w->pageFrame()->height() / 2);
    EXPECT_DOUBLE_EQ(reportState(p.state()).gPrintScale, fit.scale);
    EXPECT_EQ(w->visiblePage()->pixmap().size(), w->visiblePage()->size());
    closePreview(w);
}

// Where the picture holds drawing (not white), as fractions of its size.
QRectF inkBox(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return QRectF(double(left) / image.width(), double(top) / image.height(), double(right - left) / image.width(),
                  double(bottom - top) / image.height());
}

// The page is drawn at the screen's pixels (sharp on a screen scaled by two: run so once more) and fitted
// again to every size the window takes, the page the user was on kept.
TEST_F(PrintAndPreview, ThePageIsDrawnAtTheScreensRatioAndFittedToEverySizeOfTheWindow) {
    fill(45);
    QPointer<preview::frmPreview> w = openPreview(kComm);
    ASSERT_TRUE(w);
    ASSERT_GE(w->pageCount(), 2);
    w->cmdFor()->click();
    const double ratio = w->devicePixelRatioF();
    if (qgetenv("QT_SCALE_FACTOR") == "2") {
        EXPECT_EQ(ratio, 2.0);
    }
    const QSizeF page = print::PageSetup::current().printableTwips();
    struct Step {
        const char* what;
        std::function<void(QWidget&)> act;
    };
    const std::vector<Step> steps{
        {"maximized, as it opens", [](QWidget&) {}},
        {"restored and made small", [](QWidget& f) { f.showNormal(), f.resize(420, 360); }},
        {"larger than it opened", [](QWidget& f) { f.resize(1400, 1100); }},
        {"wide and low", [](QWidget& f) { f.resize(900, 380); }},
        {"narrow and tall", [](QWidget& f) { f.resize(360, 700); }},
        {"maximized again", [](QWidget& f) { f.showMaximized(); }},
    };
    QRectF firstInk;
    for (const Step& step : steps) {
        step.act(*w);
        QSize fitted;
        mainroad::waitFor([&] {
            const preview::PageFit fit = preview::FitPage(w->pageFrame()->width(), w->pageFrame()->height(),
                                                          w->toolbarHeight(), page.width() / 15, page.height() / 15);
            fitted = QSize(fit.width, fit.height);
            return w->visiblePage()->size() == fitted;
        }, 2000);
        EXPECT_EQ(w->visiblePage()->size(), fitted) << step.what;
        EXPECT_TRUE(w->pageFrame()->rect().contains(w->visiblePage()->geometry())) << step.what;
        EXPECT_EQ(w->page(), 2) << step.what;
        const QPixmap shown = w->visiblePage()->pixmap();
        EXPECT_EQ(shown.devicePixelRatio(), ratio) << step.what;
        EXPECT_EQ(shown.size(), (QSizeF(fitted) * ratio).toSize()) << step.what;
        // The same page, only larger or smaller: its drawing takes the same part of the picture.
        const QRectF ink = inkBox(shown.toImage());
        if (firstInk.isNull())
            firstInk = ink;
        for (auto [now, then] : {std::pair{ink.left(), firstInk.left()}, {ink.right(), firstInk.right()},
                                 {ink.top(), firstInk.top()}, {ink.bottom(), firstInk.bottom()}})
            EXPECT_NEAR(now, then, 0.03) << step.what;
    }
    closePreview(w);
}

TEST(PageFit, TheExampleOfAPageFittedByHeightAndOneFittedByWidth) {
    const preview::PageFit byHeight = preview::FitPage(310, 150, 10, 200, 300);
    EXPECT_EQ(byHeight.width, 93);
    EXPECT_EQ(byHeight.height, 140);
    EXPECT_EQ(byHeight.top, 5);
    EXPECT_EQ(byHeight.left, 108);
    EXPECT_DOUBLE_EQ(byHeight.scale, 140.0 / 300);
    const preview::PageFit byWidth = preview::FitPage(210, 400, 10, 200, 300);
    EXPECT_EQ(byWidth.width, 200);
    EXPECT_EQ(byWidth.height, 300);
    EXPECT_EQ(byWidth.left, 5);
    EXPECT_EQ(byWidth.top, 50);
    EXPECT_DOUBLE_EQ(byWidth.scale, 1.0);
}

// Two print queues stand in for the machine's, the first the default one, each taking A4 and A5.
class PrinterSetUp : public PrintAndPreview {
protected:
    static void SetUpTestSuite() {
        saved_ = print::printQueues();
        print::printQueues() = {
            [] { return QStringList{QStringLiteral("事務所"), QStringLiteral("倉庫")}; },
            [](const QString&) { return QPageSize(QPageSize::A4); },
            [](const QString&) { return QList<QPageSize>{QPageSize(QPageSize::A4), QPageSize(QPageSize::A5)}; }};
    }
    static void TearDownTestSuite() { print::printQueues() = saved_; }
    static inline print::PrintQueues saved_;
};

TEST_F(PrinterSetUp, TheQueueAndPageChosenTakeThePrintAndThePreviewAndCancelChangesNothing) {
    fill(3);
    const struct {
        const char* queue;
        QPageSize::PageSizeId paper;
        bool landscape;
        QDialogButtonBox::StandardButton answer;
        const char* printsOn;
        QPageSize::PageSizeId printedPaper;
        bool printedLandscape;
    } rows[] = {
        {"倉庫", QPageSize::A5, true, QDialogButtonBox::Cancel, "事務所", QPageSize::A4, false},
        {"倉庫", QPageSize::A5, true, QDialogButtonBox::Ok, "倉庫", QPageSize::A5, true},
        {"事務所", QPageSize::A4, false, QDialogButtonBox::Cancel, "倉庫", QPageSize::A5, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.answer);
        mainroad::onNextModalOf<ui::PrinterSetupDialog>([&](ui::PrinterSetupDialog& box) {
            box.findChild<QComboBox*>(QStringLiteral("queue"))->setCurrentText(QString::fromUtf8(r.queue));
            box.findChild<QComboBox*>(QStringLiteral("paper"))->setCurrentText(QPageSize(r.paper).name());
            const QString turn = r.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait");
            box.findChild<QRadioButton*>(turn)->click();
            box.findChild<QDialogButtonBox*>()->button(r.answer)->click();
        });
        ASSERT_TRUE(mainroad::waitFor([&] { return p.reachable(QStringLiteral("mnuFilePageSetup")); }));
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuFilePageSetup")));
        ASSERT_FALSE(print(kComm).empty());
        EXPECT_EQ(recorded.queues.back(), QString::fromUtf8(r.printsOn));
        const print::RecordingTarget& job = *recorded.documents.back();
        const double paperLong = QPageSize(r.printedPaper).size(QPageSize::Point).height() * 20;
        EXPECT_EQ(job.scaleWidth() > job.scaleHeight(), r.printedLandscape);
        EXPECT_LE(std::max(job.scaleWidth(), job.scaleHeight()), paperLong);
        EXPECT_GT(std::max(job.scaleWidth(), job.scaleHeight()), paperLong * 0.8);
        QPointer<preview::frmPreview> w = openPreview(kComm);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->visiblePage()->width() > w->visiblePage()->height(), r.printedLandscape);
        closePreview(w);
    }

    // The real device, here where Qt knows no queue: a PDF of the chosen page.
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine prints to a queue";
    printing::printHooks().device = saved.device;
    ASSERT_TRUE(mainroad::waitFor([&] { return p.reachable(QStringLiteral("mnuPrComm")); }));
    p.trigger(QStringLiteral("mnuPrComm"));
    QFile pdf(QDir(printing::PdfFallbackFolder()).filePath(QStringLiteral("商品マスタ.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << p.messages().texts().join('|').toStdString();
    const QByteArray bytes = pdf.readAll();
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(bytes));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_GT(m.captured(1).toDouble(), m.captured(2).toDouble());
}

TEST_F(PrintAndPreview, APdfIsReplacedOnlyByACompleteOneAndTheStatusBarSaysWhereItWent) {
    if (print::PageSetup::hasPrintQueue())
        GTEST_SKIP() << "this machine prints to a queue";
    fill(45);
    const QString path = QDir(printing::PdfFallbackFolder()).filePath(QStringLiteral("商品マスタ.pdf"));
    QFile::remove(path);
    p.trigger(QStringLiteral("mnuPrComm"));
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << p.messages().texts().join('|').toStdString();
    const QByteArray good = pdf.readAll();
    pdf.close();
    EXPECT_TRUE(good.startsWith("%PDF"));
    EXPECT_TRUE(good.trimmed().endsWith("%%EOF"));
    EXPECT_TRUE(p.window().statusText(1).contains(QDir::toNativeSeparators(path)));

    // A print that fails half way (here: after twenty rows) leaves the earlier file byte for byte.
    int rows = 0;
    printing::printHooks().yield = [&rows] {
        if (++rows == 20)
            throw std::runtime_error("the printer went away");
    };
    p.messages().clear();
    // The menu comes back once the print has let go of the window.
    ASSERT_TRUE(mainroad::waitFor([&] { return p.reachable(QStringLiteral("mnuPrComm")); }));
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuPrComm")));
    ASSERT_EQ(p.messages().shown().size(), 1u);
    EXPECT_EQ(p.messages().shown().front().title, QStringLiteral("データベース読み込み中にエラーが発生しました"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.readAll(), good);
    const QStringList left = QDir(printing::PdfFallbackFolder()).entryList(QDir::Files);
    EXPECT_EQ(left.filter(QStringLiteral(".part")), QStringList());
}

TEST_F(PrintAndPreview, APreviewOfTwoThousandPagesHoldsLittleMemory) {
    setLayout(kComm, 1);
    fill(2000);
    QPointer<preview::frmPreview> w = openPreview(kComm);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->pageCount(), 2000);
    // A page as a picture of the screen takes about 2 MB; as a recording it takes a few hundred bytes.
    ASSERT_NE(w->recording(), nullptr);
    EXPECT_LT(w->recording()->bytes(), std::size_t(8) << 20);
    for (int i = 1; i < 2000; i += 500) {
        const QImage page = w->pageImage(i);
        EXPECT_FALSE(page.isNull());
    }
    closePreview(w);
}

} // namespace

TEST_F(PrintAndPreview, PrintFromThePreviewSendsItsPagesThroughThePrintCommandAndCloses) {
    fill(45);
    const Pages printed = print(kComm);
    QPointer<preview::frmPreview> w = openPreview(kComm);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->recording());
    const Pages shown = pagesOf(*w->recording());
    useRecordingPrinter();
    const int before = recorded.finished;
    w->cmdPrint()->click();
    mainroad::waitFor([&] { return !w; });
    EXPECT_FALSE(w);
    ASSERT_EQ(recorded.finished, before + 1);
    EXPECT_EQ(pagesOf(*recorded.documents.back()), shown);
    EXPECT_EQ(shown, printed);
    EXPECT_EQ(p.state().gPrintMode, core::kFalse);
    mainroad::waitFor([&] { return p.window().isEnabled(); }, 2000);
    EXPECT_TRUE(p.window().isEnabled());
}
