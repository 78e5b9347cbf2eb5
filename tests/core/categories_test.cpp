#include "core/Categories.h"
#include "ui/MessageService.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

class CategoriesTest : public ::testing::Test {
protected:
    void SetUp() override { ui::setMessageService(&rec); }
    void TearDown() override { ui::setMessageService(nullptr); }
    void add(const QString& name) {
        c.CatSet(c.gCatCount + 1, name);
        ++c.gCatCount;
    }
    QStringList working() const {
        QStringList out;
        for (int i = 1; i <= c.gCatCount; ++i) {
            QString s;
            c.CatGet(i, s);
            out << s;
        }
        return out;
    }
    ui::RecordingMessageService rec;
    core::Categories c;
};

TEST_F(CategoriesTest, DeleteClosesTheGap) {
    for (auto n : {"A", "B", "C"})
        add(n);
    c.CatDel(1);
    --c.gCatCount;
    EXPECT_EQ(working(), (QStringList{"B", "C"}));
    c.CatDel(c.gCatCount); // the last: nothing moves, the caller's decrement drops it
    --c.gCatCount;
    EXPECT_EQ(working(), (QStringList{"B"}));
}

TEST_F(CategoriesTest, OutOfRangeShowsDebugBoxesAndKeepsValue) {
    add("A");
    QString s = "unchanged";
    c.CatGet(c.gCatCount + 1, s);
    EXPECT_EQ(s, "unchanged");
    c.CategoryGet(c.CategoryCount + 1, s);
    EXPECT_EQ(s, "unchanged");
    ASSERT_EQ(rec.shown().size(), 2u);
    EXPECT_EQ(rec.shown()[0].text, "Debug 1");
    EXPECT_EQ(rec.shown()[0].title, "Category Entry");
    EXPECT_EQ(rec.shown()[1].text, "Debug 2");
}

TEST_F(CategoriesTest, CommitAndReloadCopyBetweenLists) {
    add("文具");
    add("紙");
    c.commitWorking();
    EXPECT_EQ(c.committed(), (QStringList{"文具", "紙"}));
    c.gCatCount = 0;
    c.CatInit();
    add("other"); // a cancelled dialog leaves the committed list alone
    EXPECT_EQ(c.committed(), (QStringList{"文具", "紙"}));
    c.loadWorkingFromCommitted();
    EXPECT_EQ(working(), (QStringList{"文具", "紙"}));
    c.setCommittedFromFile({});
    EXPECT_EQ(c.CategoryCount, 0);
    EXPECT_TRUE(c.committed().isEmpty());
    EXPECT_FALSE(c.contains("文具"));
}
