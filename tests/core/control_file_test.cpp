#include "core/ControlFile.h"
#include "db/OleDate.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace core;

namespace {

const QString kDamaged =
    QStringLiteral("コントロールファイルの中身が壊れているか、コントロールファイルが存在しない場合に起こることがあります。");

// Builds expected bytes by hand, independent of the encoder.
struct Bytes {
    QByteArray b;
    Bytes& i16(int v) { return raw(qint16(v)); }
    Bytes& i32(int v) { return raw(qint32(v)); }
    Bytes& f32(float v) { return raw(v); }
    Bytes& d64(double v) { return raw(v); }
    Bytes& ascii(const char* s) { b.append(s); return *this; }
    Bytes& emptyStr() { return i32(0); }
    template <typename T> Bytes& raw(T v) {
        b.append(reinterpret_cast<const char*>(&v), sizeof v); // the test machine is little-endian
        return *this;
    }
};

// Items in file order for empty company texts, no password and the given sizes/tail.
QByteArray layout(const char* web, int taxPerLine, const std::vector<const char*>& cats) {
    Bytes x;
    x.i16(0).emptyStr().ascii(" ");
    for (int i = 0; i < 6; ++i) // address 1-3, name, tel, fax
        x.emptyStr();
    if (*web)
        x.i32(int(strlen(web))).ascii(QByteArray(web).leftJustified(10, ' ').constData());
    else
        x.emptyStr();
    x.emptyStr(); // mail
    x.i16(taxPerLine).ascii(" ").f32(0).i32(10).ascii(" ").i32(50).i32(1).ascii(" ");
    x.d64(db::toOleDate(QDate(2024, 4, 1))).i32(0).ascii(" ").i32(10).i32(60).ascii(" ").i32(8).i32(80).ascii(" ");
    x.i32(20).i32(20).ascii(" ").i32(20).i32(10).ascii(" ").i32(20).ascii(" ");
    x.i32(int(cats.size()));
    for (const char* c : cats)
        x.i32(int(strlen(c))).ascii(QByteArray(c).leftJustified(10, ' ').constData());
    x.i16(-1);
    return x.b;
}

ControlData newDatabaseData() {
    ControlData d;
    d.company.Web = QStringLiteral("http://");
    d.company.TaxPerLine = kTrue;
    d.reserved1 = 1;
    d.created = db::toOleDate(QDate(2024, 4, 1));
    d.categories = {QStringLiteral("A"), QStringLiteral("B")};
    return d;
}

class ControlFileTest : public ::testing::Test {
protected:
    void SetUp() override { ui::setMessageService(&rec); }
    void TearDown() override { ui::setMessageService(nullptr); }
    ui::RecordingMessageService rec;
    testenv::TempFolder dir;
};

} // namespace

TEST(ControlCodec, SmallestFileIs120Bytes) {
    ControlData d;
    d.reserved1 = 1;
    d.created = db::toOleDate(QDate(2024, 4, 1));
    const QByteArray bytes = encodeControl(d);
    EXPECT_EQ(bytes.size(), 120);
    EXPECT_EQ(bytes, layout("", 0, {}));
}

TEST(ControlCodec, NewDatabaseFileByteForByte) {
    const QByteArray bytes = encodeControl(newDatabaseData());
    EXPECT_EQ(bytes.size(), 158);
    EXPECT_EQ(bytes, layout("http://", -1, {"A", "B"}));
    EXPECT_EQ(decodeControl(bytes), newDatabaseData());
}

TEST(ControlCodec, PasswordCharactersGoToScatteredSlots) {
    ControlData d;
    d.company.Password = QStringLiteral("abcdefghij");
    const QByteArray bytes = encodeControl(d);
    // Slots sit after known items; pick the ten single bytes out by position.
    QByteArray stored;
    int pos = 0;
    auto skip = [&](int n) { pos += n; };
    auto take = [&]() { stored.append(bytes[pos]); ++pos; };
    skip(2 + 4); take();            // length, zip, slot 4
    skip(8 * 4 + 2); take();        // 8 texts, tax per line, slot 5
    skip(4 + 4); take();            // rate, size 0, slot 1
    skip(4 + 4); take();            // size 1, carried 1, slot 7
    skip(8 + 4); take();            // date, carried 2, slot 2
    skip(8); take();                // sizes 2-3, slot 9
    skip(8); take();                // sizes 4-5, slot 3
    skip(8); take();                // sizes 6-7, slot 10
    skip(8); take();                // sizes 8-9, slot 6
    skip(4); take();                // size 10, slot 8
    EXPECT_EQ(stored, QByteArray("deagbicjfh"));
    EXPECT_EQ(decodeControl(bytes).company.Password, QStringLiteral("abcdefghij"));
}

