#include "masters/MasterImport.h"

#include "core/FileProblems.h"
#include "core/Numbers.h"
#include "db/DbError.h"
#include "db/OleDate.h"
#include "masters/ImportStore.h"
#include "masters/TabFields.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"

#include <QFile>
#include <QSet>
#include <limits>
#include <optional>

namespace masters {

namespace {

constexpr qint64 kLongMax = std::numeric_limits<qint32>::max();
constexpr int kCategoryLen = 20;

const QString kTitleDuplicate = QStringLiteral("番号かコードが重複しているのでスキップします。");
const QString kTitleReserved = QStringLiteral("無効なコードなのでスキップします。");
const QString kTitleCategory = QStringLiteral("カテゴリーが未定義なのでスキップします。");

enum class Kind { No, Code, Text, Money, Rate, Count, Category };

struct Column {
    QString name;
    Kind kind;
    int len = -1; // entry of gFieldLen for texts
};

std::vector<Column> columnsOf(ImportKind kind) {
    using namespace core;
    switch (kind) {
    case ImportKind::Clients:
        return {{QStringLiteral("顧客No"), Kind::No},           {QStringLiteral("顧客コード"), Kind::Code, kLenClientCode},
                {QStringLiteral("顧客名"), Kind::Text, kLenClientName}, {QStringLiteral("〒"), Kind::Text, kLenZip},
                {QStringLiteral("住所"), Kind::Text, kLenAddress},  {QStringLiteral("TEL"), Kind::Text, kLenTel},
                {QStringLiteral("FAX"), Kind::Text, kLenFax},       {QStringLiteral("E-Mail"), Kind::Text, kLenMail}};
    case ImportKind::Goods:
        return {{QStringLiteral("商品No"), Kind::No},
                {QStringLiteral("商品コード"), Kind::Code, kLenGoodsCode},
                {QStringLiteral("商品名"), Kind::Text, kLenGoodsName},
                {QStringLiteral("個別定価"), Kind::Money},
                {QStringLiteral("個別仕切値"), Kind::Money},
                {QStringLiteral("個別原価"), Kind::Money},
                {QStringLiteral("消費税率"), Kind::Rate},
                {QStringLiteral("在庫量"), Kind::Count},
                {QStringLiteral("在庫発注点"), Kind::Count},
                {QStringLiteral("商品カテゴリ"), Kind::Category}};
    case ImportKind::Employees:
        return {{QStringLiteral("社員No"), Kind::No},
                {QStringLiteral("社員コード"), Kind::Code, kLenEmployeeCode},
                {QStringLiteral("氏名"), Kind::Text, kLenEmployeeName}};
    }
    return {};
}

// A field left empty in the middle of a line comes back as its tab; it is stored like any empty field.
QString plain(const QString& f) {
    if (f.size() == 1 && (f[0] == QLatin1Char('\t') || f[0] == QLatin1Char('\r') || f[0] == QLatin1Char('\n')))
        return {};
    return f;
}

// A number the way the line's numeric fields take it: refused text gives 0, a value beyond 32 bits
// gives nothing (the line is refused).
std::optional<qint64> whole(const QString& f) {
    if (f.isEmpty())
        return 0;
    const core::ParseResult r = core::ParseAmount(f);
    if (r.status == core::ParseStatus::Overflow)
        return std::nullopt;
    if (!r.ok() || r.value.raw() < 0)
        return 0;
    const qint64 raw = r.value.raw();
    qint64 q = raw / db::Currency::kScale;
    const qint64 rem = raw % db::Currency::kScale;
    if (rem * 2 > db::Currency::kScale || (rem * 2 == db::Currency::kScale && (q & 1)))
        ++q; // halves to the even neighbour
    if (q > kLongMax)
        return std::nullopt;
    return q;
}

std::optional<db::Currency> money(const QString& f) {
    if (f.isEmpty())
        return db::Currency();
    const core::ParseResult r = core::ParseAmount(f);
    if (r.status == core::ParseStatus::Overflow)
        return std::nullopt;
    if (!r.ok() || r.value.raw() < 0)
        return db::Currency();
    return r.value;
}

// A code, name or category holding a control character is refused, not stored. (Tabs, CR and LF end a
// field before this.)
bool hasControl(const QString& f) { return FindControl(f) >= 0; }

class FileError : public std::exception {
public:
    explicit FileError(QString cause = {}) : cause(std::move(cause)) {}
    QString cause; // why the database took no more: "" when no plain cause is known
};

struct Refusal {
    QString title;
};

class Importer {
public:
    Importer(core::AppState& s, ImportKind kind, ImportStore& store)
        : s_(s), store_(store), columns_(columnsOf(kind)) {
        if (kind == ImportKind::Goods) {
            const QStringList c = s.categories.committed();
            categories_ = QSet<QString>(c.begin(), c.end());
        }
    }

