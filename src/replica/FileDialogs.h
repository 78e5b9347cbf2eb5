// Open and save dialogs behind one interface, so tests choose files without a screen.
#pragma once

#include <QString>

class QWidget;

namespace replica {

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // An existing file, or "" when the user cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // A file name to write (the dialog asks before an existing file is overwritten), or "" when cancelled.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& defaultSuffix) = 0;
};

class QtFileDialogService : public FileDialogService {
public:
    QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& defaultSuffix) override;
};

} // namespace replica
