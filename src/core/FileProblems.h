// The answers to a write the database file itself refused, named by their cause: the file is no longer the
// one the window read (deleted, moved, or another put in its place), it or its folder is read-only (a
// read-only share), or the disk is full. Nothing was stored in each case.
#pragma once

#include <QString>
#include <exception>

namespace core {

inline const QString kReopenText = QStringLiteral(
    "ＤＢファイルが他のプログラムによって移動、削除または置き換えられました。変更は保存されていません。\n"
    "ＤＢを開き直してください。");

// The text naming the cause, or "" when e is another error.
QString fileProblemText(const std::exception& e, const QString& dbPath);
// Beeps and shows the text when there is one; false (and nothing shown) for any other error.
bool tellFileProblem(const std::exception& e, const QString& dbPath);
// What a message appends as the cause: the text above when there is one, the error's own text otherwise.
QString causeText(const std::exception& e, const QString& dbPath);

} // namespace core
