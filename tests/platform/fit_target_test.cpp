// Fitting pages on a device: the scale a page needs, drawing at that scale, and the line that would
// still run past the edge.
#include "print/FitTarget.h"
#include "print/PageRecording.h"
#include "print/RecordingTarget.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>

namespace {

TEST(FitScale, OneWhenThePageFitsElseTheSmallerRatio) {
    struct Case {
        double right, bottom, width, height, scale;
    };
    const Case cases[] = {
        {100, 100, 200, 300, 1.0}, {200, 300, 200, 300, 1.0}, {400, 100, 200, 300, 0.5},
        {100, 600, 200, 300, 0.5}, {400, 900, 200, 300, 1.0 / 3}, {0, 0, 200, 300, 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(print::FitScale(c.right, c.bottom, c.width, c.height), c.scale)
            << c.right << " x " << c.bottom;
    }
}

// Right edge of what the recorder got, from its own fixed-pitch measure.
double rightEdge(const print::RecordingTarget::Entry& e) { return e.x + text::displayWidth(e.text) * e.fontSize * 10; }

TEST(FitTarget, DrawsEverythingAtItsScaleAndKeepsEveryLineOnThePage) {
    struct Case {
        double scale;
        double x;
        QString text;
        bool fitsAsItIs;
    };
    const QString wide = QString(120, QLatin1Char('9')); // 120 columns at 9 points: 10800 twips
    const Case cases[] = {
        {1.0, 0, QStringLiteral("short"), true},
        {0.5, 200, QStringLiteral("short"), true},
        {1.0, 0, wide, false},     // wider than the page: drawn smaller
        {1.0, 8000, QStringLiteral("0123456789012345678901234567890123456789"), false}, // moved left
        {0.5, 0, wide, true},      // fits once the page is drawn at half size
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.left(10).toStdString());
        print::RecordingTarget device(10000, 14000);
        print::FitTarget fit(device, c.scale);
        fit.setFontSize(9);
        fit.setCurrentX(c.x);
        fit.setCurrentY(100);
        EXPECT_DOUBLE_EQ(fit.scaleWidth(), 10000 / c.scale);
        fit.print(c.text);
        ASSERT_EQ(device.entries().size(), 1u);
        const auto& e = device.entries().front();
        EXPECT_LE(rightEdge(e), 10000 + 1);
        EXPECT_DOUBLE_EQ(e.y, 100 * c.scale);
        if (c.fitsAsItIs) {
            EXPECT_DOUBLE_EQ(e.x, c.x * c.scale);
            EXPECT_DOUBLE_EQ(e.fontSize, 9 * c.scale);
        } else {
            EXPECT_LE(e.x, c.x * c.scale); // moved left, never right
            if (c.x == 0) {
                EXPECT_LT(e.fontSize, 9 * c.scale); // only a line wider than the page gets smaller
            } else {
                EXPECT_DOUBLE_EQ(e.fontSize, 9 * c.scale);
            }
        }
        // The next line starts one normal line lower, at the normal size, from the left.
        EXPECT_DOUBLE_EQ(fit.fontSize(), 9);
        EXPECT_DOUBLE_EQ(fit.currentY(), 100 + 9 * 20);
        EXPECT_DOUBLE_EQ(fit.currentX(), 0);
    }
}

TEST(PageRecording, KeepsEveryPageAndPlaysItBackAsDrawn) {
    print::PageRecording rec(10000, 14000);
    EXPECT_EQ(rec.pageCount(), 0);
    for (int page = 1; page <= 300; ++page) {
        if (page > 1)
            rec.newPage();
        rec.setFontSize(10);
        rec.print(QStringLiteral("見出し")); // the same on every page: kept once
        rec.print(QStringLiteral("    "));  // blanks draw nothing and take only their line
        rec.setFontSize(9);
        rec.print(QStringLiteral("行 %1").arg(page));
    }
    EXPECT_EQ(rec.pageCount(), 300);
    const auto items = rec.items(150);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, QStringLiteral("見出し"));
    EXPECT_EQ(items[0].fontSize, 10);
    EXPECT_EQ(items[1].text, QStringLiteral("行 150"));
    EXPECT_GT(items[1].y, items[0].y + rec.textHeight(QStringLiteral("x")));

    print::RecordingTarget replay;
    rec.play(150, replay);
    EXPECT_EQ(replay.printedTexts(), (QStringList{QStringLiteral("見出し"), QStringLiteral("行 150")}));
    EXPECT_DOUBLE_EQ(replay.entries()[1].y, items[1].y);
    EXPECT_TRUE(rec.items(301).empty());
}

} // namespace
