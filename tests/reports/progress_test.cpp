// The progress window: counting, closing after the build ends, and the locked main window.
#include "core/MainFrame.h"
#include "reports/ProgressWait.h"
#include "ui/WindowHelpers.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace reports;

namespace {

class FakeMain : public core::MainFrame {
public:
    void updateCommandStates() override {}
    QWidget* window() override { return nullptr; }
    void setTopMenusEnabled(bool enabled) override { calls.push_back(enabled); }
    std::vector<bool> calls;
};

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.gMainForm = &main;
        s.gProgressCount = -1;
    }

    FakeMain main;
    core::AppState s;
};

TEST_F(ProgressTest, CountsAndClosesAfterTheBuild) {
    ShowProgressWait(s);
    frmEditWait* w = gEditWaitForm(s);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("データ編集中"));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(s.gProgressCount, 0);
    EXPECT_EQ(w->countText(), QStringLiteral("0"));
    EXPECT_EQ(main.calls, std::vector<bool>{false});
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("編集中です。お待ち下さい。"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("行目編集中"));

    // The user cannot close it.
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());

    s.gProgressCount = 42;
    w->tick();
    EXPECT_EQ(w->countText(), QStringLiteral("42"));

    // Showing again while shown only resets the count.
    ShowProgressWait(s);
    EXPECT_EQ(s.gProgressCount, 0);
    EXPECT_EQ(main.calls.size(), 1u);

    // While a refresh of all windows runs it stays, keeping its last count.
    s.gProgressCount = 7;
    w->tick();
    s.gProgressCount = -1;
    s.gEditWaitCanClose = core::kFalse;
    w->tick();
    EXPECT_TRUE(w->isLoaded());
    EXPECT_EQ(w->countText(), QStringLiteral("7"));

    // Its own timer closes it within half a second once it may.
    s.gEditWaitCanClose = core::kTrue;
    ui::Wait(0.7);
    EXPECT_FALSE(w->isLoaded());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(main.calls, (std::vector<bool>{false, true}));

    // The same window serves the next build.
    ShowProgressWait(s);
    EXPECT_EQ(gEditWaitForm(s), w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->countText(), QStringLiteral("0"));
}

} // namespace
