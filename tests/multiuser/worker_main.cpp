// One worker of the multi-process test: worker KIND FOLDER ROUNDS SEED.
#include "Workers.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    // VarnoxReplica's window needs the widgets, off screen; the other workers need no more than the core.
    const bool window = argc > 1 && (qstrcmp(argv[1], "clear") == 0 || qstrcmp(argv[1], "copyonto") == 0);
    if (window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        window ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList a = app->arguments();
    if (a.size() != 5)
        return 2;
    return multiuser::runWorker({a[2], a[1], a[3].toInt(), a[4].toUInt()});
}
