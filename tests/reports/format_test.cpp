// The FORMAT pattern formatter and the display-width cut.
#include "reports/Format.h"

#include "db/OleDate.h"

#include <QDate>
#include <QTime>
#include <cmath>

#include <gtest/gtest.h>
#include <limits>

using namespace reports;

namespace {

using C = db::Currency;

FieldValue cur(std::int64_t raw) { return FieldValue::ofCurrency(C::fromRaw(raw)); }

// What only an edited database holds: infinities, NaN and the far ends of the integer types, in every
// kind of pattern; nothing prints "nan" or "inf", and the extremes stay exact.
TEST(Format, ValuesNoTextCanGiveShowTheOutOfRangeText) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QString out = db::kOutOfRangeText;
    struct Case {
        FieldValue v;
        const char16_t* pattern;
        QString expected;
    };
    const Case cases[] = {
        {FieldValue::ofSingle(std::numeric_limits<float>::quiet_NaN()), u"###,##0.00", out},
        {FieldValue::ofSingle(std::numeric_limits<float>::infinity()), u"###,##0.00", out},
        {FieldValue::ofSingle(-std::numeric_limits<float>::infinity()), u"#####0", out},
        {FieldValue::ofSingle(std::numeric_limits<float>::quiet_NaN()), u"", out},
        {FieldValue::ofSingle(std::numeric_limits<float>::quiet_NaN()), u"@@@@", QLatin1Char(' ') + out},
        {FieldValue::ofDate(nan), u"yyyy/mm/dd", out},
        {FieldValue::ofDate(inf), u"###,##0.00", out},
        {FieldValue::ofDate(-inf), u"", out},
        {FieldValue::ofDate(1e300), u"", out},
        {cur(std::numeric_limits<std::int64_t>::min()), u"###,###,##0", QStringLiteral("-922,337,203,685,478")},
        {cur(std::numeric_limits<std::int64_t>::min()), u"", QStringLiteral("-922337203685477.5808")},
        {cur(std::numeric_limits<std::int64_t>::max()), u"###,##0.00", QStringLiteral("922,337,203,685,477.58")},
        {{FieldValue::Type::Long, std::numeric_limits<std::int64_t>::min(), 0, {}}, u"#####0",
         QStringLiteral("-9223372036854775808")},
    };
    for (const Case& c : cases) {
        QString text;
        FormatPattern(QString::fromUtf16(c.pattern)).format(c.v, text);
        EXPECT_EQ(text, c.expected) << QString::fromUtf16(c.pattern).toStdString() << " " << c.v.d;
    }
}

