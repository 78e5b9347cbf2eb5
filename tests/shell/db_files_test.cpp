#include "shell/DbFiles.h"

#include "core/ControlFile.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/SideFiles.h"
#include "db/OleDate.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QDate>
#include <QFile>
#include <QDir>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

using namespace shell;
using namespace core;

TEST(DatabasePathFromArgument, MapsOnlyTheFilesOwnSuffix) {
    const std::vector<std::pair<QString, QString>> cases = {
        {"/home/a/budget.vrd", "/home/a/budget.vrd"},
        {"\"/home/a/budget.vrd\"", "/home/a/budget.vrd"},
        {"/home/a/budget.vrk", "/home/a/budget.vrd"},
        {"\"/home/a b/会社.vrk\"", "/home/a b/会社.vrd"},
        {"budget.vrd", "budget.vrd"},          // the first character is kept
        {"/x.vrd/notes.txt", ""},              // ".vrd" in a folder name does not count
        {"/home/a/budget.vrd.bak", ""},
        {"/home/a/budget.VRD", ""},
        {"/home/a/.vrd", ""},
        {"/home/a/budget", ""},
        {"", ""},
        {"\"", ""},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(databasePathFromArgument(given), expected) << given.toStdString();
}

TEST(WithDatabaseSuffix, AppendsWhenMissing) {
    const std::pair<QString, QString> cases[] = {
        {"/t/budget", "/t/budget.vrd"},    {"/t/budget.vrd", "/t/budget.vrd"}, {"/t/budget.vrk", "/t/budget.vrk.vrd"},
        {"/t/E.VRD", "/t/E.VRD"},          {"/t/e.Vrd", "/t/e.Vrd"},           {"/t/vrd", "/t/vrd.vrd"},
        {"/t/a.vrd.txt", "/t/a.vrd.txt.vrd"},
    };
    for (const auto& [chosen, expected] : cases)
        EXPECT_EQ(withDatabaseSuffix(chosen), expected) << chosen.toStdString();
}

namespace {

class DbFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        InitFieldLimits(s);
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    NewDatabaseSettings settings(const QString& password = {}) {
        NewDatabaseSettings n;
        n.company.CompanyName = QStringLiteral("株式会社テスト");
        n.company.Password = password;
        n.company.TaxPerLine = kTrue;
        n.fieldLen[kLenGoodsCode] = 8;
        s.categories.gCatCount = 0;
        s.categories.CatInit();
        s.categories.CatSet(1, QStringLiteral("食品"));
        s.categories.CatSet(2, QStringLiteral("雑貨"));
        s.categories.gCatCount = 2;
        return n;
    }

    // Creates a database and resets the state as if the program had just started.
    QString created(const QString& name, const QString& password = {}) {
        const QString path = tmp.path(name);
        EXPECT_TRUE(createDatabase(s, settings(password), path));
        s = AppState();
        InitFieldLimits(s);
        rec.clear();
        return path;
    }

    testenv::TempFolder tmp;
    ui::RecordingMessageService rec;
    AppState s;
};

PasswordPrompt answers(std::vector<std::optional<QString>> list, int* asked = nullptr) {
    auto queue = std::make_shared<std::vector<std::optional<QString>>>(std::move(list));
    return [queue, asked](QString& typed) {
        if (asked)
            ++*asked;
        if (queue->empty())
            return false;
        auto a = queue->front();
        queue->erase(queue->begin());
        if (!a)
            return false;
        typed = *a;
        return true;
    };
}

} // namespace

TEST_F(DbFilesTest, NewWritesDatabaseAndControlFileAndOpensIt) {
    const QString path = tmp.path("budget.vrd");
    ASSERT_TRUE(createDatabase(s, settings(), path));
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(s.gDbPath, path);
    EXPECT_EQ(s.gOpenDbName, path);
    EXPECT_EQ(s.gCompany.CompanyName, QStringLiteral("株式会社テスト"));
    EXPECT_EQ(s.gReservedCode[kLenGoodsCode], QStringLiteral("XXXXXXXX"));
    EXPECT_EQ(s.categories.CategoryCount, 2);
    EXPECT_EQ(s.gCtlReserved1, 1);

    QFile ctl(tmp.path("budget.vrk"));
    ASSERT_TRUE(ctl.open(QIODevice::ReadOnly));
    const ControlData d = decodeControl(ctl.readAll());
    EXPECT_EQ(d.company.CompanyName, QStringLiteral("株式会社テスト"));
    EXPECT_EQ(d.fieldLen[kLenGoodsCode], 8);
    EXPECT_EQ(d.categories, (QStringList{"食品", "雑貨"}));
    EXPECT_EQ(d.reserved1, 1);
    EXPECT_EQ(db::dateFromOle(d.created), QDate::currentDate());

    db::Database db(path);
    for (const QString& t : {kGoodsTable, kClientTable, kEmployeeTable, kOrderTable, kOrderLineTable})
        EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM ") + db::Database::quoteIdent(t)).toInt(), 1)
            << t.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT 商品コード FROM 商品マスタ")).toString(), QStringLiteral("XXXXXXXX"));
}

