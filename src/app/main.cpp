// Varnox: wires the program together and starts it.
#include "app/Program.h"
#include "shell/Startup.h"
#include "ui/ProgramStart.h"

#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    ui::GuardedApplication app(argc, argv);
    ui::startProgram(QStringLiteral("Varnox"));
    app::registerSubsystems();
    return shell::Main(app);
}
