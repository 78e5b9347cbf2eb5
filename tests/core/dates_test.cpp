#include "core/Dates.h"
#include "db/OleDate.h"
#include "support/TestEnv.h"

#include <QLocale>
#include <gtest/gtest.h>

TEST(Dates, JapaneseShortFormWhateverTheLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(core::FormatShortDate(QDate(2024, 5, 2)), "2024/05/02");
    EXPECT_EQ(core::FormatShortDate(db::toOleDate(QDate(2009, 12, 31)) + 0.5), "2009/12/31");
    EXPECT_EQ(core::FormatDateTime(QDateTime(QDate(2024, 4, 1), QTime(0, 0))), "2024/04/01");
    EXPECT_EQ(core::FormatDateTime(QDateTime(QDate(2024, 4, 1), QTime(18, 5, 9))), "2024/04/01 18:05:09");
    QLocale::setDefault(QLocale::c());
}