TEST(Format, PatternResults) {
    const QString abc = QStringLiteral("abc");
    const QString num = QStringLiteral("1234");
    const QString x = QStringLiteral("X");
    struct Case {
        FieldValue v;
        const char16_t* pattern;
        const char16_t* expected;
    };
    const Case cases[] = {
        {FieldValue::ofLong(1234), u"#####0", u"1234"},
        {FieldValue::ofLong(0), u"#####0", u"0"},
        {FieldValue::ofLong(-5), u"#####0", u"-5"},
        {FieldValue::ofLong(12), u"0000", u"0012"},
        {FieldValue::ofLong(1234567), u"###,###,##0", u"1,234,567"},
        {FieldValue::ofLong(-1234), u"###,###,##0", u"-1,234"},
        {FieldValue::ofLong(999), u"###,###,##0", u"999"},
        {cur(1234567890120000), u"###,###,##0", u"123,456,789,012"},
        // Money rounds half away from zero.
        {cur(12345000), u"###,###,##0", u"1,235"},
        {cur(12334999), u"###,###,##0", u"1,233"},
        {cur(-5000), u"###,###,##0", u"-1"},
        {cur(-4000), u"###,###,##0", u"0"},
        {cur(99995000), u"###,###,##0", u"10,000"},
        {cur(12345678), u"###,##0.00", u"1,234.57"},
        {FieldValue::ofSingle(5), u"###,##0.00", u"5.00"},
        {FieldValue::ofSingle(8.125f), u"###,##0.00", u"8.13"},
        {FieldValue::ofSingle(0.1f), u"###,##0.00", u"0.10"},
        {FieldValue::ofSingle(-2.5f), u"###,##0.00", u"-2.50"},
        {FieldValue::ofLong(1), u"#.##", u"1."},
        {cur(5000), u"#.##", u".5"},
        {cur(15000), u"0.0#", u"1.5"},
        {FieldValue::ofLong(1234), u"¥#,##0円", u"¥1,234円"},
        // Dates; 0 is 1899/12/30.
        {FieldValue::ofDate(39913), u"yyyy/mm/dd", u"2009/04/10"},
        {FieldValue::ofDate(39913.75), u"yyyy/mm/dd", u"2009/04/10"},
        {FieldValue::ofDate(0), u"yyyy/mm/dd", u"1899/12/30"},
        {FieldValue::ofDate(39913), u"yy-m-d", u"09-4-10"},
        {FieldValue::ofDate(39913), u"#####0", u"39913"},
        {FieldValue::ofLong(39913), u"yyyy/mm/dd", u"2009/04/10"},
        // Text positions: right-filled without "!", left-filled with it; surplus kept.
        {FieldValue::ofText(abc), u"!@@@@@@@@@@@@", u"abc         "},
        {FieldValue::ofText(abc), u"@@@@@", u"  abc"},
        {FieldValue::ofText(abc), u"@@", u"abc"},
        {FieldValue::ofText(abc), u"!@@", u"abc"},
        {FieldValue::ofLong(42), u"@@@@@@", u"    42"},
        {cur(125000), u"!@@@@@", u"12.5 "},
        {FieldValue::ofDate(39913), u"@@@@@@@@@@@@", u"  2009/04/10"},
        // No pattern: the plain value.
        {FieldValue::ofLong(42), u"", u"42"},
        {cur(125000), u"", u"12.5"},
        {FieldValue::ofText(abc), u"", u"abc"},
        // A text under a number pattern: formatted when numeric, kept otherwise.
        {FieldValue::ofText(x), u"#,##0", u"X"},
        {FieldValue::ofText(num), u"#,##0", u"1,234"},
        {FieldValue::ofText(abc), u"yyyy/mm/dd", u"abc"},
    };
    for (const Case& c : cases) {
        const QString pattern = QString::fromUtf16(c.pattern);
        EXPECT_EQ(FormatValue(c.v, pattern), QString::fromUtf16(c.expected)) << pattern.toStdString();
    }
}

// Every day of the years around today's, a day in every 97 (so every day of the month and every leap
// rule) from the first day a date can hold to the last, and times of day before and after day 0: the
// date pattern gives what the calendar of QDate and QTime gives.
TEST(Format, DatePatternsAgreeWithTheCalendarOnEveryDay) {
    const FormatPattern pattern(QStringLiteral("yyyy/mm/dd hh:nn:ss y-m-d h:n:s"));
    const QDate epoch(1899, 12, 30);
    int wrong = 0;
    const auto check = [&](double ole) {
        const double day = std::trunc(ole);
        const QDate d = epoch.addDays(qint64(day));
        const QTime t = QTime(0, 0).addSecs(int(std::llround(std::fabs(ole - day) * 86400.0)) % 86400);
        const QString expected = QStringLiteral("%1/%2/%3 %4:%5:%6 %7-%8-%9 %10:%11:%12")
                                     .arg(d.year(), 4, 10, QLatin1Char('0'))
                                     .arg(d.month(), 2, 10, QLatin1Char('0'))
                                     .arg(d.day(), 2, 10, QLatin1Char('0'))
                                     .arg(t.hour(), 2, 10, QLatin1Char('0'))
                                     .arg(t.minute(), 2, 10, QLatin1Char('0'))
                                     .arg(t.second(), 2, 10, QLatin1Char('0'))
                                     .arg(d.year() % 100, 2, 10, QLatin1Char('0'))
                                     .arg(d.month())
                                     .arg(d.day())
                                     .arg(t.hour())
                                     .arg(t.minute())
                                     .arg(t.second());
        QString out;
        pattern.format(FieldValue::ofDate(ole), out);
        if (out != expected && ++wrong <= 5)
            ADD_FAILURE() << ole << ": " << out.toStdString() << " against " << expected.toStdString();
    };
    for (double day = -4000; day <= 80000; ++day)
        check(day);
    for (double day = db::kFirstOleDay; day <= db::kLastOleDay; day += 97)
        check(day);
    for (double ole : {0.25, -0.25, -1.5, -1.75, 1.999, 36526.5, -657434.5, db::kFirstOleDay, db::kLastOleDay, 2958464.99})
        check(ole);
    EXPECT_EQ(wrong, 0);
}

