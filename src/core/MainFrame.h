// What work windows may ask of the main window, without depending on it.
#pragma once

class QString;
class QWidget;

namespace core {

class MainFrame {
public:
    virtual ~MainFrame() = default;

    // Recomputes every menu item's and toolbar button's enabled state from the program state. Work
    // windows call it after they changed their open flags or the window counts.
    virtual void updateCommandStates() = 0;

    // The main window itself (parent of dialogs; disabled while a work window acts as modal).
    virtual QWidget* window() = 0;

    // Locks (false) or frees (true) the toolbar and the top menus ファイル, 表示, 操作, ウィンドウ and ヘルプ,
    // as the progress window does while a report is built.
    virtual void setTopMenusEnabled(bool enabled) { (void)enabled; }

    // Shows a note in the status bar for a while (where a print went).
    virtual void showStatusMessage(const QString& text) { (void)text; }
};

} // namespace core
