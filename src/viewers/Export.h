// The two exports of a list window: the save dialog (replaceable, so tests give the name) and writing
// a text as a CP932 file.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace viewers {

struct SaveDialogRequest {
    QString title;    // "Save txt(Tab) Format"
    QString filter;   // " Text(Tab) file(*.txt)| *.txt": description and pattern
    QString fileName; // the proposed name
};

// Returns the chosen file name, or "" when the user cancelled.
using SaveFileDialog = std::function<QString(QWidget* parent, const SaveDialogRequest& request)>;
void setSaveFileDialog(SaveFileDialog dialog); // an empty function restores the real dialog
QString askSaveFileName(QWidget* parent, const SaveDialogRequest& request);

// Writes text (lines already ended by CR LF) as CP932 without a byte order mark. The text is converted
// before the file is opened, so a character CP932 cannot hold leaves an existing file as it was.
// Throws text::EncodingError or std::runtime_error.
void writeExportFile(const QString& path, const QString& text);

} // namespace viewers
