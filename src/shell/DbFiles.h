// Creating and opening company databases (the .vrd file and its .vrk control file), and turning a
// command-line argument or a dropped file name into the database path. No widgets here.
#pragma once

#include "core/AppState.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace shell {

// The database path for a given file name: enclosing double quotes are removed, the file's own suffix
// must be ".vrd" or ".vrk" (a control file names its database), "" otherwise.
QString databasePathFromArgument(const QString& given);

// A name chosen in the save box gets ".vrd" when it does not end with it.
QString withDatabaseSuffix(const QString& chosen);

// What the company settings dialog hands to the New command.
struct NewDatabaseSettings {
    core::CompanyInfo company;
    std::array<std::int32_t, core::kFieldLenCount> fieldLen = core::kDefaultFieldLen;
    QStringList categories; // as the dialog listed them, to show again (New uses the state's working list)
};

// Creates the database with its five tables and seed rows and its control file at path, from the
// settings and the working category list. Only when all of it exists does the state take it over
// (path, company, sizes, reserved codes, committed categories, creation date) as the open database.
// On failure: a message naming the cause, partial files removed, gDbCreateFailed True, state unchanged.
bool createDatabase(core::AppState& s, const NewDatabaseSettings& settings, const QString& path);

// Asks for the password; false when the user cancelled.
using PasswordPrompt = std::function<bool(QString& typed)>;

// Opens the database at path: the file must be a Varnox database and its control file readable; a
// password is asked until it matches exactly or the prompt is cancelled. On success gCompany, gDbPath and
// gOpenDbName name it. On failure nothing is opened (a message has been shown, except for a cancel).
bool openDatabase(core::AppState& s, const QString& path, const PasswordPrompt& prompt);

// Why a file cannot serve as a database; "" when it can.
QString databaseFileProblem(const QString& path);

// Why the file's schema is not the one ＤＢ作成 makes for these field sizes, naming the first object that
// differs; "" when it is exactly ours. Nothing is written into the file.
QString foreignSchemaProblem(const QString& path,
                             const std::array<std::int32_t, core::kFieldLenCount>& fieldLen);

} // namespace shell
