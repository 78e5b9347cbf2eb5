// Company files that another SQLite program changed: a trigger, a view, a virtual table, a generated column,
// an index more or less, a rule or a type of its own. Varnox (ＤＢオープン, the command line) and
// VarnoxReplica (a copy, a clear in place) refuse each one naming the object and leave the file byte for
// byte; a file whose CREATE texts differ only in layout opens.
#include "support/MainRoad.h"
#include "support/ReplicaRoad.h"

#include "core/ControlFile.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentWindow.h"
#include "orders/StockChooser.h"
#include "orders/StockUpdateWindow.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>
#include <limits>

using mainroad::Program;
using mainroad::Way;
using enum mainroad::Way;
using mainroad::giveFile;
using mainroad::kWays;

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
    int n = 0;
    for (const Hostile& h : hostileFiles()) {
        for (Way way : kWays) {
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
            giveFile(p, way, file, target);
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

namespace {

// An index that leads key a to b's row and b to a's, as a disk fault can leave it: the keys change places
// (the index with them), then change back while the index names another column, then its own again.
struct KeyDamage {
    const char* table;
    const char* field;
    const char* other; // a column the swap leaves alone
    const char* a;     // SQL literals
    const char* b;
    const char* spare; // a key no row holds
    bool lack = false; // instead: the index holds no entry for a's rows
};

void swapUnderIndex(const QString& file, const KeyDamage& k) {
    std::string index, sql;
    const auto setSql = [&](const std::string& text) {
        SQLite::Database d(file.toStdString(), SQLite::OPEN_READWRITE);
        d.exec("PRAGMA writable_schema = ON");
        SQLite::Statement st(d, "UPDATE sqlite_master SET sql = ? WHERE name = ?");
        st.bind(1, text);
        st.bind(2, index);
        st.exec();
    };
    {
        SQLite::Database d(file.toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement q(
            d, "SELECT il.name, m.sql FROM pragma_index_list(?1) AS il, pragma_index_info(il.name) "
               "AS ii, sqlite_master AS m WHERE (il.\"unique\" OR ?3) AND ii.name = ?2 AND m.name = il.name");
        q.bind(1, k.table);
        q.bind(2, k.field);
        q.bind(3, k.lack);
        ASSERT_TRUE(q.executeStep());
        index = q.getColumn(0).getString();
        sql = q.getColumn(1).getString();
    }
    if (k.lack) { // made again as an index of the other rows only, then named as before
        setSql(sql + " WHERE \"" + k.field + "\" <> " + k.a);
        SQLite::Database(file.toStdString(), SQLite::OPEN_READWRITE).exec("REINDEX \"" + index + "\"");
        return setSql(sql);
    }
    const auto swapKeys = [&](bool throughIndex) {
        SQLite::Database d(file.toStdString(), SQLite::OPEN_READWRITE);
        const std::string set = "UPDATE \"" + std::string(k.table) + "\" SET \"" + k.field + "\" = ";
        const std::string where = " WHERE \"" + std::string(k.field) + "\" = ";
        if (throughIndex) { // one at a time, as the unique index allows
            d.exec(set + k.spare + where + k.a);
            d.exec(set + k.a + where + k.b);
            d.exec(set + k.b + where + k.spare);
        } else {
            d.exec(set + "CASE \"" + k.field + "\" WHEN " + k.a + " THEN " + k.b + " ELSE " + k.a +
                   " END WHERE \"" + k.field + "\" IN (" + k.a + ", " + k.b + ")");
        }
    };
    swapKeys(true);
    std::string elsewhere = sql;
    const std::string column = "(\"" + std::string(k.field) + "\")";
    elsewhere.replace(elsewhere.rfind(column), column.size(), "(\"" + std::string(k.other) + "\")");
    setSql(elsewhere);
    swapKeys(false);
    setSql(sql);
}

// The row that holds the key, as the table holds it (the damaged index would answer for another row).
QString rowOf(const QString& db, const KeyDamage& k, const char* key) {
    return mainroad::sqlite(
        db, QStringLiteral("SELECT * FROM \"%1\" NOT INDEXED WHERE \"%2\" = %3")
                .arg(QString::fromUtf8(k.table), QString::fromUtf8(k.field), QString::fromUtf8(key)));
}

QString allRows(const QString& db) {
    return mainroad::sqlite(
        db, QStringLiteral("SELECT * FROM 商品マスタ; SELECT * FROM 顧客マスタ; SELECT * FROM 社員マスタ; "
                           "SELECT * FROM 受注データ; SELECT * FROM 受注個別データ"));
}

// In the maintenance window of the menu item, the row whose key column shows key: the field's cell typed
// over and 更新, or (no field) the row deleted.
void editInGrid(Program& p, const char* item, const QString& key, const QString& field = {},
                const QString& typed = {}) {
    ASSERT_TRUE(p.trigger(QString::fromLatin1(item)));
    masters::MasterWindow* w = nullptr;
    ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }));
    masters::MasterTableModel* m = w->model();
    int col = 0;
    for (int c = 0; c < m->columnCount(); ++c)
        col = m->headerData(c, Qt::Horizontal).toString() == field ? c : col;
    int row = 0;
    while (row < m->recordCount() && m->index(row, w->spec().keyColumn).data().toString() != key)
        ++row;
    ASSERT_LT(row, m->recordCount());
    if (field.isEmpty()) {
        w->grid()->setCurrentIndex(m->index(row, col));
        w->cmdDelete_Click();
    } else {
        ASSERT_TRUE(mainroad::pasteIntoCell(w->grid(), m->index(row, col), typed));
        w->cmdUpdate_Click();
    }
    w->cmdClose_Click();
    ASSERT_TRUE(mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; }));
}

