// Layout files: reading a .FRMT file into normal form, the tokenizer that returns one line at a time,
// and the start-up step that fills the layout store, falling back to the built-in layouts.
#pragma once

#include "core/AppState.h"

#include <QString>

namespace reports {

// Kinds of layout token.
enum FrmtTokenKind : int {
    kTokError = 0,
    kTokCommon = 1,
    kTokHeader = 2,
    kTokHeader2 = 3,
    kTokData = 4,
    kTokData2 = 5,
    kTokFooter = 6,
    kTokMaxLine = 7,
    kTokFontSize = 8,
    kTokCrLf = 9,
    kTokSpace = 10,
    kTokHeaderText = 11,
    kTokFormat = 12,
    kTokCenter = 13,
    kTokRight = 14,
    kTokLeft = 15,
    kTokEnd = 100,
    kTokEmptyLine = 101,
};

inline bool isSectionMarker(int kind) { return kind >= kTokCommon && kind <= kTokFooter; }

// Limits beyond which a layout is refused at start-up: larger numbers would only make every build
// allocate without bound.
constexpr int kFrmtMaxTokens = 300;
constexpr int kFrmtMaxRepeat = 1000;   // SPACE= and CRLF=
constexpr int kFrmtMaxFontSize = 500;  // FONTSIZE=
constexpr int kFrmtMaxLine = 500;      // MAXLINE=: rows on one page

// Reads the file as CP932 into normal form: every run of CR and LF becomes one CR, NUL characters are
// dropped, a CR ends the last line and one LF ends the text. True when the file holds a data character;
// a file without one is deleted. False, with text holding nothing useful, on any failure; isUtf8 tells
// whether the file was refused for being UTF-8 (saved so by an editor).
bool FrmtReadFile(const QString& fileName, QString& text, bool* isUtf8 = nullptr);

// The token at pos (1-based) of a text in normal form; pos moves to the start of the next line (it
// stays on the final LF after kTokEnd). sval is set to "" and then to the text of HEADER=/FORMAT=;
// nval is written only by the number items (-1 when their number is missing).
int FrmtNextToken(const QString& text, bool reset, int& pos, QString& sval, int& nval);
// Moves pos past the next CR (not past the final LF).
void FrmtSkipLine(const QString& text, int& pos);
// The decimal number at pos, -1 when none (or beyond 32 bits); pos moves past the digits.
int FrmtReadNumber(const QString& text, int& pos);

// Counts the tokens of text; when it is not a usable layout, shows the default-layout message of the
// report with this load order, replaces text with that default and counts again.
void FrmtCountTokens(std::int32_t& count, int loadOrder, QString& text);

// True when text is a usable layout (every line a token, at least one section or item, within the
// limits above); count receives the number of tokens other than empty lines.
bool FrmtValidate(const QString& text, std::int32_t& count);

// Fills gFrmtText and gFrmtCount from the layout files in folder (the current folder when empty), in
// load order, with one message per report whose file is missing or unusable.
void LoadAllLayouts(core::AppState& s, const QString& folder = QString());

} // namespace reports
