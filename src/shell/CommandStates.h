// Which menu items and toolbar buttons are enabled or visible, derived in one place from the program state,
// so no window's unload can leave a command live that must be off.
#pragma once

#include "core/AppState.h"

#include <QHash>
#include <QString>
#include <array>

namespace shell {

struct ProgramState {
    bool dbOpen = false;
    bool printerReady = true;
    bool printQueue = true; // the machine had a print queue at start: one to choose in the printer set-up
    bool topMenusLocked = false; // the progress window holds the top menus and the toolbar
    bool refreshRunning = false; // a refresh-all broadcast waits for its answers
    bool closeRunning = false;   // a close-all broadcast waits for its answers: no command may start
    std::array<bool, core::kChildCount> open{}; // which work windows are open, by gChildState index

    bool anyMaster() const;
    bool anyData() const;
};

// An item is usable only when it and the top menu it sits in are enabled; the main window disables the
// items of a disabled top menu as well, so their shortcuts cannot start them either.
struct CommandStates {
    QHash<QString, bool> enabled; // by menu item name ("mnuFileClose") or toolbar key ("tb:Close")
    QHash<QString, bool> visible; // only the items that can be hidden

    bool isEnabled(const QString& name) const { return enabled.value(name, true); }
    bool isVisible(const QString& name) const { return visible.value(name, true); }
};

// Report tags in menu order; the list, preview and print items are the prefix followed by the tag.
inline constexpr std::array<const char*, 14> kReportTags{"Comm", "Cli",  "Emp",  "RecG", "RecD", "Inv",  "InfA",
                                                         "InfM", "InfC", "InfS", "Cncl", "Lack", "GetD", "GetY"};

// The gChildState index of the list window of each report tag, in the same order.
inline constexpr std::array<int, 14> kListChild{
    core::kChildVComm, core::kChildVCli,  core::kChildVEmp,  core::kChildVRecG, core::kChildVRecD,
    core::kChildVInv,  core::kChildVInfA, core::kChildVInfM, core::kChildVInfC, core::kChildVInfS,
    core::kChildVCncl, core::kChildVLack, core::kChildVGetD, core::kChildVGetY};

ProgramState programStateOf(const core::AppState& s);
CommandStates computeCommandStates(const ProgramState& p);

} // namespace shell
