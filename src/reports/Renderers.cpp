#include "reports/Renderers.h"

#include "db/OleDate.h"
#include "reports/Layout.h"
#include "reports/ReportKind.h"
#include "text/Cp932.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace reports {

namespace {

// How a field is put into its column.
enum class Form {
    Number,       // formatted, right-aligned to the width, never cut
    Cut,          // formatted, cut to the width in display columns
    BlankDate,    // as Number, but blanks of the same length for date 0
    CancelMark,   // "キャンセル" for "X", otherwise five ideographic spaces, then as Number
    PatternBlanks // as many blanks as the pattern has characters
};

struct Field {
    FieldValue value;
    Form form = Form::Number;
};

// Gives field n (1-based) of the renderer's record; false when the record has no such field.
using FieldFn = bool (*)(const ReportState& rs, int n, Field& f);

enum class Range {
    Header,  // from [HEADER] to before the next [DATA]
    Header2, // from [HEADER2] to before the next [DATA] or [DATA2]
    Section, // from the marker to before the next section marker
};

struct RendererDef {
    int column;
    int startKind;
    Range range;
    FieldFn fields;      // nullptr: FORMAT items are ignored
    bool resetPosition;  // start at the top left corner of a device
    bool aligned;        // [CENTER] / [RIGHT] / [LEFT] place the printed lines
    int blankFields;     // > 0: the blank twin, with this many fields of the full renderer
};

const QString kCancelText = QStringLiteral("キャンセル");
const QString kNotCancelled = QStringLiteral("　　　　　");

Field num(std::int32_t v) { return {FieldValue::ofLong(v), Form::Number}; }
Field num(Currency v) { return {FieldValue::ofCurrency(v), Form::Number}; }
Field date(double v) { return {FieldValue::ofDate(v), Form::Number}; }
// A stored text goes to the layout at most its field's size: the formatting copies it whole.
using Lens = std::array<std::int32_t, core::kFieldLenCount>;
constexpr int kCategoryLen = 20;
// "顧客コード=" or "商品コード=" and the code, where the master has no name for it.
int nameOrCodeLen(const Lens& len, int name, int code) {
    return std::max(len[size_t(name)], 6 + len[size_t(code)]);
}
Field cut(const QString& s, int size) {
    return {FieldValue::ofText(text::shownPart(s, size)), Form::Cut};
}
Field cut(const QString& s, const Lens& len, int entry) {
    return cut(s, len[size_t(entry)]);
}
Field cancelMark(const QString& s) {
    return {FieldValue::ofText(s == QLatin1String("X") ? kCancelText : kNotCancelled), Form::CancelMark};
}

bool goodsField(const GoodsRec& r, const Lens& len, int n, Field& f) {
    switch (n) {
    case 1: f = num(r.商品No); return true;
    case 2:
        f = cut(r.商品コード, len, core::kLenGoodsCode);
        return true;
    case 3:
        f = cut(r.商品名, len, core::kLenGoodsName);
        return true;
    case 4: f = num(r.個別定価); return true;
    case 5: f = num(r.個別仕切値); return true;
    case 6: f = num(r.個別原価); return true;
    case 7: f = {FieldValue::ofSingle(r.消費税率), Form::Number}; return true;
    case 8: f = num(r.在庫量); return true;
    case 9: f = num(r.在庫発注点); return true;
    case 10: // runs past its column
        f = {FieldValue::ofText(text::shownPart(r.商品カテゴリ, kCategoryLen)), Form::Number};
        return true;
    default: return false;
    }
}

bool clientField(const ClientRec& r, const Lens& len, int n, Field& f) {
    using namespace core;
    switch (n) {
    case 1: f = num(r.顧客No); return true;
    case 2:
        f = cut(r.顧客コード, len, kLenClientCode);
        return true;
    case 3:
        f = cut(r.顧客名, len, kLenClientName);
        return true;
    case 4:
        f = cut(r.郵便番号, len, kLenZip);
        return true;
    case 5:
        f = cut(r.住所, len, kLenAddress);
        return true;
    case 6:
        f = cut(r.TEL, len, kLenTel);
        return true;
    case 7:
        f = cut(r.FAX, len, kLenFax);
        return true;
    case 8:
        f = cut(r.EMail, len, kLenMail);
        return true;
    default: return false;
    }
}

bool employeeField(const EmployeeRec& r, const Lens& len, int n, Field& f) {
    switch (n) {
    case 1: f = num(r.社員No); return true;
    case 2:
        f = cut(r.社員コード, len, core::kLenEmployeeCode);
        return true;
    case 3:
        f = cut(r.氏名, len, core::kLenEmployeeName);
        return true;
    default: return false;
    }
}

bool orderField(const OrderRec& r, const Lens& len, int n, Field& f) {
    switch (n) {
    case 1: f = num(r.受注No); return true;
    case 2:
        f = cut(r.顧客コード, len, core::kLenClientCode);
        return true;
    case 3:
        f = cut(r.社員コード, len, core::kLenEmployeeCode);
        return true;
    case 4: f = num(r.定価金額); return true;
    case 5: f = num(r.仕切値); return true;
    case 6: f = num(r.原価); return true;
    case 7: f = num(r.販売金額); return true;
    case 8: f = num(r.消費税額); return true;
    case 9: f = num(r.送料); return true;
    case 10: f = date(r.受注日付); return true;
    case 11: f = {FieldValue::ofDate(r.入金日), Form::BlankDate}; return true;
    case 12: f = cancelMark(r.キャンセル); return true;
    default: return false;
    }
}

bool orderLineField(const OrderLineRec& r, const Lens& len, int n, Field& f) {
    switch (n) {
    case 1: f = num(r.個別No); return true;
    case 2: f = num(r.受注No); return true;
    case 3:
        f = cut(r.商品コード, len, core::kLenGoodsCode);
        return true;
    case 4: f = num(r.個数); return true;
    case 5: f = num(r.個別定価); return true;
    case 6: f = num(r.個別仕切値); return true;
    case 7: f = num(r.個別原価); return true;
    case 8: f = num(r.個別販売価格); return true;
    case 9: f = num(r.個別消費税); return true;
    case 10: f = cancelMark(r.キャンセル); return true;
    default: return false;
    }
}

bool invoiceHeadField(const ReportState& rs, int n, Field& f) {
    const InvoiceHeadRec& r = rs.gRecInvHead;
    const Lens& len = rs.app.gFieldLen;
    switch (n) {
    case 1:
        f = cut(r.顧客名, nameOrCodeLen(len, core::kLenClientName, core::kLenClientCode));
        return true;
    case 2: f = date(db::toOleDate(rs.today())); return true;
    case 3: f = num(r.受注No); return true;
    case 4: f = date(r.受注日付); return true;
    case 5: f = num(r.販売金額); return true;
    case 6: f = num(r.消費税額); return true;
    case 7: f = num(r.送料); return true;
    case 8: f = num(r.販売金額 + r.消費税額 + r.送料); return true;
    default: return false;
    }
}

bool invoiceLineField(const ReportState& rs, int n, Field& f) {
    const InvoiceLineRec& r = rs.gRecInvLine;
    const Lens& len = rs.app.gFieldLen;
    switch (n) {
    case 1:
        f = cut(r.商品コード, len, core::kLenGoodsCode);
        return true;
    case 2:
        f = cut(r.商品名, nameOrCodeLen(len, core::kLenGoodsName, core::kLenGoodsCode));
        return true;
    case 3: f = num(r.個別販売価格); return true;
    case 4: f = num(r.個数); return true;
    case 5:
        f = core::isSet(rs.app.gCompany.TaxPerLine) ? num(r.個別消費税) : Field{{}, Form::PatternBlanks};
        return true;
    default: return false;
    }
}

bool companyField(const ReportState& rs, int n, Field& f) {
    const core::CompanyInfo& c = rs.app.gCompany;
    const QString* fields[] = {&c.CompanyName, &c.ZipCode, &c.Address1, &c.Address2, &c.Address3,
                               &c.Tel,         &c.Fax,     &c.Web,      &c.Mail};
    if (n < 1 || n > 9)
        return false;
    f = {FieldValue::ofText(*fields[n - 1]), Form::Cut}; // from the control file, read to its own sizes
    return true;
}

template <auto Buffer, auto Fn>
bool bufferField(const ReportState& rs, int n, Field& f) {
    return Fn(rs.*Buffer, rs.app.gFieldLen, n, f);
}

void appendBlanks(QString& s, qsizetype n) {
    if (n > 0)
        s.resize(s.size() + n, QLatin1Char(' '));
}

// Appends n characters to s: blanks, then the text.
void appendPadded(QString& s, qsizetype blanks, const char16_t* text, qsizetype n) {
    blanks = std::max<qsizetype>(blanks, 0);
    const qsizetype at = s.size();
    s.resize(at + blanks + n);
    char16_t* out = reinterpret_cast<char16_t*>(s.data()) + at;
    std::fill_n(out, blanks, u' ');
    std::copy_n(text, n, out + blanks);
}

// Appends the field in its form to the pending line, formatted in one go and added to the line at once.
void appendField(const Field& f, const FormatPattern& pattern, QString& pending) {
    if (f.form == Form::PatternBlanks) {
        appendBlanks(pending, pattern.pattern().size());
        return;
    }
    Chars text;
    pattern.format(f.value, text);
    const qsizetype n = text.size();
    const int width = pattern.width();
    switch (f.form) {
    case Form::Cut:
        appendPadded(pending, 0, text.constData(), text::fittingLength(QStringView(text.constData(), n), width));
        return;
    case Form::BlankDate:
        if (f.value.d == 0) {
            appendBlanks(pending, std::max<qsizetype>(width, n));
            return;
        }
        [[fallthrough]];
    default:
        appendPadded(pending, width - n, text.constData(), n);
        return;
    }
}

enum class Align { Left, Center, Right };

class Walk {
public:
    Walk(const RendererDef& def, ReportState& rs, RenderTarget& target, bool toDevice)
        : def_(def), rs_(rs), target_(target), toDevice_(toDevice), pending_(rs.pendingBuffer) {
        pending_.resize(0); // keeps the buffer's room from the last call
    }

