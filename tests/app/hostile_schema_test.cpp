// Company files that another SQLite program changed: a trigger, a view, a virtual table, a generated column,
// an index more or less, a rule or a type of its own. Varnox (ＤＢオープン, the command line) and
// VarnoxReplica (a copy, a clear in place) refuse each one naming the object and leave the file byte for
// byte; a file whose CREATE texts differ only in layout opens.
#include "support/MainRoad.h"
#include "support/ReplicaRoad.h"

#include "core/ControlFile.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentWindow.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>
#include <limits>

using mainroad::Program;

namespace {

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : "missing";
}

// The table made again from its CREATE text as edit changes it, with its rows and its own indexes.
void remake(SQLite::Database& d, const std::string& table, const std::function<void(std::string&)>& edit) {
    std::string sql = d.execAndGet("SELECT sql FROM sqlite_master WHERE name = '" + table + "'").getString();
    std::vector<std::string> indexes;
    SQLite::Statement q(d,
                        "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? ORDER BY rowid");
    q.bind(1, table);
    while (q.executeStep())
        indexes.push_back(q.getColumn(0).getString());
    edit(sql);
    d.exec("ALTER TABLE \"" + table + "\" RENAME TO old");
    d.exec(sql);
    d.exec("INSERT INTO \"" + table + "\" SELECT * FROM old");
    d.exec("DROP TABLE old");
    for (const std::string& ix : indexes)
        d.exec(ix);
}

void addColumn(std::string& sql, const std::string& column) {
    sql.insert(sql.rfind(')'), ", " + column);
}

struct Hostile {
    std::string what;
    std::function<void(SQLite::Database&)> make;
    QString named; // "" for a file that must open
};

std::vector<Hostile> hostileFiles() {
    const char* tables[] = {"商品マスタ", "顧客マスタ", "社員マスタ", "受注データ", "受注個別データ"};
    std::vector<Hostile> out;
    for (const char* t : tables)
        for (const char* when : {"BEFORE", "AFTER"})
            for (const char* op : {"INSERT", "UPDATE", "DELETE"})
                out.push_back({std::string(when) + " " + op + " ON " + t,
                               [=](SQLite::Database& d) {
                                   d.exec(std::string("CREATE TRIGGER trap ") + when + " " + op + " ON \"" +
                                          t +
                                          "\" BEGIN DELETE FROM \"商品マスタ\" WHERE \"商品No\" <> 0; END");
                               },
                               QStringLiteral("トリガー「trap」")});
    out.push_back({"view beside", [](auto& d) { d.exec("CREATE VIEW v AS SELECT * FROM \"商品マスタ\""); },
                   QStringLiteral("ビュー「v」")});
    out.push_back({"view under our name",
                   [](auto& d) {
                       d.exec("DROP TABLE \"社員マスタ\"");
                       d.exec("CREATE VIEW \"社員マスタ\" AS SELECT 0 AS \"社員No\", 'X' AS \"社員コード\", "
                              "'X' AS \"氏名\"");
                   },
                   QStringLiteral("ビュー「社員マスタ」")});
    out.push_back({"virtual table", [](auto& d) { d.exec("CREATE VIRTUAL TABLE fts USING fts5(body)"); },
                   QStringLiteral("「fts")});
    out.push_back({"stored generated column",
                   [](auto& d) {
                       remake(d, "商品マスタ", [](std::string& s) {
                           addColumn(s, "g TEXT GENERATED ALWAYS AS (zeroblob(1000)) STORED");
                       });
                   },
                   QStringLiteral("テーブル「商品マスタ」")});
    out.push_back(
        {"virtual generated column",
         [](auto& d) {
             d.exec("ALTER TABLE \"商品マスタ\" ADD COLUMN g TEXT GENERATED ALWAYS AS (zeroblob(9)) VIRTUAL");
         },
         QStringLiteral("テーブル「商品マスタ」")});
    out.push_back({"extra unique index",
                   [](auto& d) { d.exec("CREATE UNIQUE INDEX one_name ON \"顧客マスタ\" (\"顧客名\")"); },
                   QStringLiteral("インデックス「one_name」")});
    out.push_back({"foreign check",
                   [](auto& d) {
                       remake(d, "受注データ",
                              [](std::string& s) { addColumn(s, "CHECK (\"販売金額\" < 100)"); });
                   },
                   QStringLiteral("テーブル「受注データ」")});
    out.push_back({"missing index", [](auto& d) { d.exec("DROP INDEX \"受注データ.社員コード\""); },
                   QStringLiteral("インデックス「受注データ.社員コード」")});
    out.push_back({"column of another type",
                   [](auto& d) {
                       remake(d, "商品マスタ", [](std::string& s) {
                           const std::string from = "\"在庫量\" LONG";
                           s.replace(s.find(from), from.size(), "\"在庫量\" INTEGER");
                       });
                   },
                   QStringLiteral("テーブル「商品マスタ」")});
    // Our own texts laid out otherwise (as an older build might have written them) are the same schema.
    out.push_back({"other layout",
                   [](auto& d) {
                       remake(d, "顧客マスタ", [](std::string& s) {
                           for (size_t at = 0; (at = s.find(", ", at)) != std::string::npos; at += 4)
                               s.replace(at, 2, ",\n  ");
                       });
                   },
                   QString()});
    return out;
}

} // namespace

