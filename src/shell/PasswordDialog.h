// frmPwdIn: the password prompt shown before a protected database opens.
#pragma once

#include "core/AppState.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace shell {

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    PasswordDialog(core::AppState& state, QWidget* parent = nullptr);

    QLineEdit* Text1 = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    void Command1_Click(int index);
    core::AppState& state_;
};

// Shows the prompt modally; true with the typed text when closed with ＯＫ.
bool askPassword(core::AppState& state, QWidget* parent, QString& typed);

} // namespace shell
