#include "core/ControlFile.h"

#include "core/FileProblems.h"
#include "db/DbError.h"
#include "db/OleDate.h"
#include "db/SideFiles.h"
#include "os/FileModes.h"
#include "os/OpenChecked.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

constexpr int kFieldChars = 10;

// Slot order in the file: the password character each slot holds (1-based).
constexpr std::array<int, 10> kSlotChar{4, 5, 1, 7, 2, 9, 3, 10, 6, 8};

class Writer {
public:
    void i16(std::int16_t v) { raw(qToLittleEndian(v)); }
    void i32(std::int32_t v) { raw(qToLittleEndian(v)); }
    void f32(float v) {
        std::uint32_t u;
        std::memcpy(&u, &v, 4);
        raw(qToLittleEndian(u));
    }
    void d64(double v) {
        std::uint64_t u;
        std::memcpy(&u, &v, 8);
        raw(qToLittleEndian(u));
    }
    void chars(const QString& s) {
        try {
            out_ += text::toCp932(s);
        } catch (const text::EncodingError&) {
            throw ControlFileError("text not representable in CP932");
        }
    }
    // Count of characters, then 10-character fields, the last padded with blanks.
    void str(const QString& s) {
        const int n = int(s.size());
        i32(n);
        for (int k = 0; k < n; k += kFieldChars)
            chars(s.mid(k, kFieldChars).leftJustified(kFieldChars, QLatin1Char(' ')));
    }
    QByteArray out_;

private:
    template <typename T> void raw(T v) { out_.append(reinterpret_cast<const char*>(&v), sizeof v); }
};

class Reader {
public:
    explicit Reader(const QByteArray& b) : b_(b) {}
    // The first text whose count was negative: read as empty, but what follows it was then read wrongly
    // when the file is refused further on.
    QString negativeField;
    std::int32_t negativeCount = 0;
    std::int16_t i16() { return qFromLittleEndian<std::int16_t>(take(2)); }
    std::int32_t i32() { return qFromLittleEndian<std::int32_t>(take(4)); }
    float f32() {
        const std::uint32_t u = qFromLittleEndian<std::uint32_t>(take(4));
        float v;
        std::memcpy(&v, &u, 4);
        return v;
    }
    double d64() {
        const std::uint64_t u = qFromLittleEndian<std::uint64_t>(take(8));
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    // One character: one byte, or two when the first is a CP932 lead byte.
    QString ch() {
        const unsigned char first = static_cast<unsigned char>(*take(1));
        QByteArray bytes(1, char(first));
        if (text::isLeadByte(first))
            bytes.append(*take(1));
        try {
            const QString c = text::fromCp932(bytes);
            if (c.size() != 1)
                throw ControlFileError("bad character");
            return c;
        } catch (const text::EncodingError&) {
            throw ControlFileError("bad character");
        }
    }
    // The characters of a text whose count was read.
    QString text(std::int32_t n) {
        if (n <= 0) // a count of 0 or less is an empty text with nothing after it
            return {};
        if (n > remaining()) // every character takes at least one byte
            throw ControlFileError("text length beyond the end of the file");
        QString s;
        s.reserve(n);
        for (int k = 0; k < n; k += kFieldChars) {
            QString field;
            for (int c = 0; c < kFieldChars; ++c)
                field += ch();
            s += field.left(qMin(kFieldChars, n - k));
        }
        return s;
    }
    qsizetype remaining() const { return b_.size() - pos_; }

private:
    const char* take(qsizetype n) {
        if (remaining() < n)
            throw ControlFileError("file too short");
        const char* p = b_.constData() + pos_;
        pos_ += n;
        return p;
    }
    const QByteArray& b_;
    qsizetype pos_ = 0;
};

// A value no dialog of ours stores: the file is refused naming it.
[[noreturn]] void refuseValue(const QString& shown) {
    throw ControlFileError("value beyond what Varnox stores", shown);
}

QString companyText(Reader& r, const char* name) {
    const std::int32_t n = r.i32();
    if (n < 0 && r.negativeField.isEmpty()) {
        r.negativeField = QString::fromUtf8(name);
        r.negativeCount = n;
    }
    if (n > kMaxCompanyTextLength)
        refuseValue(QStringLiteral(
                        "コントロールファイルの%1が長すぎます（%2文字。Varnoxで扱えるのは%3文字までです）。")
                        .arg(QString::fromUtf8(name))
                        .arg(n)
                        .arg(kMaxCompanyTextLength));
    return r.text(n);
}

QStringList categories(Reader& r) {
    const std::int32_t count = r.i32();
    if (count > kMaxCategories)
        refuseValue(QStringLiteral(
                        "コントロールファイルのカテゴリの数（%1）が、Varnoxで扱える数（%2）を超えています。")
                        .arg(count)
                        .arg(kMaxCategories));
    // Each stored category takes at least its 4-byte count; 0 or less is no category.
    if (count > r.remaining() / 4) throw ControlFileError("category count out of range");
    QStringList names;
    QSet<QString> seen;
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::int32_t n = r.i32();
        if (n < 1 || n > kMaxCategoryLength)
            refuseValue(
                QStringLiteral(
                    "コントロールファイルの%1番目のカテゴリ名が%2文字です。カテゴリ名は1～%3文字です。")
                    .arg(i)
                    .arg(qMax(n, 0))
                    .arg(kMaxCategoryLength));
        const QString name = r.text(n);
        if (name == kReservedCategory || seen.contains(name))
            refuseValue(QStringLiteral("コントロールファイルの%1番目のカテゴリ「%2」は、%3。")
                            .arg(i)
                            .arg(name, name == kReservedCategory
                                           ? QStringLiteral("使えないカテゴリです")
                                           : QStringLiteral("前にも同じものがあります")));
        seen.insert(name);
        names << name;
    }
    return names;
}