TEST(ControlCodec, TextFieldsOfTenCharacters) {
    struct Case {
        QString text;
        int bytes; // size of the Str item
    } cases[] = {
        {QString(), 4},
        {QStringLiteral("0123456789"), 14},
        {QStringLiteral("0123456789A"), 24},
        {QStringLiteral("株式会社ヴァルノックス商事"), 4 + 2 * 10 + 2 * 3 + 7}, // 13 double-byte characters, blank padding
    };
    for (const auto& c : cases) {
        ControlData d;
        d.company.CompanyName = c.text;
        const QByteArray bytes = encodeControl(d);
        EXPECT_EQ(bytes.size(), 120 - 4 + c.bytes) << c.text.toStdString();
        EXPECT_EQ(decodeControl(bytes).company.CompanyName, c.text);
    }
    ControlData eleven;
    eleven.company.ZipCode = QStringLiteral("0123456789A");
    EXPECT_EQ(encodeControl(eleven).mid(2 + 4 + 10, 10), QByteArray("A         "));
}

TEST(ControlCodec, RoundTripOfJapaneseTextsAndCategories) {
    ControlData d = newDatabaseData();
    d.company = {QStringLiteral("100-0001"), QStringLiteral("東京都千代田区"), QStringLiteral("丸の内1-1"),
                 QStringLiteral("ﾋﾞﾙ 5F"), QStringLiteral("ヴァルノックス商事"), QStringLiteral("03-1234-5678"),
                 QString(), QStringLiteral("http://example.jp"), QStringLiteral("info@example.jp"),
                 QStringLiteral("パスワ"), kFalse, 8.25f};
    d.fieldLen = {8, 40, 12, 50, 8, 60, 15, 15, 30, 6, 16};
    d.reserved2 = 77;
    d.categories = {QStringLiteral("文具"), QStringLiteral("事務用品と消耗品のカテゴリ名二十"), QStringLiteral("X")};
    EXPECT_EQ(decodeControl(encodeControl(d)), d);
}

TEST(ControlCodec, RefusesPasswordAboveTenAndUnencodableText) {
    ControlData d;
    d.company.Password = QStringLiteral("abcdefghijk");
    EXPECT_THROW(encodeControl(d), ControlFileError);
    ControlData e;
    e.company.CompanyName = QStringLiteral("emoji \U0001F600");
    EXPECT_THROW(encodeControl(e), ControlFileError);
}

TEST(ControlCodec, EveryTruncationAndRandomDamageIsRefused) {
    const QByteArray good = encodeControl(newDatabaseData());
    for (int len = 0; len < good.size(); ++len)
        EXPECT_THROW(decodeControl(good.left(len)), ControlFileError) << len;
    QRandomGenerator rng(7);
    for (int i = 0; i < 2000; ++i) {
        QByteArray junk(int(rng.bounded(0, 400)), Qt::Uninitialized);
        for (auto& c : junk)
            c = char(rng.bounded(256));
        try {
            decodeControl(junk);
        } catch (const ControlFileError&) {
        }
    }
}

TEST(ControlCodec, AbsurdCountsEndTheRead) {
    const QByteArray good = encodeControl(newDatabaseData());
    struct Case {
        const char* what;
        int offset;
        qint32 value;
    } cases[] = {
        {"huge zip length", 2, 0x7fffffff},
        {"huge category count", 158 - 2 - 28 - 4, 0x7fffffff},
        {"goods code size zero", 56, 0},
        {"goods code size huge", 56, 100000},
    };
    for (const auto& c : cases) {
        QByteArray bad = good;
        memcpy(bad.data() + c.offset, &c.value, 4);
        EXPECT_THROW(decodeControl(bad), ControlFileError) << c.what;
    }
    QByteArray pw = good;
    pw[0] = 11;
    EXPECT_THROW(decodeControl(pw), ControlFileError);
}

