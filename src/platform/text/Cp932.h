// Text in the ANSI code page of Japanese Windows (CP932): conversion, the width every column is
// measured in, the check of typed text and the reading of files that come from outside.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
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

// True when b starts a double-byte character.
inline bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Columns a character takes on screen, in the flat files and on paper: its CP932 byte count (1 or 2).
// A character CP932 cannot hold counts 2 (each half of a surrogate pair 1).
int displayWidth(QChar c);
int displayWidth(QStringView s);
// QChars of the longest beginning of s that is at most width columns wide; a character that would
// cross the limit is left out whole (a surrogate pair is never split).
qsizetype fittingLength(QStringView s, int width);
// QChars of the character that starts at i: 2 for a surrogate pair, so a cut never splits one.
int charSize(QStringView s, qsizetype i);
// At most the first size characters of a stored text (a surrogate pair counts as one, as the engine
// counts), for showing: a value beyond its field, as only another program writes, would freeze or crash
// the view that lays it out whole. The stored value itself is left as it is.
QStringView shownPart(QStringView s, int size);
// The index of the first control character (U+0000 to U+001F, U+007F), or -1.
qsizetype findControl(QStringView s);

// CP932 writes nine characters that read back as others (〜 comes back as ～, ¥ as \); the form it gives
// back, so that what a box keeps is what a reopened file shows. Every other character is unchanged.
QChar storedForm(QChar c);
QString toStoredForm(QString s);

// The first character of a text that CP932 cannot hold.
struct Unencodable {
    qsizetype index = -1; // in QChars; -1 when every character can be held
    int line = 0;         // 1-based, lines ended by CR LF, LF or CR
    QString character;    // the whole character (both halves of a surrogate pair)
    bool found() const { return index >= 0; }
    // "U+00E9" style code of the character.
    QString code() const;
};
Unencodable findUnencodable(QStringView s);

// Typed text as a box may keep it: the stored forms, and the first character CP932 cannot hold.
struct TypedText {
    QString text;
    Unencodable bad;
    bool ok() const { return !bad.found(); }
};
TypedText checkTyped(const QString& typed);
// The refusal of a box's text: names the box and the character.
QString unencodableMessage(const QString& boxName, const Unencodable& bad);

// A file brought from outside. The world outside writes UTF-8, whose bytes often decode as CP932
// without an error: such a file is recognised (byte order mark, or valid UTF-8 with a multi-byte
// character) before it is read as CP932.
bool looksLikeUtf8(const QByteArray& bytes);
struct OutsideText {
    enum class Problem { None, Utf8, BadByte };
    QString text;
    Problem problem = Problem::None;
    int line = 0; // of the first byte CP932 cannot read (lines as in Unencodable)
    bool ok() const { return problem == Problem::None; }
};
OutsideText decodeOutside(const QByteArray& bytes);

} // namespace text
