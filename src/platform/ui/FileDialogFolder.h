// Where a file dialog opens: beside the open database, else where the user last chose a file, else the
// user's Documents folder. The program's own folder is the current folder and is never a good start.
#pragma once

#include <QString>

namespace ui {

// The folder to open a file dialog in. besideFile is the open database's path ("" when none is open);
// its folder is taken when it still exists.
QString dialogStartFolder(const QString& besideFile = QString());

// Notes the folder of a file the user chose in a file dialog; "" (a cancelled dialog) changes nothing.
void rememberDialogChoice(const QString& chosenPath);

// Forgets the remembered folder (a fresh start, for tests).
void forgetDialogChoice();

} // namespace ui
