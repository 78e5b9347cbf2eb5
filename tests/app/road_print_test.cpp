// Printing on the main road: each of the fourteen print commands from its 印刷 item to the PDF a machine
// without a print queue gets, every word inside the page, as many pages as the preview of the same
// report opened from its 印刷プレビュー item, whose pages are fitted to the window.
#include "support/MainRoad.h"

#include "preview/PreviewWindow.h"
#include "printing/PrintCommands.h"
#include "reports/ReportKind.h"
#include "shell/CommandStates.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::waitFor;

namespace {


// What pdftotext -bbox finds in a PDF: pages, their size in points, and every word with its box.
struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax;
    int page;
};
struct PdfText {
    bool read = false;
    QList<QSizeF> pages;
    QList<PdfWord> words;
};

PdfText readPdf(const QString& path) {
    PdfText out;
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return out;
    const QString html = QString::fromUtf8(tool.readAllStandardOutput());
    static const QRegularExpression page(QString::fromLatin1(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    static const QRegularExpression word(
        QString::fromLatin1(R"re(<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">([^<]*)</word>)re"));
    for (const QString& part : html.split(QStringLiteral("<page "))) {
        const auto m = page.match(QStringLiteral("<page ") + part);
        if (!m.hasMatch())
            continue;
        out.pages << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
        for (auto it = word.globalMatch(part); it.hasNext();) {
            const auto w = it.next();
            out.words << PdfWord{w.captured(5), w.captured(1).toDouble(), w.captured(2).toDouble(),
                                 w.captured(3).toDouble(), w.captured(4).toDouble(), int(out.pages.size())};
        }
    }
    out.read = true;
    return out;
}

preview::frmPreview* openPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* pv = qobject_cast<preview::frmPreview*>(w); pv && pv->isVisible())
            return pv;
    return nullptr;
}

// Starts a menu item once it can be used (the progress window of the last report may still be up).
void start(Program& p, const QString& item) {
    waitFor([&] { return p.window().item(item)->isEnabled(); }, 5000);
    p.trigger(item);
}

QStringList pdfsIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

// The words each report must print: its last column heading, so a cut column shows.
const char* const kLastHeading[14] = {
    "商品名", "顧客名", "氏名", "キャンセル", "キャンセル", "合計", "キャンセル",
    "キャンセル", "キャンセル", "キャンセル", "キャンセル", "発注点", "入金日", "入金日",
};

} // namespace

TEST(RoadPrint, EachReportPrintsWithinThePageAndPreviewsTheSamePages) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a print queue; the walk checks the PDF written without one";
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    const QString folder = printing::PdfFallbackFolder();
    for (int i = 0; i < 14; ++i) {
        const QString tag = QLatin1String(shell::kReportTags[size_t(i)]);
        SCOPED_TRACE(tag.toStdString());
        p.messages().clear();
        for (const QString& old : pdfsIn(folder))
            QFile::remove(QDir(folder).filePath(old));

        mainroad::answerReportDialog();
        start(p, QStringLiteral("mnuPr") + tag);
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        const QStringList written = pdfsIn(folder);
        ASSERT_EQ(written.size(), 1) << written.join(',').toStdString();
        const PdfText pdf = readPdf(QDir(folder).filePath(written.first()));
        ASSERT_TRUE(pdf.read);
        ASSERT_FALSE(pdf.pages.isEmpty());
        QStringList all;
        for (const PdfWord& w : pdf.words) {
            const QSizeF page = pdf.pages[w.page - 1];
            EXPECT_TRUE(w.xMin >= 0 && w.yMin >= 0 && w.xMax <= page.width() && w.yMax <= page.height())
                << "page " << w.page << ": " << w.text.toStdString() << " at " << w.xMin << "," << w.yMin << "-"
                << w.xMax << "," << w.yMax << " on " << page.width() << "x" << page.height();
            all << w.text;
        }
        EXPECT_TRUE(all.join(QString()).contains(QString::fromUtf8(kLastHeading[i]))) << all.join(' ').toStdString();

        mainroad::answerReportDialog();
        start(p, QStringLiteral("mnuPv") + tag);
        preview::frmPreview* pv = nullptr;
        ASSERT_TRUE(waitFor([&] { return (pv = openPreview()) && pv->built(); })) << joined(p).toStdString();
        EXPECT_EQ(pv->pageCount(), pdf.pages.size());
        // The page picture fills the window's height (or width) at the page's proportions.
        const QImage& page = pv->pageImage(1);
        const QSizeF twips = preview::frmPreview::printerPageTwips();
        EXPECT_NEAR(double(page.width()) / page.height(), twips.width() / twips.height(), 0.02);
        EXPECT_GE(page.height(), pv->height() / 2) << page.width() << "x" << page.height() << " in " << pv->width()
                                                   << "x" << pv->height();
        EXPECT_LE(page.height(), pv->height());
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        pv->cmdClose()->click();
        EXPECT_TRUE(waitFor([] { return openPreview() == nullptr; }));
        EXPECT_TRUE(p.window().isEnabled());
    }
}

