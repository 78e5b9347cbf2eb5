#include "reports/DefaultLayouts.h"

#include "reports/ReportKind.h"
#include "ui/MessageService.h"

#include <span>

namespace reports {

namespace {

// One layout line: keyword, value (nullptr: the report's title) and blanks after the closing quote.
struct LayoutLine {
    const char16_t* keyword;
    const char16_t* value;
    int trailingBlanks;
};

// goods master and stock shortage, 28 lines
constexpr LayoutLine kLayoutA[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"10", 0},
    {u"HEADER=", nullptr, 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"商品No. 商品コード  商品名                  個別定価  個別仕切値    個別原価    消費税率      在庫数  在庫発注点    カテゴリ", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"###,##0.00", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"4", 0},
    {u"FORMAT=", u"!@@@@@@@@@@", 0},
};
// client master (two lines per client), 22 lines
constexpr LayoutLine kLayoutB[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"10", 0},
    {u"HEADER=", u"顧客マスタ一覧", 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"顧客No.   顧客コード  顧客名", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"〒        住所                TEL           FAX           E-Mail", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"4", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 0},
    {u"CRLF=", u"1", 0},
    {u"FORMAT=", u"!@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 0},
};
// employee master, 14 lines
constexpr LayoutLine kLayoutC[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"10", 0},
    {u"HEADER=", u"社員マスタ一覧", 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"社員No.   社員コード  氏名", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"4", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 0},
};
// order lists, 32 lines
constexpr LayoutLine kLayoutD[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"10", 0},
    {u"HEADER=", nullptr, 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"受注No. 顧客コード  社員コード      定価金額      仕切値        原価    販売金額    消費税額        送料 受注日付   入金日      キャンセル", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 2},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 1},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 2},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"yyyy/mm/dd", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"yyyy/mm/dd", 1},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@", 0},
};
// order-line lists, 29 lines
constexpr LayoutLine kLayoutE[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"10", 0},
    {u"HEADER=", nullptr, 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"個別No. 受注No. 商品コード          個数        定価      仕切値        原価    販売価格      消費税 キャンセル", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"!@@@@@", 0},
};
// orders with their lines, 56 lines
constexpr LayoutLine kLayoutF[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"10", 0},
    {u"HEADER=", nullptr, 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"受注No. 顧客コード  社員コード      定価金額      仕切値        原価    販売金額    消費税額        送料 受注日付   入金日      キャンセル", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"yyyy/mm/dd", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"yyyy/mm/dd", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@", 0},
    {u"[HEADER2]", u"", 0},
    {u"HEADER=", u"  個別No. 受注No. 商品コード          個数        定価      仕切値        原価    販売価格      消費税 キャンセル", 0},
    {u"CRLF=", u"1", 0},
    {u"[DATA2]", u"", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"SPACE=", u"2", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"!@@@@@", 0},
};
// invoice, 86 lines
constexpr LayoutLine kLayoutG[] = {
    {u"[COMMON]", u"", 0},
    {u"MAXLINE=", u"20", 0},
    {u"[HEADER]", u"", 0},
    {u"FONTSIZE=", u"15", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"HEADER=", u"御中", 0},
    {u"CRLF=", u"1", 0},
    {u"[RIGHT]", u"", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"FORMAT=", u"yyyy/mm/dd", 3},
    {u"CRLF=", u"1", 0},
    {u"[CENTER]", u"", 0},
    {u"FONTSIZE=", u"12", 0},
    {u"HEADER=", u"ご請求書", 0},
    {u"CRLF=", u"2", 0},
    {u"[LEFT]", u"", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"　　　　　平素、弊社をご利用いただき有り難うございます。", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"　　　　　下記の通りご請求申し上げます。", 0},
    {u"CRLF=", u"2", 0},
    {u"[RIGHT]", u"", 0},
    {u"HEADER=", u"契約No. 　　：", 1},
    {u"SPACE=", u"5", 0},
    {u"FORMAT=", u"#####0", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"ご契約日　　：", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"yyyy/mm/dd", 0},
    {u"CRLF=", u"1", 0},
    {u"[CENTER]", u"", 0},
    {u"HEADER=", u"販売金額　　：", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"消費税額　　：", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"送料　　　　：", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"----------------------------------", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"ご請求額合計：", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"CRLF=", u"2", 0},
    {u"[LEFT]", u"", 0},
    {u"FONTSIZE=", u"12", 0},
    {u"HEADER=", u"内訳", 0},
    {u"CRLF=", u"1", 0},
    {u"FONTSIZE=", u"9", 0},
    {u"HEADER=", u"商品コード  商品名                      単価        数量      消費税", 0},
    {u"[DATA]", u"", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@", 5},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 3},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 0},
    {u"SPACE=", u"1", 0},
    {u"FORMAT=", u"###,###,##0", 2},
    {u"[FOOTER]", u"", 0},
    {u"[CENTER]", u"", 0},
    {u"CRLF=", u"2", 0},
    {u"FONTSIZE=", u"12", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 1},
    {u"FONTSIZE=", u"9", 0},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"〒", 0},
    {u"FORMAT=", u"!@@@@@@@@", 2},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"CRLF=", u"1", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"CRLF=", u"1", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"TEL   :", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"FAX   :", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"WEB   :", 0},
    {u"FORMAT=", u"!@@@@@@@@@@@@@@@@@@@@", 2},
    {u"CRLF=", u"1", 0},
    {u"HEADER=", u"E-MAIL:", 0},
    {u"FORMAT=", u"@@@@@@@@@@@@@@@@@@@@", 0},
};

