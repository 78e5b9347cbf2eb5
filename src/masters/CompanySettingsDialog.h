// frmCat: the company settings dialog. New-database mode sets everything; change mode (gCatDialogMode
// True) shows the sizes and the password without letting them change. The dialog edits the working
// category list and hands its other values back in result(); the callers commit them.
#pragma once

#include "core/AppState.h"
#include "core/ControlFile.h"

#include <QDialog>
#include <QStringList>
#include <array>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace masters {

struct CompanySettings {
    core::CompanyInfo company;
    std::array<std::int32_t, core::kFieldLenCount> fieldLen = core::kDefaultFieldLen;
    QStringList categories; // the list as it stood at ＯＫ
};

class CompanySettingsDialog : public QDialog {
    Q_OBJECT
public:
    CompanySettingsDialog(core::AppState& state, QWidget* parent = nullptr);

    // Valid once the dialog was closed with ＯＫ (gCatDialogOk True).
    const CompanySettings& result() const { return result_; }
    // New-database mode: shows again what an earlier ＯＫ handed back (a ＤＢ作成 that could not write its
    // file), the working category list included.
    void fillIn(const CompanySettings& typed);

    // Largest text field size the database engine takes.
    static constexpr int kMaxFieldSize = core::kMaxFieldLength;

    QLineEdit *txtMyName, *txtMyZip, *txtMyAddr1, *txtMyAddr2, *txtMyAddr3, *txtMyTel, *txtMyFax, *txtMyWeb,
        *txtMyMail, *txtPWD1, *txtPWD2, *txtTax, *txtCat;
    std::array<QRadioButton*, 2> rdo{};
    std::array<QLineEdit*, core::kFieldLenCount> txtLen{};
    QLabel *Label13, *Label14;
    QListWidget* catList;
    QPushButton *cmdAdd, *cmdDel, *cmdOK, *cmdCancel;

    void cmdAdd_Click();
    void cmdDel_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    void rdo_Click(int index);
    void buildControls();
    void loadValues();

    core::AppState& state_;
    bool changeMode_ = false;
    CompanySettings result_;
};

// The settings command 自社情報変更: shows the dialog in change mode for the open database and, after
// ＯＫ, commits the categories and company data and writes the control file.
void changeCompanySettings(core::AppState& state, QWidget* parent);

} // namespace masters
