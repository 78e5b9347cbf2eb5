#include "ui/GuardedApplication.h"

#include "ui/MessageService.h"

#include <exception>

namespace ui {

namespace {

int gCaught = 0;

// Showing the box runs an event loop; an exception inside that loop is reported by its own guard, so
// the report itself must never throw out of here.
void report(const QString& cause) {
    ++gCaught;
    try {
        messages().error(unexpectedErrorText(cause));
    } catch (...) {
        QApplication::beep();
    }
}

} // namespace

QString unexpectedErrorText(const QString& cause) {
    QString text = QStringLiteral("予期しないエラーが発生したため、この操作を中止しました。");
    if (!cause.isEmpty()) text += QStringLiteral("\n\n") + cause;
    return text;
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    // Whatever the handler wrote inside a transaction was rolled back while the exception left it.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QString());
    }
    return false;
}

int GuardedApplication::caught() {
    return gCaught;
}

} // namespace ui
