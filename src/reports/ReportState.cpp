#include "reports/ReportState.h"

#include <memory>

namespace reports {

ReportState& reportState(core::AppState& app) {
    static std::unique_ptr<ReportState> state;
    if (!state || &state->app != &app)
        state = std::make_unique<ReportState>(app);
    return *state;
}

void FrmtLoadTokens(ReportState& rs, const QString& text, int count, int column) { rs.frmt.load(text, count, column); }

void FrmtLoadTokens(ReportState& rs, int kind) {
    if (kind < 1 || kind > FrmtTables::kColumns - 1)
        return;
    FrmtLoadTokens(rs, rs.app.gFrmtText[size_t(kind)], rs.app.gFrmtCount[size_t(kind)], kind);
}

} // namespace reports