    void run() {
        int first = 0, last = 0;
        if (!findRange(first, last))
            return;
        if (def_.resetPosition && toDevice_) {
            target_.setCurrentX(0);
            target_.setCurrentY(0);
        }
        const FrmtTables& t = rs_.frmt;
        const int col = def_.column;
        for (int row = first; row <= last; ++row) {
            switch (t.kind(row, col)) {
            case kTokHeaderText:
                if (def_.blankFields > 0)
                    pending_ += QLatin1Char(' ');
                else
                    pending_ += t.str(row, col);
                break;
            case kTokSpace:
                if (def_.blankFields > 0) {
                    if (t.num(row, col) >= 1)
                        pending_ += QLatin1Char(' ');
                } else {
                    appendBlanks(pending_, t.num(row, col));
                }
                break;
            case kTokCrLf:
                lineBreak(t.num(row, col));
                break;
            case kTokFontSize:
                fontSize(t.num(row, col));
                break;
            case kTokFormat:
                format(t.pattern(row, col));
                break;
            case kTokCenter:
                if (def_.aligned)
                    align_ = Align::Center;
                break;
            case kTokRight:
                if (def_.aligned)
                    align_ = Align::Right;
                break;
            case kTokLeft:
                if (def_.aligned)
                    align_ = Align::Left;
                break;
            default:
                break;
            }
        }
        if (!pending_.isEmpty()) {
            if (toDevice_)
                printPending();
            else
                target_.appendText(pending_);
        }
    }

private:
    bool findRange(int& first, int& last) const {
        const FrmtTables& t = rs_.frmt;
        const int col = def_.column;
        const int count = t.rows(col);
        int start = 0;
        for (int row = 1; row <= count && !start; ++row)
            if (t.kind(row, col) == def_.startKind)
                start = row;
        if (!start)
            return false;
        if (def_.range == Range::Section) {
            if (start == count)
                return false;
            int end = count + 1;
            for (int row = start + 1; row <= count; ++row) {
                if (isSectionMarker(t.kind(row, col))) {
                    end = row;
                    break;
                }
            }
            first = start;
            last = end - 1;
            return true;
        }
        for (int row = start + 1; row <= count; ++row) {
            const int k = t.kind(row, col);
            if (k == kTokData || (def_.range == Range::Header2 && k == kTokData2)) {
                first = start;
                last = row - 1;
                return true;
            }
        }
        return false;
    }

