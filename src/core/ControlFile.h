// The control file (.vrk) beside each database: company data, password, tax, field sizes and categories
// in a fixed little-endian byte layout that other programs read too.
#pragma once

#include "core/AppState.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <stdexcept>

namespace core {

struct ControlData {
    CompanyInfo company;
    std::array<std::int32_t, kFieldLenCount> fieldLen = kDefaultFieldLen;
    std::int32_t reserved1 = 0;
    std::int32_t reserved2 = 0;
    double created = 0; // OLE date
    QStringList categories;

    bool operator==(const ControlData&) const = default;
};

class ControlFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr int kMaxPasswordLength = 10;

// Throws ControlFileError for a password above 10 characters or a text CP932 cannot hold.
QByteArray encodeControl(const ControlData& data);
// Throws ControlFileError for a short, damaged or implausible file; nothing is half-decoded.
ControlData decodeControl(const QByteArray& bytes);

// The database path with its last three characters replaced by "vrk"; "" when the path is too short.
QString controlPathFor(const QString& dbPath);

// Writes the control file of the open database (gDbPath) from gCompany, gFieldLen, the carried values and
// the committed categories. Validates before touching the file and replaces it atomically; with a password
// the pair is kept private (keepPairPrivate). On failure: beep, "ＤＢアクセスに失敗しました。", false.
bool WriteCtlFile(AppState& s);

// Reads the control file of the database at dbPath into gCompanyEdit, gFieldLen, the carried values and
// the committed categories, and rebuilds the reserved codes. The state changes only when the whole file
// decoded. On failure: beep, the damaged-file message, false.
bool ReadCtlFile(AppState& s, const QString& dbPath);

// The password stands in the control file as it was typed: a control file that holds one, and the
// database beside it (with the engine's files), are for their owner only (0600). False when a mode could
// not be set.
bool keepPairPrivate(const QString& dbPath, const QString& ctlPath);

// The state's current values as control data (what WriteCtlFile writes).
ControlData controlDataOf(const AppState& s);

} // namespace core
