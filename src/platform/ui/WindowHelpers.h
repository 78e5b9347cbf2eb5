// Small window helpers the whole program uses: waiting while events run, and windows without a close box.
#pragma once

class QWidget;

namespace ui {

// Waits the given seconds while the event loop keeps running. Uses a monotonic clock, so a wait
// across midnight or a clock change still ends on time; 0 only lets pending events run.
void Wait(double seconds);

// Runs pending events once (the yield inside long loops).
void DoEvents();

// Removes the window's close box, and minimize and maximize with it: the title-bar close, Alt+F4 and the
// window manager's close are ignored, and Escape no longer dismisses a dialog. The window closes only
// through CloseByCode.
void DisableCloseButton(QWidget* window);

// Closes a window from its own code, also one whose close box was disabled. Returns QWidget::close().
bool CloseByCode(QWidget* window);

} // namespace ui
