#include "core/Numbers.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <limits>

using core::ParseStatus;
using db::Currency;

namespace {
Currency cur(double v) { return Currency::fromDouble(v); }
constexpr auto R = ParseStatus::Refused;
constexpr auto O = ParseStatus::Overflow;
constexpr auto K = ParseStatus::Ok;
} // namespace

TEST(ParseAmount, EdgeCases) {
    struct Case {
        QString text;
        ParseStatus p;
        double pv;
        ParseStatus s;
        double sv;
    } cases[] = {
        {"", K, 0, K, 0},
        {"1234", K, 1234, K, 1234},
        {"1,234.5", K, 1234.5, K, 1234.5},
        {"12,34", K, 1234, K, 1234},
        {"1.2.3", R, 0, R, 0},
        {"12a", R, 0, R, 0},
        {"-5", R, 0, K, -5},
        {"5-", R, 0, K, -5},
        {"1-2", R, 0, K, -12},
        {"--5", R, 0, R, 0},
        {".", K, 0, K, 0},
        {".5", K, 0.5, K, 0.5},
        {"5.", K, 5, K, 5},
        {"1.23456", K, 1.2346, K, 1.2346},
        {"   ", K, 0, K, 0},
        {" 1 2\r\n3 ", K, 123, K, 123},
        {"１２", R, 0, R, 0},
        {"1\t2", R, 0, R, 0},
        {"+5", R, 0, R, 0},
        {"-", R, 0, K, 0},
        {"2147483647", K, 2147483647.0, K, 2147483647.0},
        {"2147483648", O, 0, O, 0},
        {"99999999999", O, 0, O, 0},
        {"0.000050000", K, 0.0000, K, 0.0000}, // a tie goes to the even neighbour
        {"0.00015", K, 0.0001, K, 0.0001}, // 0.00015 in double lies just below the tie
    };
    for (const auto& c : cases) {
        const auto p = core::ParseAmount(c.text);
        const auto s = core::ParseSignedAmount(c.text);
        EXPECT_EQ(p.status, c.p) << c.text.toStdString();
        EXPECT_EQ(s.status, c.s) << c.text.toStdString();
        if (p.ok()) {
            EXPECT_EQ(p.value, cur(c.pv)) << c.text.toStdString();
        }
        if (s.ok()) {
            EXPECT_EQ(s.value, cur(c.sv)) << c.text.toStdString();
        }
    }
}

TEST(ParseAmount, SentinelValueIsValidWhenTyped) {
    for (const QString t : {"-999999999", "-999,999,999", "-999999999.00"}) {
        const auto r = core::ParseSignedAmount(t);
        EXPECT_TRUE(r.ok()) << t.toStdString();
        EXPECT_EQ(r.value, Currency::fromUnits(-999999999));
        QString formatted = "old";
        EXPECT_TRUE(core::ValidateSignedAmount(t, formatted));
        EXPECT_EQ(formatted, QStringLiteral("-999,999,999.00"));
    }
}

TEST(FormatGrouped, Cases) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0, 0, "0"},          {12345, 0, "12,345"},          {-1234, 2, "-1,234.00"},
        {1234.5, 2, "1,234.50"}, {0.5, 0, "1"},               {-0.5, 0, "-1"},
        {2.5, 0, "3"},        {1234567.891, 1, "1,234,567.9"}, {123, 3, ""},
        {999.995, 2, "1,000.00"}, {-0.004, 2, "0.00"},        {100, -1, "100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::FormatGrouped(cur(c.value), c.decimals), QString::fromLatin1(c.text)) << c.value;
}

// The far ends of the stored range format exactly (the most negative value has no positive twin).
TEST(FormatGrouped, ExtremesOfTheStoredRange) {
    const qint64 lo = std::numeric_limits<qint64>::min();
    const qint64 hi = std::numeric_limits<qint64>::max();
    struct Case {
        qint64 raw;
        int decimals;
        const char* grouped;
        const char* plain;
    } cases[] = {
        {lo, 0, "-922,337,203,685,478", "-922337203685477.5808"},
        {lo, 1, "-922,337,203,685,477.6", "-922337203685477.5808"},
        {lo, 2, "-922,337,203,685,477.58", "-922337203685477.5808"},
        {lo + 1, 2, "-922,337,203,685,477.58", "-922337203685477.5807"},
        {hi, 0, "922,337,203,685,478", "922337203685477.5807"},
        {hi, 2, "922,337,203,685,477.58", "922337203685477.5807"},
        {hi - 2807, 0, "922,337,203,685,477", "922337203685477.3000"},
        {-1, 2, "0.00", "-0.0001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::FormatGrouped(db::Currency::fromRaw(c.raw), c.decimals), QString::fromLatin1(c.grouped)) << c.raw;
        EXPECT_EQ(db::Currency::fromRaw(c.raw).toString(), QString::fromLatin1(c.plain)) << c.raw;
    }
}

TEST(FormatRate, Cases) {
    struct Case {
        float rate;
        const char* text;
    } cases[] = {
        {0, ""},        {0.05f, ".05"}, {0.5f, ".5"},       {5, "5"},         {5.5f, "5.5"},
        {8.25f, "8.25"}, {10, "10"},    {100, "100"},       {999.99f, "999.99"}, {1000, "1000"},
        {1234.5f, "1234.5"}, {-5, "-5"}, {-0.5f, "-.5"},
    };
    for (const auto& c : cases) {
        const QString text = core::FormatRate(c.rate);
        EXPECT_EQ(text, QString::fromLatin1(c.text)) << c.rate;
        // Every formatted rate parses back to the rate rounded to two decimals.
        if (c.rate >= 0) {
            const auto back = core::ParseAmount(text);
            ASSERT_TRUE(back.ok());
            EXPECT_NEAR(back.value.toDouble(), double(c.rate), 0.005) << c.rate;
        }
    }
}

TEST(FormatRate, RatesNoTextCanGiveShowTheOutOfRangeText) {
    for (float rate : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()})
        EXPECT_EQ(core::FormatRate(rate), db::kOutOfRangeText) << rate;
}

TEST(ValidateAmount, Cases) {
    QString f = "keep";
    EXPECT_TRUE(core::ValidateAmount("", f));
    EXPECT_EQ(f, "0.00");
    EXPECT_TRUE(core::ValidateAmount("1234.5", f));
    EXPECT_EQ(f, "1,234.50");
    f = "keep";
    EXPECT_FALSE(core::ValidateAmount("-1", f));
    EXPECT_FALSE(core::ValidateAmount("12345678901", f)); // overflow is refused input
    EXPECT_EQ(f, "keep");
    EXPECT_TRUE(core::ValidateSignedAmount("-3", f));
    EXPECT_EQ(f, "-3.00");
}