TEST(HostileSchema, EachForeignObjectIsRefusedByNameOnEveryWayInAndTheFileStaysAsItWas) {
    Program p;
    const QString base = p.newDatabase(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << p.messages().texts().join('|').toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    enum Way { Menu, CommandLine, ReplicaCopy, ReplicaClear };
    int n = 0;
    for (const Hostile& h : hostileFiles()) {
        for (Way way : {Menu, CommandLine, ReplicaCopy, ReplicaClear}) {
            SCOPED_TRACE(h.what + " way " + std::to_string(way));
            const QString file = p.path(QStringLiteral("h%1.vrd").arg(++n));
            QFile::copy(base, file);
            QFile::copy(core::controlPathFor(base), core::controlPathFor(file));
            {
                SQLite::Database d(file.toStdString(), SQLite::OPEN_READWRITE);
                h.make(d);
            }
            const QByteArray before = digest(file);
            const QString target = p.path(QStringLiteral("t%1.vrd").arg(n));
            p.messages().clear();
            switch (way) {
            case Menu:
                p.nextPath(file);
                p.trigger(QStringLiteral("mnuFileOpen"));
                break;
            case CommandLine:
                p.window().openFromCommandLine(QLatin1Char('"') + file + QLatin1Char('"'));
                break;
            case ReplicaCopy:
                mainroad::runReplica(file, target);
                break;
            case ReplicaClear:
                mainroad::runReplica(file);
                break;
            }
            const QString said = p.messages().texts().join('|');
            if (h.named.isEmpty()) { // opens, or is copied and cleared
                EXPECT_TRUE(way >= ReplicaCopy || p.state().gDbPath == file) << said.toStdString();
                EXPECT_EQ(way == ReplicaCopy, QFileInfo::exists(target)) << said.toStdString();
                p.trigger(QStringLiteral("mnuFileClose"));
                continue;
            }
            ASSERT_EQ(p.messages().shown().size(), 1u) << said.toStdString();
            EXPECT_TRUE(said.contains(h.named)) << said.toStdString();
            EXPECT_TRUE(p.state().gDbPath.isEmpty());
            EXPECT_FALSE(QFileInfo::exists(target));
            EXPECT_EQ(digest(file), before);
        }
    }
}

// The sqlite3 tool's ANALYZE adds the engine's statistics: ＤＢオープン and VarnoxReplica's clear refuse the
// file naming the table and the statement that removes them; run with the sqlite3 tool, the file then opens
// and clears as before.
TEST(HostileSchema, AFileAfterAnalyzeIsRefusedWithTheWayBackAndOpensOnceItIsTaken) {
    if (QProcess::execute(QStringLiteral("sqlite3"), {QStringLiteral("-version")}) != 0)
        GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString base = p.newDatabase(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << p.messages().texts().join('|').toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    enum Way { Menu, ReplicaClear };
    int n = 0;
    for (Way way : {Menu, ReplicaClear}) {
        SCOPED_TRACE(way);
        const QString file = p.path(QStringLiteral("a%1.vrd").arg(++n));
        QFile::copy(base, file);
        QFile::copy(core::controlPathFor(base), core::controlPathFor(file));
        ASSERT_EQ(QProcess::execute(QStringLiteral("sqlite3"), {file, QStringLiteral("ANALYZE")}), 0);
        const auto attempt = [&] {
            p.messages().clear();
            if (way == Menu) {
                p.nextPath(file);
                p.trigger(QStringLiteral("mnuFileOpen"));
            } else {
                mainroad::runReplica(file);
            }
            return p.messages().texts().join('|');
        };
        const QString said = attempt();
        EXPECT_TRUE(said.contains(QStringLiteral("テーブル「sqlite_stat1」"))) << said.toStdString();
        const QString before = QStringLiteral("このファイルに「");
        const qsizetype from = said.indexOf(before) + before.size();
        const QString statement = said.mid(from, said.indexOf(QStringLiteral("」"), from) - from);
        ASSERT_TRUE(statement.startsWith(QStringLiteral("DROP TABLE"))) << said.toStdString();
        ASSERT_EQ(QProcess::execute(QStringLiteral("sqlite3"), {file, statement}), 0);
        const QString then = attempt();
        if (way == Menu) {
            EXPECT_EQ(p.state().gDbPath, file) << then.toStdString();
            EXPECT_TRUE(p.messages().shown().empty()) << then.toStdString();
            p.trigger(QStringLiteral("mnuFileClose"));
        } else {
            EXPECT_TRUE(then.contains(QStringLiteral("DBを初期化"))) << then.toStdString();
        }
    }
}

// Another program changes the schema while Varnox has the file open: a 契約 in the order window already open,
// a payment in the payment window already open, a list read again through the connection kept from the
// last. Each is refused naming the object, as at open, and no row changes; an ordinary write or a VACUUM of
// that program lets each go through.
TEST(HostileSchema, ASchemaChangedWhileOpenIsRefusedAtTheNextSaveOrList) {
    Program p;
    const QString base = p.openShopWithOrders(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << p.messages().texts().join('|').toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    const struct {
        const char* what;
        const char* sql;
        QString named; // "" for a change that is no schema of its own
    } changes[] = {
        {"trigger", "CREATE TRIGGER trap AFTER UPDATE ON 受注データ BEGIN DELETE FROM 顧客マスタ WHERE 顧客No <> 0; END",
         QStringLiteral("トリガー「trap」")},
        {"view", "CREATE VIEW v AS SELECT * FROM 商品マスタ", QStringLiteral("ビュー「v」")},
        {"index", "CREATE INDEX extra ON 受注データ (送料)", QStringLiteral("インデックス「extra」")},
        {"generated column", "ALTER TABLE 受注データ ADD COLUMN g TEXT GENERATED ALWAYS AS (zeroblob(9)) VIRTUAL",
         QStringLiteral("テーブル「受注データ」")},
        {"stock count", "UPDATE 商品マスタ SET 在庫量 = 在庫量 + 1 WHERE 商品コード = 'G01'", QString()},
        {"vacuum", "VACUUM", QString()},
    };
    const auto rows = [](const QString& db) {
        return mainroad::sqlite(db, QStringLiteral("SELECT * FROM 商品マスタ; SELECT * FROM 顧客マスタ; "
                                                   "SELECT * FROM 社員マスタ; SELECT * FROM 受注データ; "
                                                   "SELECT * FROM 受注個別データ"));
    };
    enum Step { Order, Payment, List };
    int n = 0;
    for (const auto& c : changes) {
        for (Step step : {Order, Payment, List}) {
            SCOPED_TRACE(std::string(c.what) + " step " + std::to_string(step));
            const QString file = p.path(QStringLiteral("o%1.vrd").arg(++n));
            QFile::copy(base, file);
            QFile::copy(core::controlPathFor(base), core::controlPathFor(file));
            p.nextPath(file);
            p.trigger(QStringLiteral("mnuFileOpen"));
            ASSERT_EQ(p.state().gDbPath, file) << p.messages().texts().join('|').toStdString();
            QString before;
            const auto change = [&] {
                mainroad::sqlite(file, QString::fromUtf8(c.sql));
                before = rows(file);
                p.messages().clear();
            };
            bool done = false;
            if (step == Order) {
                done = p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}, {}, change) > 0;
            } else if (step == Payment) {
                orders::PaymentWindow* w = p.openPayments();
                ASSERT_NE(w, nullptr);
                change();
                mainroad::answerCalendar(QDate(2024, 7, 1));
                mainroad::clickOrder(w, 1);
                w->endButton()->click();
                mainroad::waitFor([&] { return p.work<orders::PaymentWindow>() == nullptr; });
                done = mainroad::sqlite(file, QStringLiteral("SELECT 入金日 > 0 FROM 受注データ WHERE 受注No = 1")) ==
                       QLatin1String("1");
            } else {
                ASSERT_FALSE(mainroad::readList(p, 3).isEmpty()) << p.messages().texts().join('|').toStdString();
                change();
                done = !mainroad::readList(p, 3).isEmpty();
            }
            const QString said = p.messages().texts().join('|');
            if (c.named.isEmpty()) {
                EXPECT_TRUE(done) << said.toStdString();
                EXPECT_TRUE(said.isEmpty()) << said.toStdString();
            } else {
                EXPECT_FALSE(done);
                EXPECT_TRUE(said.contains(c.named)) << said.toStdString();
                EXPECT_EQ(rows(file), before);
            }
            mainroad::waitFor([&] { return p.reachable(QStringLiteral("mnuFileClose")); }); // the menus come back
            EXPECT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
        }
    }
}

// A stored text longer than any field (written by a program that ignored the rules) and a control file
// whose tax rate is NaN: each says what it is, rather than blaming another user.
TEST(HostileSchema, AValueBeyondTheFieldsAndABrokenTaxRateAreNamed) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    mainroad::sqlite(db,
                     QStringLiteral("PRAGMA ignore_check_constraints = ON; UPDATE 商品マスタ SET 商品名 = "
                                    "replace(hex(zeroblob(50000)), '0', 'x') WHERE 商品コード = 'G03'"));
    p.nextPath(db);
    p.trigger(QStringLiteral("mnuFileOpen"));
    ASSERT_EQ(p.state().gDbPath, db) << p.messages().texts().join('|').toStdString();
    p.messages().clear();
    p.trigger(QStringLiteral("mnuOrder"));
    ASSERT_TRUE(mainroad::waitFor([&] { return !p.messages().shown().empty(); }));
    EXPECT_TRUE(p.messages().texts().join('|').contains(QStringLiteral("扱える大きさ")))
        << p.messages().texts().join('|').toStdString();
    EXPECT_TRUE(mainroad::waitFor([&] { return p.work<orders::GetOrderWindow>() == nullptr; }));
    EXPECT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));

    QFile ctl(core::controlPathFor(db));
    ASSERT_TRUE(ctl.open(QIODevice::ReadOnly));
    core::ControlData data = core::decodeControl(ctl.readAll());
    ctl.close();
    data.company.TaxRate = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(ctl.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ctl.write(core::encodeControl(data));
    ctl.close();
    p.messages().clear();
    p.nextPath(db);
    EXPECT_TRUE(p.trigger(QStringLiteral("mnuFileOpen")));
    EXPECT_TRUE(p.state().gDbPath.isEmpty()) << p.state().gDbPath.toStdString() << p.state().gCompany.TaxRate;
    EXPECT_TRUE(p.messages().texts().join('|').contains(QStringLiteral("消費税率")))
        << p.messages().texts().join('|').toStdString();
}

// An import the database stops (another program holds the file alone) says so; the import file was fine.
TEST(HostileSchema, AnImportTheDatabaseStopsDoesNotBlameTheImportFile) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    const QString file = p.path(QStringLiteral("more.txt"));
    mainroad::writeCp932(file, {QStringLiteral("9\tE09\t山本次郎")});
    QProcess alone;
    alone.start(QStringLiteral("flock"), {QStringLiteral("-x"), db + QStringLiteral("-lock"),
                                          QStringLiteral("-c"), QStringLiteral("echo held; read x")});
    ASSERT_TRUE(alone.waitForReadyRead(10000));
    p.messages().clear();
    p.nextPath(file);
    p.trigger(QStringLiteral("mnuImpEmp"));
    alone.closeWriteChannel();
    alone.waitForFinished(10000);
    ASSERT_EQ(p.messages().shown().size(), 1u) << p.messages().texts().join('|').toStdString();
    EXPECT_FALSE(p.messages().shown()[0].text.contains(QStringLiteral("ファイル読み込み中")));
    EXPECT_TRUE(p.messages().shown()[0].title.contains(QStringLiteral("ＤＢを他のプログラムが使用")))
        << p.messages().shown()[0].title.toStdString();
}
