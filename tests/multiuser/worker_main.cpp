// One worker of the multi-process test: worker KIND FOLDER ROUNDS SEED.
#include "Workers.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 5)
        return 2;
    return multiuser::runWorker({a[2], a[1], a[3].toInt(), a[4].toUInt()});
}
