// Text in the ANSI code page of Japanese Windows (CP932), and the display width used to align columns.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace text {

class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws EncodingError for a character that CP932 cannot hold.
QByteArray toCp932(const QString& s);
// Throws EncodingError for bytes that are not valid CP932.
QString fromCp932(const QByteArray& bytes);
// True when every character of s can be written in CP932.
bool isCp932(const QString& s);

// Number of bytes the character takes in CP932 (1 or 2); throws EncodingError when it has none.
int cp932Length(QChar c);
// True when b starts a double-byte character.
inline bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Columns the text takes: a character with code 1-255 or U+FF61-U+FF9F (half-width katakana) counts 1,
// any other 2.
int displayWidth(const QString& s);
int displayWidth(QChar c);

} // namespace text