// "0 or less" is an empty text, no category and no password; nothing follows such a count.
TEST(ControlCodec, CountsOfZeroOrLessReadAsEmpty) {
    ControlData empty;
    empty.reserved1 = 1;
    empty.created = db::toOleDate(QDate(2024, 4, 1));
    const QByteArray good = encodeControl(empty); // every text empty, no category, no password
    ASSERT_EQ(good.size(), 120);
    struct Item {
        const char* what;
        int offset;
        int width; // 2 or 4 bytes
    } items[] = {
        {"password length", 0, 2}, {"postal code", 2, 4}, {"address 1", 7, 4}, {"address 2", 11, 4},
        {"address 3", 15, 4},      {"company", 19, 4},    {"tel", 23, 4},       {"fax", 27, 4},
        {"web", 31, 4},            {"mail", 35, 4},       {"categories", 120 - 2 - 4, 4},
    };
    for (const Item& item : items)
        for (qint32 value : {-1, -10, -32768, std::numeric_limits<qint32>::min()}) {
            if (item.width == 2 && value < -32768)
                continue;
            QByteArray bytes = good;
            if (item.width == 2) {
                const qint16 v = qint16(value);
                memcpy(bytes.data() + item.offset, &v, 2);
            } else {
                memcpy(bytes.data() + item.offset, &value, 4);
            }
            ControlData d;
            ASSERT_NO_THROW(d = decodeControl(bytes)) << item.what << " " << value;
            EXPECT_EQ(d, empty) << item.what << " " << value;
        }
    // A negative password length ignores the characters in the slots.
    ControlData withPw = empty;
    withPw.company.Password = QStringLiteral("abc");
    QByteArray bytes = encodeControl(withPw);
    const qint16 minus = -3;
    memcpy(bytes.data(), &minus, 2);
    EXPECT_EQ(decodeControl(bytes).company.Password, QString());
    // A negative count with its text still after it: the rest is misread and refused, naming the count.
    ControlData zip = empty;
    zip.company.ZipCode = QStringLiteral("100-0001");
    bytes = encodeControl(zip);
    memcpy(bytes.data() + 2, &minus, 2);
    memcpy(bytes.data() + 4, "\xff\xff", 2);
    try {
        decodeControl(bytes);
        ADD_FAILURE() << "decoded";
    } catch (const ControlFileError& e) {
        EXPECT_TRUE(e.shown().contains(QStringLiteral("〒の長さ（-3）"))) << e.shown().toStdString();
    }
}

