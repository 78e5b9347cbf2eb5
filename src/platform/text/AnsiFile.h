// Reading and writing text files in the ANSI code page (CP932), line by line.
#pragma once

#include "text/Cp932.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>

namespace text {

// Reads lines ending in CR LF, LF or a lone CR; the line end is not part of the line.
class AnsiReader {
public:
    explicit AnsiReader(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    QString errorString() const { return file_.errorString(); }
    // The next line as raw bytes, or nothing at the end of the file.
    std::optional<QByteArray> nextBytes();
    // The next line decoded; throws EncodingError naming the line number on bytes that are not CP932.
    std::optional<QString> nextLine();
    int lineNumber() const { return line_; }
    qint64 bytesRead() const { return file_.pos(); }
    qint64 size() const { return file_.size(); }

private:
    QFile file_;
    int line_ = 0;
};

// Reads a whole file as lines (see AnsiReader); throws EncodingError, or std::runtime_error when it
// cannot be opened.
QStringList readAnsiLines(const QString& path);

// Writes text as CP932; characters CP932 cannot hold make write() throw EncodingError before
// anything of that text is written.
class AnsiWriter {
public:
    explicit AnsiWriter(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    QString errorString() const { return file_.errorString(); }
    void write(const QString& s);
    void writeLine(const QString& s) { write(s + QStringLiteral("\r\n")); }
    bool close(); // false when flushing failed

private:
    QFile file_;
};

// Writes bytes to a file beside path and puts it in path's place only when every byte was written, so
// a failure (a full disk, a file-size limit) leaves an existing file as it was and nothing beside it.
// False, with the reason in error and the system's error left in errno, on failure. (A buffered QSaveFile commits a short file when the
// last write stops part way: the writes here are unbuffered and counted.) A mode of 0 or more is given
// to the new file before its first byte; otherwise a new file gets the umask's mode and a replaced one
// keeps its own.
bool writeFileWhole(const QString& path, const QByteArray& bytes, QString* error = nullptr, int mode = -1);

} // namespace text