TEST_F(DbFilesTest, NewReplacesAnExistingDatabase) {
    const QString path = tmp.path("budget.vrd");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    ASSERT_TRUE(createDatabase(s, settings(), path));
    EXPECT_TRUE(databaseFileProblem(path).isEmpty());
}

TEST_F(DbFilesTest, FailedCreationNamesTheCauseAndChangesNothing) {
    const QString path = tmp.path("missing-folder/budget.vrd");
    s.gFieldLen[kLenGoodsCode] = 10;
    s.gCompany.CompanyName = QStringLiteral("前の会社");
    const AppState before = s;
    EXPECT_FALSE(createDatabase(s, settings(), path));
    EXPECT_EQ(s.gDbCreateFailed, kTrue);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.startsWith(QStringLiteral("ＤＢファイルを作成できません。")));
    EXPECT_TRUE(rec.shown()[0].beepBefore);
    EXPECT_EQ(s.gDbPath, before.gDbPath);
    EXPECT_EQ(s.gOpenDbName, QString());
    EXPECT_EQ(s.gFieldLen, before.gFieldLen);
    EXPECT_EQ(s.gReservedCode, before.gReservedCode);
    EXPECT_EQ(s.gCompany, before.gCompany);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(DbFilesTest, TableErrorRemovesThePartialFile) {
    const QString path = tmp.path("budget.vrd");
    NewDatabaseSettings n = settings();
    n.fieldLen[kLenClientName] = 0; // a size the engine refuses
    EXPECT_FALSE(createDatabase(s, n, path));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.startsWith(QStringLiteral("ＤＢのテーブルを作成できません。")));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(tmp.path("budget.vrk")));
    EXPECT_TRUE(s.gOpenDbName.isEmpty());
}

TEST_F(DbFilesTest, OpenWithAndWithoutPassword) {
    struct Case {
        const char* what;
        QString password;
        std::vector<std::optional<QString>> typed;
        bool opens;
        int beeps;
    };
    const std::vector<Case> cases = {
        {"no password, no prompt", "", {}, true, 0},
        {"right password", "Secret", {QString("Secret")}, true, 0},
        {"wrong then right", "Secret", {QString("nope"), QString("Secret")}, true, 1},
        {"other letter case refused", "Secret", {QString("secret"), std::nullopt}, false, 1},
        {"cancel", "Secret", {std::nullopt}, false, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString path = created(QStringLiteral("db%1.vrd").arg(n++), c.password);
        int asked = 0;
        const bool opened = openDatabase(s, path, answers(c.typed, &asked));
        EXPECT_EQ(opened, c.opens) << c.what;
        EXPECT_EQ(rec.beeps(), c.beeps) << c.what;
        EXPECT_EQ(asked, int(c.typed.size())) << c.what;
        EXPECT_TRUE(rec.shown().empty()) << c.what;
        if (c.opens) {
            EXPECT_EQ(s.gDbPath, path) << c.what;
            EXPECT_EQ(s.gCompany.CompanyName, QStringLiteral("株式会社テスト")) << c.what;
            EXPECT_EQ(s.gReservedCode[kLenGoodsCode], QStringLiteral("XXXXXXXX")) << c.what;
        } else {
            EXPECT_TRUE(s.gDbPath.isEmpty()) << c.what;
            EXPECT_TRUE(s.gOpenDbName.isEmpty()) << c.what;
            EXPECT_EQ(s.gCompany, CompanyInfo()) << c.what;
        }
    }
}

TEST_F(DbFilesTest, OpenRefusesWhatIsNotADatabase) {
    const QString good = created("good.vrd");
    // Missing .vrd beside an existing .vrk.
    const QString missing = tmp.path("gone.vrd");
    QFile::copy(tmp.path("good.vrk"), tmp.path("gone.vrk"));
    // A text file named .vrd with a valid control file.
    const QString text = tmp.path("text.vrd");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is just some text, not a database at all\n");
    }
    QFile::copy(tmp.path("good.vrk"), tmp.path("text.vrk"));
    // An empty SQLite file without our tables.
    const QString empty = tmp.path("empty.vrd");
    db::Database::create(empty)->close();
    QFile::copy(tmp.path("good.vrk"), tmp.path("empty.vrk"));
    // A damaged control file beside a good database.
    const QString damaged = tmp.path("damaged.vrd");
    QFile::copy(good, damaged);
    {
        QFile f(tmp.path("damaged.vrk"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x03\x00", 2);
    }
    // No control file at all.
    const QString noCtl = tmp.path("noctl.vrd");
    QFile::copy(good, noCtl);

    const QString ctlMessage =
        QStringLiteral("コントロールファイルの中身が壊れているか、コントロールファイルが存在しない場合に起こることがあります。");
    const std::vector<std::pair<QString, QString>> cases = {
        {missing, QStringLiteral("ＤＢファイルが見つかりません。")},
        {text, QStringLiteral("VarnoxのＤＢではないか、壊れています。")},
        {empty, QStringLiteral("VarnoxのＤＢではありません。")},
        {damaged, ctlMessage},
        {noCtl, ctlMessage},
    };
    for (const auto& [path, message] : cases) {
        rec.clear();
        s.gCompanyEdit = CompanyInfo();
        EXPECT_FALSE(openDatabase(s, path, answers({})));
        ASSERT_EQ(rec.shown().size(), 1u) << path.toStdString();
        EXPECT_TRUE(rec.shown()[0].text.startsWith(message)) << rec.shown()[0].text.toStdString();
        EXPECT_EQ(rec.shown()[0].title, QStringLiteral("ＤＢアクセスに失敗しました"));
        EXPECT_TRUE(s.gDbPath.isEmpty());
        EXPECT_TRUE(s.gOpenDbName.isEmpty());
    }
}

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every hidden file in the folder: what a New or a clean-up left behind.
QStringList hiddenIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(QRegularExpression("^\\."));
}

} // namespace

