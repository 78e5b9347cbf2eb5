// Helpers every test uses: isolated user folders and a per-test temporary folder.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testenv {

// Points HOME, XDG folders and the settings store at a fresh temporary folder for this process.
void isolateUserFolders();

// A temporary folder that lives as long as the object.
class TempFolder {
public:
    TempFolder();
    QString path(const QString& name = {}) const;

private:
    QTemporaryDir dir_;
};

} // namespace testenv
