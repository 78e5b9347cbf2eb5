#include "masters/CompanySettingsDialog.h"

#include "core/ControlFile.h"
#include "core/Numbers.h"
#include "ui/MessageService.h"
#include "ui/TextBoxes.h"
#include "ui/WindowHelpers.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

namespace masters {

using namespace core;

namespace {

void refuse(QLineEdit* box, const QString& text, bool withBeep = true) {
    if (withBeep)
        ui::messages().error(text);
    else
        ui::messages().show(text);
    box->clear();
    box->setFocus();
}

// Whether the text, read as ParseAmount reads it (blanks, commas and line ends skipped), has no digit but
// 0 beyond the second decimal. ParseAmount rounds to four decimals, so its value alone cannot tell.
bool atMostTwoDecimals(const QString& text) {
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    int place = 0;
    for (qsizetype i = point + 1; point >= 0 && i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9') && ++place > 2 && ch != QLatin1Char('0'))
            return false;
    }
    return true;
}

} // namespace

CompanySettingsDialog::CompanySettingsDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state), changeMode_(isSet(state.gCatDialogMode)) {
    setModal(true);
    setWindowTitle(QStringLiteral("ＤＢ作成"));
    buildControls();
    ui::DisableCloseButton(this);
    state_.gCatDialogOk = kFalse;
    loadValues();
}