    // Returns true when a row was added, false for a line skipped without a message; throws Refusal.
    bool take(const QString& line) {
        cutColumn_ = nullptr;
        if (!line.isEmpty() && line[0] == QChar(0))
            throw Refusal{kTitleDuplicate};
        db::Params values;
        values.reserve(int(columns_.size()));
        for (int i = 0; i < int(columns_.size()); ++i) {
            const Column& c = columns_[size_t(i)];
            const QString raw = GetTabField(i + 1, line);
            if (c.kind == Kind::No) {
                if (raw == QLatin1String("\n") || raw == QLatin1String("\r"))
                    return false; // a line of blanks
                values << number(plain(raw));
                continue;
            }
            const QString f = plain(raw);
            if (c.kind != Kind::Money && c.kind != Kind::Rate && c.kind != Kind::Count && hasControl(f))
                throw Refusal{kTitleDuplicate};
            switch (c.kind) {
            case Kind::No: break;
            case Kind::Code: values << code(cut(f, c)); break;
            case Kind::Text: values << cut(f, c); break;
            case Kind::Money: values << QVariant::fromValue(checked(money(f))); break;
            case Kind::Rate: values << rate(f); break;
            case Kind::Count: values << int(checked(whole(f))); break;
            case Kind::Category: values << category(f.left(kCategoryLen)); break;
            }
        }
        try {
            store_.insert(values);
        } catch (const db::DbError& e) {
            fatalIfEngine(e);
            throw Refusal{kTitleDuplicate};
        }
        return true;
    }

    template <typename T>
    T checked(const std::optional<T>& v) {
        if (!v)
            throw Refusal{kTitleDuplicate};
        return *v;
    }

    // The first field of the last line taken whose text was cut to its size; none when nothing was cut.
    const Column* cutColumn() const { return cutColumn_; }
    int sizeOf(const Column& c) const { return qMax(0, int(s_.gFieldLen[size_t(c.len)])); }

private:
    QString cut(const QString& f, const Column& c) {
        if (f.isEmpty())
            return QStringLiteral(" ");
        if (f.size() > sizeOf(c) && !cutColumn_)
            cutColumn_ = &c;
        return f.left(sizeOf(c));
    }

    int number(const QString& f) {
        qint64 no = checked(whole(f));
        if (no > 0) {
            if (lookup([&] { return store_.numberExists(no); }))
                throw Refusal{kTitleDuplicate};
            return int(no);
        }
        // The first free number counting up from the table's row count.
        no = qMax<qint64>(1, store_.rowCount());
        while (lookup([&] { return store_.numberExists(no); }))
            ++no;
        if (no > kLongMax)
            throw Refusal{kTitleDuplicate};
        return int(no);
    }

    QString code(const QString& c) {
        const int lenIndex = columns_[1].len;
        if (c == s_.gReservedCode[size_t(lenIndex)])
            throw Refusal{kTitleReserved};
        if (lookup([&] { return store_.codeExists(c); }))
            throw Refusal{kTitleDuplicate};
        return c;
    }

    double rate(const QString& f) {
        const db::Currency v = checked(money(f));
        return db::toSingle(v.toDouble());
    }

    QString category(const QString& c) {
        if (c.isEmpty() || !categories_.contains(c))
            throw Refusal{kTitleCategory};
        return c;
    }

    template <typename F>
    bool lookup(F f) {
        try {
            return f();
        } catch (const db::DbError& e) {
            fatalIfEngine(e);
            throw Refusal{kTitleDuplicate};
        }
    }

    // Errors of the file or the engine itself would refuse every line that follows: stop instead.
    void fatalIfEngine(const db::DbError& e) const {
        if (db::faultOf(e.kind()) == db::Fault::File)
            throw e;
    }

