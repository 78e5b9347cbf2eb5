#include "shell/PasswordDialog.h"

#include "ui/TextBoxes.h"
#include "ui/WindowHelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

PasswordDialog::PasswordDialog(core::AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("パスワード入力"));
    setModal(true);
    auto* label = new QLabel(QStringLiteral("パスワード："), this);
    Text1 = new QLineEdit(this);
    Text1->setEchoMode(QLineEdit::Password);
    Text1->setMinimumWidth(200);
    ui::keepStoredForms(Text1); // the stored password holds these forms: "p〜" must open "p～"
    okButton = new QPushButton(QStringLiteral("ＯＫ"), this);
    cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    okButton->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(Text1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { Command1_Click(1); });

    ui::DisableCloseButton(this);
    state_.gPwdEntered = core::kFalse;
}

void PasswordDialog::Command1_Click(int index) {
    if (index == 0) {
        state_.gPwdInput = ui::storedText(Text1);
        state_.gPwdEntered = core::kTrue;
        done(QDialog::Accepted);
    } else {
        done(QDialog::Rejected);
    }
}

bool askPassword(core::AppState& state, QWidget* parent, QString& typed) {
    PasswordDialog dlg(state, parent);
    dlg.exec();
    if (!core::isSet(state.gPwdEntered))
        return false;
    typed = state.gPwdInput;
    return true;
}

} // namespace shell
