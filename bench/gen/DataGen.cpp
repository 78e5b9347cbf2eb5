#include "gen/DataGen.h"

#include "core/ControlFile.h"
#include "core/Schema.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "text/AnsiFile.h"

#include <QDate>
#include <random>

namespace benchgen {

namespace {

const QStringList kFamily{QStringLiteral("山田"), QStringLiteral("佐藤"), QStringLiteral("鈴木"),
                          QStringLiteral("高橋"), QStringLiteral("田中"), QStringLiteral("伊藤")};
const QStringList kGiven{QStringLiteral("太郎"), QStringLiteral("花子"), QStringLiteral("一郎"),
                         QStringLiteral("恵子"), QStringLiteral("健"), QStringLiteral("ｱｷﾗ")};
const QStringList kGoods{QStringLiteral("ボールペン"), QStringLiteral("ノート"), QStringLiteral("封筒"),
                         QStringLiteral("クリップ"), QStringLiteral("ファイル"), QStringLiteral("O'Neil ペン")};

QString pick(const QStringList& l, int i) { return l[i % l.size()]; }

// Every seventh goods is at or below its reorder point (20), so the short-stock list has rows to show.
int stockOf(int no) { return no % 7 == 0 ? no % 21 : 50 + no % 200; }

} // namespace

QString goodsCode(int i) { return QStringLiteral("G%1").arg(i, 6, 10, QLatin1Char('0')); }
QString clientCode(int i) { return QStringLiteral("C%1").arg(i, 6, 10, QLatin1Char('0')); }
QString employeeCode(int i) { return QStringLiteral("E%1").arg(i, 4, 10, QLatin1Char('0')); }

void writeGoodsImport(const QString& path, int count, const QStringList& categories, int firstNo) {
    text::AnsiWriter w(path);
    for (int i = 0; i < count; ++i) {
        const int no = firstNo + i;
        const int price = 100 + (no * 37) % 9900;
        w.writeLine(QStringList{QString::number(no), goodsCode(no), pick(kGoods, no) + QString::number(no),
                                QString::number(price), QString::number(price * 8 / 10),
                                QString::number(price * 6 / 10), QStringLiteral("10"),
                                QString::number(stockOf(no)), QStringLiteral("20"), pick(categories, no)}
                        .join(QLatin1Char('\t')));
    }
    w.close();
}

void writeClientImport(const QString& path, int count, int firstNo) {
    text::AnsiWriter w(path);
    for (int i = 0; i < count; ++i) {
        const int no = firstNo + i;
        w.writeLine(QStringList{QString::number(no), clientCode(no), pick(kFamily, no) + QStringLiteral("商店"),
                                QStringLiteral("100-0001"), QStringLiteral("東京都千代田区1-%1").arg(no),
                                QStringLiteral("03-1234-%1").arg(no % 10000, 4, 10, QLatin1Char('0')),
                                QStringLiteral("03-1234-0000"), QStringLiteral("c%1@example.jp").arg(no)}
                        .join(QLatin1Char('\t')));
    }
    w.close();
}

void writeEmployeeImport(const QString& path, int count, int firstNo) {
    text::AnsiWriter w(path);
    for (int i = 0; i < count; ++i) {
        const int no = firstNo + i;
        w.writeLine(QStringList{QString::number(no), employeeCode(no), pick(kFamily, no) + pick(kGiven, no / 3)}
                        .join(QLatin1Char('\t')));
    }
    w.close();
}

void makeDatabase(core::AppState& s, const QString& path, const DbSpec& spec) {
    core::InitFieldLimits(s);
    s.gDbPath = path;
    s.gCtlReserved1 = 1;
    s.gDbCreated = db::toOleDate(QDate(2024, 4, 1));
    s.gCompany.Web = QStringLiteral("http://");
    s.gCompany.TaxPerLine = core::kTrue;
    s.categories.gCatCount = 0;
    s.categories.CatInit();
    for (const QString& c : spec.categories) {
        s.categories.CatSet(s.categories.gCatCount + 1, c);
        ++s.categories.gCatCount;
    }
    s.categories.commitWorking();
    core::CreateNewDatabase(s);
    core::CreateCompanyTables(s, QDate(2024, 4, 1));
    core::WriteCtlFile(s);

    db::Database d(path);
    db::Transaction tx(d);
    auto money = [](qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); };
    for (int i = 1; i <= spec.goods; ++i) {
        const int price = 100 + (i * 37) % 9900;
        d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                  {i, goodsCode(i), pick(kGoods, i) + QString::number(i), money(price), money(price * 8 / 10),
                   money(price * 6 / 10), 10.0, stockOf(i), 20, pick(spec.categories, i)});
    }
    for (int i = 1; i <= spec.clients; ++i)
        d.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?,?,?,?,?,?,?,?)"),
                  {i, clientCode(i), pick(kFamily, i) + QStringLiteral("商店"), QStringLiteral("100-0001"),
                   QStringLiteral("東京都千代田区"), QStringLiteral("03-1234-5678"), QVariant(), QVariant()});
    for (int i = 1; i <= spec.employees; ++i)
        d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?,?,?)"),
                  {i, employeeCode(i), pick(kFamily, i) + pick(kGiven, i)});
    std::mt19937 rng(42);
    const QDate first(2023, 4, 1);
    int lineNo = 1;
    for (int o = 1; o <= spec.orders; ++o) {
        qint64 total = 0;
        for (int l = 0; l < spec.linesPerOrder; ++l) {
            const int g = 1 + int(rng() % unsigned(qMax(1, spec.goods)));
            const int qty = 1 + int(rng() % 9);
            const int price = 100 + (g * 37) % 9900;
            total += qint64(price) * qty;
            d.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                      {lineNo++, o, goodsCode(g), qty, money(price), money(price * 8 / 10), money(price * 6 / 10),
                       money(qint64(price) * qty), money(qint64(price) * qty / 10), QStringLiteral(" ")});
        }
        const QDate day = first.addDays(o % 700);
        const bool paid = o % 3 == 0;
        d.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                  {o, clientCode(1 + o % qMax(1, spec.clients)), employeeCode(1 + o % qMax(1, spec.employees)),
                   money(total), money(total * 8 / 10), money(total * 6 / 10), money(total), money(total / 10),
                   money(500), day, paid ? QVariant(day.addDays(30)) : QVariant(0.0),
                   o % 17 == 0 ? QStringLiteral("X") : QStringLiteral(" ")});
    }
    tx.commit();
}

} // namespace benchgen