// The values read before the categories, against what the settings dialog stores.
void checkValues(const ControlData& d) {
    const CompanyInfo& c = d.company;
    if (c.TaxPerLine != kTrue && c.TaxPerLine != kFalse)
        refuseValue(QStringLiteral("コントロールファイルの消費税計算方法（%1）が正しくありません。")
                        .arg(c.TaxPerLine));
    // 0 to 100 percent: another rate (NaN from another program) would make every order fail.
    if (!std::isfinite(c.TaxRate) || c.TaxRate < 0 || c.TaxRate > 100)
        refuseValue(QStringLiteral("コントロールファイルの消費税率（%1）が正しくありません。")
                        .arg(double(c.TaxRate)));
    for (int i = 0; i < kFieldLenCount; ++i)
        if (const std::int32_t len = d.fieldLen[size_t(i)]; len < 1 || len > kMaxFieldLength)
            refuseValue(
                QStringLiteral("コントロールファイルの%1（%2）が正しくありません。1～%3だけが使えます。")
                    .arg(kFieldLenNames[size_t(i)])
                    .arg(len)
                    .arg(kMaxFieldLength));
    if (!std::isfinite(d.created) || d.created < db::kFirstOleDay || d.created >= db::kLastOleDay + 1)
        refuseValue(
            QStringLiteral("コントロールファイルのＤＢ作成日（%1）が正しくありません。").arg(d.created));
}

} // namespace

QByteArray encodeControl(const ControlData& d) {
    const CompanyInfo& c = d.company;
    if (c.Password.size() > kMaxPasswordLength)
        throw ControlFileError("password longer than 10 characters");
    std::array<QString, 10> slot;
    for (int i = 0; i < 10; ++i)
        slot[size_t(i)] = i < c.Password.size() ? QString(c.Password[i]) : QStringLiteral(" ");
    auto pw = [&](int charNo) { return slot[size_t(charNo - 1)]; };

    Writer w;
    w.i16(std::int16_t(c.Password.size()));
    w.str(c.ZipCode);
    w.chars(pw(4));
    w.str(c.Address1);
    w.str(c.Address2);
    w.str(c.Address3);
    w.str(c.CompanyName);
    w.str(c.Tel);
    w.str(c.Fax);
    w.str(c.Web);
    w.str(c.Mail);
    w.i16(c.TaxPerLine);
    w.chars(pw(5));
    w.f32(c.TaxRate);
    w.i32(d.fieldLen[0]);
    w.chars(pw(1));
    w.i32(d.fieldLen[1]);
    w.i32(d.reserved1);
    w.chars(pw(7));
    w.d64(d.created);
    w.i32(d.reserved2);
    w.chars(pw(2));
    w.i32(d.fieldLen[2]);
    w.i32(d.fieldLen[3]);
    w.chars(pw(9));
    w.i32(d.fieldLen[4]);
    w.i32(d.fieldLen[5]);
    w.chars(pw(3));
    w.i32(d.fieldLen[6]);
    w.i32(d.fieldLen[7]);
    w.chars(pw(10));
    w.i32(d.fieldLen[8]);
    w.i32(d.fieldLen[9]);
    w.chars(pw(6));
    w.i32(d.fieldLen[10]);
    w.chars(pw(8));
    w.i32(std::int32_t(d.categories.size()));
    for (const QString& cat : d.categories)
        w.str(cat);
    w.i16(-1);
    return w.out_;
}

