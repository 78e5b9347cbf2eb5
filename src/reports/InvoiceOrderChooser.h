// The invoice order chooser (frmInvPrep2): lists the orders that can be invoiced and answers the 受注No
// of the row the user clicks, or -1, in gInvPrintOrderNo (printing, preview) or gInvViewOrderNo (list).
#pragma once

#include "core/AppState.h"
#include "reports/DialogSupport.h"
#include "reports/InvoiceOrderStore.h"

#include <QStringList>
#include <QTimer>
#include <vector>

class QPushButton;
class QTableWidget;

namespace reports {

// The nine cells of an order's row: 受注No, client, employee, three grouped amounts, order date, payment
// date ("" when unpaid) and "キャンセル" or " ".
QStringList InvoiceOrderCells(const InvoiceOrderRow& row);

class InvoiceOrderChooser : public ButtonOnlyDialog {
    Q_OBJECT
public:
    explicit InvoiceOrderChooser(core::AppState& state, QWidget* parent = nullptr);

    QTableWidget* grd() const { return grd_; }
    QPushButton* cmdEnd() const { return cmdEnd_; }
    int rowCount() const { return int(orders_.size()); }
    bool built() const { return !mFirstBuild_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void fillGrid();
    void layOut(bool onlyPositive);
    void closeLater();
    void grd_RowColChange(int row);
    void grd_Click();
    void tmResize_Timer();
    std::int32_t& result();

    core::AppState& s_;
    QTableWidget* grd_;
    QPushButton* cmdEnd_;
    QTimer tmResize_;
    bool mFirstBuild_ = true;
    bool mCloseOnTimer_ = false;
    int mSelRow_ = 0; // 1-based data row the user is on; 0 = none
    std::vector<InvoiceOrderRow> orders_;
};

// Shows the chooser modally for gInvPrintFlavour; returns the chosen 受注No, or -1.
std::int32_t runInvoiceOrderChooser(core::AppState& state, QWidget* parent);

} // namespace reports
