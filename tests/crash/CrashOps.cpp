#include "CrashOps.h"

#include "core/AppState.h"
#include "core/ControlFile.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/SideFiles.h"
#include "db/Transaction.h"
#include "masters/MasterImport.h"
#include "orders/OrderStatusStore.h"
#include "orders/OrderStore.h"
#include "orders/StockStore.h"
#include "replica/OrderReset.h"
#include "shell/DbFiles.h"
#include "text/Cp932.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

namespace crash {

namespace {

using core::AppState;

constexpr int kGoods = kCompanyGoods;
constexpr qint64 kStartStock = kCompanyStartStock;
constexpr int kLinesPerOrder = 10;

QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }
QString dbIn(const QString& folder, const char* name = "a.vrd") { return folder + QLatin1Char('/') + QLatin1String(name); }

qint64 scalar(db::Database& d, const QString& sql) { return d.scalar(sql).toLongLong(); }

QString companyOf(const QString& dbPath) {
    QFile f(core::controlPathFor(dbPath));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<no control file>");
    try {
        return core::decodeControl(f.readAll()).company.CompanyName;
    } catch (const core::ControlFileError&) {
        return QStringLiteral("<damaged control file>");
    }
}

// ---- order save: lines, stock and the order row together
void prepareOrders(const QString& f) { makeCompany(dbIn(f), QStringLiteral("会社"), QStringLiteral("甲"), 0); }
void runOrders(const QString& f) {
    db::Database d(dbIn(f));
    orders::OrderStore store(d);
    for (int i = 0; i < 60; ++i) {
        orders::OrderToSave o;
        o.orderNo = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 6, 1));
        o.clientCode = QStringLiteral("C1");
        o.employeeCode = QStringLiteral("E1");
        o.date = QDate(2024, 6, 1);
        for (int k = 0; k < kLinesPerOrder; ++k) {
            orders::OrderLineToSave l;
            l.goodsCode = QStringLiteral("G%1").arg((i + k) % kGoods + 1);
            l.qty = k + 1;
            l.salePrice = db::Currency::fromUnits(100 * (k + 1));
            o.lines.push_back(l);
            o.totals.sale += l.salePrice;
        }
        store.saveOrder(o);
    }
}
QString checkOrders(const QString& f) {
    db::Database d(dbIn(f));
    const qint64 stock = scalar(d, QStringLiteral("SELECT sum(在庫量) FROM 商品マスタ WHERE 商品No > 0"));
    const qint64 sold = scalar(d, QStringLiteral("SELECT coalesce(sum(個数), 0) FROM 受注個別データ WHERE 受注No > 0"));
    if (stock + sold != kGoods * kStartStock)
        return QStringLiteral("stock %1 + sold %2 is not the starting stock").arg(stock).arg(sold);
    const qint64 bad = scalar(d, QStringLiteral(
        "SELECT count(*) FROM 受注データ o WHERE o.受注No > 0 AND (SELECT count(*) FROM 受注個別データ l "
        "WHERE l.受注No = o.受注No) <> CASE WHEN o.販売金額 > 0 THEN 10 ELSE 0 END"));
    const qint64 orphans = scalar(d, QStringLiteral("SELECT count(*) FROM 受注個別データ l WHERE l.受注No > 0 AND NOT "
                                                    "EXISTS (SELECT 1 FROM 受注データ o WHERE o.受注No = l.受注No)"));
    if (bad || orphans)
        return QStringLiteral("%1 orders with a wrong number of lines, %2 lines without an order").arg(bad).arg(orphans);
    return {};
}

// ---- cancel and restore: an order and all its lines carry one mark
void prepareMarks(const QString& f) { makeCompany(dbIn(f), QStringLiteral("会社"), QStringLiteral("甲"), 300); }
void runCancel(const QString& f) {
    orders::OrderStatusStore store(dbIn(f));
    std::map<int, QString> shown; // what the cancellation list would show
    for (int i = 0; i < 600; ++i) {
        const int no = 1 + (i * 7) % 300;
        const auto it = shown.try_emplace(no, orders::kActiveMark).first;
        it->second = store.toggleCancel(no, it->second).mark;
    }
}
QString checkCancel(const QString& f) {
    db::Database d(dbIn(f));
    const qint64 mixed = scalar(d, QStringLiteral(
        "SELECT count(*) FROM 受注個別データ l JOIN 受注データ o ON o.受注No = l.受注No WHERE o.キャンセル <> l.キャンセル"));
    const qint64 lines = scalar(d, QStringLiteral("SELECT count(*) FROM 受注個別データ"));
    if (mixed || lines != 300 * 5 + 1)
        return QStringLiteral("%1 lines with another mark than their order, %2 lines").arg(mixed).arg(lines);
    return {};
}