namespace {

ControlData decodeFields(Reader& r) {
    ControlData d;
    CompanyInfo& c = d.company;
    std::array<QString, 10> slot;
    auto pw = [&](int charNo) -> QString& { return slot[size_t(charNo - 1)]; };

    // A negative length takes no slot: an empty password.
    const std::int16_t pwLen = r.i16();
    if (pwLen > kMaxPasswordLength)
        throw ControlFileError("password length out of range");
    c.ZipCode = companyText(r, "〒");
    pw(4) = r.ch();
    c.Address1 = companyText(r, "住所１");
    c.Address2 = companyText(r, "住所２");
    c.Address3 = companyText(r, "住所３");
    c.CompanyName = companyText(r, "社名");
    c.Tel = companyText(r, "TEL");
    c.Fax = companyText(r, "FAX");
    c.Web = companyText(r, "Web");
    c.Mail = companyText(r, "E-Mail");
    c.TaxPerLine = r.i16();
    pw(5) = r.ch();
    c.TaxRate = r.f32();
    d.fieldLen[0] = r.i32();
    pw(1) = r.ch();
    d.fieldLen[1] = r.i32();
    d.reserved1 = r.i32();
    pw(7) = r.ch();
    d.created = r.d64();
    d.reserved2 = r.i32();
    pw(2) = r.ch();
    d.fieldLen[2] = r.i32();
    d.fieldLen[3] = r.i32();
    pw(9) = r.ch();
    d.fieldLen[4] = r.i32();
    d.fieldLen[5] = r.i32();
    pw(3) = r.ch();
    d.fieldLen[6] = r.i32();
    d.fieldLen[7] = r.i32();
    pw(10) = r.ch();
    d.fieldLen[8] = r.i32();
    d.fieldLen[9] = r.i32();
    pw(6) = r.ch();
    d.fieldLen[10] = r.i32();
    pw(8) = r.ch();
    checkValues(d);
    d.categories = categories(r);
    r.i16(); // trailer; its value is not checked, only that it is there
    for (int i = 1; i <= pwLen; ++i)
        c.Password += pw(i);
    return d;
}

} // namespace

ControlData decodeControl(const QByteArray& bytes) {
    Reader r(bytes);
    try {
        return decodeFields(r);
    } catch (const ControlFileError&) {
        if (r.negativeField.isEmpty()) throw;
        throw ControlFileError("negative text length",
                               QStringLiteral("コントロールファイルの%1の長さ（%2）が正しくありません。")
                                   .arg(r.negativeField)
                                   .arg(r.negativeCount));
    }
}

QString controlPathFor(const QString& dbPath) {
    if (dbPath.size() < 3)
        return {};
    return dbPath.left(dbPath.size() - 3) + QStringLiteral("vrk");
}

bool keepPairPrivate(const QString& dbPath, const QString& ctlPath) {
    bool ok = os::setFileMode(ctlPath, os::kPrivateMode) && os::setFileMode(dbPath, os::kPrivateMode);
    for (const char* side : {"-wal", "-shm", "-journal"})
        if (!os::setFileMode(dbPath + QLatin1String(side), os::kPrivateMode) && errno != ENOENT) ok = false;
    return ok;
}

ControlData controlDataOf(const AppState& s) {
    ControlData d;
    d.company = s.gCompany;
    d.fieldLen = s.gFieldLen;
    d.reserved1 = s.gCtlReserved1;
    d.reserved2 = s.gCtlReserved2;
    d.created = s.gDbCreated;
    d.categories = s.categories.committed();
    return d;
}

