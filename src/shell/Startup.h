// Start-up of Varnox: one instance, the splash with its printer probe, the report layouts, the start
// values of the shared state, and the main window.
#pragma once

#include "core/AppState.h"
#include "shell/SingleInstance.h"

#include <QWidget>
#include <functional>

class QApplication;
class QLabel;

namespace shell {

// frmSplash: grows from nothing to its full size centred on the screen, then probes the printer.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    SplashWindow(core::AppState& state, QWidget* parent = nullptr);
    // Runs the growth and the printer probe (what the splash does when it is first activated).
    void activate();

    QLabel *lblProductName, *lblVersion, *lblPlatform, *lblCompanyProduct, *lblNotice1, *lblNotice2;

private:
    core::AppState& state_;
};

// Whether a printer can be used. The machine's print queues, or printing to a PDF file where there are
// none, so it normally holds; tests inject "no printer".
void setPrinterProbe(std::function<bool()> probe);
bool probePrinter();

// Takes the single-instance lock; when another copy runs: beep, "Varnoxは二重起動できません。", false.
bool ensureSingleInstance(SingleInstance& instance, const QString& lockPath = SingleInstance::defaultLockPath());

// The start values of the shared state: no active window, the report layouts read from the folder (the
// current one when empty), the field sizes.
void prepareState(core::AppState& state, const QString& layoutFolder = QString());

// The command line's database path, quotes removed, made absolute against the folder the program was
// started in (start-up then changes the current folder).
QString startArgumentPath(const QString& argument, const QString& startFolder);

// The program: runs start-up, the main window and the event loop; returns the exit code.
int Main(QApplication& app);

} // namespace shell
