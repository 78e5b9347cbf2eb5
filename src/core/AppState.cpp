#include "core/AppState.h"

namespace core {

void AppState::rebuildReservedCodes() {
    for (int i = 0; i < kFieldLenCount; ++i)
        gReservedCode[size_t(i)] = QString(qMax(0, int(gFieldLen[size_t(i)])), QLatin1Char('X'));
}

void InitFieldLimits(AppState& s) {
    s.gChildState.fill(ChildStateRec{});
    s.gFieldLen = kDefaultFieldLen;
    s.gEditWaitCanClose = kTrue;
    s.gPrintMode = kFalse;
    s.rebuildReservedCodes();
}

} // namespace core
