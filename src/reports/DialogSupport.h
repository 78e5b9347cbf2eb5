// What the report selection dialogs share: the dialog font, twips, and a modal dialog that only its own
// buttons close (no close box, Esc does nothing, Enter in a box presses no button).
#pragma once

#include <QDialog>
#include <QFont>

namespace reports {

// The dialogs' Japanese fixed-pitch face at the given point size.
QFont dialogFont(double pointSize, bool bold = false);

// Design sizes are in twips: 15 twips per pixel at 96 dpi.
constexpr int twips(int tw) { return (tw + 7) / 15; }

class ButtonOnlyDialog : public QDialog {
    Q_OBJECT
public:
    explicit ButtonOnlyDialog(QWidget* parent = nullptr);

    // Closes the dialog from its own code; the unload step runs once, before it hides.
    void unload();
    void done(int result) override;

protected:
    // Runs once when the dialog closes, however it closes.
    virtual void onUnload() {}
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool unloaded_ = false;
};

} // namespace reports
