#include "orders/StockInput.h"

#include <gtest/gtest.h>

TEST(StockInput, SignedCountRules) {
    struct Case {
        const char* typed;
        qint32 stored;
        qint32 count;
        const char* cell;
        const char* editor; // nullptr: the editor keeps the typed text
        bool overflow;
    };
    const Case cases[] = {
        {"12", 7, 12, "12", nullptr, false},
        {"1,234", 7, 1234, "1,234", nullptr, false},
        {"-5", 7, -5, "-5", nullptr, false},
        {"5-", 7, -5, "-5", nullptr, false},
        {"1.6", 7, 2, "2", nullptr, false},
        {"-1.6", 7, -2, "-2", nullptr, false},
        {"-", 7, 0, "0", "0", false},    // a lone minus sign is 0
        {"0", 7, 0, "0", "0", false},
        {"", 7, 0, "", nullptr, false},  // empty stores 0, the cell stays blank until repainted
        {"abc", 7, 7, "7", "7", false},  // not a number: the stored count comes back
        {"1-2-", -3, -3, "-3", "-3", false},
        {"3000000000", 7, 7, "7", "7", true},      // too large: message, stored count back
        {"2147483647.6", 9, 9, "9", "9", true},    // rounds beyond the count's range
        {"2147483647", 9, 2147483647, "2,147,483,647", nullptr, false},
    };
    for (const Case& c : cases) {
        const orders::StockInput in = orders::interpretStockInput(QString::fromUtf8(c.typed), c.stored);
        EXPECT_EQ(in.count, c.count) << c.typed;
        EXPECT_EQ(in.cellText, QString::fromUtf8(c.cell)) << c.typed;
        EXPECT_EQ(in.editorText.has_value(), c.editor != nullptr) << c.typed;
        if (c.editor && in.editorText) {
            EXPECT_EQ(*in.editorText, QString::fromUtf8(c.editor)) << c.typed;
        }
        EXPECT_EQ(in.overflow, c.overflow) << c.typed;
    }
}
