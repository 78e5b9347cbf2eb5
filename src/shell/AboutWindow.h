// frmAbout: title, version and the system-information button; a hidden two-step gesture opens the
// credits window frmAuthor.
#pragma once

#include "core/AppState.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace shell {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    AboutWindow(core::AppState& state, QWidget* parent = nullptr);

    void StartSysInfo();
    bool creditsArmed() const { return creditsArmed_; }

    QLabel *picIcon, *lblTitle, *lblVersion, *Label1, *lblDisclaimer;
    QPushButton *cmdOK, *cmdSysInfo;

    // Where the system-information program is looked for, and how credits are shown; tests replace them.
    std::function<QString()> findSysInfo;
    std::function<void()> showCredits;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    core::AppState& state_;
    bool creditsArmed_ = false;
};

// frmAuthor: who made the program.
class AuthorWindow : public QDialog {
    Q_OBJECT
public:
    explicit AuthorWindow(QWidget* parent = nullptr);
};

// The first system-information program found on the PATH, "" when there is none.
QString findSystemInformationProgram();

QString versionText();

} // namespace shell
