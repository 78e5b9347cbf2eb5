#include "orders/CalendarDialog.h"

#include "db/OleDate.h"
#include "ui/WindowHelpers.h"

#include <QCalendarWidget>
#include <QDate>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace orders {

CalendarDialog::CalendarDialog(core::AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("入金日付入力"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("受注No") + QLatin1Char('='), this);
    Label2 = new QLabel(QString::number(state.gSelectedOrderNo), this);
    Calendar1 = new QCalendarWidget(this);
    Calendar1->setGridVisible(true);
    Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Only days that come back as a payment: 0 means unpaid and an answer below 0 a cancelled picker, so
    // the first payable day is 1899-12-31; the last is the engine's last date.
    Calendar1->setDateRange(db::dateFromOle(1), db::dateFromOle(db::kLastOleDay));
    // The days of that first month before it cannot be picked; they look so.
    QTextCharFormat unavailable;
    unavailable.setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    for (QDate d(1899, 12, 1); d < Calendar1->minimumDate(); d = d.addDays(1))
        Calendar1->setDateTextFormat(d, unavailable);
    // Every showing starts on today, or on the day the caller offers again (a write the file refused).
    Calendar1->setSelectedDate(state.gCalendarDate > 0 ? db::dateFromOle(state.gCalendarDate)
                                                       : QDate::currentDate());
    cmdOK = new QPushButton(QStringLiteral("決定"), this);
    cmdOK->setToolTip(QStringLiteral("入金日を決定します"));
    cmdErase = new QPushButton(QStringLiteral("取り消し"), this);
    cmdErase->setToolTip(QStringLiteral("未入金にします"));
    cmdCan = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCan->setToolTip(QStringLiteral("キャンセルします"));
    cmdOK->setAutoDefault(false);
    cmdErase->setAutoDefault(false);
    cmdCan->setAutoDefault(false);

    auto* head = new QHBoxLayout;
    head->addWidget(Label1);
    head->addWidget(Label2);
    head->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdErase);
    buttons->addWidget(cmdCan);
    auto* all = new QVBoxLayout(this);
    all->addLayout(head);
    all->addWidget(Calendar1);
    all->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] {
        state_.gCalendarDate = db::toOleDate(Calendar1->selectedDate());
        ui::CloseByCode(this);
    });
    connect(cmdErase, &QPushButton::clicked, this, [this] {
        state_.gCalendarDate = 0;
        ui::CloseByCode(this);
    });
    connect(cmdCan, &QPushButton::clicked, this, [this] { ui::CloseByCode(this); });
    // Return on the month's days picks the day, as 決定 does (not in the month and year boxes above).
    if (auto* days = Calendar1->findChild<QTableView*>())
        days->installEventFilter(this);
    ui::DisableCloseButton(this);
}

bool CalendarDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & ~Qt::KeypadModifier)) {
            if (!key->isAutoRepeat())
                cmdOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void showCalendarDialog(core::AppState& state, QWidget* parent) {
    CalendarDialog dlg(state, parent);
    state.gCalendarDate = -1;
    dlg.exec();
}

} // namespace orders
