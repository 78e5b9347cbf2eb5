#include "reports/ConditionDialog.h"

#include "ui/MessageService.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <array>
#include <cmath>

namespace reports {

namespace {

const std::array<CondReport, 7> kCondReports{{
    {6, 7, QStringLiteral("受注情報"), QString()},
    {7, 8, QStringLiteral("商品別受注情報"), QStringLiteral("商品コード")},
    {8, 9, QStringLiteral("顧客別受注情報"), QStringLiteral("顧客コード")},
    {9, 10, QStringLiteral("社員別受注情報"), QStringLiteral("社員コード")},
    {11, 13, QStringLiteral("入金済み受注一覧"), QString()},
    {12, 14, QStringLiteral("未入金受注一覧"), QString()},
    {14, 11, QStringLiteral("受注キャンセル情報"), QString()},
}};

// Plain decimal numbers only: an optional sign, ASCII digits and at most one point.
bool numericValue(const QString& text, double& value) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    return ok;
}

// The largest whole number not above value + 0.5.
double roundHalfUp(double value) { return std::floor(value + 0.5); }

} // namespace

const CondReport* FindCondReport(int loadOrder) {
    for (const CondReport& r : kCondReports)
        if (r.loadOrder == loadOrder)
            return &r;
    return nullptr;
}

CondValues CheckCondition(const QString& yearText, const QString& monthText) {
    CondValues v;
    double value = 0;
    if (!yearText.isEmpty()) {
        // Four characters keep the value below 10000, so it always fits the 16-bit sets.
        if (yearText.size() != 4 || !numericValue(yearText, value) || roundHalfUp(value) < 1) {
            v.check = CondCheck::BadYear;
            return v;
        }
        v.year = std::int32_t(roundHalfUp(value));
    }
    if (monthText.isEmpty())
        return v;
    if (monthText.size() > 2 || !numericValue(monthText, value) || roundHalfUp(value) < 1 ||
        roundHalfUp(value) > 12) {
        v.check = CondCheck::BadMonth;
        return v;
    }
    v.month = std::int32_t(roundHalfUp(value));
    if (v.year == 0)
        v.check = CondCheck::MonthWithoutYear;
    return v;
}

QString CondMessage(CondCheck check) {
    switch (check) {
    case CondCheck::Ok:
        return {};
    case CondCheck::BadYear:
        return QStringLiteral("年が正しくありません。");
    case CondCheck::BadMonth:
        return QStringLiteral("月が正しくありません。");
    case CondCheck::MonthWithoutYear:
        return QStringLiteral("年または月が正しくありません。");
    }
    return {};
}

ConditionDialog::ConditionDialog(core::AppState& state, QWidget* parent) : ButtonOnlyDialog(parent), s_(state) {
    setObjectName(QStringLiteral("frmCondition"));
    setWindowTitle(QStringLiteral("条件を入力して下さい"));
    setFont(dialogFont(9));

    lbT_ = new QLabel(this);
    lbT_->setObjectName(QStringLiteral("lbT"));
    auto* label1 = new QLabel(QStringLiteral("年（４桁）"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    txtY_ = new QLineEdit(this);
    txtY_->setObjectName(QStringLiteral("txtY"));
    auto* label2 = new QLabel(QStringLiteral("月"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    txtM_ = new QLineEdit(this);
    txtM_->setObjectName(QStringLiteral("txtM"));
    lc_ = new QLabel(this);
    lc_->setObjectName(QStringLiteral("lc"));
    txtC_ = new QLineEdit(this);
    txtC_->setObjectName(QStringLiteral("txtC"));
    cmdOK_ = new QPushButton(QStringLiteral("ＯＫ"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdCan_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCan_->setObjectName(QStringLiteral("cmdCan"));

    // Year and month are digits: no input method on them.
    txtY_->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtM_->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtY_->setFixedWidth(twips(1000));
    txtM_->setFixedWidth(twips(1000));
    txtC_->setMinimumWidth(twips(1800));
    for (QPushButton* b : {cmdOK_, cmdCan_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setMinimumWidth(twips(1300));
    }

    auto* grid = new QGridLayout;
    grid->addWidget(label1, 0, 0);
    grid->addWidget(txtY_, 0, 1);
    grid->addWidget(lc_, 0, 2);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(txtM_, 1, 1);
    grid->addWidget(txtC_, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setHorizontalSpacing(twips(120));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK_);
    buttons->addStretch(1);
    buttons->addWidget(cmdCan_);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(lbT_);
    outer->addLayout(grid);
    outer->addSpacing(twips(120));
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtY_, txtM_);
    setTabOrder(txtM_, txtC_);
    setTabOrder(txtC_, cmdOK_);
    setTabOrder(cmdOK_, cmdCan_);

    connect(cmdOK_, &QPushButton::clicked, this, &ConditionDialog::cmdOK_Click);
    connect(cmdCan_, &QPushButton::clicked, this, &ConditionDialog::unload);

    // Load: nothing is accepted until OK passes.
    s_.gCondAccepted = core::kFalse;
    const CondReport* report = FindCondReport(s_.gCondReport);
    lbT_->setText(report ? report->name : QString());
    const bool hasCode = report && !report->codeCaption.isEmpty();
    lc_->setText(hasCode ? report->codeCaption : QString());
    // Hidden boxes still hold their place, so every report gets the same dialog size.
    for (QWidget* w : {static_cast<QWidget*>(lc_), static_cast<QWidget*>(txtC_)}) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
        w->setVisible(hasCode);
    }
    txtY_->setFocus();
}

void ConditionDialog::cmdOK_Click() {
    const CondValues v = CheckCondition(txtY_->text(), txtM_->text());
    if (v.check != CondCheck::BadYear)
        s_.gCondEntryYear = v.year;
    if (v.check == CondCheck::Ok || v.check == CondCheck::MonthWithoutYear)
        s_.gCondEntryMonth = v.month;
    if (v.check != CondCheck::Ok) {
        ui::messages().error(CondMessage(v.check));
        QLineEdit* box = v.check == CondCheck::BadMonth ? txtM_ : txtY_;
        box->clear();
        box->setFocus();
        return;
    }
    s_.gCondEntryCode = txtC_->isVisibleTo(this) ? txtC_->text() : QString();
    s_.gCondAccepted = core::kTrue;
    unload();
}

void ConditionDialog::onUnload() {
    if (!core::isSet(s_.gCondAccepted))
        return;
    const CondReport* report = FindCondReport(s_.gCondReport);
    if (!report)
        return; // not a condition report: there is no entry to write
    const auto k = size_t(report->kind);
    if (core::isSet(s_.gCondForPrint)) {
        s_.gCondYear[k] = std::int16_t(s_.gCondEntryYear);
        s_.gCondMonth[k] = std::int16_t(s_.gCondEntryMonth);
        s_.gCondCode[k] = s_.gCondEntryCode;
    } else {
        s_.gViewCondYear[k] = std::int16_t(s_.gCondEntryYear);
        s_.gViewCondMonth[k] = std::int16_t(s_.gCondEntryMonth);
        s_.gViewCondCode[k] = s_.gCondEntryCode;
    }
}

bool runConditionDialog(core::AppState& state, QWidget* parent) {
    ConditionDialog dialog(state, parent);
    dialog.exec();
    return core::isSet(state.gCondAccepted);
}

} // namespace reports
