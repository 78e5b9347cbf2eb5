// Varnox: wires the program together and starts it.
#include "app/Program.h"
#include "shell/Startup.h"
#include "ui/DesktopBehaviour.h"

#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    ui::GuardedApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnox"));
    QApplication::setApplicationName(QStringLiteral("Varnox"));
    ui::installDesktopBehaviour();
    app::registerSubsystems();
    return shell::Main(app);
}
