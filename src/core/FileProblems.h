// The answers to a write the database file itself refused, named by their cause: the file is no longer the
// one the window read (deleted, moved, or another put in its place), another program gave it objects of its
// own (named), it or its folder is read-only (a read-only share), the disk is full, or an index no longer
// matches its table (with the cure). Nothing was stored in each case.
#pragma once

#include "core/ErrorTexts.h"

#include <QString>
#include <QStringList>
#include <exception>

namespace core {

inline const QString kReopenText = QStringLiteral(
    "ＤＢファイルが他のプログラムによって移動、削除または置き換えられました。変更は保存されていません。\n"
    "ＤＢを開き直してください。");

// What a file is when it is no regular file, as the user names it ("フォルダ", "パイプ", "デバイス", …),
// from its mode (st_mode); "" for a regular file.
QString specialFileKind(unsigned mode);
// The same for the file at path, links followed, or "リンク" for a link itself when followLinks is false;
// "" for a regular file or nothing there.
QString specialFileKind(const QString& path, bool followLinks);

// What is wrong with a file beside the database (ErrorKind::BadLock, BadSideFile, ForeignLog), naming it and
// what it is; "" for another error. Every window adds it after its own first line.
QString besideFileText(const std::exception& e);

// A file put in place of path could not be given its group: naming the file and the group.
QString groupNotGivenText(const QString& path);
// Nor the rights its extended attributes give (notKept: their names, an access control list above all).
QString rightsNotKeptText(const QString& path, const QStringList& notKept);

// The text naming the cause of a write that stored nothing, or "" when e is another error.
QString fileProblemText(const std::exception& e, const QString& dbPath);
// Beeps and shows the text when there is one; false (and nothing shown) for any other error.
bool tellFileProblem(const std::exception& e, const QString& dbPath);
// What a message appends as the cause of a failed write, whatever it is (errorText for a write).
QString causeText(const std::exception& e, const QString& dbPath);

// The cause of a failed read or write of the database, named when it is one of the file's values: a field's
// rule that refused a value, a stored value or number beyond what the program handles, a damaged file;
// a file beside it that is none of ours after the caller's own text. Otherwise (a lock of another program, a
// file gone, an unknown cause) the caller's own text, otherwise.
// Writers ask fileProblemText first.
QString dbFailureText(const std::exception& e, const QString& otherwise);

// Why the file at path could not be written, as a sentence: a folder by its name, its folder gone, a full
// disk, a read-only file or folder; "" for another cause. The path is looked at first (a stale error
// number says nothing of it), then the system's error number, or what was thrown (a std::system_error,
// or the database's own kinds).
QString writeCauseText(const QString& path, int systemErrno);
QString writeCauseText(const QString& path, const std::exception& e);

} // namespace core