// ---- payment dates: each order unpaid or paid on the day the run gives it
void runPayment(const QString& f) {
    orders::OrderStatusStore store(dbIn(f));
    for (int round = 0; round < 3; ++round)
        for (int o = 1; o <= 300; ++o) {
            const double shown = store.database()
                                     .scalar(QStringLiteral("SELECT COALESCE(入金日, 0) FROM 受注データ WHERE 受注No = ?"), {o})
                                     .toDouble();
            store.setPaidDate(o, round % 2 == 0 ? 45000.0 + o : 0.0, shown);
        }
}
QString checkPayment(const QString& f) {
    db::Database d(dbIn(f));
    const qint64 wrong = scalar(d, QStringLiteral("SELECT count(*) FROM 受注データ WHERE 受注No > 0 AND "
                                                  "入金日 <> 0 AND 入金日 <> 45000 + 受注No"));
    const qint64 count = scalar(d, QStringLiteral("SELECT count(*) FROM 受注データ"));
    if (wrong || count != 301)
        return QStringLiteral("%1 orders with a payment date nobody set, %2 orders").arg(wrong).arg(count);
    return {};
}

// ---- stock update: every round changes every goods, so all counts move together
void prepareStock(const QString& f) { makeCompany(dbIn(f), QStringLiteral("会社"), QStringLiteral("甲"), 0); }
void runStock(const QString& f) {
    orders::StockStore store(dbIn(f));
    for (int round = 0; round < 40; ++round) {
        std::vector<orders::StockChange> changes;
        for (const orders::StockGoods& g : store.listGoods(false, QStringLiteral("XXXXXXXXXX")))
            changes.push_back({g.code, g.stock, g.stock + 1});
        store.saveCounts(changes);
    }
}
QString checkStock(const QString& f) {
    db::Database d(dbIn(f));
    const qint64 values = scalar(d, QStringLiteral("SELECT count(DISTINCT 在庫量) FROM 商品マスタ WHERE 商品No > 0"));
    if (values != 1)
        return QStringLiteral("the goods hold %1 different counts after rounds that change them all").arg(values);
    return {};
}

// ---- import: the rows stored are a front part of the file, each one whole
constexpr int kImportLines = 6000;
QString importedName(int i) { return QStringLiteral("輸入顧客%1号").arg(i); }
void prepareImport(const QString& f) {
    makeCompany(dbIn(f), QStringLiteral("会社"), QStringLiteral("甲"), 0);
    QString text;
    for (int i = 1; i <= kImportLines; ++i)
        text += QStringLiteral("%1\tK%1\t%2\t100-0001\t東京都\t03-0000-0000\t\t\r\n").arg(i + 100).arg(importedName(i));
    QFile out(f + QStringLiteral("/clients.txt"));
    out.open(QIODevice::WriteOnly);
    out.write(text::toCp932(text));
}
void runImport(const QString& f) {
    AppState s;
    core::InitFieldLimits(s);
    s.gDbPath = dbIn(f);
    masters::importMasterFile(s, masters::ImportKind::Clients, f + QStringLiteral("/clients.txt"));
}
QString checkImport(const QString& f) {
    db::Database d(dbIn(f));
    db::Query q = d.query(QStringLiteral("SELECT 顧客No, 顧客コード, 顧客名, 住所 FROM 顧客マスタ WHERE 顧客No > 100 ORDER BY 顧客No"));
    int expected = 1;
    while (q.next()) {
        if (q.toInt64(0) != expected + 100 || q.toText(1) != QStringLiteral("K%1").arg(expected + 100) ||
            q.toText(2) != importedName(expected) || q.toText(3) != QStringLiteral("東京都"))
            return QStringLiteral("imported row %1 is not line %1 of the file").arg(expected);
        ++expected;
    }
    return {};
}

