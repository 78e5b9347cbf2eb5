// The fourteen reports: their number in menu order (ReportKind), the order their layouts are read in
// (LoadOrder), their names and layout files.
#pragma once

#include <QString>

namespace reports {

enum ReportKind : int {
    kComm = 1, kCli, kEmp, kRecG, kRecD, kInv, kInfA, kInfM, kInfC, kInfS, kCncl, kLack, kGetD, kGetY
};
constexpr int kReportCount = 14;

// 1..14 in the order the layouts are read: the masters, the order lists, the order information lists,
// the shortage and payment lists, then the invoice and the cancellations.
int KindFromLoadOrder(int loadOrder); // 0 outside 1..14
int LoadOrderFromKind(int kind);      // 0 outside 1..14

QString ReportName(int kind); // "商品マスタ", ...; "" outside 1..14
QString ReportTag(int kind);  // "Comm", ...
QString LayoutFileName(int kind); // the name followed by ".FRMT"

} // namespace reports
