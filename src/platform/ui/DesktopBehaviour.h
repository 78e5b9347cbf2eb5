// What a desktop user expects of every window of the program, kept in one place for the whole application:
// Enter presses the push button that has the focus, and a dialog stays on screen at its own size.
#pragma once

class QMargins;
class QRect;
class QScreen;
class QString;
class QWidget;

namespace ui {

// Installs the behaviour on the running application; calling it again does nothing.
// - Return or Enter on a focused push button presses it, in every window (a button keeps Space as well).
//   Elsewhere the key goes on as before, so Enter in a text box presses no button unless a dialog made
//   one its default.
// - Some window managers offer minimize and maximize on every window whatever the window asks. A dialog,
//   or a window without a close box, that gets minimized comes back at once, and a dialog maximized by
//   the manager returns to its size: a minimized modal dialog takes its owner with it and, without a
//   taskbar, leaves the user nothing to click.
// - A window that the manager restores from maximized or full screen comes back whole onto its screen, its
//   title bar where the mouse can reach it.
// - A dialog narrower than its caption (a message box with a long title) widens when it is shown.
// - A click that closes a dialog is a click only: the second half of a double click on the dialog's button
//   does not land on whatever the dialog uncovered or opened (a list row that would act at once).
void installDesktopBehaviour();

// The placement inner, with the frame around it, shrunk where it is larger and moved where it sticks out
// to lie whole within the screen's available area.
QRect wholeOnScreen(const QRect& inner, const QMargins& frame, const QScreen& screen);

// Brings a top-level window whole onto its screen, title bar included, once the window manager has framed
// it: the manager learns the frame only after a few configure events, so the window is looked at for five
// seconds and brought back whenever it sticks out.
void keepWholeOnScreen(QWidget* window);

// The width a window needs for the window manager to show the whole of its caption: the caption in the
// title-bar font, with room for the frame and the window icon.
int captionWidth(const QString& caption);

} // namespace ui
