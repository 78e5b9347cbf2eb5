// VarnoxReplica: resets the order data of a Varnox database, in place or in a copy, and compacts it.
#include "replica/FileDialogs.h"
#include "replica/frmReplica.h"
#include "ui/DesktopBehaviour.h"
#include "ui/MessageService.h"

#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    ui::GuardedApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnox"));
    QApplication::setApplicationName(QStringLiteral("VarnoxReplica"));
    ui::installDesktopBehaviour();
    ui::QtMessageService messages;
    ui::setMessageService(&messages);
    replica::QtFileDialogService dialogs;
    replica::frmReplica window(dialogs);
    window.show();
    return app.exec();
}
