// VarnoxReplica: resets the order data of a Varnox database, in place or in a copy, and compacts it.
#include "replica/FileDialogs.h"
#include "replica/frmReplica.h"
#include "ui/MessageService.h"
#include "ui/ProgramStart.h"

#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    ui::GuardedApplication app(argc, argv);
    ui::startProgram(QStringLiteral("VarnoxReplica"));
    ui::QtMessageService messages;
    ui::setMessageService(&messages);
    replica::QtFileDialogService dialogs;
    replica::frmReplica window(dialogs);
    window.show();
    return app.exec();
}