std::span<const LayoutLine> layoutOf(int kind) {
    switch (kind) {
    case kComm:
    case kLack:
        return kLayoutA;
    case kCli:
        return kLayoutB;
    case kEmp:
        return kLayoutC;
    case kRecG:
    case kInfC:
    case kInfS:
    case kGetD:
    case kGetY:
        return kLayoutD;
    case kRecD:
    case kInfM:
        return kLayoutE;
    case kInfA:
    case kCncl:
        return kLayoutF;
    case kInv:
        return kLayoutG;
    default:
        return {};
    }
}

QString titleOf(int kind) {
    switch (kind) {
    case kComm:
        return QStringLiteral("商品マスタ一覧");
    default:
        return ReportName(kind);
    }
}

} // namespace

QString DefaultLayoutText(int kind) {
    QString text;
    for (const LayoutLine& line : layoutOf(kind)) {
        const QString keyword = QString::fromUtf16(line.keyword);
        text += keyword;
        if (keyword == QLatin1String("HEADER=") || keyword == QLatin1String("FORMAT=")) {
            text += QLatin1Char('"');
            text += line.value ? QString::fromUtf16(line.value) : titleOf(kind);
            text += QLatin1Char('"');
            text += QString(line.trailingBlanks, QLatin1Char(' '));
        } else {
            text += QString::fromUtf16(line.value);
        }
        text += QLatin1Char('\r');
    }
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    return text;
}

int DefaultLayoutLines(int kind) { return int(layoutOf(kind).size()); }

void SetDefaultFrmt(int kind, QString& text) {
    ui::messages().show(ReportName(kind) + QStringLiteral("の印字、表示フォーマットデータが存在しないか誤りがあります。"),
                        QStringLiteral("デフォルトのフォーマットを使用します"), ui::Buttons::Ok, ui::Icon::None);
    text = DefaultLayoutText(kind);
}

void SetDefaultFrmtForUtf8(int kind, QString& text) {
    ui::messages().show(ReportName(kind) + QStringLiteral("の印字、表示フォーマットファイル「") + LayoutFileName(kind) +
                            QStringLiteral("」はUTF-8で保存されています。\n"
                                           "Shift_JIS（CP932）で保存し直して下さい。"),
                        QStringLiteral("デフォルトのフォーマットを使用します"), ui::Buttons::Ok, ui::Icon::None);
    text = DefaultLayoutText(kind);
}

void SetDefaultFrmtComm(core::AppState& s) { SetDefaultFrmt(kComm, s.gFrmtText[kComm]); }
void SetDefaultFrmtCli(core::AppState& s) { SetDefaultFrmt(kCli, s.gFrmtText[kCli]); }
void SetDefaultFrmtEmp(core::AppState& s) { SetDefaultFrmt(kEmp, s.gFrmtText[kEmp]); }
void SetDefaultFrmtRecG(core::AppState& s) { SetDefaultFrmt(kRecG, s.gFrmtText[kRecG]); }
void SetDefaultFrmtRecD(core::AppState& s) { SetDefaultFrmt(kRecD, s.gFrmtText[kRecD]); }
void SetDefaultFrmtInfA(core::AppState& s) { SetDefaultFrmt(kInfA, s.gFrmtText[kInfA]); }
void SetDefaultFrmtInfM(core::AppState& s) { SetDefaultFrmt(kInfM, s.gFrmtText[kInfM]); }
void SetDefaultFrmtInfC(core::AppState& s) { SetDefaultFrmt(kInfC, s.gFrmtText[kInfC]); }
void SetDefaultFrmtInfS(core::AppState& s) { SetDefaultFrmt(kInfS, s.gFrmtText[kInfS]); }
void SetDefaultFrmtLack(core::AppState& s) { SetDefaultFrmt(kLack, s.gFrmtText[kLack]); }
void SetDefaultFrmtGetD(core::AppState& s) { SetDefaultFrmt(kGetD, s.gFrmtText[kGetD]); }
void SetDefaultFrmtGetY(core::AppState& s) { SetDefaultFrmt(kGetY, s.gFrmtText[kGetY]); }
void SetDefaultFrmtInv(core::AppState& s) { SetDefaultFrmt(kInv, s.gFrmtText[kInv]); }
void SetDefaultFrmtCncl(core::AppState& s) { SetDefaultFrmt(kCncl, s.gFrmtText[kCncl]); }

} // namespace reports