void countStock(Program& p, const QString& code, const QString& count) {
    mainroad::onNextModalOf<orders::StockChooser>(
        [](orders::StockChooser& c) { c.cmd[1]->click(); }); // all goods
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuStockUp")));
    orders::StockUpdateWindow* w = nullptr;
    ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<orders::StockUpdateWindow>()) != nullptr; }));
    p.waitLaidOut();
    QTableWidget* t = w->grid()->table();
    int row = 1;
    while (row <= t->rowCount() && w->grid()->textAt(row, 0).trimmed() != code)
        ++row;
    ASSERT_LE(row, t->rowCount());
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(row - 1, 6)).center());
    QLineEdit* e = w->grid()->editor();
    e->selectAll();
    QTest::keyClicks(e, count);
    QTest::keyClick(e, Qt::Key_Down);
    w->okButton()->click();
    w->endButton()->click();
    ASSERT_TRUE(mainroad::waitFor([&] { return p.work<orders::StockUpdateWindow>() == nullptr; }));
}

} // namespace

// A file whose index leads one key to another's row (integrity_check: "row N missing from index"): each
// write that finds its row by that key is refused as a damaged file, naming the cure, and no row changes.
// After the cure (REINDEX with the sqlite3 tool) the same write lands on its own row.
TEST(HostileSchema, AnIndexLeadingAKeyToAnotherRowRefusesTheWriteUntilReindexed) {
    Program p;
    const QString base = p.openShopWithOrders(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << p.messages().texts().join('|').toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    const KeyDamage orderNo{"受注データ", "受注No", "顧客コード", "1", "2", "-1"};
    const KeyDamage goodsCode{"商品マスタ", "商品コード", "商品名", "'G01'", "'G05'", "'G~'"};
    const KeyDamage linesLack{"受注個別データ", "受注No", "", "1", "1", "", true};
    const KeyDamage goodsLack{"商品マスタ", "商品コード", "", "'G01'", "'G01'", "", true};
    const QString imported = p.path(QStringLiteral("goods.txt"));
    mainroad::writeCp932(imported, {QStringLiteral("0\tG20\t新茶\t1000\t800\t600\t8\t10\t5\t食品"),
                                    QStringLiteral("0\tG01\t緑茶\t1200\t900\t700\t8\t40\t10\t食品")});
    const struct {
        const char* what;
        const KeyDamage& damage;
        std::function<void()> write;
        const char* landed; // "1" from the table once the write is stored where it belongs
        QString curedSays;  // what the write says once cured, besides nothing
    } cases[] = {
        {"payment",
         orderNo,
         [&] { p.payOrder(1, QDate(2024, 7, 1)); },
         "SELECT 入金日 > 0 FROM 受注データ NOT INDEXED WHERE 受注No = 1",
         {}},
        {"cancel",
         orderNo,
         [&] { p.toggleCancel(1); },
         "SELECT キャンセル = 'X' FROM 受注データ NOT INDEXED WHERE 受注No = 1",
         {}},
        {"order edit",
         orderNo,
         [&] {
             editInGrid(p, "mnuManRecG", QStringLiteral("1"), QStringLiteral("社員コード"),
                        QStringLiteral("E02"));
         },
         "SELECT 社員コード = 'E02' FROM 受注データ NOT INDEXED WHERE 受注No = 1",
         {}},
        {"order",
         goodsCode,
         [&] {
             p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}});
         },
         "SELECT 在庫量 = 36 FROM 商品マスタ NOT INDEXED WHERE 商品コード = 'G01'",
         {}},
        {"stock",
         goodsCode,
         [&] { countStock(p, QStringLiteral("G01"), QStringLiteral("55")); },
         "SELECT 在庫量 = 55 FROM 商品マスタ NOT INDEXED WHERE 商品コード = 'G01'",
         {}},
        {"goods edit",
         goodsCode,
         [&] {
             editInGrid(p, "mnuManComm", QStringLiteral("G01"), QStringLiteral("商品名"),
                        QStringLiteral("抹茶"));
         },
         "SELECT 商品名 = '抹茶' FROM 商品マスタ NOT INDEXED WHERE 商品コード = 'G01'",
         {}},
        {"goods delete",
         goodsCode,
         [&] { editInGrid(p, "mnuManComm", QStringLiteral("G01")); },
         "SELECT count(*) = 0 FROM 商品マスタ NOT INDEXED WHERE 商品コード = 'G01'",
         {}},
        {"cancel, lines lacking",
         linesLack,
         [&] { p.toggleCancel(1); },
         "SELECT min(キャンセル = 'X') FROM 受注個別データ NOT INDEXED WHERE 受注No = 1",
         {}},
        {"order, goods lacking",
         goodsLack,
         [&] {
             p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}});
         },
         "SELECT 在庫量 = 36 FROM 商品マスタ NOT INDEXED WHERE 商品コード = 'G01'",
         {}},
        {"import", goodsCode,
         [&] {
             p.nextPath(imported);
             p.trigger(QStringLiteral("mnuImpComm"));
         },
         "SELECT count(*) FROM 商品マスタ NOT INDEXED WHERE 商品コード = 'G20'",
         QStringLiteral("エラーデータ=　0\tG01")},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = p.path(QStringLiteral("k%1.vrd").arg(++n));
        QFile::copy(base, file);
        QFile::copy(core::controlPathFor(base), core::controlPathFor(file));
        swapUnderIndex(file, c.damage);
        ASSERT_TRUE(mainroad::sqlite(file, QStringLiteral("PRAGMA integrity_check"))
                        .contains(QStringLiteral("missing from index")));
        const QString partner = rowOf(file, c.damage, c.damage.b);
        for (bool cured : {false, true}) {
            SCOPED_TRACE(cured ? "cured" : "damaged");
            if (cured) {
                ASSERT_EQ(mainroad::sqlite(file, QStringLiteral("REINDEX; PRAGMA integrity_check")),
                          QStringLiteral("ok"));
            }
            const QString before = allRows(file);
            p.nextPath(file);
            p.trigger(QStringLiteral("mnuFileOpen"));
            ASSERT_EQ(p.state().gDbPath, file) << p.messages().texts().join('|').toStdString();
            p.messages().clear();
            c.write();
            const QString said = p.messages().texts().join('|');
            if (!cured) {
                EXPECT_TRUE(said.contains(QStringLiteral("索引が中身と合いません")) &&
                            said.contains(QStringLiteral("REINDEX")))
                    << said.toStdString();
                EXPECT_EQ(allRows(file), before);
            } else {
                EXPECT_TRUE(c.curedSays.isEmpty() ? said.isEmpty() : said.startsWith(c.curedSays))
                    << said.toStdString();
                EXPECT_EQ(mainroad::sqlite(file, QString::fromUtf8(c.landed)), QStringLiteral("1"));
                EXPECT_TRUE(c.damage.lack || rowOf(file, c.damage, c.damage.b) == partner);
            }
            mainroad::waitFor([&] { return p.reachable(QStringLiteral("mnuFileClose")); });
            EXPECT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
        }
    }
}
