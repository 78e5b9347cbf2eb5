// The screen-wide mouse pointer: the hourglass while a list is built or saved, the default after.
#pragma once

#include <QApplication>
#include <QCursor>

namespace viewers {

inline void showWaitPointer() {
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

// Also clears the hourglass that the opener set before the window existed.
inline void showDefaultPointer() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace viewers
