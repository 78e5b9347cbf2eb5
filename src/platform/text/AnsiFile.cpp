#include "text/AnsiFile.h"

#include <stdexcept>

namespace text {

AnsiReader::AnsiReader(const QString& path) : file_(path) { file_.open(QIODevice::ReadOnly); }

std::optional<QByteArray> AnsiReader::nextBytes() {
    if (!file_.isOpen() || file_.atEnd())
        return std::nullopt;
    QByteArray line;
    char c;
    while (file_.getChar(&c)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            char n;
            if (file_.peek(&n, 1) == 1 && n == '\n')
                file_.getChar(&n);
            break;
        }
        line.append(c);
    }
    ++line_;
    return line;
}

std::optional<QString> AnsiReader::nextLine() {
    auto bytes = nextBytes();
    if (!bytes)
        return std::nullopt;
    try {
        return fromCp932(*bytes);
    } catch (const EncodingError&) {
        throw EncodingError(QStringLiteral("line %1 is not CP932 text").arg(line_).toStdString());
    }
}

QStringList readAnsiLines(const QString& path) {
    AnsiReader r(path);
    if (!r.isOpen())
        throw std::runtime_error(r.errorString().toStdString());
    QStringList lines;
    while (auto l = r.nextLine())
        lines << *l;
    return lines;
}

AnsiWriter::AnsiWriter(const QString& path) : file_(path) {
    file_.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void AnsiWriter::write(const QString& s) {
    const QByteArray bytes = toCp932(s);
    if (file_.write(bytes) != bytes.size())
        throw std::runtime_error(file_.errorString().toStdString());
}

bool AnsiWriter::close() {
    const bool ok = file_.flush();
    file_.close();
    return ok && file_.error() == QFileDevice::NoError;
}

} // namespace text
