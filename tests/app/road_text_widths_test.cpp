// Text widths on the main road: every text of the fourteen reports, as their previews opened from the
// 印刷プレビュー items record them, measured from the per-character advances equals the device's own
// measure of the whole text, on the preview's picture and on the printer the print commands draw on.
#include "support/MainRoad.h"

#include "preview/PreviewWindow.h"
#include "print/PageSetup.h"
#include "print/TextMetrics.h"
#include "shell/CommandStates.h"

#include <QApplication>
#include <QImage>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using mainroad::Program;
using mainroad::waitFor;

namespace {

preview::frmPreview* openPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* pv = qobject_cast<preview::frmPreview*>(w); pv && pv->isVisible()) return pv;
    return nullptr;
}


} // namespace

TEST(RoadTextWidths, EveryReportTextMeasuresAsTheDeviceMeasuresIt) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    // Texts by the sizes they were drawn in on the preview.
    std::map<double, QSet<QString>> drawn;
    for (const char* tag : shell::kReportTags) {
        SCOPED_TRACE(tag);
        mainroad::answerReportDialog();
        ASSERT_TRUE(waitFor(
            [&] { return p.window().item(QStringLiteral("mnuPv") + QLatin1String(tag))->isEnabled(); }));
        p.trigger(QStringLiteral("mnuPv") + QLatin1String(tag));
        preview::frmPreview* pv = nullptr;
        ASSERT_TRUE(waitFor([&] { return (pv = openPreview()) && pv->built(); }));
        ASSERT_NE(pv->recording(), nullptr);
        ASSERT_GT(pv->pageCount(), 0);
        for (int page = 1; page <= pv->pageCount(); ++page)
            for (const print::PageRecording::Item& item : pv->recording()->items(page))
                drawn[item.fontSize].insert(item.text);
        pv->cmdClose()->click();
        ASSERT_TRUE(waitFor([] { return openPreview() == nullptr; }));
    }
    ASSERT_GE(drawn.size(), 2u);

    QImage picture(800, 1100, QImage::Format_RGB32); // the preview's pages: 96 dpi
    picture.setDotsPerMeterX(3780);
    picture.setDotsPerMeterY(3780);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    print::PageSetup::current().applyTo(printer);
    printer.setOutputFileName(dir.filePath(QStringLiteral("widths.pdf")));
    QSet<QString> all;
    for (const auto& [size, texts] : drawn)
        all.unite(texts);
    int compared = 0;
    for (auto [name, device] :
         {std::pair<const char*, QPaintDevice*>{"preview", &picture}, {"printer", &printer}}) {
        print::TextMetrics m(device);
        // On the preview each text in its own size; on paper the layouts' sizes, unscaled.
        std::map<double, QSet<QString>> sized = drawn;
        if (device == &printer) sized = {{9.0, all}, {12.0, all}, {15.0, all}};
        for (const auto& [size, texts] : sized) {
            m.setPointSize(size);
            for (const QString& t : texts) {
                EXPECT_EQ(m.textWidth(t), m.shapedWidth(t))
                    << name << " at " << size << ": " << t.toStdString();
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 200);
}
