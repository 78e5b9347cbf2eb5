// The invoice scope dialogs: frmInvPrep (the invoice list window: scope only) and frmInvPrepP (printing
// and preview: scope, header on the first page only or on every page, footer or not).
#pragma once

#include "core/AppState.h"
#include "reports/DialogSupport.h"

#include <array>
#include <cstdint>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace reports {

// Values of gInvPrintScope / gInvViewScope: the index of the pressed button.
enum InvoiceScope : std::int32_t { kScopeUnpaid = 0, kScopeAll = 1, kScopeChoose = 2, kScopeCancel = 3 };

class InvoiceScopeDialog : public ButtonOnlyDialog {
    Q_OBJECT
public:
    enum class Variant { Scope, ScopeAndPages }; // frmInvPrep, frmInvPrepP

    InvoiceScopeDialog(core::AppState& state, Variant variant, QWidget* parent = nullptr);

    QPushButton* command1(int index) const { return command1_[size_t(index)]; }
    QRadioButton* option1(int index) const { return option1_[size_t(index)]; } // nullptr in frmInvPrep
    QRadioButton* option2(int index) const { return option2_[size_t(index)]; }

private:
    void Command1_Click(int index);

    core::AppState& s_;
    Variant variant_;
    std::array<QPushButton*, 4> command1_{};
    std::array<QRadioButton*, 2> option1_{};
    std::array<QRadioButton*, 2> option2_{};
};

// Each shows its dialog modally for gInvPrintFlavour, as the caller set it, and returns the scope it
// stored (gInvPrintScope when the flavour is True, else gInvViewScope).
std::int32_t runInvoiceScopeDialog(core::AppState& state, QWidget* parent);      // frmInvPrep
std::int32_t runInvoicePrintScopeDialog(core::AppState& state, QWidget* parent); // frmInvPrepP

} // namespace reports
