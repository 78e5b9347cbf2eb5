// Inserting goods rows through the recordset layer versus a bare prepared SQLite INSERT.
// Prints the ratio for 1,000, 10,000 and 100,000 rows.
#include "core/Schema.h"
#include "db/Recordset.h"
#include "db/Transaction.h"
#include "gen/DataGen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>

namespace {

QString freshDatabase(const QTemporaryDir& dir, const QString& name) {
    core::AppState s;
    core::InitFieldLimits(s);
    s.gDbPath = dir.filePath(name);
    core::CreateNewDatabase(s);
    core::CreateGoodsTable(s);
    return s.gDbPath;
}

double viaRecordset(const QString& path, int n) {
    db::Database d(path);
    QElapsedTimer t;
    t.start();
    db::Transaction tx(d);
    db::Recordset rs(d, core::kGoodsTable);
    for (int i = 1; i <= n; ++i) {
        rs.addNew();
        rs.setValue("商品No", i);
        rs.setValue("商品コード", benchgen::goodsCode(i));
        rs.setValue("商品名", QStringLiteral("ボールペン%1").arg(i));
        rs.setValue("個別定価", QVariant::fromValue(db::Currency::fromUnits(120)));
        rs.setValue("個別仕切値", QVariant::fromValue(db::Currency::fromUnits(96)));
        rs.setValue("個別原価", QVariant::fromValue(db::Currency::fromUnits(72)));
        rs.setValue("消費税率", 10.0);
        rs.setValue("在庫量", 100);
        rs.setValue("在庫発注点", 20);
        rs.setValue("商品カテゴリ", QStringLiteral("文具"));
        rs.update();
    }
    tx.commit();
    return double(t.nsecsElapsed()) / 1e9;
}

double bare(const QString& path, int n) {
    SQLite::Database d(path.toStdString(), SQLite::OPEN_READWRITE);
    d.exec("PRAGMA journal_mode = WAL");
    QElapsedTimer t;
    t.start();
    SQLite::Transaction tx(d);
    SQLite::Statement st(d, "INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)");
    for (int i = 1; i <= n; ++i) {
        st.bind(1, i);
        st.bind(2, benchgen::goodsCode(i).toStdString());
        st.bind(3, QStringLiteral("ボールペン%1").arg(i).toStdString());
        st.bind(4, int64_t(1200000));
        st.bind(5, int64_t(960000));
        st.bind(6, int64_t(720000));
        st.bind(7, double(10.0f));
        st.bind(8, 100);
        st.bind(9, 20);
        st.bind(10, std::string("文具"));
        st.exec();
        st.reset();
    }
    tx.commit();
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%8s %12s %12s %7s %14s\n", "rows", "recordset s", "bare s", "ratio", "recordset us/row");
    for (int n : {1000, 10000, 100000}) {
        const double r = viaRecordset(freshDatabase(dir, QStringLiteral("r%1.vrd").arg(n)), n);
        const double b = bare(freshDatabase(dir, QStringLiteral("b%1.vrd").arg(n)), n);
        std::printf("%8d %12.3f %12.3f %7.2f %14.2f\n", n, r, b, r / b, r / n * 1e6);
    }
    return 0;
}