// ---- New over an existing pair: old pair, new pair or no database, never a mix
void prepareNew(const QString& f) { makeCompany(dbIn(f), QStringLiteral("旧会社"), QStringLiteral("旧"), 500, 10); }
void runNew(const QString& f) {
    AppState s;
    core::InitFieldLimits(s);
    shell::NewDatabaseSettings n;
    n.company.CompanyName = QStringLiteral("新会社");
    n.company.Password = QStringLiteral("pw");
    n.fieldLen[core::kLenGoodsCode] = 8;
    if (!shell::createDatabase(s, n, dbIn(f)))
        throw std::runtime_error("New failed");
}
QString checkNew(const QString& f) {
    if (!QFileInfo::exists(dbIn(f)))
        return shell::databaseFileProblem(dbIn(f)).isEmpty() ? QStringLiteral("no database, but the opener takes it") : QString();
    const QString company = companyOf(dbIn(f));
    db::Database d(dbIn(f));
    const QString seed = d.scalar(QStringLiteral("SELECT 商品コード FROM 商品マスタ WHERE 商品No = 0")).toString();
    const qint64 orders = scalar(d, QStringLiteral("SELECT count(*) FROM 受注データ"));
    if (company == QStringLiteral("旧会社") && seed.size() == 10 && orders == 501)
        return {};
    if (company == QStringLiteral("新会社") && seed.size() == 8 && orders == 1)
        return {};
    return QStringLiteral("control file of %1 with a database of %2 orders and seed code %3")
        .arg(company)
        .arg(orders)
        .arg(seed);
}

// ---- replica reset: masters kept, and all the orders or only the seed rows
void prepareReset(const QString& f) { makeCompany(dbIn(f), QStringLiteral("会社"), QStringLiteral("甲"), 3000); }
void runReset(const QString& f) {
    const replica::RunResult r = replica::clearOrderData(dbIn(f));
    if (!r.ok())
        throw std::runtime_error(r.message.toStdString());
}
QString checkOrdersAllOrSeed(db::Database& d, int all) {
    const qint64 o = scalar(d, QStringLiteral("SELECT count(*) FROM 受注データ"));
    const qint64 l = scalar(d, QStringLiteral("SELECT count(*) FROM 受注個別データ"));
    const qint64 masters = scalar(d, QStringLiteral("SELECT (SELECT count(*) FROM 商品マスタ) + (SELECT count(*) FROM "
                                                    "顧客マスタ) + (SELECT count(*) FROM 社員マスタ)"));
    if (masters != 3 * (kGoods + 1))
        return QStringLiteral("%1 master rows").arg(masters);
    if ((o == all + 1 && l == all * 5 + 1) || (o == 1 && l == 1))
        return {};
    return QStringLiteral("%1 orders and %2 lines").arg(o).arg(l);
}
QString checkReset(const QString& f) {
    db::Database d(dbIn(f));
    return checkOrdersAllOrSeed(d, 3000);
}

// ---- replica copy onto an existing pair: the target's old pair, the reset copy, or no database
void prepareCopy(const QString& f) {
    makeCompany(dbIn(f, "source.vrd"), QStringLiteral("元会社"), QStringLiteral("元"), 3000);
    makeCompany(dbIn(f, "target.vrd"), QStringLiteral("先会社"), QStringLiteral("先"), 200);
}
void runCopy(const QString& f) {
    const replica::RunResult r = replica::copyAndClear(dbIn(f, "source.vrd"), dbIn(f, "target.vrd"));
    if (!r.ok())
        throw std::runtime_error(r.message.toStdString());
}
QString checkCopy(const QString& f) {
    {
        db::Database source(dbIn(f, "source.vrd"));
        if (const QString e = checkOrdersAllOrSeed(source, 3000); !e.isEmpty() ||
            scalar(source, QStringLiteral("SELECT count(*) FROM 受注データ")) != 3001)
            return QStringLiteral("the source changed: ") + e;
    }
    const QString target = dbIn(f, "target.vrd");
    if (!QFileInfo::exists(target))
        return shell::databaseFileProblem(target).isEmpty() ? QStringLiteral("no target, but the opener takes it") : QString();
    const QString company = companyOf(target);
    db::Database d(target);
    const QString client = d.scalar(QStringLiteral("SELECT 顧客名 FROM 顧客マスタ WHERE 顧客No = 1")).toString();
    const qint64 orders = scalar(d, QStringLiteral("SELECT count(*) FROM 受注データ"));
    if (company == QStringLiteral("先会社") && client.startsWith(QStringLiteral("先")) && orders == 201)
        return checkOrdersAllOrSeed(d, 200);
    if (company == QStringLiteral("元会社") && client.startsWith(QStringLiteral("元")) && orders == 1)
        return checkOrdersAllOrSeed(d, 3000);
    return QStringLiteral("control file of %1 with the clients of %2 and %3 orders").arg(company, client).arg(orders);
}

} // namespace

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"order_save", prepareOrders, runOrders, checkOrders, false},
        {"cancel_restore", prepareMarks, runCancel, checkCancel, false},
        {"payment", prepareMarks, runPayment, checkPayment, false},
        {"stock_update", prepareStock, runStock, checkStock, false},
        {"import", prepareImport, runImport, checkImport, false},
        {"new_database", prepareNew, runNew, checkNew, true},
        {"replica_reset", prepareReset, runReset, checkReset, true},
        {"replica_copy", prepareCopy, runCopy, checkCopy, true},
    };
    return ops;
}

