// Builds every page of a report for the preview with the print's own page loops, so the preview shows
// the pages the print gives; only the preparation differs: the report's query is asked first, and an
// empty one is told as "データが空です。". Also the fit of the printer's page into the window.
#pragma once

#include "core/AppState.h"
#include "print/RenderTarget.h"
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
    // Where the pages go, one after another (a new page by newPage()).
    print::RenderTarget& pages;
    // The one-second wait before failure messages, and the yield after each drawn row.
    std::function<void()> waitOneSecond;
    std::function<void()> yield;
    // Set by the build.
    std::int32_t recCount = 0;
    std::int32_t maxLine = 0;
    std::int32_t pageCount = 0;
};

// True when the name is one of the fourteen report names.
bool IsPreviewReport(const QString& reportName);

// Runs the preparation and page builder of the named report and shows the messages of every failure.
BuildOutcome BuildPreview(BuildContext& ctx, const QString& reportName);

// The title line of the order reports: " 2009年度 4月分　", " 2009年度分　" or "全年度分　", then the code
// label and code when label and code are both given.
QString ConditionTitle(int year, int month, const QString& codeLabel = {}, const QString& code = {});

// The printer's page fitted into the frame with a margin m around it: by width when the page at the
// frame's width fits its height, else by height; centred; scale is the page ratio (gPrintScale).
struct PageFit {
    int width;
    int height;
    int top;
    int left;
    double scale;
};
PageFit FitPage(double frameWidth, double frameHeight, double margin, double pageWidth, double pageHeight);

} // namespace preview
