// The two exports of a list window: the save dialog (replaceable, so tests give the name) and writing
// a text as a CP932 file.
#pragma once

#include "text/Cp932.h"

#include <QSaveFile>
#include <QString>
#include <functional>
#include <stdexcept>

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

// A character of the export that CP932 cannot hold; nothing was written.
class UnencodableExport : public std::runtime_error {
public:
    explicit UnencodableExport(text::Unencodable bad) : std::runtime_error("character not in CP932"), bad(std::move(bad)) {}
    text::Unencodable bad;
};

// A control character in an exported text (NUL, a tab or a line end inside a stored name, as only another
// program stores one): it would split or garble the file's records; nothing was written.
class ControlInExport : public std::runtime_error {
  public:
    ControlInExport(int line, QChar character)
        : std::runtime_error("control character"), line(line), character(character) {}
    int line; // 1-based line of the file; 0 until the caller knows it
    QChar character;
};

// The text of a field of the tab file; throws ControlInExport (line 0) for a control character in it.
const QString& tabField(const QString& s);

// A CP932 export written in chunks to a file beside the target and put in its place by commit() only
// when every byte was written; destroyed without commit() it leaves the target as it was. put() throws
// UnencodableExport (naming the line counted over all chunks) or std::system_error (the system's error).
class ExportWriter {
public:
    explicit ExportWriter(const QString& path);
    ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;
    void put(const QString& chunk); // chunks end at line ends
    void commit();

private:
    QSaveFile file_;
    qint64 written_ = 0;
    int lines_ = 0; // line ends in the chunks before
};

// Writes text (lines already ended by CR LF) as CP932 without a byte order mark. The file is written
// beside the target and put in its place only when complete, so an existing file stays as it was on
// any failure (a character CP932 cannot hold, a control character other than a tab or the CR LF line ends, a
// full disk). Throws UnencodableExport, ControlInExport or std::runtime_error.
void writeExportFile(const QString& path, const QString& text);

// The message for a character an export cannot hold, naming its line.
QString unencodableExportMessage(const text::Unencodable& bad);
QString controlExportMessage(const ControlInExport& bad);

} // namespace viewers
