#include "ui/FileDialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ui {

namespace {

QString& lastFolder() {
    static QString folder;
    return folder;
}

bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

QString dialogStartFolder(const QString& besideFile) {
    if (!besideFile.isEmpty()) {
        const QString folder = QFileInfo(besideFile).absolutePath();
        if (isFolder(folder))
            return folder;
    }
    if (isFolder(lastFolder()))
        return lastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return isFolder(documents) ? documents : QDir::homePath();
}

void rememberDialogChoice(const QString& chosenPath) {
    if (!chosenPath.isEmpty())
        lastFolder() = QFileInfo(chosenPath).absolutePath();
}

void forgetDialogChoice() {
    lastFolder().clear();
}

} // namespace ui
