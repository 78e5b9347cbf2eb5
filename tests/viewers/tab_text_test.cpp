#include "viewers/TabText.h"

#include "db/OleDate.h"

#include <gtest/gtest.h>

using namespace viewers;
using db::Currency;

TEST(TabText, NumbersKeepASignPositionAndNoTrailingZeros) {
    struct Case {
        QString got;
        const char* want;
    };
    const Case cases[] = {
        {numText(std::int64_t(1500)), " 1500"},
        {numText(std::int64_t(0)), " 0"},
        {numText(std::int64_t(-3)), "-3"},
        {numText(Currency::fromUnits(1500)), " 1500"},
        {numText(Currency::fromRaw(125000)), " 12.5"},
        {numText(Currency::fromRaw(500)), " .05"},
        {numText(Currency::fromRaw(-500)), "-.05"},
        {numText(Currency::fromRaw(-12345678)), "-1234.5678"},
        {numText(Currency()), " 0"},
        {numText(Currency::fromRaw(INT64_MIN)), "-922337203685477.5808"},
        {numText(15000000.0f), " 1.5E+07"},
        {numText(1234567.0f), " 1234567"},
        {numText(12345678.0f), " 1.234568E+07"},
        {numText(8.0f), " 8"},
        {numText(8.5f), " 8.5"},
        {numText(0.05f), " .05"},
        {numText(-2.5f), "-2.5"},
        {numText(0.00001f), " 1E-05"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, QString::fromLatin1(c.want));
}

TEST(TabText, DatesInOneFormWithTimeOnlyWhenStored) {
    EXPECT_EQ(dateText(db::toOleDate(QDate(2009, 4, 10))), QStringLiteral("2009/04/10"));
    EXPECT_EQ(dateText(0), QStringLiteral("1899/12/30"));
    EXPECT_EQ(dateText(db::toOleDate(QDate(1899, 12, 1))), QStringLiteral("1899/12/01"));
    EXPECT_EQ(dateText(db::toOleDate(QDate(2009, 4, 10)) + 0.5), QStringLiteral("2009/04/10 12:00:00"));
}

// Every year the date type holds, leap days and the turn of each century among them: the same text as
// Qt's own date format.
TEST(TabText, DatesAgreeWithQtsFormatOverTheWholeRange) {
    for (QDate d(100, 1, 1); d.year() <= 9999; d = d.addDays(d.year() % 400 == 0 || d.year() == 2024 ? 1 : 29)) {
        const double ole = db::toOleDate(d);
        ASSERT_EQ(dateText(ole), d.toString(QStringLiteral("yyyy/MM/dd"))) << d.toString(Qt::ISODate).toStdString();
    }
}

TEST(TabText, CurrencyDigitsAgreeWithTheirDecimalReading) {
    std::uint64_t x = 88172645463325252ull;
    for (int i = 0; i < 20000; ++i) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        const std::int64_t raw = std::int64_t(x) >> (i % 60); // small and large magnitudes
        const QString t = numText(Currency::fromRaw(raw));
        ASSERT_TRUE(t.startsWith(raw < 0 ? u'-' : u' ')) << raw;
        QString digits = t.mid(1);
        if (digits.startsWith(u'.'))
            digits.prepend(u'0');
        ASSERT_FALSE(digits.contains(u'.') && digits.endsWith(u'0')) << raw;
        const qsizetype point = digits.indexOf(u'.');
        const QString whole = point < 0 ? digits : digits.left(point);
        const QString frac = point < 0 ? QString() : digits.mid(point + 1).leftJustified(4, u'0');
        const std::uint64_t mag = raw < 0 ? std::uint64_t(0) - std::uint64_t(raw) : std::uint64_t(raw);
        ASSERT_EQ(whole.toULongLong() * 10000 + frac.toULongLong(), mag) << raw;
    }
}

TEST(TabText, CancelMarkIsExact) {
    EXPECT_EQ(cancelText(QStringLiteral("X")), QStringLiteral("キャンセル"));
    EXPECT_EQ(cancelText(QStringLiteral("x")), QStringLiteral(" "));
    EXPECT_EQ(cancelText(QStringLiteral(" ")), QStringLiteral(" "));
    EXPECT_EQ(cancelText(QString()), QStringLiteral(" "));
}

TEST(TabText, ConditionTitles) {
    EXPECT_EQ(conditionTitle(2009, 4), QStringLiteral(" 2009年度 4月分　"));
    EXPECT_EQ(conditionTitle(2009, 0), QStringLiteral(" 2009年度分　"));
    EXPECT_EQ(conditionTitle(0, 0), QStringLiteral("全年度分　"));
    EXPECT_EQ(conditionTitle(0, 5), QStringLiteral("全年度分　"));
    EXPECT_EQ(conditionTitle(2009, 4, QStringLiteral("商品コード="), QStringLiteral("A01")),
              QStringLiteral(" 2009年度 4月分　商品コード=A01"));
    EXPECT_EQ(conditionTitle(0, 0, QStringLiteral("顧客コード="), QString()), QStringLiteral("全年度分　"));
}

TEST(TabText, ProposedNamesDropTheFourCharacterExtension) {
    EXPECT_EQ(proposedExportName(QStringLiteral("/shop/data.vrd"), QStringLiteral("社員"), ExportKind::Tab),
              QStringLiteral("/shop/data_社員_Tab.txt"));
    EXPECT_EQ(proposedExportName(QStringLiteral("/shop/data.vrd"), QStringLiteral("在庫不足商品"), ExportKind::Flat),
              QStringLiteral("/shop/data_在庫不足商品_Flat.txt"));
    EXPECT_EQ(proposedExportName(QString(), QStringLiteral("商品"), ExportKind::Tab), QStringLiteral("_商品_Tab.txt"));
}