    void printPending() {
        if (def_.aligned) {
            switch (align_) {
            case Align::Left:
                target_.setCurrentX(0);
                break;
            case Align::Center:
                target_.setCurrentX((target_.scaleWidth() - target_.textWidth(pending_)) / 2);
                break;
            case Align::Right:
                target_.setCurrentX(target_.scaleWidth() - target_.textWidth(pending_));
                break;
            }
        }
        target_.print(pending_);
        pending_.resize(0);
    }

    // A device moves 2n - 1 lines (the pending line, then n - 1 prints of CR LF that each move two);
    // a text gets the line and n line ends.
    void lineBreak(int n) {
        if (toDevice_) {
            printPending();
            for (int i = 1; i < n; ++i)
                target_.print(QStringLiteral("\r\n"));
            target_.setCurrentX(0);
        } else {
            for (int i = 0; i < n; ++i)
                pending_ += QStringLiteral("\r\n");
            target_.appendText(pending_);
            pending_.resize(0);
        }
    }

    void fontSize(int n) {
        if (!toDevice_)
            return;
        if (!pending_.isEmpty())
            printPending();
        target_.setFontSize(std::max(1.0, std::floor(n * rs_.gPrintScale + 0.99)));
    }

    void format(const FormatPattern& pattern) {
        if (def_.blankFields > 0) {
            if (field_ <= def_.blankFields) {
                pending_ += QLatin1Char(' ');
                ++field_;
            }
            return;
        }
        if (!def_.fields)
            return;
        Field f;
        if (def_.fields(rs_, field_, f))
            appendField(f, pattern, pending_);
        ++field_;
    }