void CompanySettingsDialog::buildControls() {
    auto edit = [this](int maxLen = 0) {
        auto* e = new QLineEdit(this);
        if (maxLen > 0)
            e->setMaxLength(maxLen);
        ui::keepStoredForms(e);
        return e;
    };
    // What the control file may hold: a file with longer texts is refused at open.
    txtMyName = edit(kMaxCompanyTextLength);
    txtMyZip = edit(kMaxCompanyTextLength);
    txtMyAddr1 = edit(kMaxCompanyTextLength);
    txtMyAddr2 = edit(kMaxCompanyTextLength);
    txtMyAddr3 = edit(kMaxCompanyTextLength);
    txtMyTel = edit(kMaxCompanyTextLength);
    txtMyFax = edit(kMaxCompanyTextLength);
    txtMyWeb = edit(kMaxCompanyTextLength);
    txtMyWeb->setText(QStringLiteral("http://"));
    txtMyMail = edit(kMaxCompanyTextLength);
    txtPWD1 = edit(kMaxPasswordLength);
    txtPWD1->setEchoMode(QLineEdit::Password);
    txtPWD2 = edit(kMaxPasswordLength);
    txtPWD2->setEchoMode(QLineEdit::Password);
    txtPWD2->setVisible(false);

    auto* company = new QGroupBox(QStringLiteral("自社情報"), this);
    auto* cg = new QGridLayout(company);
    const std::array<std::pair<const char*, QLineEdit*>, 9> rows{{{"社名：", txtMyName},
                                                                  {"〒：", txtMyZip},
                                                                  {"住所１：", txtMyAddr1},
                                                                  {"住所２：", txtMyAddr2},
                                                                  {"住所３：", txtMyAddr3},
                                                                  {"TEL：", txtMyTel},
                                                                  {"FAX：", txtMyFax},
                                                                  {"Web：", txtMyWeb},
                                                                  {"E-Mail：", txtMyMail}}};
    int r = 0;
    for (const auto& [label, box] : rows) {
        cg->addWidget(new QLabel(QString::fromUtf8(label), company), r, 0);
        cg->addWidget(box, r, 1, 1, 3);
        ++r;
    }
    cg->addWidget(new QLabel(QStringLiteral("パスワード："), company), r, 0);
    cg->addWidget(txtPWD1, r, 1);
    cg->addWidget(txtPWD2, r, 2, 1, 2);
    ++r;

    rdo[0] = new QRadioButton(QStringLiteral("個別"), company);
    rdo[1] = new QRadioButton(QStringLiteral("合計"), company);
    rdo[0]->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(rdo[0], 0);
    group->addButton(rdo[1], 1);
    connect(rdo[0], &QRadioButton::clicked, this, [this] { rdo_Click(0); });
    connect(rdo[1], &QRadioButton::clicked, this, [this] { rdo_Click(1); });
    Label13 = new QLabel(QStringLiteral("税率："), company);
    txtTax = edit();
    txtTax->setText(QStringLiteral("5"));
    txtTax->setMaximumWidth(60);
    Label14 = new QLabel(QStringLiteral("%"), company);
    auto* taxRow = new QHBoxLayout;
    taxRow->addWidget(rdo[0]);
    taxRow->addWidget(rdo[1]);
    taxRow->addSpacing(12);
    taxRow->addWidget(Label13);
    taxRow->addWidget(txtTax);
    taxRow->addWidget(Label14);
    taxRow->addStretch(1);
    cg->addWidget(new QLabel(QStringLiteral("消費税計算方法："), company), r, 0);
    cg->addLayout(taxRow, r, 1, 1, 3);
    for (QWidget* w : {static_cast<QWidget*>(Label13), static_cast<QWidget*>(txtTax), static_cast<QWidget*>(Label14)})
        w->setVisible(false);

    auto* sizes = new QGroupBox(QStringLiteral("フィールドの長さ"), this);
    auto* sg = new QGridLayout(sizes);
    for (int i = 0; i < kFieldLenCount; ++i) {
        txtLen[size_t(i)] = edit();
        txtLen[size_t(i)]->setText(QString::number(kDefaultFieldLen[size_t(i)]));
        txtLen[size_t(i)]->setMaximumWidth(60);
        sg->addWidget(new QLabel(kFieldLenNames[size_t(i)] + QStringLiteral("："), sizes), i, 0);
        sg->addWidget(txtLen[size_t(i)], i, 1);
    }

    auto* cats = new QGroupBox(QStringLiteral("商品カテゴリ"), this);
    auto* kg = new QGridLayout(cats);
    txtCat = edit(kMaxCategoryLength);
    catList = new QListWidget(cats);
    catList->setMinimumHeight(90);
    cmdAdd = new QPushButton(QStringLiteral("追加"), cats);
    cmdDel = new QPushButton(QStringLiteral("削除"), cats);
    cmdDel->setEnabled(false);
    kg->addWidget(new QLabel(QStringLiteral("カテゴリ名："), cats), 0, 0);
    kg->addWidget(txtCat, 0, 1);
    kg->addWidget(cmdAdd, 0, 2);
    kg->addWidget(catList, 1, 0, 1, 2);
    kg->addWidget(cmdDel, 1, 2, Qt::AlignTop);

    cmdOK = new QPushButton(QStringLiteral("ＯＫ"), this);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    cmdAdd->setAutoDefault(false);
    cmdDel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* left = new QVBoxLayout;
    left->addWidget(company);
    left->addWidget(cats, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(sizes, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(txtPWD1, &QLineEdit::textChanged, this, [this] { txtPWD2->setVisible(true); });
    connect(cmdAdd, &QPushButton::clicked, this, &CompanySettingsDialog::cmdAdd_Click);
    connect(txtCat, &QLineEdit::returnPressed, this, &CompanySettingsDialog::cmdAdd_Click);
    connect(cmdDel, &QPushButton::clicked, this, &CompanySettingsDialog::cmdDel_Click);
    connect(cmdOK, &QPushButton::clicked, this, &CompanySettingsDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &CompanySettingsDialog::cmdCancel_Click);
}

void CompanySettingsDialog::loadValues() {
    Categories& cats = state_.categories;
    if (!changeMode_) {
        cats.gCatCount = 0;
        cats.CatInit();
    } else {
        const CompanyInfo& c = state_.gCompany;
        setWindowTitle(QStringLiteral("自社情報変更"));
        txtPWD1->setEnabled(false);
        // Filling the password box must not count as typing in it.
        const QSignalBlocker block(txtPWD1);
        txtMyName->setText(c.CompanyName);
        txtMyZip->setText(c.ZipCode);
        txtMyAddr1->setText(c.Address1);
        txtMyAddr2->setText(c.Address2);
        txtMyAddr3->setText(c.Address3);
        txtMyTel->setText(c.Tel);
        txtMyFax->setText(c.Fax);
        txtMyWeb->setText(c.Web);
        txtMyMail->setText(c.Mail);
        txtPWD1->setText(c.Password);
        if (!c.Password.isEmpty())
            txtPWD2->setVisible(true);
        if (c.TaxPerLine == kTrue) {
            rdo_Click(0);
            txtTax->setText(QStringLiteral("5"));
            rdo[0]->setChecked(true);
        } else {
            rdo_Click(1);
            rdo[1]->setChecked(true);
            const QString rate = FormatRate(c.TaxRate);
            txtTax->setText(rate.isEmpty() ? QStringLiteral("0") : rate);
        }
        for (std::int32_t i = 1; i <= cats.gCatCount; ++i) {
            QString name;
            cats.CatGet(i, name);
            catList->addItem(name);
        }
        cmdDel->setEnabled(true);
        for (QLineEdit* box : txtLen)
            box->setEnabled(false);
    }
    for (int i = 0; i < kFieldLenCount; ++i)
        txtLen[size_t(i)]->setText(QString::number(state_.gFieldLen[size_t(i)]));
}

void CompanySettingsDialog::fillIn(const CompanySettings& typed) {
    const CompanyInfo& c = typed.company;
    const std::pair<QLineEdit*, QString> texts[] = {
        {txtMyName, c.CompanyName}, {txtMyZip, c.ZipCode}, {txtMyAddr1, c.Address1}, {txtMyAddr2, c.Address2},
        {txtMyAddr3, c.Address3},   {txtMyTel, c.Tel},     {txtMyFax, c.Fax},        {txtMyWeb, c.Web},
        {txtMyMail, c.Mail},        {txtPWD1, c.Password}, {txtPWD2, c.Password}};
    for (const auto& [box, text] : texts)
        box->setText(text);
    const int way = c.TaxPerLine == kTrue ? 0 : 1;
    rdo[size_t(way)]->setChecked(true);
    rdo_Click(way);
    if (way == 1)
        txtTax->setText(FormatRate(c.TaxRate).isEmpty() ? QStringLiteral("0") : FormatRate(c.TaxRate));
    for (int i = 0; i < kFieldLenCount; ++i)
        txtLen[size_t(i)]->setText(QString::number(typed.fieldLen[size_t(i)]));
    Categories& cats = state_.categories;
    cats.gCatCount = 0;
    cats.CatInit();
    catList->clear();
    for (const QString& name : typed.categories) {
        cats.CatSet(cats.gCatCount + 1, name);
        cats.gCatCount += 1;
        catList->addItem(name);
    }
    cmdDel->setEnabled(cats.gCatCount > 0);
}

void CompanySettingsDialog::rdo_Click(int index) {
    const bool show = index == 1;
    Label13->setVisible(show);
    txtTax->setVisible(show);
    Label14->setVisible(show);
}

void CompanySettingsDialog::cmdAdd_Click() {
    Categories& cats = state_.categories;
    // Kept for the person to mend; nothing is added.
    if (!ui::refuseUnencodable({{txtCat, QStringLiteral("カテゴリ名")}}))
        return;
    const QString t = ui::storedText(txtCat);
    if (t == kReservedCategory) {
        ui::messages().error(QStringLiteral("無効なカテゴリです。"));
    } else if (!t.isEmpty()) {
        bool known = false;
        for (int i = 0; i < cats.gCatCount && i < catList->count(); ++i)
            known = known || catList->item(i)->text() == t;
        if (!known && cats.gCatCount >= kMaxCategories) {
            // As many as a control file holds; the typed name stays.
            ui::messages().error(
                QStringLiteral("カテゴリはこれ以上追加できません（%1個まで）。").arg(kMaxCategories));
            return;
        }
        if (!known) {
            catList->addItem(t);
            cats.CatSet(cats.gCatCount + 1, t);
            cats.gCatCount += 1;
            cmdDel->setEnabled(true);
        }
    }
    txtCat->clear();
    txtCat->setFocus();
}

void CompanySettingsDialog::cmdDel_Click() {
    const int row = catList->currentRow();
    if (row < 0 || !catList->currentItem()->isSelected()) {
        txtCat->setFocus();
        return;
    }
    if (ui::messages().show(QStringLiteral("削除してよろしいか？"), QStringLiteral("カテゴリ定義"), ui::Buttons::YesNo,
                            ui::Icon::None) != ui::Answer::Yes) {
        txtCat->setFocus();
        return;
    }
    Categories& cats = state_.categories;
    cats.CatDel(row + 1);
    delete catList->takeItem(row);
    cats.gCatCount -= 1;
    if (cats.gCatCount < 1)
        cmdDel->setEnabled(false);
    txtCat->setFocus();
}

void CompanySettingsDialog::cmdOK_Click() {
    // Text the control file cannot hold is refused before anything else, so neither New nor a change
    // of settings can fail on it half way.
    if (!ui::refuseUnencodable({{txtMyName, QStringLiteral("社名")},
                                {txtMyZip, QStringLiteral("〒")},
                                {txtMyAddr1, QStringLiteral("住所１")},
                                {txtMyAddr2, QStringLiteral("住所２")},
                                {txtMyAddr3, QStringLiteral("住所３")},
                                {txtMyTel, QStringLiteral("TEL")},
                                {txtMyFax, QStringLiteral("FAX")},
                                {txtMyWeb, QStringLiteral("Web")},
                                {txtMyMail, QStringLiteral("E-Mail")},
                                {txtPWD1, QStringLiteral("パスワード")},
                                {txtPWD2, QStringLiteral("パスワード")}}))
        return;
    const QString pwd = ui::storedText(txtPWD1);
    if (!pwd.isEmpty() && ui::storedText(txtPWD2) != pwd) {
        ui::messages().error(QStringLiteral("パスワードが違います。"));
        if (!changeMode_)
            txtPWD1->clear();
        txtPWD2->clear();
        (changeMode_ ? txtPWD2 : txtPWD1)->setFocus();
        return;
    }

    std::array<std::int32_t, kFieldLenCount> sizes{};
    for (int i = 0; i < kFieldLenCount; ++i) {
        QLineEdit* box = txtLen[size_t(i)];
        bool numeric = false;
        const double value = box->text().trimmed().toDouble(&numeric);
        if (!numeric || !std::isfinite(value)) {
            refuse(box, QStringLiteral("桁数は数値をセットして下さい。"));
            return;
        }
        // Halves go to the even neighbour (12.5 -> 12), as the sizes were always rounded.
        const double rounded = std::nearbyint(value);
        if (value <= 0 || rounded <= 0) {
            refuse(box, QStringLiteral("数値は0以上をセットして下さい。"));
            return;
        }
        // A text field larger than the engine's limit cannot be created.
        if (rounded > kMaxFieldSize) {
            refuse(box, QStringLiteral("数値は%1以下をセットして下さい。").arg(kMaxFieldSize));
            return;
        }
        sizes[size_t(i)] = std::int32_t(rounded);
    }

    float rate = 0.0f;
    if (rdo[1]->isChecked()) {
        const ParseResult parsed = ParseAmount(txtTax->text());
        const double percent = parsed.ok() ? double(parsed.value.raw()) / 10000.0 : -1.0;
        // The box shows a rate with two decimals: a third would be rounded away by the next ＯＫ.
        if (!parsed.ok() || percent < 0 || percent > 100 || parsed.value.raw() % 100 != 0 ||
            !atMostTwoDecimals(txtTax->text())) {
            refuse(txtTax, QStringLiteral("税率の指定が間違っています。"), false);
            return;
        }
        rate = float(percent);
    }

    if (state_.categories.gCatCount < 1) {
        ui::messages().error(QStringLiteral("少なくとも一つはカテゴリをセットして下さい。"));
        return;
    }

    CompanyInfo& c = result_.company;
    c.CompanyName = ui::storedText(txtMyName);
    c.ZipCode = ui::storedText(txtMyZip);
    c.Address1 = ui::storedText(txtMyAddr1);
    c.Address2 = ui::storedText(txtMyAddr2);
    c.Address3 = ui::storedText(txtMyAddr3);
    c.Tel = ui::storedText(txtMyTel);
    c.Fax = ui::storedText(txtMyFax);
    c.Web = ui::storedText(txtMyWeb);
    c.Mail = ui::storedText(txtMyMail);
    c.Password = pwd;
    c.TaxPerLine = vbool(rdo[0]->isChecked());
    c.TaxRate = rate;
    result_.fieldLen = sizes;
    result_.categories.clear();
    for (int i = 0; i < catList->count(); ++i)
        result_.categories << catList->item(i)->text();
    state_.gCatDialogOk = kTrue;
    done(QDialog::Accepted);
}

void CompanySettingsDialog::cmdCancel_Click() { done(QDialog::Rejected); }

void changeCompanySettings(AppState& state, QWidget* parent) {
    state.categories.loadWorkingFromCommitted();
    state.gCatDialogMode = kTrue;
    CompanySettingsDialog dlg(state, parent);
    dlg.exec();
    if (!isSet(state.gCatDialogOk))
        return;
    // Memory and file must not disagree: when the control file cannot be written (it shows its
    // message), the program keeps what the file still holds.
    const Categories oldCategories = state.categories;
    const CompanyInfo oldCompany = state.gCompany;
    const CompanyInfo oldEdit = state.gCompanyEdit;
    state.categories.commitWorking();
    state.gCompanyEdit = dlg.result().company;
    state.gCompany = dlg.result().company;
    if (!WriteCtlFile(state)) {
        state.categories = oldCategories;
        state.gCompany = oldCompany;
        state.gCompanyEdit = oldEdit;
    }
}

} // namespace masters
