// The whole program for tests: the real main window with every subsystem registered as Varnox registers
// them, a recording message service, and helpers that answer modal dialogs through their own widgets.
#pragma once

#include "core/AppState.h"
#include "shell/MainWindow.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QString>
#include <functional>
#include <memory>

namespace masters {
class CompanySettingsDialog;
}

namespace mainroad {

// Processes events until done() holds or ms have passed; returns done().
bool waitFor(const std::function<bool()>& done, int ms = 10000);

// Runs act on the next modal dialog that comes up (of type T when given), from inside its own event
// loop, as a person would answer it. Give up after ms.
void onNextModal(std::function<void(QWidget*)> act, int ms = 10000);

// Presses the button with the given text on the widget (a dialog's OK, a chooser's button).
bool press(QWidget* w, const QString& text);

class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    core::AppState& state() { return state_; }
    shell::MainWindow& window() { return *window_; }
    ui::RecordingMessageService& messages() { return messages_; }
    QString path(const QString& name) const { return folder_.path(name); }

    // The next file chooser answers this path ("" = the person cancels).
    void nextPath(const QString& path) { nextPath_ = path; }

    // Starts a menu item by name ("mnuFileNew") as a click on it does.
    void trigger(const QString& itemName);

    // ファイル > 新規作成 to the file name in the test folder, the company dialog filled by fill (after
    // the defaults: company name "テスト商事", one category "食品") and answered with ＯＫ.
    // Returns the database path; empty when no database is open afterwards.
    QString newDatabase(const QString& fileName,
                        const std::function<void(masters::CompanySettingsDialog&)>& fill = {});

private:
    testenv::TempFolder folder_;
    ui::RecordingMessageService messages_;
    core::AppState state_;
    QString nextPath_;
    std::unique_ptr<shell::MainWindow> window_;
};

} // namespace mainroad
