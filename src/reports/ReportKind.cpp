#include "reports/ReportKind.h"

#include <array>

namespace reports {

namespace {

struct KindInfo {
    const char16_t* name;
    const char* tag;
    int loadOrder;
};

// Indexed by ReportKind - 1.
constexpr std::array<KindInfo, kReportCount> kKinds{{
    {u"商品マスタ", "Comm", 1},
    {u"顧客マスタ", "Cli", 2},
    {u"社員マスタ", "Emp", 3},
    {u"受注データ一覧", "RecG", 4},
    {u"受注個別データ一覧", "RecD", 5},
    {u"請求書", "Inv", 13},
    {u"受注情報", "InfA", 6},
    {u"商品別受注情報", "InfM", 7},
    {u"顧客別受注情報", "InfC", 8},
    {u"社員別受注情報", "InfS", 9},
    {u"受注キャンセル情報", "Cncl", 14},
    {u"在庫不足商品一覧", "Lack", 10},
    {u"入金済み受注一覧", "GetD", 11},
    {u"未入金受注一覧", "GetY", 12},
}};

bool valid(int kind) { return kind >= 1 && kind <= kReportCount; }

} // namespace

int KindFromLoadOrder(int loadOrder) {
    for (int k = 1; k <= kReportCount; ++k)
        if (kKinds[size_t(k - 1)].loadOrder == loadOrder)
            return k;
    return 0;
}

int LoadOrderFromKind(int kind) { return valid(kind) ? kKinds[size_t(kind - 1)].loadOrder : 0; }

QString ReportName(int kind) {
    return valid(kind) ? QString::fromUtf16(kKinds[size_t(kind - 1)].name) : QString();
}

QString ReportTag(int kind) { return valid(kind) ? QString::fromLatin1(kKinds[size_t(kind - 1)].tag) : QString(); }

QString LayoutFileName(int kind) { return valid(kind) ? ReportName(kind) + QStringLiteral(".FRMT") : QString(); }

} // namespace reports
