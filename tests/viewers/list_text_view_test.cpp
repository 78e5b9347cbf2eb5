// The view of the shown list: its lines as the list text has them, the room it scrolls over, and a list
// window of a large list holding little more than the text.
#include "ViewersTestDb.h"
#include "core/MainFrame.h"
#include "db/Transaction.h"
#include "viewers/ListTextView.h"
#include "viewers/ListWindow.h"

#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <malloc.h>

using namespace viewers;

TEST(ListTextView, LinesEndAtCrLfOnly) {
    struct Case {
        const char16_t* text;
        QStringList lines;
        int widest;
    };
    const Case cases[] = {
        {u"", {QString()}, 0},
        {u"abc\r\n", {"abc", ""}, 3},
        {u"a\r\n\r\nbb", {"a", "", "bb"}, 2},
        // A lone CR or LF is part of its line, as the list text holds it.
        {u"a\rb\nc\r\nd", {"a\rb\nc", "d"}, 5},
        // Full-width characters take two cells, half-width kana one.
        {u"受注No.\r\nｱｲｳ\r\n", {QStringLiteral("受注No."), QStringLiteral("ｱｲｳ"), ""}, 7},
        {u"x\r\n\r", {"x", "\r"}, 1},
    };
    ListTextView v;
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        v.setText(text);
        QStringList got;
        for (int i = 0; i < v.lineCount(); ++i)
            got << v.line(i).toString();
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(v.widestLine(), c.widest);
        EXPECT_EQ(v.text(), text);
    }
    v.setText(QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(v.toPlainText(), QStringLiteral("a\nb"));
    v.clear();
    EXPECT_EQ(v.lineCount(), 1);
}

TEST(ListTextView, ScrollsOverEveryLineAndTheWidestLine) {
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += QString(i == 500 ? 300 : 20, QLatin1Char('x')) + QStringLiteral("\r\n");
    ListTextView v;
    v.resize(400, 300);
    v.setText(text);
    v.show();
    const int rows = v.viewport()->height() / v.fontMetrics().lineSpacing();
    EXPECT_EQ(v.verticalScrollBar()->maximum(), 1001 - rows);
    EXPECT_GT(v.horizontalScrollBar()->maximum(), 300 * v.fontMetrics().horizontalAdvance(QLatin1Char('0')) - 400);
    // A new text starts at the top left again.
    v.verticalScrollBar()->setValue(700);
    v.setText(QStringLiteral("one\r\n"));
    EXPECT_EQ(v.verticalScrollBar()->value(), 0);
    EXPECT_EQ(v.verticalScrollBar()->maximum(), 0);
}

namespace {

class Main : public core::MainFrame {
public:
    void updateCommandStates() override {}
    QWidget* window() override { return nullptr; }
};

using testenv::residentKb;

} // namespace

// 10,000 orders of three lines: the order lines list is a text of some 8 MB; the window holds it once
// and an offset per line, where a text document held several times that.
TEST(ListTextView, AListWindowOfALargeListHoldsItsTextOnce) {
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "no reset of the peak resident memory here";
    testenv::TempFolder dir;
    core::AppState s;
    Main main;
    s.gMainForm = &main;
    viewerstest::makeDb(s, dir.path(QStringLiteral("shop.vrd")));
    {
        viewerstest::Filler f(s.gDbPath);
        db::Transaction tx(f.db());
        for (int o = 1; o <= 10000; ++o) {
            f.order(o, QStringLiteral("C01"), QStringLiteral("E01"), viewerstest::ole(2024, 1 + o % 12, 1 + o % 28));
            for (int l = 0; l < 3; ++l)
                f.line(o * 3 + l, o, QStringLiteral("G%1").arg(o % 500), 1 + l);
        }
        tx.commit();
    }
    clear.write("5");
    clear.close();
    const long before = residentKb("VmRSS:");
    ++s.gOpenDataCount;
    QPointer<ListWindow> w = new ListWindow(s, *listMember(QStringLiteral("frmVRecD")));
    w->show();
    ASSERT_TRUE(w->loaded());
    const double peakMb = double(residentKb("VmHWM:") - before) / 1024;
    const double textMb = double(w->shownText().size()) * 2 / (1 << 20);
    ASSERT_GT(textMb, 4.0);
    EXPECT_EQ(w->textBox()->lineCount(), w->shownText().count(QStringLiteral("\r\n")) + 1);
    EXPECT_GT(w->textBox()->lineCount(), 30000);
    EXPECT_LT(peakMb, textMb * 2 + 10) << "text " << textMb << " MB";
    delete w;
}
