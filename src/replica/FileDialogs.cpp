#include "replica/FileDialogs.h"

#include <QFileDialog>

namespace replica {

QString QtFileDialogService::openFile(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dlg(parent, title, QString(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

QString QtFileDialogService::saveFile(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& defaultSuffix) {
    QFileDialog dlg(parent, title, QString(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The suffix is added before the dialog asks about overwriting, so it asks about the real file.
    dlg.setDefaultSuffix(defaultSuffix);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

} // namespace replica
