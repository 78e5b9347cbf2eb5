// The program-wide state every window shares: open database, company settings, field sizes,
// child-window flags and the results that dialogs hand back to their callers.
#pragma once

#include "core/Categories.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>

namespace core {

class MainFrame;

// Booleans kept as the program has always stored them: -1 true, 0 false; set only when -1.
using VBool = std::int16_t;
constexpr VBool kTrue = -1;
constexpr VBool kFalse = 0;
inline bool isSet(VBool b) { return b == kTrue; }
inline VBool vbool(bool b) { return b ? kTrue : kFalse; }

struct CompanyInfo {
    QString ZipCode;
    QString Address1;
    QString Address2;
    QString Address3;
    QString CompanyName;
    QString Tel;
    QString Fax;
    QString Web;
    QString Mail;
    QString Password; // "" = none
    VBool TaxPerLine = kFalse;
    float TaxRate = 0.0f; // percent, used when TaxPerLine is off

    bool operator==(const CompanyInfo&) const = default;
};

struct ChildStateRec {
    VBool Open = kFalse;
    VBool CloseRequest = kFalse;
    VBool RefreshRequest = kFalse;
    VBool RefreshDone = kFalse;
};

// Index of each child window's record in gChildState.
enum ChildIndex : int {
    kChildGoodsM = 0, kChildEmployeeM, kChildClientM, kChildDetailM, kChildOrderM, kChildGetOrder,
    kChildVComm, kChildVCli, kChildVEmp, kChildVRecG, kChildVRecD, kChildVLack, kChildVInfM, kChildVInfC,
    kChildVInfS, kChildVGetD, kChildVGetY, kChildVInfA, kChildVCncl, kChildVInv, kChildPayment, kChildCancel,
    kChildStockUp,
    kChildCount
};

// Ids kept in gActiveFormId (a numbering of its own; 0 = none).
enum FormId : int {
    kFormNone = 0, kFormGetOrder, kFormPayment, kFormCancel, kFormStockUp, kFormClientM, kFormDetailM,
    kFormEmployeeM, kFormGoodsM, kFormOrderM, kFormVCli, kFormVCncl, kFormVComm, kFormVEmp, kFormVGetD,
    kFormVGetY, kFormVInfA, kFormVInfC, kFormVInfM, kFormVInfS, kFormVInv, kFormVLack, kFormVRecD, kFormVRecG
};

// Entries of gFieldLen / gReservedCode.
enum FieldLenIndex : int {
    kLenGoodsCode = 0, kLenGoodsName, kLenClientCode, kLenClientName, kLenZip, kLenAddress, kLenTel, kLenFax,
    kLenMail, kLenEmployeeCode, kLenEmployeeName,
    kFieldLenCount
};

constexpr std::array<std::int32_t, kFieldLenCount> kDefaultFieldLen{10, 50, 10, 60, 8, 80, 20, 20, 20, 10, 20};

// An object that belongs to one program state and goes with it, as a window watching the state must: a
// second program in the same process (tests) never meets the first one's. A copy of the state starts without.
class StateOwned {
public:
    StateOwned() = default;
    StateOwned(const StateOwned&) {}
    StateOwned& operator=(const StateOwned&) { return *this; }
    ~StateOwned() { delete object_.data(); }
    QObject* get() const { return object_.data(); }
    void reset(QObject* object) {
        delete object_.data();
        object_ = object;
    }

private:
    QPointer<QObject> object_;
};

struct AppState {
    MainFrame* gMainForm = nullptr; // the one main window, once it exists
    QString gDbPath;
    QString gOpenDbName;

    CompanyInfo gCompanyEdit;
    CompanyInfo gCompany;

    std::array<std::int32_t, kFieldLenCount> gFieldLen = kDefaultFieldLen;
    std::array<QString, kFieldLenCount> gReservedCode;

    // Carried unchanged in the control file.
    std::int32_t gCtlReserved1 = 0;
    std::int32_t gCtlReserved2 = 0;
    double gDbCreated = 0; // OLE date of the database's creation