TEST_F(ControlFileTest, WriteThenReadCommitsToState) {
    AppState s;
    InitFieldLimits(s);
    s.gDbPath = dir.path("company.vrd");
    s.gCompany.CompanyName = QStringLiteral("ヴァルノックス");
    s.gCompany.Password = QStringLiteral("secret");
    s.gFieldLen[kLenGoodsCode] = 8;
    s.categories.gCatCount = 1;
    s.categories.CatSet(1, QStringLiteral("文具"));
    s.categories.commitWorking();
    ASSERT_TRUE(WriteCtlFile(s));
    EXPECT_TRUE(QFile::exists(dir.path("company.vrk")));

    AppState t;
    InitFieldLimits(t);
    ASSERT_TRUE(ReadCtlFile(t, dir.path("company.vrd")));
    EXPECT_EQ(t.gCompanyEdit.CompanyName, QStringLiteral("ヴァルノックス"));
    EXPECT_EQ(t.gCompanyEdit.Password, QStringLiteral("secret"));
    EXPECT_EQ(t.gCompany.CompanyName, QString()); // committed only by the opener after the password check
    EXPECT_EQ(t.gReservedCode[kLenGoodsCode], QStringLiteral("XXXXXXXX"));
    EXPECT_EQ(t.categories.CategoryCount, 1);
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(ControlFileTest, DamagedOrMissingFileLeavesStateUntouched) {
    AppState s;
    InitFieldLimits(s);
    s.gDbPath = dir.path("a.vrd");
    s.gCompany.CompanyName = QStringLiteral("Original");
    ASSERT_TRUE(WriteCtlFile(s));
    QFile f(dir.path("a.vrk"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray whole = f.readAll();
    f.resize(whole.size() - 1); // trailer cut
    f.close();

    AppState t;
    InitFieldLimits(t);
    t.gCompanyEdit.CompanyName = QStringLiteral("before");
    t.gFieldLen[0] = 5;
    const CompanyInfo beforeCompany = t.gCompanyEdit;
    const auto beforeLen = t.gFieldLen;
    for (const QString& path : {dir.path("a.vrd"), dir.path("missing.vrd"), QStringLiteral("ab")}) {
        rec.clear();
        EXPECT_FALSE(ReadCtlFile(t, path));
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_EQ(rec.shown()[0].text, kDamaged);
        EXPECT_EQ(rec.shown()[0].title, QStringLiteral("ＤＢアクセスに失敗しました"));
        EXPECT_TRUE(rec.shown()[0].beepBefore);
        EXPECT_EQ(t.gCompanyEdit, beforeCompany);
        EXPECT_EQ(t.gFieldLen, beforeLen);
    }
}

TEST_F(ControlFileTest, TooLongPasswordKeepsTheOldFile) {
    AppState s;
    InitFieldLimits(s);
    s.gDbPath = dir.path("b.vrd");
    ASSERT_TRUE(WriteCtlFile(s));
    QFile f(dir.path("b.vrk"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray old = f.readAll();
    f.close();

    s.gCompany.Password = QStringLiteral("12345678901");
    EXPECT_FALSE(WriteCtlFile(s));
    ASSERT_EQ(rec.texts(), QStringList{QStringLiteral("ＤＢアクセスに失敗しました。")});
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Varnox"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
}

TEST_F(ControlFileTest, UnwritableFolderFailsWithMessage) {
    AppState s;
    InitFieldLimits(s);
    s.gDbPath = dir.path("no/such/folder/c.vrd");
    EXPECT_FALSE(WriteCtlFile(s));
    ASSERT_EQ(rec.texts().size(), 1);
    EXPECT_EQ(rec.texts()[0].section('\n', 0, 0), QStringLiteral("ＤＢアクセスに失敗しました。")); // then the cause
    EXPECT_TRUE(rec.texts()[0].contains(QStringLiteral("フォルダが見つかりません")));
}

namespace {

// A control file that holds the most of everything the dialogs store: the largest file Varnox writes.
ControlData fullestData() {
    ControlData d = newDatabaseData();
    const QString longest(kMaxCompanyTextLength, QChar(0x3042)); // あ: two bytes each
    for (QString* text : {&d.company.ZipCode, &d.company.Address1, &d.company.Address2, &d.company.Address3,
                          &d.company.CompanyName, &d.company.Tel, &d.company.Fax, &d.company.Web, &d.company.Mail})
        *text = longest;
    d.company.Password = QString(kMaxPasswordLength, QChar(0x3042));
    d.categories.clear();
    for (int i = 0; i < kMaxCategories; ++i) { // あ… and five full-width digits: 20 two-byte characters
        QString name(kMaxCategoryLength, QChar(0x3042));
        for (int k = 0, n = i; k < 5; ++k, n /= 10)
            name[kMaxCategoryLength - 1 - k] = QChar(0xFF10 + n % 10);
        d.categories << name;
    }
    return d;
}

QStringList manyCategories(int n) {
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QString::number(i);
    return out;
}

} // namespace

// Each value at the most ＤＢ作成 and 自社情報変更 store reads; one past it is refused naming the value.
TEST(ControlCodec, ValuesAtTheLimitReadAndPastItAreRefusedByName) {
    struct Case {
        QString what;
        std::function<void(ControlData&)> atLimit, past;
        QString named;
    };
    std::vector<Case> cases;
    const std::pair<QString CompanyInfo::*, const char*> texts[] = {
        {&CompanyInfo::ZipCode, "〒"},     {&CompanyInfo::Address1, "住所１"}, {&CompanyInfo::Address2, "住所２"},
        {&CompanyInfo::Address3, "住所３"}, {&CompanyInfo::CompanyName, "社名"}, {&CompanyInfo::Tel, "TEL"},
        {&CompanyInfo::Fax, "FAX"},        {&CompanyInfo::Web, "Web"},        {&CompanyInfo::Mail, "E-Mail"}};
    for (const auto& [field, name] : texts)
        cases.push_back({QString::fromUtf8(name),
                         [f = field](ControlData& d) { d.company.*f = QString(kMaxCompanyTextLength, QLatin1Char('a')); },
                         [f = field](ControlData& d) { d.company.*f = QString(kMaxCompanyTextLength + 1, QLatin1Char('a')); },
                         QString::fromUtf8(name) + QStringLiteral("が長すぎます")});
    for (int i = 0; i < kFieldLenCount; ++i) {
        cases.push_back({kFieldLenNames[size_t(i)] + QStringLiteral(" high"),
                         [i](ControlData& d) { d.fieldLen[size_t(i)] = kMaxFieldLength; },
                         [i](ControlData& d) { d.fieldLen[size_t(i)] = kMaxFieldLength + 1; }, kFieldLenNames[size_t(i)]});
        cases.push_back({kFieldLenNames[size_t(i)] + QStringLiteral(" low"), [i](ControlData& d) { d.fieldLen[size_t(i)] = 1; },
                         [i](ControlData& d) { d.fieldLen[size_t(i)] = 0; }, kFieldLenNames[size_t(i)]});
    }
    cases.push_back({QStringLiteral("category count"), [](ControlData& d) { d.categories = manyCategories(kMaxCategories); },
                     [](ControlData& d) { d.categories = manyCategories(kMaxCategories + 1); },
                     QStringLiteral("カテゴリの数（32768）")});
    cases.push_back({QStringLiteral("category length"),
                     [](ControlData& d) { d.categories = {QString(kMaxCategoryLength, QChar(0x3042))}; },
                     [](ControlData& d) { d.categories = {QString(kMaxCategoryLength + 1, QChar(0x3042))}; },
                     QStringLiteral("1番目のカテゴリ名が21文字")});
    cases.push_back({QStringLiteral("empty category"), [](ControlData& d) { d.categories = {QStringLiteral("a")}; },
                     [](ControlData& d) { d.categories = {QStringLiteral("a"), QString()}; },
                     QStringLiteral("2番目のカテゴリ名が0文字")});
    cases.push_back({QStringLiteral("reserved category"),
                     [](ControlData& d) { d.categories = {QStringLiteral("XXXXXXXXXXXXXXXXXXX")}; },
                     [](ControlData& d) { d.categories = {kReservedCategory}; }, QStringLiteral("使えないカテゴリ")});
    cases.push_back({QStringLiteral("same category twice"),
                     [](ControlData& d) { d.categories = {QStringLiteral("文具"), QStringLiteral("文具 ")}; },
                     [](ControlData& d) { d.categories = {QStringLiteral("文具"), QStringLiteral("文具")}; },
                     QStringLiteral("2番目のカテゴリ「文具」")});
    cases.push_back({QStringLiteral("tax method"), [](ControlData& d) { d.company.TaxPerLine = kFalse; },
                     [](ControlData& d) { d.company.TaxPerLine = 1; }, QStringLiteral("消費税計算方法（1）")});
    for (float rate : {100.01f, -0.01f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        cases.push_back({QStringLiteral("tax rate %1").arg(double(rate)), [](ControlData& d) { d.company.TaxRate = 100; },
                         [rate](ControlData& d) { d.company.TaxRate = rate; }, QStringLiteral("消費税率")});
    cases.push_back({QStringLiteral("created last"), [](ControlData& d) { d.created = db::kLastOleDay; },
                     [](ControlData& d) { d.created = db::kLastOleDay + 1; }, QStringLiteral("ＤＢ作成日")});
    cases.push_back({QStringLiteral("created first"), [](ControlData& d) { d.created = db::kFirstOleDay; },
                     [](ControlData& d) { d.created = db::kFirstOleDay - 1; }, QStringLiteral("ＤＢ作成日")});
    cases.push_back({QStringLiteral("created NaN"), [](ControlData&) {},
                     [](ControlData& d) { d.created = std::numeric_limits<double>::quiet_NaN(); }, QStringLiteral("ＤＢ作成日")});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        ControlData at = newDatabaseData();
        c.atLimit(at);
        EXPECT_NO_THROW(EXPECT_EQ(decodeControl(encodeControl(at)), at));
        ControlData past = newDatabaseData();
        c.past(past);
        try {
            decodeControl(encodeControl(past));
            ADD_FAILURE() << "accepted";
        } catch (const ControlFileError& e) {
            EXPECT_TRUE(e.shown().contains(c.named)) << e.shown().toStdString();
        }
    }
}

// The fullest file of ours is exactly the bound and opens; a 10 MB file of empty categories or one company
// name is refused by its size.
TEST_F(ControlFileTest, TheFullestFileOpensAndOneByteMoreDoesNot) {
    const QByteArray fullest = encodeControl(fullestData());
    ASSERT_EQ(fullest.size(), kMaxControlBytes);
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.path(name + QStringLiteral(".vrk")));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write(QStringLiteral("full"), fullest));
    ASSERT_TRUE(write(QStringLiteral("more"), fullest + '\0'));
    QByteArray categories = layout("", -1, {});
    categories.chop(6); // the count and the trailer
    categories += Bytes().i32(2'600'000).b + QByteArray(2'600'000 * 4, '\0') + Bytes().i16(-1).b;
    ASSERT_TRUE(write(QStringLiteral("cats"), categories));
    const QByteArray name = Bytes().i16(0).i32(0).ascii(" ").i32(0).i32(0).i32(0).i32(10'000'000).b +
                            QByteArray(10'000'000, 'a');
    ASSERT_TRUE(write(QStringLiteral("name"), name + layout("", -1, {}).mid(name.size() - 10'000'000 + 4)));

    AppState s;
    InitFieldLimits(s);
    ASSERT_TRUE(ReadCtlFile(s, dir.path("full.vrd"))) << rec.texts().join('|').toStdString();
    EXPECT_EQ(s.categories.CategoryCount, kMaxCategories);
    for (const QString& name : {QStringLiteral("more"), QStringLiteral("cats"), QStringLiteral("name")}) {
        rec.clear();
        EXPECT_FALSE(ReadCtlFile(s, dir.path(name + QStringLiteral(".vrd"))));
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_TRUE(rec.texts()[0].contains(QStringLiteral("大きすぎます"))) << rec.texts()[0].toStdString();
        EXPECT_TRUE(rec.texts()[0].endsWith(dir.path(name + QStringLiteral(".vrk"))));
    }
}

// Only a regular file is read, a link to one included; a pipe, a device or a folder in its place (or at
// the end of a link) is refused at once, named, and the state keeps what it had.
TEST_F(ControlFileTest, APipeADeviceOrAFolderIsRefusedAtOnceByName) {
    AppState good;
    InitFieldLimits(good);
    good.gDbPath = dir.path("good.vrd");
    good.gCompany.CompanyName = QStringLiteral("本物");
    ASSERT_TRUE(WriteCtlFile(good));
    struct Case {
        const char* name;
        std::function<bool(const QString&)> make;
        QString named; // "" for a file that reads
    } cases[] = {
        {"pipe", [](const QString& at) { return testenv::makePipe(at); }, QStringLiteral("コントロールファイルがパイプ")},
        {"zero", [](const QString& at) { return QFile::link(QStringLiteral("/dev/zero"), at); },
         QStringLiteral("コントロールファイルのリンク先がデバイス")},
        {"folder", [](const QString& at) { return QDir().mkdir(at); }, QStringLiteral("コントロールファイルがフォルダ")},
        {"pipelink",
         [this](const QString& at) { return testenv::makePipe(dir.path("p")) && QFile::link(dir.path("p"), at); },
         QStringLiteral("のリンク先がパイプ")},
        {"link", [this](const QString& at) { return QFile::link(dir.path("good.vrk"), at); }, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString ctl = dir.path(QString::fromLatin1(c.name) + QStringLiteral(".vrk"));
        ASSERT_TRUE(c.make(ctl));
        AppState s;
        InitFieldLimits(s);
        s.gCompanyEdit.CompanyName = QStringLiteral("before");
        rec.clear();
        bool read = false;
        {
            testenv::PipeWatch watch(QFileInfo(ctl).canonicalFilePath());
            read = ReadCtlFile(s, dir.path(QString::fromLatin1(c.name) + QStringLiteral(".vrd")));
            EXPECT_FALSE(watch.fired()) << "waited on the pipe";
        }
        if (c.named.isEmpty()) {
            EXPECT_TRUE(read);
            EXPECT_EQ(s.gCompanyEdit.CompanyName, QStringLiteral("本物"));
            continue;
        }
        EXPECT_FALSE(read);
        EXPECT_EQ(s.gCompanyEdit.CompanyName, QStringLiteral("before"));
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_TRUE(rec.texts()[0].contains(c.named)) << rec.texts()[0].toStdString();
        EXPECT_TRUE(rec.texts()[0].endsWith(ctl)) << rec.texts()[0].toStdString();
        EXPECT_EQ(rec.shown()[0].title, QStringLiteral("ＤＢアクセスに失敗しました"));
    }
}
