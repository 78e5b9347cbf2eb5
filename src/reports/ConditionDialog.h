// The condition dialog (frmCondition): year, month and, for the reports by goods, client and employee, a
// code, stored per report kind in the print set or the list set of the program state.
#pragma once

#include "core/AppState.h"
#include "reports/DialogSupport.h"

#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace reports {

// One of the seven reports the dialog serves, known by its load-order number (gCondReport).
struct CondReport {
    int loadOrder;
    int kind;            // the entry of the condition sets it writes
    QString name;        // shown at the top left
    QString codeCaption; // "" = the report has no code box
};

// The report of a load-order number; nullptr for numbers that are not one of the seven.
const CondReport* FindCondReport(int loadOrder);

enum class CondCheck { Ok, BadYear, BadMonth, MonthWithoutYear };

struct CondValues {
    CondCheck check = CondCheck::Ok;
    std::int32_t year = 0;  // set when the year text passed, even if the month then failed
    std::int32_t month = 0; // set when check is Ok or MonthWithoutYear
};

// Checks the year text first, then the month text: an empty year is every year; otherwise a number of
// exactly four characters, rounded half up, of 1 or more. An empty month is the whole year; otherwise a
// number of at most two characters, rounded half up, from 1 to 12, and only together with a year.
CondValues CheckCondition(const QString& yearText, const QString& monthText);

// The message for a failed check ("" for Ok).
QString CondMessage(CondCheck check);

class ConditionDialog : public ButtonOnlyDialog {
    Q_OBJECT
public:
    explicit ConditionDialog(core::AppState& state, QWidget* parent = nullptr);

    QLabel* lbT() const { return lbT_; }
    QLineEdit* txtY() const { return txtY_; }
    QLineEdit* txtM() const { return txtM_; }
    QLabel* lc() const { return lc_; }
    QLineEdit* txtC() const { return txtC_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCan() const { return cmdCan_; }

protected:
    void onUnload() override;

private:
    void cmdOK_Click();

    core::AppState& s_;
    QLabel* lbT_;
    QLineEdit* txtY_;
    QLineEdit* txtM_;
    QLabel* lc_;
    QLineEdit* txtC_;
    QPushButton* cmdOK_;
    QPushButton* cmdCan_;
};

// Shows the condition dialog modally for gCondReport and gCondForPrint; returns gCondAccepted as a bool.
bool runConditionDialog(core::AppState& state, QWidget* parent);

} // namespace reports