namespace {

// The file is made whole beside its place and renamed into it, so that a reader finds the old one or the
// new one and a failure leaves the old one as it was. A link in its place is replaced by a file of its own
// (the file it led to stays as it was).
bool writeOwnFile(const QString& path, const QByteArray& bytes, int mode) {
    int err = 0; // the failing call's, for the message: removing the temporary must not change it
    try {
        db::TempBeside own(path);
        // Its rights before its first byte: private, or those of the file it replaces.
        if (mode < 0) os::shareAs(own.path(), path);
        if ((mode < 0 || os::setFileMode(own.path(), mode_t(mode))) && db::writeSynced(own.path(), bytes) &&
            db::renameOver(own.path(), path)) {
            own.release();
            db::syncPath(QFileInfo(path).absolutePath());
            return true;
        }
        err = errno;
    } catch (const db::DbError&) {
        err = errno;
    }
    errno = err;
    return false;
}

} // namespace

bool WriteCtlFile(AppState& s) {
    QString cause;
    try {
        const QString path = controlPathFor(s.gDbPath);
        if (path.isEmpty())
            throw ControlFileError("no database path");
        const QByteArray bytes = encodeControl(controlDataOf(s)); // validated before the file is touched
        const bool secret = !s.gCompany.Password.isEmpty();
        if (!writeOwnFile(path, bytes, secret ? int(os::kPrivateMode) : -1)) {
            cause = writeCauseText(path, errno);
            throw ControlFileError("cannot write the control file");
        }
        // The control file was private before its first byte; a database file of another owner keeps
        // its mode, and the write itself succeeded.
        if (secret)
            keepPairPrivate(s.gDbPath, path);
        return true;
    } catch (const ControlFileError&) {
        ui::messages().error(QStringLiteral("ＤＢアクセスに失敗しました。") +
                             (cause.isEmpty() ? QString()
                                              : QStringLiteral("\n") + cause +
                                                    QStringLiteral("コントロールファイルは書き換えていません。")));
        return false;
    }
}

QByteArray readControlBytes(const QString& path) {
    if (path.isEmpty()) throw ControlFileError("no control file path");
    // Opening a device may do something, a pipe waits for a writer: neither is waited on, and only a
    // regular file is read (a link to one is followed).
    const os::Opened opened = os::openChecked(path, O_RDONLY, 0, os::Links::Follow);
    if (opened.kind != 0)
        throw ControlFileError(
            "not a regular file",
            QStringLiteral("コントロールファイル%1が%2のため、読み込めません。")
                .arg(QFileInfo(path).isSymLink() ? QStringLiteral("のリンク先") : QString(),
                     specialFileKind(opened.kind)));
    if (!opened) {
        if (opened.error == ENOENT) throw ControlFileError("cannot find the control file");
        throw ControlFileError("cannot open the control file");
    }
    QFile file;
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        throw ControlFileError("cannot open the control file");
    }
    // Read to one byte past the largest file of ours, whatever size the file claims.
    const QByteArray bytes = file.read(kMaxControlBytes + 1);
    if (file.error() != QFileDevice::NoError) throw ControlFileError("cannot read the control file");
    if (bytes.size() > kMaxControlBytes)
        throw ControlFileError(
            "control file too large",
            QStringLiteral(
                "コントロールファイルが大きすぎます。Varnoxの作るコントロールファイルは%1バイト以下です。")
                .arg(kMaxControlBytes));
    return bytes;
}

bool ReadCtlFile(AppState& s, const QString& dbPath) {
    const QString path = controlPathFor(dbPath);
    try {
        const ControlData d = decodeControl(readControlBytes(path));
        s.gCompanyEdit = d.company;
        s.gFieldLen = d.fieldLen;
        s.gCtlReserved1 = d.reserved1;
        s.gCtlReserved2 = d.reserved2;
        s.gDbCreated = d.created;
        s.categories.setCommittedFromFile(d.categories);
        s.rebuildReservedCodes();
        return true;
    } catch (const ControlFileError& e) {
        // A cause we can name is named, with the file; a missing or damaged file keeps the usual text.
        ui::messages().error(e.shown().isEmpty()
                                 ? QStringLiteral("コントロールファイルの中身が壊れているか、コントロールファ"
                                                  "イルが存在しない場合に起こることがあります。")
                                 : e.shown() + QLatin1Char('\n') + QDir::toNativeSeparators(path),
                             QStringLiteral("ＤＢアクセスに失敗しました"));
        return false;
    }
}

} // namespace core
