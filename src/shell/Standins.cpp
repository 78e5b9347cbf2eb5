#include "shell/Standins.h"

#include "core/MainFrame.h"

#include <QTimer>
#include <QWidget>

namespace shell {

void LoadAllLayouts(core::AppState&) {}

void ShowProgressWait(core::AppState& state) {
    state.gProgressCount = 0;
    core::MainFrame* main = state.gMainForm;
    if (!main)
        return;
    main->setTopMenusEnabled(false);
    auto* watch = new QTimer(main->window());
    watch->setInterval(500);
    QObject::connect(watch, &QTimer::timeout, watch, [&state, main, watch] {
        // A list window that failed to build never ends the count; with no list window open the wait is over.
        bool listOpen = false;
        for (int i = core::kChildVComm; i <= core::kChildVInv; ++i)
            listOpen = listOpen || core::isSet(state.gChildState[size_t(i)].Open);
        if ((state.gProgressCount < 0 || !listOpen) && core::isSet(state.gEditWaitCanClose)) {
            main->setTopMenusEnabled(true);
            watch->deleteLater();
            watch->stop();
        }
    });
    watch->start();
}

} // namespace shell