    const RendererDef& def_;
    ReportState& rs_;
    RenderTarget& target_;
    bool toDevice_;
    QString& pending_;
    int field_ = 1;
    Align align_ = Align::Left;
};

void render(const RendererDef& def, ReportState& rs, RenderTarget& target, bool toDevice) {
    Walk(def, rs, target, toDevice).run();
}

using S = ReportState;

constexpr RendererDef header(int column, bool reset) {
    return {column, kTokHeader, Range::Header, nullptr, reset, false, 0};
}
constexpr RendererDef data(int column, int startKind, FieldFn fields) {
    return {column, startKind, Range::Section, fields, false, false, 0};
}

constexpr RendererDef kHeaderComm = header(kComm, true);
constexpr RendererDef kDataComm = data(kComm, kTokData, bufferField<&S::gRecComm, goodsField>);
constexpr RendererDef kHeaderCli = header(kCli, true);
constexpr RendererDef kDataCli = data(kCli, kTokData, bufferField<&S::gRecCli, clientField>);
constexpr RendererDef kHeaderEmp = header(kEmp, true);
constexpr RendererDef kDataEmp = data(kEmp, kTokData, bufferField<&S::gRecEmp, employeeField>);
constexpr RendererDef kHeaderRecG = header(kRecG, true);
constexpr RendererDef kDataRecG = data(kRecG, kTokData, bufferField<&S::gRecRecG, orderField>);
constexpr RendererDef kHeaderRecD = header(kRecD, true);
constexpr RendererDef kDataRecD = data(kRecD, kTokData, bufferField<&S::gRecRecD, orderLineField>);
constexpr RendererDef kHeaderLack = header(kLack, true);
constexpr RendererDef kDataLack = data(kLack, kTokData, bufferField<&S::gRecLack, goodsField>);

constexpr RendererDef kHeaderInfM = header(kInfM, false);
constexpr RendererDef kDataInfM = data(kInfM, kTokData, bufferField<&S::gRecInfM, orderLineField>);
constexpr RendererDef kHeaderInfC = header(kInfC, false);
constexpr RendererDef kDataInfC = data(kInfC, kTokData, bufferField<&S::gRecInfC, orderField>);
constexpr RendererDef kHeaderInfS = header(kInfS, false);
constexpr RendererDef kDataInfS = data(kInfS, kTokData, bufferField<&S::gRecInfS, orderField>);
constexpr RendererDef kHeaderGetD = header(kGetD, false);
constexpr RendererDef kDataGetD = data(kGetD, kTokData, bufferField<&S::gRecGetD, orderField>);
constexpr RendererDef kHeaderGetY = header(kGetY, false);
constexpr RendererDef kDataGetY = data(kGetY, kTokData, bufferField<&S::gRecGetY, orderField>);

constexpr RendererDef kHeaderInfA = header(kInfA, false);
constexpr RendererDef kHeader2InfA = {kInfA, kTokHeader2, Range::Header2, nullptr, false, false, 0};
constexpr RendererDef kDataInfA = data(kInfA, kTokData, bufferField<&S::gRecInfA, orderField>);
constexpr RendererDef kData2InfA = data(kInfA, kTokData2, bufferField<&S::gRecInfALine, orderLineField>);
constexpr RendererDef kHeaderCncl = header(kCncl, false);
constexpr RendererDef kHeader2Cncl = {kCncl, kTokHeader2, Range::Header2, nullptr, false, false, 0};
constexpr RendererDef kDataCncl = data(kCncl, kTokData, bufferField<&S::gRecCncl, orderField>);
constexpr RendererDef kData2Cncl = data(kCncl, kTokData2, bufferField<&S::gRecCnclLine, orderLineField>);

constexpr RendererDef kHeaderInv = {kInv, kTokHeader, Range::Section, invoiceHeadField, false, true, 0};
constexpr RendererDef kHeaderBlankInv = {kInv, kTokHeader, Range::Section, nullptr, false, true, 8};
constexpr RendererDef kDataInv = {kInv, kTokData, Range::Section, invoiceLineField, false, true, 0};
constexpr RendererDef kDataBlankInv = {kInv, kTokData, Range::Section, nullptr, false, true, 5};
constexpr RendererDef kFooterInv = {kInv, kTokFooter, Range::Section, companyField, false, true, 0};

} // namespace