// Patterns longer than any number: every placeholder is filled, with commas where the pattern has them.
TEST(Format, PatternsLongerThanAnyNumber) {
    const QString zeros(700, QLatin1Char('0'));
    EXPECT_EQ(FormatValue(FieldValue::ofLong(-5), zeros + QStringLiteral(".") + zeros),
              QStringLiteral("-") + QString(699, QLatin1Char('0')) + QStringLiteral("5.") + zeros);
    const QString grouped = FormatValue(cur(12345678), QStringLiteral("#,") + zeros + QStringLiteral(".00"));
    EXPECT_EQ(grouped.size(), 700 + 233 + 3);
    EXPECT_TRUE(grouped.endsWith(QStringLiteral("001,234.57"))) << grouped.right(20).toStdString();
    EXPECT_TRUE(grouped.startsWith(QStringLiteral("0,000,000"))) << grouped.left(20).toStdString();
}

TEST(Format, WidthLeavesOutTheBang) {
    EXPECT_EQ(FormatPattern(QStringLiteral("!@@@@@")).width(), 5);
    EXPECT_EQ(FormatPattern(QStringLiteral("###,###,##0")).width(), 11);
    EXPECT_EQ(FormatPattern(QStringLiteral("yyyy/mm/dd")).width(), 10);
}

TEST(Format, TruncateToWidth) {
    struct Case {
        int width;
        int length; // -1: the whole text
        const char16_t* text;
        const char16_t* cut;
    };
    const Case cases[] = {
        {12, -1, u"abc", u"abc"},
        {12, -1, u"商品商品商品商", u"商品商品商品"},
        {12, -1, u"a商品商品商品", u"a商品商品商"},
        {20, -1, u"あいうえおかきくけこさしすせそたちつてと", u"あいうえおかきくけこ"},
        {0, -1, u"abc", u""},
        {5, -1, u"ｱｲｳｴｵｶ", u"ｱｲｳｴｵ"},
        {3, -1, u"ab商", u"ab"},
        {10, 2, u"abcdef", u"ab"},
        // Narrow in Unicode, two bytes (two columns) in CP932.
        {6, -1, u"×÷°±§", u"×÷°"},
        {5, -1, u"a×÷°", u"a×÷"},
        {4, -1, u"a×÷°", u"a×"},
        {7, -1, u"¨´¶ｱ§", u"¨´¶ｱ"},
        // A character outside the BMP is cut whole or not at all.
        {3, -1, u"a\U00020BB7b", u"a\U00020BB7"},
        {2, -1, u"a\U00020BB7b", u"a"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        QString cut = QStringLiteral("old");
        const int n = TruncateToWidth(c.width, c.length < 0 ? int(text.size()) : c.length, text, cut);
        const QString expected = QString::fromUtf16(c.cut);
        EXPECT_EQ(cut, expected) << c.width;
        EXPECT_EQ(n, expected.size());
    }
    // NUL is one byte in the file, so one column.
    QString nul = QStringLiteral("a");
    nul += QChar(0);
    nul += QLatin1Char('b');
    QString cut;
    EXPECT_EQ(TruncateToWidth(3, 3, nul, cut), 3);
    EXPECT_EQ(TruncateToWidth(2, 3, nul, cut), 2);
}

} // namespace

// A pattern of "@" alone is formatted in one step; a literal on the side the surplus characters leave
// free (after the field filled from the right, before the field filled from the left) sends the same text
// through the general walk over the pattern, which must give the same characters beside the literal.
// Every width, both fills, texts shorter and longer than the pattern, of every character width.
TEST(Format, PlainTextPatternsAgreeWithTheGeneralWalk) {
    const QString pool = QStringLiteral("aZ9 株髙ｱ①") + QChar(0xD83D) + QChar(0xDE00);
    for (int width = 1; width <= 12; ++width)
        for (const bool left : {false, true})
            for (int length = 0; length <= 15; ++length) {
                QString text;
                for (int i = 0; i < length; ++i)
                    text += pool[(i * 7 + width + length) % pool.size()];
                const QString plain = (left ? QStringLiteral("!") : QString()) + QString(width, QLatin1Char('@'));
                QString fast, general;
                FormatPattern(plain).format(FieldValue::ofText(text), fast);
                FormatPattern(left ? QLatin1Char('x') + plain : plain + QLatin1Char('x'))
                    .format(FieldValue::ofText(text), general);
                ASSERT_EQ(left ? QLatin1Char('x') + fast : fast + QLatin1Char('x'), general)
                    << plain.toStdString() << " " << text.toStdString();
            }
}
