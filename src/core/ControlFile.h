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
    ControlFileError(const char* what, QString shown) : std::runtime_error(what), shown_(std::move(shown)) {}
    // The cause as the user reads it (a value out of bounds, a pipe in the file's place); "" for a file that
    // is simply missing or damaged.
    const QString& shown() const { return shown_; }

  private:
    QString shown_;
};

// What ＤＢ作成 and 自社情報変更 can store, and so all a control file may hold: a file beyond is not ours.
constexpr int kMaxPasswordLength = 10;
constexpr int kMaxCompanyTextLength = 32767; // what a text box takes
constexpr int kMaxCategoryLength = 20;       // 商品カテゴリ's size
constexpr int kMaxCategories = 32767;        // the order windows' category lists count in 16 bits
constexpr int kMaxFieldLength = 255;         // the engine's largest text field
// The largest file those values make (each character at most two bytes, the last field of ten padded with
// one-byte blanks): reading stops past it.
constexpr qint64 kMaxControlBytes = [] {
    auto text = [](qint64 chars) { return 4 + chars * 2 + (10 - chars % 10) % 10; };
    return 2 + kMaxPasswordLength * 2 + 9 * text(kMaxCompanyTextLength) + 2 + 4 + kFieldLenCount * 4 + 4 + 4 +
           8 + 4 + kMaxCategories * text(kMaxCategoryLength) + 2;
}();

// The sizes' names, in gFieldLen's order, as the new-database dialog labels them.
inline const std::array<QString, kFieldLenCount> kFieldLenNames{
    QStringLiteral("商品コードの長さ"), QStringLiteral("商品名の長さ"),
    QStringLiteral("顧客コードの長さ"), QStringLiteral("顧客名の長さ"),
    QStringLiteral("顧客〒番号の長さ"), QStringLiteral("顧客住所の長さ"),
    QStringLiteral("顧客ＴＥＬの長さ"), QStringLiteral("顧客ＦＡＸの長さ"),
    QStringLiteral("顧客E-Mailの長さ"), QStringLiteral("社員コードの長さ"),
    QStringLiteral("社員名の長さ")};

// Throws ControlFileError for a password above 10 characters or a text CP932 cannot hold.
QByteArray encodeControl(const ControlData& data);
// Throws ControlFileError for a short, damaged or implausible file, or one holding a value Varnox never
// stores (named in shown()); nothing is half-decoded.
ControlData decodeControl(const QByteArray& bytes);

// The bytes of the control file at path, never more than kMaxControlBytes. Only a regular file is read (a
// link to one is followed), opened without waiting: a pipe, a device or a folder in its place is refused
// at once. Throws ControlFileError, naming the cause in shown() unless the file is missing or unreadable.
QByteArray readControlBytes(const QString& path);

// The database path with its last three characters replaced by "vrk"; "" when the path is too short.
QString controlPathFor(const QString& dbPath);

// Writes the control file of the open database (gDbPath) from gCompany, gFieldLen, the carried values and
// the committed categories. Validates before touching the file and replaces it atomically; with a password
// the pair is kept private (keepPairPrivate). On failure: beep, "ＤＢアクセスに失敗しました。", false.
bool WriteCtlFile(AppState& s);

// Reads the control file of the database at dbPath into gCompanyEdit, gFieldLen, the carried values and
// the committed categories, and rebuilds the reserved codes. The state changes only when the whole file
// decoded. On failure: beep, the damaged-file message (or the cause and the path, when one is named), false.
bool ReadCtlFile(AppState& s, const QString& dbPath);

// The password stands in the control file as it was typed: a control file that holds one, and the
// database beside it (with the engine's files), are for their owner only (0600). False when a mode could
// not be set.
bool keepPairPrivate(const QString& dbPath, const QString& ctlPath);

// The state's current values as control data (what WriteCtlFile writes).
ControlData controlDataOf(const AppState& s);

} // namespace core