#define VARNOX_RENDERER(name, def)                                                                        \
    void name(ReportState& rs, RenderTarget& target, const QString&, bool toDevice) {                     \
        render(def, rs, target, toDevice);                                                                \
    }

VARNOX_RENDERER(RenderHeaderComm, kHeaderComm)
VARNOX_RENDERER(RenderDataComm, kDataComm)
VARNOX_RENDERER(RenderHeaderCli, kHeaderCli)
VARNOX_RENDERER(RenderDataCli, kDataCli)
VARNOX_RENDERER(RenderHeaderEmp, kHeaderEmp)
VARNOX_RENDERER(RenderDataEmp, kDataEmp)
VARNOX_RENDERER(RenderHeaderRecG, kHeaderRecG)
VARNOX_RENDERER(RenderDataRecG, kDataRecG)
VARNOX_RENDERER(RenderHeaderRecD, kHeaderRecD)
VARNOX_RENDERER(RenderDataRecD, kDataRecD)
VARNOX_RENDERER(RenderHeaderLack, kHeaderLack)
VARNOX_RENDERER(RenderDataLack, kDataLack)
VARNOX_RENDERER(RenderHeaderInfM, kHeaderInfM)
VARNOX_RENDERER(RenderDataInfM, kDataInfM)
VARNOX_RENDERER(RenderHeaderInfC, kHeaderInfC)
VARNOX_RENDERER(RenderDataInfC, kDataInfC)
VARNOX_RENDERER(RenderHeaderInfS, kHeaderInfS)
VARNOX_RENDERER(RenderDataInfS, kDataInfS)
VARNOX_RENDERER(RenderHeaderGetD, kHeaderGetD)
VARNOX_RENDERER(RenderDataGetD, kDataGetD)
VARNOX_RENDERER(RenderHeaderGetY, kHeaderGetY)
VARNOX_RENDERER(RenderDataGetY, kDataGetY)
VARNOX_RENDERER(RenderHeaderInfA, kHeaderInfA)
VARNOX_RENDERER(RenderHeader2InfA, kHeader2InfA)
VARNOX_RENDERER(RenderDataInfA, kDataInfA)
VARNOX_RENDERER(RenderData2InfA, kData2InfA)
VARNOX_RENDERER(RenderHeaderCncl, kHeaderCncl)
VARNOX_RENDERER(RenderHeader2Cncl, kHeader2Cncl)
VARNOX_RENDERER(RenderDataCncl, kDataCncl)
VARNOX_RENDERER(RenderData2Cncl, kData2Cncl)
VARNOX_RENDERER(RenderHeaderInv, kHeaderInv)
VARNOX_RENDERER(RenderHeaderBlankInv, kHeaderBlankInv)
VARNOX_RENDERER(RenderDataInv, kDataInv)
VARNOX_RENDERER(RenderDataBlankInv, kDataBlankInv)
VARNOX_RENDERER(RenderFooterInv, kFooterInv)

#undef VARNOX_RENDERER

void PrintPageNumber(RenderTarget& target, std::int32_t page) {
    const QString text = QStringLiteral("- ") + QString::number(page) + QStringLiteral(" -");
    // Whole twips as the printer's integer division gives them: rounded difference, quotient truncated.
    const double diff = std::nearbyint(target.scaleWidth() - target.textWidth(text));
    target.setCurrentX(std::trunc(diff / 2));
    target.setCurrentY(target.scaleHeight() - target.textHeight(text));
    target.print(text);
}

} // namespace reports
