#include "orders/StockInput.h"

#include <gtest/gtest.h>

TEST(StockInput, SignedCountRules) {
    struct Case {
        const char* typed;
        qint32 stored;
        qint32 before; // the count when the edit began
        qint32 count;
        const char* cell;
        const char* editor; // nullptr: the editor keeps the typed text
        bool overflow;
    };
    const Case cases[] = {
        {"12", 7, 1, 12, "12", nullptr, false},
        {"1,234", 7, 1, 1234, "1,234", nullptr, false},
        {"-5", 7, 1, -5, "-5", nullptr, false},
        {"5-", 7, 1, -5, "-5", nullptr, false},
        {"1.6", 7, 1, 2, "2", nullptr, false},
        {"-1.6", 7, 1, -2, "-2", nullptr, false},
        {"-", 7, 1, 0, "0", nullptr, false},  // a lone minus sign is 0 and stays to be typed on
        {"-0", 7, 1, 0, "0", nullptr, false},
        {"0.", 7, 1, 0, "0", nullptr, false},
        {"0", 7, 1, 0, "0", nullptr, false},
        {"", 7, 1, 0, "", nullptr, false},    // empty stores 0, the cell stays blank until repainted
        {"abc", 7, 1, 7, "7", "7", false},    // not a number: the stored count comes back
        {"1-2-", -3, 1, -3, "-3", "-3", false},
        {"3000000000", 300000000, 7, 7, "7", "7", true}, // too large: message, the count before the edit
        {"2147483647.6", 9, 4, 4, "4", "4", true},       // rounds beyond the count's range
        {"2147483647", 9, 4, 2147483647, "2,147,483,647", nullptr, false},
    };
    for (const Case& c : cases) {
        const orders::StockInput in = orders::interpretStockInput(QString::fromUtf8(c.typed), c.stored, c.before);
        EXPECT_EQ(in.count, c.count) << c.typed;
        EXPECT_EQ(in.cellText, QString::fromUtf8(c.cell)) << c.typed;
        EXPECT_EQ(in.editorText.has_value(), c.editor != nullptr) << c.typed;
        if (c.editor && in.editorText) {
            EXPECT_EQ(*in.editorText, QString::fromUtf8(c.editor)) << c.typed;
        }
        EXPECT_EQ(in.overflow, c.overflow) << c.typed;
    }
}
