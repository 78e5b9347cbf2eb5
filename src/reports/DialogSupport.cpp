#include "reports/DialogSupport.h"

#include "ui/WindowHelpers.h"

#include <QKeyEvent>

namespace reports {

QFont dialogFont(double pointSize, bool bold) {
    QFont f(QStringLiteral("IPAGothic"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

ButtonOnlyDialog::ButtonOnlyDialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
    ui::DisableCloseButton(this);
}

void ButtonOnlyDialog::unload() {
    if (isVisible())
        ui::CloseByCode(this); // closing a shown dialog ends in done()
    else
        done(QDialog::Rejected);
}

void ButtonOnlyDialog::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        onUnload();
    }
    QDialog::done(result);
}

void ButtonOnlyDialog::keyPressEvent(QKeyEvent* event) {
    // No button is the default: Enter in a box presses nothing (on a focused button the program-wide
    // desktop behaviour has pressed it before the key gets here), and Esc cancels nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace reports