TEST(RoadPrint, PrintAndPreviewAgreeOnPagesAtEveryPageBoundary) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a print queue; the walk checks the PDF written without one";
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    const auto maxLine = QRegularExpression(QStringLiteral("MAXLINE=(\\d+)")).match(p.state().gFrmtText[reports::kComm]);
    ASSERT_TRUE(maxLine.hasMatch());
    const int perPage = maxLine.captured(1).toInt();
    ASSERT_GT(perPage, 1);
    const QString folder = printing::PdfFallbackFolder();
    static const QRegularExpression code(QStringLiteral("^G\\d+$"));
    int goods = int(Program::shopGoods().size());
    for (const int wanted : {perPage - 1, perPage, perPage + 1, 2 * perPage}) {
        SCOPED_TRACE(wanted);
        // More goods through the import, up to the number wanted.
        QStringList lines;
        for (; goods < wanted; ++goods)
            lines << QStringLiteral("%1\tG%2\t追加商品%2\t100\t80\t60\t8\t10\t1\t食品").arg(goods + 1).arg(1000 + goods);
        if (!lines.isEmpty()) {
            const QString file = p.path(QStringLiteral("more%1.txt").arg(wanted));
            mainroad::writeCp932(file, lines);
            p.nextPath(file);
            p.trigger(QStringLiteral("mnuImpComm"));
        }
        ASSERT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM 商品マスタ WHERE 商品No <> 0")).toInt(), wanted);
        for (const QString& old : pdfsIn(folder))
            QFile::remove(QDir(folder).filePath(old));
        start(p, QStringLiteral("mnuPrComm"));
        const QStringList written = pdfsIn(folder);
        ASSERT_EQ(written.size(), 1) << joined(p).toStdString();
        const PdfText pdf = readPdf(QDir(folder).filePath(written.first()));
        ASSERT_TRUE(pdf.read);
        // Every page lists goods: no page of the header alone.
        QList<int> codesOnPage(pdf.pages.size(), 0);
        for (const PdfWord& w : pdf.words)
            if (code.match(w.text).hasMatch())
                ++codesOnPage[w.page - 1];
        for (int i = 0; i < codesOnPage.size(); ++i)
            EXPECT_GT(codesOnPage[i], 0) << "page " << i + 1 << " of " << codesOnPage.size();
        int listed = 0;
        for (int n : codesOnPage)
            listed += n;
        EXPECT_EQ(listed, wanted);

        start(p, QStringLiteral("mnuPvComm"));
        preview::frmPreview* pv = nullptr;
        ASSERT_TRUE(waitFor([&] { return (pv = openPreview()) && pv->built(); })) << joined(p).toStdString();
        EXPECT_EQ(pv->pageCount(), pdf.pages.size());
        pv->cmdClose()->click();
        ASSERT_TRUE(waitFor([] { return openPreview() == nullptr; }));
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    }
}
