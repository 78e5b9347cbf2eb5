#include "replica/FileDialogs.h"

#include "ui/FileDialogFolder.h"

#include <QFileDialog>

namespace replica {

namespace {

// The file the user took, remembered so the next dialog opens in its folder; "" when cancelled.
QString chosen(QFileDialog& dlg) {
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    const QString path = dlg.selectedFiles().constFirst();
    ui::rememberDialogChoice(path);
    return path;
}

} // namespace

QString QtFileDialogService::openFile(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dlg(parent, title, ui::dialogStartFolder(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    return chosen(dlg);
}

QString QtFileDialogService::saveFile(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& defaultSuffix) {
    QFileDialog dlg(parent, title, ui::dialogStartFolder(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The suffix is added before the dialog asks about overwriting, so it asks about the real file.
    dlg.setDefaultSuffix(defaultSuffix);
    return chosen(dlg);
}

} // namespace replica