const Operation* findOperation(const QString& name) {
    for (const Operation& op : operations())
        if (name == QLatin1String(op.name))
            return &op;
    return nullptr;
}

QString checkFolder(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.vrd")}, QDir::Files)) {
        db::Database d(dir.filePath(name));
        const QString result = d.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (result != QStringLiteral("ok"))
            return name + QStringLiteral(": ") + result;
    }
    // What the next open or reset of each pair removes.
    for (const QString& name : dir.entryList({QStringLiteral("*.vrd"), QStringLiteral("*.vrk")}, QDir::Files))
        db::removeStaleTemps(dir.filePath(name));
    // "varnox-probe": the replica's folder check, which clears its own leftovers first.
    for (const char* name : {"a.vrd", "a.vrk", "target.vrd", "target.vrk", "varnox-probe"})
        db::removeStaleTemps(dir.filePath(QLatin1String(name)));
    const QStringList left = dir.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    if (!left.isEmpty())
        return QStringLiteral("left beside the files: ") + left.join(QLatin1Char(' '));
    return {};
}

// A company pair with masters (names tagged so two pairs tell apart) and `orders` orders.
void makeCompany(const QString& path, const QString& company, const QString& tag, int orders, int goodsCodeLen) {
    AppState s;
    core::InitFieldLimits(s);
    s.gFieldLen[core::kLenGoodsCode] = goodsCodeLen;
    s.rebuildReservedCodes();
    s.gDbPath = path;
    s.gCompany.CompanyName = company;
    s.gCtlReserved1 = 1;
    core::CreateNewDatabase(s);
    core::CreateCompanyTables(s, QDate(2024, 4, 1));
    if (!core::WriteCtlFile(s))
        throw std::runtime_error("control file");
    db::Database d(path);
    db::Transaction tx(d);
    for (int i = 1; i <= kCompanyGoods; ++i) {
        d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                  {i, QStringLiteral("G%1").arg(i), tag + QStringLiteral("商品%1").arg(i), money(100), money(80), money(60),
                   10.0, kCompanyStartStock, 20, QStringLiteral("文具")});
        d.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?,?,?,?,?,?,?,?)"),
                  {i, QStringLiteral("C%1").arg(i), tag + QStringLiteral("顧客%1").arg(i), QStringLiteral("100-0001"),
                   QStringLiteral("東京都千代田区"), QStringLiteral("03-1234-5678"), QVariant(), QVariant()});
        d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?,?,?)"),
                  {i, QStringLiteral("E%1").arg(i), tag + QStringLiteral("社員%1").arg(i)});
    }
    for (int o = 1; o <= orders; ++o) {
        d.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                  {o, QStringLiteral("C1"), QStringLiteral("E1"), money(500), money(400), money(300), money(500),
                   money(50), money(0), QDate(2024, 5, 1), 0.0, QStringLiteral(" ")});
        for (int l = 0; l < 5; ++l)
            d.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                      {o * 5 + l, o, QStringLiteral("G1"), 1, money(100), money(80), money(60), money(100), money(10),
                       QStringLiteral(" ")});
    }
    tx.commit();
}

} // namespace crash