    core::AppState& s_;
    ImportStore& store_;
    std::vector<Column> columns_;
    QSet<QString> categories_;
    const Column* cutColumn_ = nullptr;
};

QStringList splitLines(const QString& all) {
    QStringList lines;
    const qsizetype n = all.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = all[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << all.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && all[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << all.mid(start);
    return lines;
}

void showFileError(const QString& cause = {}) {
    ui::messages().error(QStringLiteral("ファイル読み込み中にエラーが発生しました。") +
                             (cause.isEmpty() ? QString() : QStringLiteral("\n") + cause + QStringLiteral("ＤＢに書き込めません。")),
                         QStringLiteral("このエラーは該当ファイルを他の人が使用している場合に起こることがあります。"));
}

void showEncodingError(const text::OutsideText& t, const QString& path) {
    if (t.problem == text::OutsideText::Problem::Utf8)
        ui::messages().error(QStringLiteral("このファイルはUTF-8で保存されています。\n"
                                            "Shift_JIS（CP932）で保存し直してからインポートして下さい。\n") +
                             path);
    else
        ui::messages().error(QStringLiteral("ファイルの%1行目に、Shift_JIS（CP932）として読めないバイトがあります。\n"
                                            "何もインポートしていません。\n")
                                 .arg(t.line) +
                             path);
}

} // namespace

QString importFilter(ImportKind kind) {
    switch (kind) {
    case ImportKind::Clients: return QStringLiteral("顧客マスタ(Tab区切り)テキストファイル (*.txt)");
    case ImportKind::Goods: return QStringLiteral("商品マスタ(Tab区切り)テキストファイル (*.txt)");
    case ImportKind::Employees: return QStringLiteral("社員マスタ(Tab区切り)テキストファイル (*.txt)");
    }
    return {};
}

QString importTable(ImportKind kind) {
    switch (kind) {
    case ImportKind::Clients: return QStringLiteral("顧客マスタ");
    case ImportKind::Goods: return QStringLiteral("商品マスタ");
    case ImportKind::Employees: return QStringLiteral("社員マスタ");
    }
    return {};
}

int countLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    int lf = 0, cr = 0;
    char buf[65536];
    qint64 got;
    while ((got = f.read(buf, sizeof buf)) > 0)
        for (qint64 i = 0; i < got; ++i) {
            lf += buf[i] == '\n';
            cr += buf[i] == '\r';
        }
    return qMax(lf, cr); // CR LF, LF or CR line ends

}

ImportResult importMasterFile(core::AppState& s, ImportKind kind, const QString& path, const ImportProgress& progress) {
    ImportResult result;
    // The whole file is read and checked as CP932 first: a file that cannot be read or is in another
    // encoding changes nothing.
    QStringList lines;
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            result.fileError = true;
            showFileError();
            return result;
        }
        const QByteArray bytes = f.readAll();
        if (f.error() != QFileDevice::NoError) {
            result.fileError = true;
            showFileError();
            return result;
        }
        // A UTF-8 file would mostly decode into wrong characters without an error: refused as such,
        // like a byte CP932 cannot read, before anything is written.
        const text::OutsideText decoded = text::decodeOutside(bytes);
        if (!decoded.ok()) {
            result.fileError = true;
            showEncodingError(decoded, path);
            return result;
        }
        lines = splitLines(decoded.text);
    }

    std::vector<Column> columns = columnsOf(kind);
    QStringList fields;
    for (const Column& c : columns)
        fields << c.name;

    try {
        ImportStore store(s.gDbPath, importTable(kind), fields);
        Importer importer(s, kind, store);
        const int total = int(lines.size());
        for (int i = 0; i < total; ++i) {
            if (progress && i % 500 == 0)
                progress(i, total);
            const QString& line = lines[i];
            try {
                if (importer.take(line)) {
                    ++result.added;
                    if (const Column* c = importer.cutColumn(); c && result.cut++ == 0) {
                        result.firstCutLine = i + 1;
                        result.firstCutField = c->name;
                        result.firstCutSize = importer.sizeOf(*c);
                    }
                } else {
                    ++result.skipped;
                }
            } catch (const Refusal& r) {
                ++result.refused;
                // Nothing may hold the database while the box waits on the user.
                store.commit();
                ui::messages().error(QStringLiteral("エラーデータ=　") + line, r.title);
            }
        }
        store.commit();
        if (progress)
            progress(total, total);
    } catch (const FileError& e) {
        result.fileError = true;
        showFileError(e.cause);
    } catch (const db::DbError& e) {
        result.fileError = true;
        if (e.kind() == db::ErrorKind::Io || e.kind() == db::ErrorKind::NotFound)
            showFileError(core::writeCauseText(s.gDbPath, e)); // the database could not be opened
        else // the database stopped the import, not the file being read: named as every window names it
            ui::messages().error(
                QStringLiteral("ＤＢへの書き込みができないため、インポートを中止しました。\n") +
                    core::causeText(e, s.gDbPath),
                e.kind() == db::ErrorKind::Busy
                    ? QStringLiteral(
                          "このエラーはＤＢを他のプログラムが使用している場合に起こることがあります。")
                    : QStringLiteral("ＤＢアクセスに失敗しました"));
    }
    // Rows stored with a shortened text stay whatever came after them: the user learns of them.
    if (result.cut > 0)
        ui::messages().show(QStringLiteral("%1行のデータで、文字列が項目の長さを超えていたため、長さまで切り詰めて登録しました。\n"
                                           "最初は%2行目の「%3」です（長さ%4文字）。\n"
                                           "項目の長さはＤＢ作成時に決まります（自社情報変更で確かめられます）。"
                                           "長い文字列を収めるには、長さを広げたＤＢを作成してインポートし直して下さい。")
                                .arg(result.cut)
                                .arg(result.firstCutLine)
                                .arg(result.firstCutField)
                                .arg(result.firstCutSize));
    return result;
}

} // namespace masters
