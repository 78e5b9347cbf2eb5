// The screen-wide mouse pointer as the work windows set it: hourglass while they work, default after.
#pragma once

#include <QApplication>
#include <QCursor>

namespace ui {

// The hourglass, whether or not another step already set it.
inline void showWaitPointer() {
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

// The default pointer, also when an opener set the hourglass before the window existed.
inline void showDefaultPointer() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace ui
