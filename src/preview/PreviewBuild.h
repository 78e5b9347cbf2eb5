// Builds every page of a report for the preview: one table of the fourteen reports, four page shapes
// (table rows, order lists, orders with their lines, invoices) over one page sink.
#pragma once

#include "core/AppState.h"
#include "preview/PageSink.h"
#include "reports/ReportState.h"

#include <QString>
#include <functional>

namespace preview {

// What the window does after the build.
enum class BuildOutcome {
    Shown,       // pages built, page 1 can be shown
    LayoutError, // the layout message was shown
    Reported,    // the user was told why nothing is shown
    NoData,      // the report's no-data message was shown
};

struct BuildContext {
    core::AppState& app;
    reports::ReportState& rs;
    PageSink& pages;
    // The one-second wait before failure messages, and the yield after each drawn row.
    std::function<void()> waitOneSecond;
    std::function<void()> yield;
    // Set by the build.
    std::int32_t recCount = 0;
    std::int32_t maxLine = 0;
};

// True when the name is one of the fourteen report names.
bool IsPreviewReport(const QString& reportName);

// Runs the preparation and page builder of the named report and shows the messages of every failure.
BuildOutcome BuildPreview(BuildContext& ctx, const QString& reportName);

// The title line of the order reports: " 2009年度 4月分　", " 2009年度分　" or "全年度分　", then the code
// label and code when label and code are both given.
QString ConditionTitle(int year, int month, const QString& codeLabel = {}, const QString& code = {});

} // namespace preview
