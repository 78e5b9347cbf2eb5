// frmCalendar: the modal date picker of the payment list. It shows gSelectedOrderNo and answers in
// gCalendarDate: the picked day, 0 to clear the payment date, or the caller's -1 when cancelled.
#pragma once

#include "core/AppState.h"

#include <QDialog>

class QCalendarWidget;
class QLabel;
class QPushButton;

namespace orders {

class CalendarDialog : public QDialog {
    Q_OBJECT
public:
    CalendarDialog(core::AppState& state, QWidget* parent = nullptr);

    QCalendarWidget* calendar() const { return Calendar1; }
    QPushButton* okButton() const { return cmdOK; }
    QPushButton* eraseButton() const { return cmdErase; }
    QPushButton* cancelButton() const { return cmdCan; }
    QLabel* orderLabel() const { return Label2; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    core::AppState& state_;
    QLabel* Label1;
    QLabel* Label2;
    QCalendarWidget* Calendar1;
    QPushButton* cmdOK;
    QPushButton* cmdErase;
    QPushButton* cmdCan;
};

// Sets gCalendarDate to -1, shows the picker modally and returns when it is gone.
void showCalendarDialog(core::AppState& state, QWidget* parent);

} // namespace orders
