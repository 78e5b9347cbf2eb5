#include "shell/CommandStates.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace core;

namespace {

ProgramState make(bool db, std::initializer_list<int> open = {}, bool printer = true) {
    ProgramState p;
    p.dbOpen = db;
    p.printerReady = printer;
    for (int i : open)
        p.open[size_t(i)] = true;
    return p;
}

struct Case {
    const char* what;
    ProgramState state;
    std::vector<std::pair<const char*, bool>> expect;
};

} // namespace

TEST(CommandStates, DerivedFromDatabaseAndOpenWindows) {
    const std::vector<Case> cases = {
        {"no database",
         make(false),
         {{"mnuFileClose", false}, {"mnuViewRefresh", false}, {"mnuOperate", false}, {"mnuOrder", false},
          {"mnuFilePrint", false}, {"mnuFilePrintPreview", false}, {"mnuDsp", true}, {"mnuVComm", true},
          {"mnuImpCli", true}, {"mnuManComm", false}, {"mnuMyNameChange", false}, {"tb:New", true},
          {"tb:Open", true}, {"tb:Close", false}, {"tb:Get", false}, {"tb:Money", false}, {"tb:Invoice", false},
          {"tb:Stock", false}, {"tb:Refresh", false}}},
        {"database open",
         make(true),
         {{"mnuFileClose", true}, {"mnuViewRefresh", true}, {"mnuOperate", true}, {"mnuOrder", true},
          {"mnuReceipt", true}, {"mnuCancel", true}, {"mnuStockUp", true}, {"mnuFilePrint", true},
          {"mnuManComm", true}, {"mnuManRecD", true}, {"mnuMyNameChange", true}, {"tb:Get", true},
          {"tb:Invoice", true}, {"tb:Refresh", true}}},
        {"one master window",
         make(true, {kChildGoodsM}),
         {{"mnuManComm", false}, {"mnuManCli", true}, {"mnuOrder", false}, {"mnuReceipt", false},
          {"mnuCancel", false}, {"mnuStockUp", false}, {"mnuDsp", false}, {"mnuFilePrint", false},
          {"mnuFilePrintPreview", false}, {"mnuImpComm", false}, {"mnuImpEmp", false}, {"tb:Get", false},
          {"tb:Money", false}, {"tb:Invoice", false}, {"tb:Stock", false}, {"tb:Close", true},
          {"tb:Refresh", true}, {"mnuMyNameChange", true}}},
        {"two master windows",
         make(true, {kChildGoodsM, kChildOrderM}),
         {{"mnuManComm", false}, {"mnuManRecG", false}, {"mnuManEmp", true}, {"mnuDsp", false}}},
        {"order entry open",
         make(true, {kChildGetOrder}),
         {{"mnuOrder", false}, {"tb:Get", false}, {"mnuReceipt", true}, {"tb:Money", true},
          {"mnuManComm", false}, {"mnuManCli", false}, {"mnuManEmp", false}, {"mnuManRecG", false},
          {"mnuManRecD", false}, {"mnuImpComm", true}, {"mnuMyNameChange", false}, {"tb:Invoice", true}}},
        {"cancellation list disables no button",
         make(true, {kChildCancel}),
         {{"mnuCancel", false}, {"tb:Get", true}, {"tb:Money", true}, {"tb:Stock", true}, {"tb:Invoice", true}}},
        {"payment list disables its button",
         make(true, {kChildPayment}),
         {{"mnuReceipt", false}, {"tb:Money", false}, {"mnuMyNameChange", true}}},
        {"stock update open",
         make(true, {kChildStockUp}),
         {{"mnuStockUp", false}, {"tb:Stock", false}, {"mnuMyNameChange", false}}},
        {"order entry and a list window",
         make(true, {kChildGetOrder, kChildVInfA}),
         {{"mnuVInfA", false}, {"mnuVComm", true}, {"mnuManComm", false}, {"mnuDsp", true}}},
        {"a list window without a database",
         make(false, {kChildVCli}),
         {{"mnuVCli", false}, {"mnuVEmp", true}, {"mnuManCli", false}}},
    };
    for (const Case& c : cases) {
        const CommandStates st = computeCommandStates(c.state);
        for (const auto& [name, on] : c.expect)
            EXPECT_EQ(st.isEnabled(QLatin1String(name)), on) << c.what << ": " << name;
    }
}

TEST(CommandStates, PrintMenusHiddenWithoutPrinterAlsoWithDatabase) {
    for (bool db : {false, true}) {
        const CommandStates st = computeCommandStates(make(db, {}, false));
        for (const char* n : {"mnuFileBar1", "mnuFilePageSetup", "mnuFilePrintPreview", "mnuFilePrint"})
            EXPECT_FALSE(st.isVisible(QLatin1String(n))) << n;
    }
    const CommandStates st = computeCommandStates(make(true));
    EXPECT_TRUE(st.isVisible(QStringLiteral("mnuFilePrint")));
    // Without a print queue the prints go to PDF files, with no printer to set up.
    ProgramState pdf = make(true);
    pdf.printQueue = false;
    EXPECT_FALSE(computeCommandStates(pdf).isVisible(QStringLiteral("mnuFilePageSetup")));
    EXPECT_TRUE(computeCommandStates(pdf).isVisible(QStringLiteral("mnuFilePrint")));
}

TEST(CommandStates, ProgressWindowLocksTopMenusListsAndToolbar) {
    ProgramState p = make(true);
    p.topMenusLocked = true;
    const CommandStates st = computeCommandStates(p);
    for (const char* n : {"mnuFile", "mnuVIew", "mnuOperate", "mnuWindow", "mnuHelp", "tb"})
        EXPECT_FALSE(st.isEnabled(QLatin1String(n))) << n;
    // The items underneath keep the state the openers gave them (the main window holds them off with
    // their top menu); the list submenu goes off itself, so no second build can start.
    EXPECT_TRUE(st.isEnabled(QStringLiteral("mnuOrder")));
    EXPECT_FALSE(st.isEnabled(QStringLiteral("mnuDsp")));
    EXPECT_TRUE(st.isEnabled(QStringLiteral("mnuMaint")));
}

TEST(CommandStates, CloseWaitLocksEveryTopMenuAndTheToolbar) {
    ProgramState p = make(true);
    p.closeRunning = true;
    const CommandStates st = computeCommandStates(p);
    for (const char* n : {"mnuFile", "mnuVIew", "mnuOperate", "mnuMaint", "mnuWindow", "mnuHelp", "mnuDsp", "tb"})
        EXPECT_FALSE(st.isEnabled(QLatin1String(n))) << n;
}

TEST(CommandStates, RefreshWaitDisablesOnlyTheToolbarButton) {
    ProgramState p = make(true);
    p.refreshRunning = true;
    const CommandStates st = computeCommandStates(p);
    EXPECT_FALSE(st.isEnabled(QStringLiteral("tb:Refresh")));
    EXPECT_TRUE(st.isEnabled(QStringLiteral("mnuViewRefresh")));
}