    std::array<ChildStateRec, kChildCount> gChildState{};
    VBool gAllClosed = kFalse;
    VBool gRefreshDone = kFalse;
    VBool gEditWaitCanClose = kTrue;
    std::int32_t gActiveFormId = kFormNone;
    VBool gAutoFocus = kFalse;
    std::int16_t gOpenMasterCount = 0;
    std::int16_t gOpenDataCount = 0;
    VBool gPrinterReady = kFalse;
    VBool gPrintMode = kFalse;

    // View options of the main window, loaded and saved with its settings.
    VBool gShowToolbar = kTrue;
    VBool gShowStatusBar = kTrue;
    VBool gShowTips = kTrue;

    // Company settings dialog: mode (False = new database, True = change) and result.
    VBool gCatDialogMode = kFalse;
    VBool gCatDialogOk = kFalse;
    VBool gDbCreateFailed = kFalse;

    // Password prompt: the typed text and whether OK closed it.
    QString gPwdInput;
    VBool gPwdEntered = kFalse;

    // Chooser answers: 0 filtered list, 1 all, 2 cancelled.
    VBool gPrepForPayment = kFalse; // True: the chooser serves the payment list, False: the cancellation list
    std::int32_t gPaymentListMode = 0;
    std::int32_t gCancelListMode = 0;
    std::int32_t gStockListMode = 0;

    // Condition and invoice-scope dialogs, written by the list openers before and read after.
    std::int32_t gCondReport = 0; // the report's load-order number
    VBool gCondForPrint = kFalse;
    VBool gCondAccepted = kFalse;
    VBool gInvPrintFlavour = kFalse;
    std::int32_t gInvViewScope = 0;   // 0 unpaid only, 1 all, 2 chosen from the list, 3 cancelled
    std::int32_t gInvViewOrderNo = 0; // -1 = nothing chosen

    // Condition dialog: the values accepted by OK, and the two condition sets it fills, one entry per
    // report kind (index 1..14, 0 unused): the print set (print and preview) and the list set (list windows).
    // Year 0 = every year, month 0 = the whole year, code "" = every code.
    std::int32_t gCondEntryYear = 0;
    std::int32_t gCondEntryMonth = 0;
    QString gCondEntryCode;
    std::array<std::int16_t, 15> gCondYear{};
    std::array<std::int16_t, 15> gCondMonth{};
    std::array<QString, 15> gCondCode;
    std::array<std::int16_t, 15> gViewCondYear{};
    std::array<std::int16_t, 15> gViewCondMonth{};
    std::array<QString, 15> gViewCondCode;

    // Invoice dialogs on behalf of printing and preview: scope as above, page options, chosen order.
    std::int32_t gInvPrintScope = 0;
    VBool gInvHeaderOnce = kFalse; // True: the invoice header on the first page only
    VBool gInvFooterOn = kFalse;   // True: the own-company footer is printed
    std::int32_t gInvPrintOrderNo = 0; // -1 = nothing chosen

    // Print preview: the report it shows, and the handshake with the print command it calls
    // (gPrintMode set: no dialogs; gPrintDone set by the print command when it ends, whatever the outcome).
    QString gReportName;
    VBool gPrintDone = kFalse;

    // The file name chosen in the last save dialog of a list window's export.
    QString gExportPath;

    // Records handled by the report being built; -1 ends the progress window.
    std::int32_t gProgressCount = 0;

    // Which entry window's keys move the shared entry grid: -1 the order entry window, else stock update.
    VBool gGridOwnerIsOrder = kFalse;

    // Report layouts, one per report kind (index = ReportKind 1..14; 0 unused): the text in normal form
    // (lines ended by CR, the text by LF) and its token count. Filled once at start-up.
    std::array<QString, 15> gFrmtText;
    std::array<std::int32_t, 15> gFrmtCount{};

    // Goods categories: the committed list and the one the settings dialog edits.
    Categories categories;

    // The payment date picker's in/out values.
    double gCalendarDate = -1;         // OLE date: -1 cancelled, 0 clear, above 0 the picked day
    std::int32_t gSelectedOrderNo = 0; // the order the date picker shows

    // Rebuilds every gReservedCode entry from gFieldLen ("X" repeated to the size).
    void rebuildReservedCodes();

    // The progress window of this program, made on its first use. Last: it goes first, while the state it
    // reads is still whole.
    StateOwned progressWindow;
};

// The start values of the shared state (all child records cleared, default field sizes, reserved codes).
void InitFieldLimits(AppState& s);

} // namespace core
