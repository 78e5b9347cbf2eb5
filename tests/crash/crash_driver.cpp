// The child of the crash test: runs one write on the files of a folder and says when it starts and ends,
// so that its parent can kill it in between.
#include "CrashOps.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv); // the import and New report through message boxes
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OPERATION FOLDER\n", argv[0]);
        return 2;
    }
    const crash::Operation* op = crash::findOperation(QString::fromLocal8Bit(argv[1]));
    if (op == nullptr) {
        std::fprintf(stderr, "unknown operation %s\n", argv[1]);
        return 2;
    }
    ui::RecordingMessageService messages; // nothing waits on a person here
    ui::setMessageService(&messages);
    QElapsedTimer t;
    t.start();
    std::printf("start\n");
    std::fflush(stdout);
    try {
        op->run(QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    if (!messages.shown().empty()) {
        std::fprintf(stderr, "message: %s\n", qPrintable(messages.texts().join(QLatin1Char('|'))));
        return 1;
    }
    std::printf("done %lld\n", static_cast<long long>(t.elapsed()));
    std::fflush(stdout);
    return 0;
}
