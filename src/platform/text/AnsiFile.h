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

} // namespace text
