// The progress window shown while a report is built: it counts the records in gProgressCount, keeps
// the main window's toolbar and top menus locked, and closes itself once the build sets -1.
#pragma once

#include "core/AppState.h"

#include <QTimer>
#include <QWidget>

class QLabel;

namespace reports {

class frmEditWait : public QWidget {
    Q_OBJECT
public:
    explicit frmEditWait(core::AppState& state);
    ~frmEditWait() override;

    core::AppState& state() { return state_; }
    // Shown and counting (between load and unload).
    bool isLoaded() const { return loaded_; }
    // Runs the load steps and shows the window.
    void load();
    QString countText() const;

    // One poll of gProgressCount (what the 500 ms timer does).
    void tick();

private:
    void unload();

    core::AppState& state_;
    QLabel* label1_;
    QLabel* lblCount_;
    QLabel* label2_;
    QTimer timer1_;
    bool loaded_ = false;
};

// Sets gProgressCount to 0 and shows the program's progress window (created on first use); returns at once.
void ShowProgressWait(core::AppState& state);

// The program's progress window, or nullptr before its first use.
frmEditWait* gEditWaitForm(const core::AppState& state);

} // namespace reports
