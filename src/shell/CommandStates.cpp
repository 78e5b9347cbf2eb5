#include "shell/CommandStates.h"

namespace shell {

using namespace core;

bool ProgramState::anyMaster() const {
    for (int i = kChildGoodsM; i <= kChildOrderM; ++i)
        if (open[size_t(i)])
            return true;
    return false;
}

bool ProgramState::anyData() const {
    for (int i = kChildGetOrder; i < kChildCount; ++i)
        if (open[size_t(i)])
            return true;
    return false;
}

ProgramState programStateOf(const AppState& s) {
    ProgramState p;
    p.dbOpen = !s.gOpenDbName.isEmpty();
    p.printerReady = isSet(s.gPrinterReady);
    for (int i = 0; i < kChildCount; ++i)
        p.open[size_t(i)] = isSet(s.gChildState[size_t(i)].Open);
    return p;
}

CommandStates computeCommandStates(const ProgramState& p) {
    CommandStates c;
    auto& on = c.enabled;
    const bool master = p.anyMaster();
    const bool data = p.anyData();
    const bool db = p.dbOpen;
    auto isOpen = [&](int child) { return p.open[size_t(child)]; };

    const bool locked = p.topMenusLocked || p.closeRunning;
    for (const char* top : {"mnuFile", "mnuVIew", "mnuWindow", "mnuHelp"})
        on[QLatin1String(top)] = !locked;
    on[QStringLiteral("mnuOperate")] = db && !locked;
    on[QStringLiteral("mnuMaint")] = !p.closeRunning;

    on[QStringLiteral("mnuFileClose")] = db;
    on[QStringLiteral("mnuViewRefresh")] = db;
    // Printing and preview need a database, and no master window may be editing the tables meanwhile.
    on[QStringLiteral("mnuFilePrintPreview")] = db && !master;
    on[QStringLiteral("mnuFilePrint")] = db && !master;
    for (const char* name : {"mnuFileBar1", "mnuFilePageSetup", "mnuFilePrintPreview", "mnuFilePrint"})
        c.visible[QLatin1String(name)] = p.printerReady;
    // Without a queue, printing writes PDF files and the set-up box has no printer to offer.
    c.visible[QStringLiteral("mnuFilePageSetup")] = p.printerReady && p.printQueue;

    // Work windows of order processing: one instance each, never beside a master window.
    on[QStringLiteral("mnuOrder")] = db && !master && !isOpen(kChildGetOrder);
    on[QStringLiteral("mnuReceipt")] = db && !master && !isOpen(kChildPayment);
    on[QStringLiteral("mnuCancel")] = db && !master && !isOpen(kChildCancel);
    on[QStringLiteral("mnuStockUp")] = db && !master && !isOpen(kChildStockUp);

    // The list items sit under 操作, which a missing database or the progress window disables; the
    // submenu itself goes off with it, so no second build can start while one runs.
    on[QStringLiteral("mnuDsp")] = !master && !locked;
    for (size_t i = 0; i < kReportTags.size(); ++i)
        on[QStringLiteral("mnuV") + QLatin1String(kReportTags[i])] = !isOpen(kListChild[i]);
    for (const char* name : {"mnuImpComm", "mnuImpCli", "mnuImpEmp"})
        on[QLatin1String(name)] = !master;

    // Master windows edit the tables directly: only with a database and while no data or list window is open.
    const std::array<std::pair<const char*, int>, 5> masters{{{"mnuManComm", kChildGoodsM},
                                                               {"mnuManCli", kChildClientM},
                                                               {"mnuManEmp", kChildEmployeeM},
                                                               {"mnuManRecG", kChildOrderM},
                                                               {"mnuManRecD", kChildDetailM}}};
    for (const auto& [name, child] : masters)
        on[QLatin1String(name)] = db && !data && !isOpen(child);

    // The company settings change what order entry and stock update are working with.
    on[QStringLiteral("mnuMyNameChange")] = db && !isOpen(kChildGetOrder) && !isOpen(kChildStockUp);

    on[QStringLiteral("tb")] = !locked;
    on[QStringLiteral("tb:New")] = true;
    on[QStringLiteral("tb:Open")] = true;
    on[QStringLiteral("tb:Close")] = db;
    on[QStringLiteral("tb:Get")] = on[QStringLiteral("mnuOrder")];
    on[QStringLiteral("tb:Money")] = on[QStringLiteral("mnuReceipt")];
    on[QStringLiteral("tb:Invoice")] = db && !master;
    on[QStringLiteral("tb:Stock")] = on[QStringLiteral("mnuStockUp")];
    on[QStringLiteral("tb:Refresh")] = db && !p.refreshRunning;
    return c;
}

} // namespace shell
