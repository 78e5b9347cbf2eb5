#include "reports/SelectionDialogs.h"

#include "frame/WindowRegistry.h"
#include "reports/ConditionDialog.h"
#include "reports/InvoiceOrderChooser.h"
#include "reports/InvoiceScopeDialog.h"

namespace reports {

void registerSelectionDialogs() {
    frame::registerWindow(QStringLiteral("frmCondition"), [](core::AppState& s, QWidget* parent) -> QWidget* {
        return new ConditionDialog(s, parent);
    });
    frame::registerWindow(QStringLiteral("frmInvPrep"), [](core::AppState& s, QWidget* parent) -> QWidget* {
        return new InvoiceScopeDialog(s, InvoiceScopeDialog::Variant::Scope, parent);
    });
    frame::registerWindow(QStringLiteral("frmInvPrepP"), [](core::AppState& s, QWidget* parent) -> QWidget* {
        return new InvoiceScopeDialog(s, InvoiceScopeDialog::Variant::ScopeAndPages, parent);
    });
    frame::registerWindow(QStringLiteral("frmInvPrep2"), [](core::AppState& s, QWidget* parent) -> QWidget* {
        return new InvoiceOrderChooser(s, parent);
    });
}

} // namespace reports