// A New that cannot finish leaves the old pair byte for byte and no temporary beside it.
TEST_F(DbFilesTest, FailedNewOverAnExistingPairLeavesItAsItWas) {
    const QString path = created("shop.vrd", QStringLiteral("pw"));
    {
        db::Database d(path);
        d.execute(QStringLiteral("INSERT INTO 社員マスタ (社員No, 社員コード, 氏名) VALUES (1, 'E1', '佐藤')"));
    }
    const QByteArray oldDb = bytesOf(path), oldCtl = bytesOf(tmp.path("shop.vrk"));
    struct Case {
        const char* what;
        std::function<void(NewDatabaseSettings&)> spoil;
        std::function<std::unique_ptr<db::Database>()> hold;
        QString message;
    } cases[] = {
        {"a table the engine refuses", [](NewDatabaseSettings& n) { n.fieldLen[kLenClientName] = 0; }, {},
         QStringLiteral("ＤＢのテーブルを作成できません。")},
        {"a password the control file cannot hold",
         [](NewDatabaseSettings& n) { n.company.Password = QStringLiteral("12345678901"); }, {},
         QStringLiteral("ＤＢアクセスに失敗しました。")},
        {"the old database open in another program", [](NewDatabaseSettings&) {},
         [&] {
             auto d = std::make_unique<db::Database>(path);
             d->scalar(QStringLiteral("SELECT count(*) FROM 社員マスタ"));
             return d;
         },
         QStringLiteral("指定したＤＢはすでに存在します。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rec.clear();
        const auto holder = c.hold ? c.hold() : nullptr;
        NewDatabaseSettings n = settings();
        c.spoil(n);
        EXPECT_FALSE(createDatabase(s, n, path));
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_TRUE(rec.shown()[0].text.startsWith(c.message)) << rec.shown()[0].text.toStdString();
        EXPECT_TRUE(s.gOpenDbName.isEmpty());
        EXPECT_EQ(bytesOf(tmp.path("shop.vrk")), oldCtl);
        EXPECT_EQ(hiddenIn(tmp.path()), QStringList());
        if (holder)
            EXPECT_EQ(holder->scalar(QStringLiteral("SELECT count(*) FROM 社員マスタ")).toInt(), 2);
        else
            EXPECT_EQ(bytesOf(path), oldDb);
    }
}

// Temporaries of our naming that no process holds go when the database beside them is opened or
// created; held ones and other people's files stay.
TEST_F(DbFilesTest, OpenAndNewRemoveStaleTemporariesOnly) {
    const QString path = created("shop.vrd");
    auto plant = [&](const QString& name) {
        QFile f(tmp.path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("left by a killed run");
    };
    const QStringList stale = {".shop.vrd.Ab12Cd", ".shop.vrd.Ab12Cd-journal", ".shop.vrd.Zz99Yy-wal",
                               ".shop.vrk.qWeRtY", "..shop.vrd.Ab12Cd.x1y2z3"};
    const QStringList foreign = {".shop.vrd.toolong1", ".shop.vrd.abc", ".other.vrd.Ab12Cd", ".shop.vrd.Ab12Cd.bak"};
    for (const std::function<bool()>& run :
         std::vector<std::function<bool()>>{[&] { return openDatabase(s, path, {}); },
                                            [&] { return createDatabase(s, settings(), path); }}) {
        for (const QString& n : stale + foreign)
            plant(n);
        db::TempBeside held(path); // another process at work beside the same database
        ASSERT_TRUE(run());
        QStringList expected = foreign;
        expected << QFileInfo(held.path()).fileName();
        expected.sort();
        QStringList left = hiddenIn(tmp.path());
        left.sort();
        EXPECT_EQ(left, expected);
        for (const QString& n : foreign)
            QFile::remove(tmp.path(n));
    }
}
