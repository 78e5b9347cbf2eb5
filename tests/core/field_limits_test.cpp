#include "core/AppState.h"

#include <gtest/gtest.h>

TEST(InitFieldLimits, SetsStartValuesAndReservedCodes) {
    core::AppState s;
    s.gChildState[5].Open = core::kTrue;
    s.gFieldLen[0] = 3;
    core::InitFieldLimits(s);
    const std::array<int, 11> expected{10, 50, 10, 60, 8, 80, 20, 20, 20, 10, 20};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(s.gFieldLen[size_t(i)], expected[size_t(i)]) << i;
        EXPECT_EQ(s.gReservedCode[size_t(i)], QString(expected[size_t(i)], QLatin1Char('X'))) << i;
    }
    EXPECT_EQ(s.gChildState[5].Open, core::kFalse);
    EXPECT_EQ(s.gEditWaitCanClose, core::kTrue);
}

TEST(InitFieldLimits, ChangedSizeRebuildsMatchingReservedCode) {
    core::AppState s;
    core::InitFieldLimits(s);
    s.gFieldLen[core::kLenGoodsCode] = 8;
    s.rebuildReservedCodes();
    EXPECT_EQ(s.gReservedCode[core::kLenGoodsCode], QStringLiteral("XXXXXXXX"));
}
