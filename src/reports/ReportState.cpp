#include "reports/ReportState.h"

#include <QDateTime>
#include <memory>

namespace reports {

QDate systemDate() {
    static QDate day;
    static qint64 until = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now >= until || now < until - 1000) {
        day = QDate::currentDate();
        const qint64 midnight = QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
        until = std::min(now + 1000, midnight);
    }
    return day;
}

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
