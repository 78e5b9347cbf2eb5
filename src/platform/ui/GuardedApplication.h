// The application object with the last-resort guard: an exception that escapes an event handler ends
// only that handler. The user gets the program's usual error (a beep and a box) and the program goes on.
#pragma once

#include <QApplication>

namespace ui {

class GuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;

    // How many escaped exceptions the guard has caught (tests check that none slipped through).
    static int caught();
};

// The text the guard shows; the cause follows it on its own lines when one is known.
QString unexpectedErrorText(const QString& cause);

} // namespace ui
