// The answers to a write the database file itself refused, named by their cause: the file is no longer the
// one the window read (deleted, moved, or another put in its place), another program gave it objects of its
// own (named), it or its folder is read-only (a read-only share), or the disk is full. Nothing was stored in
// each case.
#pragma once

#include <QString>
#include <exception>

namespace core {

inline const QString kReopenText = QStringLiteral(
    "ＤＢファイルが他のプログラムによって移動、削除または置き換えられました。変更は保存されていません。\n"
    "ＤＢを開き直してください。");

// The lock file beside the database cannot be given a mode that lets other users open it (e is
// LockNotShared): what to do, naming it.
QString lockFileText(const QString& lockPath);

// The text naming the cause, or "" when e is another error.
QString fileProblemText(const std::exception& e, const QString& dbPath);
// Beeps and shows the text when there is one; false (and nothing shown) for any other error.
bool tellFileProblem(const std::exception& e, const QString& dbPath);
// What a message appends as the cause: the text above when there is one, the error's own text otherwise.
QString causeText(const std::exception& e, const QString& dbPath);

// The cause of a failed read or write of the database, named when it is one of the file's values: a field's
// rule that refused a value, a stored value or number beyond what the program handles, a damaged file.
// Otherwise (a lock of another program, a file gone, an unknown cause) the caller's own text, otherwise.
// Writers ask fileProblemText first.
QString dbFailureText(const std::exception& e, const QString& otherwise);

// Why the file at path could not be written, as a sentence: a folder by its name, its folder gone, a full
// disk, a read-only file or folder; "" for another cause. The path is looked at first (a stale error
// number says nothing of it), then the system's error number, or what was thrown (a std::system_error,
// or the database's own kinds).
QString writeCauseText(const QString& path, int systemErrno);
QString writeCauseText(const QString& path, const std::exception& e);

} // namespace core
