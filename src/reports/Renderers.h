// The report renderers: each draws one section of its report's layout (header, data line, second header
// and data line, invoice footer) on a target, from the token tables and the report's record buffer.
// All of them are entries of one engine; sep is passed as "" by every caller and has no effect.
#pragma once

#include "print/RenderTarget.h"
#include "reports/ReportState.h"

namespace reports {

using print::RenderTarget;

// Masters, order lists and the shortage list: the headers start at the top left of a device.
void RenderHeaderComm(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataComm(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderCli(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataCli(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderEmp(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataEmp(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderRecG(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataRecG(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderRecD(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataRecD(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderLack(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataLack(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);

// Order information lists: the headers continue below the caller's condition title.
void RenderHeaderInfM(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataInfM(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderInfC(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataInfC(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderInfS(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataInfS(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderGetD(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataGetD(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderGetY(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataGetY(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);

// Orders with their lines (受注情報, 受注キャンセル情報).
void RenderHeaderInfA(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeader2InfA(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataInfA(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderData2InfA(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderCncl(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeader2Cncl(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataCncl(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderData2Cncl(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);

// The invoice: aligned lines, a footer from the company record, and blank twins that keep the shape.
void RenderHeaderInv(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderHeaderBlankInv(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataInv(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderDataBlankInv(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);
void RenderFooterInv(ReportState& rs, RenderTarget& target, const QString& sep, bool toDevice);

// "- n -" centred on the last line of the page.
void PrintPageNumber(RenderTarget& target, std::int32_t page);

} // namespace reports
