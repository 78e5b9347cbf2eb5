// The one answer to a write refused because the database file is no longer the one the window read
// (deleted, moved, or another file put in its place): nothing more can be stored until it is opened again.
#pragma once

#include <QString>
#include <exception>

namespace core {

inline const QString kReopenText = QStringLiteral(
    "ＤＢファイルが他のプログラムによって移動、削除または置き換えられました。変更は保存されていません。\n"
    "ＤＢを開き直してください。");

bool isFileReplaced(const std::exception& e);
// Beeps and says so when e is that refusal; false (and nothing shown) for any other error.
bool tellIfReplaced(const std::exception& e);
// What a message appends as the cause: the text above for that refusal, the error's own text otherwise.
QString causeText(const std::exception& e);

} // namespace core
