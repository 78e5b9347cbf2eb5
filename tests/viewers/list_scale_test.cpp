// The list builds against the plain way of doing them on generated data, and their memory at a size
// where a second copy of the list would show.
#include "ListReference.h"
#include "ViewersTestDb.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "text/Cp932.h"
#include "viewers/Export.h"
#include "viewers/ListMembers.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <malloc.h>
#include <random>

using namespace viewers;
using viewerstest::ole;

namespace {

QVariant raw(qint64 tenThousandths) { return QVariant::fromValue(db::Currency::fromRaw(tenThousandths)); }

// Orders over three years with the cases the lists treat apart: paid, unpaid and Null payment dates,
// cancel marks "X", "x", " " and Null, times of day, unknown client and goods codes, orders without
// lines, lines of missing orders, line numbers out of order, fractions, negative amounts, long names.
void fill(const QString& path, int orders, unsigned seed) {
    viewerstest::Filler f(path);
    db::Database& d = f.db();
    db::Transaction tx(d);
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const QStringList names{QStringLiteral("鉛筆"), QStringLiteral("ﾎﾞｰﾙﾍﾟﾝ"), QStringLiteral("O'Neil \"ペン\""),
                            QStringLiteral("とても長い名前の付いた事務用品セット大箱入り特価品"), QStringLiteral("A4紙")};
    const int goods = 40, clients = 25, employees = 6;
    for (int i = 1; i <= goods; ++i)
        d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                  {i, QStringLiteral("G%1").arg(i, 3, 10, QLatin1Char('0')), names[i % names.size()] + QString::number(i),
                   raw(1000000 + i * 12345), raw(800000 + i * 5), raw(-50000 * (i % 3)), db::toSingle(i % 4 ? 10 : 8.5),
                   pick(60) - 10, pick(40), QStringLiteral("文具")});
    for (int i = 1; i <= clients; ++i)
        d.execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?,?,?,?,?,?,?,?)"),
                  {i, QStringLiteral("C%1").arg(i, 3, 10, QLatin1Char('0')), names[(i + 2) % names.size()] + QStringLiteral("商店"),
                   QStringLiteral("100-0001"), QStringLiteral("東京都千代田区%1").arg(i), QStringLiteral("03-1111"),
                   i % 3 ? QVariant(QStringLiteral("03-2222")) : QVariant(), i % 4 ? QVariant() : QVariant(QStringLiteral("a@b.jp"))});
    for (int i = 1; i <= employees; ++i)
        d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?,?,?)"),
                  {i, QStringLiteral("E%1").arg(i, 2, 10, QLatin1Char('0')), names[i % names.size()].left(20)});
    std::vector<int> lineNos;
    for (int i = 0; i < orders * 3; ++i)
        lineNos.push_back(i + 1);
    std::shuffle(lineNos.begin(), lineNos.end(), rng);
    size_t next = 0;
    const QVariant cancels[] = {QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("X"),
                                QStringLiteral("x"), QVariant()};
    for (int o = 1; o <= orders; ++o) {
        const double date = ole(2022 + pick(3), 1 + pick(12), 1 + pick(28)) + (pick(5) == 0 ? 0.375 : 0.0);
        const int paid = pick(6);
        const QVariant paidOn = paid < 3 ? QVariant(0.0) : paid < 5 ? QVariant(date + 20) : QVariant();
        const QString client = pick(8) == 0 ? QStringLiteral("C999") : QStringLiteral("C%1").arg(1 + pick(clients), 3, 10, QLatin1Char('0'));
        const qint64 sale = pick(10) == 0 ? 0 : qint64(pick(2000000)) * 5 - 500000;
        d.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                  {o, client, QStringLiteral("E%1").arg(1 + pick(employees), 2, 10, QLatin1Char('0')), raw(sale * 2),
                   raw(sale), raw(sale / 2), raw(sale), raw(sale / 10), raw(pick(3) * 5000000), date, paidOn,
                   cancels[pick(6)]});
        const int lines = pick(6); // 0 to 5, three on average
        for (int l = 0; l < lines && next < lineNos.size(); ++l) {
            const int order = pick(40) == 0 ? orders + 100 + o : o;
            const QString g = pick(10) == 0 ? QStringLiteral("G999") : QStringLiteral("G%1").arg(1 + pick(goods), 3, 10, QLatin1Char('0'));
            const QVariant cancel = l == 1 ? QVariant(QStringLiteral("X")) : QVariant(QStringLiteral(" "));
            d.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                      {lineNos[next++], order, g, pick(20) - 2, raw(123450), raw(100000), raw(99999), raw(150000),
                       raw(15000), cancel});
        }
    }
    tx.commit();
}

struct Case {
    const char* window;
    int year = 0, month = 0;
    const char* code = "";
    int scope = 1, orderNo = 0;
    bool taxPerLine = true;
};

const Case kCases[] = {
    {"frmVComm"}, {"frmVCli"}, {"frmVEmp"}, {"frmVRecG"}, {"frmVRecD"}, {"frmVLack"},
    {"frmVInv", 0, 0, "", 0}, {"frmVInv", 0, 0, "", 1}, {"frmVInv", 0, 0, "", 1, 0, false},
    {"frmVInv", 0, 0, "", 2, 17}, {"frmVInv", 0, 0, "", 2, 99999},
    {"frmVInfA"}, {"frmVInfA", 2023}, {"frmVInfA", 2023, 5}, {"frmVInfA", 2030},
    {"frmVCncl"}, {"frmVCncl", 2024, 2},
    {"frmVInfM"}, {"frmVInfM", 0, 0, "G005"}, {"frmVInfM", 2022, 0, "G012"}, {"frmVInfM", 0, 0, "G999"},
    {"frmVInfC"}, {"frmVInfC", 0, 0, "C003"}, {"frmVInfC", 2023, 0, "C999"},
    {"frmVInfS"}, {"frmVInfS", 2024, 0, "E02"},
    {"frmVGetD"}, {"frmVGetD", 2023, 0}, {"frmVGetY"}, {"frmVGetY", 2022, 3},
};

using testenv::residentKb;

// Resets the peak of resident memory; false where the system does not offer the reset.
bool resetPeak() {
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}
// Growth of the peak over the resident memory before, in MiB, while f runs.
template <class F> double peakGrowthMb(F f) {
    const long before = residentKb("VmRSS:");
    f();
    return double(residentKb("VmHWM:") - before) / 1024;
}

class ListScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewerstest::makeDb(s, dir.path(QStringLiteral("shop.vrd")));
        reports::reportState(s).today = [] { return QDate(2025, 1, 15); };
        // The invoice footer shows these on every invoice.
        s.gCompany.CompanyName = QStringLiteral("有限会社ヴァルノ商事");
        s.gCompany.ZipCode = QStringLiteral("100-0001");
        s.gCompany.Address1 = QStringLiteral("東京都千代田区千代田1-1");
        s.gCompany.Tel = QStringLiteral("03-0000-0000");
        s.gCompany.Mail = QStringLiteral("info@example.jp");
    }
    void set(const Case& c) {
        const int kind = listMember(QString::fromLatin1(c.window))->kind;
        s.gViewCondYear[size_t(kind)] = std::int16_t(c.year);
        s.gViewCondMonth[size_t(kind)] = std::int16_t(c.month);
        s.gViewCondCode[size_t(kind)] = QString::fromUtf8(c.code);
        s.gInvViewScope = c.scope;
        s.gInvViewOrderNo = c.orderNo;
        s.gCompany.TaxPerLine = c.taxPerLine ? core::kTrue : core::kFalse;
    }

    testenv::TempFolder dir;
    core::AppState s;
};

} // namespace

TEST_F(ListScaleTest, EveryListGivesTheTextAndTabFileOfThePlainWay) {
    for (unsigned seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        viewerstest::makeDb(s, dir.path(QStringLiteral("shop%1.vrd").arg(seed)));
        fill(s.gDbPath, 300, seed);
        const QString file = dir.path(QStringLiteral("tab.txt"));
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(c.window) + " " + std::to_string(c.year) + "/" + std::to_string(c.month) + " " +
                         c.code + " scope " + std::to_string(c.scope));
            set(c);
            const ListMember& m = *listMember(QString::fromLatin1(c.window));
            const listref::Result want = listref::reference(s, m.window);
            const BuildResult got = buildList(m, s);
            EXPECT_EQ(got.text, want.text);
            EXPECT_EQ(got.found, want.found);
            EXPECT_EQ(got.count, want.count);
            EXPECT_EQ(tabFileText(m, s), want.tab);
            writeTabFile(m, s, file);
            EXPECT_EQ(viewerstest::readBytes(file), text::toCp932(want.tab));
        }
    }
}

// 12,000 orders with about 30,000 lines: the tab files run to megabytes, the lists to tens of them.
// Every order is either paid or unpaid, whatever its payment date holds (a date, 0, or Null where the
// order grid's cell was cleared): the two payment lists together hold the order list, in every period.
TEST_F(ListScaleTest, EveryOrderIsInExactlyOneOfThePaymentLists) {
    fill(s.gDbPath, 300, 3);
    ASSERT_GT(db::Database(s.gDbPath).scalar(QStringLiteral("SELECT count(*) FROM 受注データ WHERE 入金日 IS NULL AND 受注No <> 0")).toInt(), 0);
    const ListMember& paid = *listMember(QStringLiteral("frmVGetD"));
    const ListMember& unpaid = *listMember(QStringLiteral("frmVGetY"));
    for (const auto& [year, month] : std::vector<std::pair<int, int>>{{0, 0}, {2023, 0}, {2024, 6}}) {
        SCOPED_TRACE(std::to_string(year) + "/" + std::to_string(month));
        for (const ListMember* m : {&paid, &unpaid}) {
            s.gViewCondYear[size_t(m->kind)] = std::int16_t(year);
            s.gViewCondMonth[size_t(m->kind)] = std::int16_t(month);
        }
        int all = 0;
        db::Database d(s.gDbPath);
        db::Query q = d.query(QStringLiteral("SELECT 受注日付 FROM 受注データ WHERE 受注No <> 0"));
        while (q.next()) {
            const QDate day = db::dateFromOle(q.toDouble(0));
            all += year == 0 || (day.year() == year && (month == 0 || day.month() == month));
        }
        EXPECT_EQ(buildList(paid, s).count + buildList(unpaid, s).count, all);
    }
}

TEST_F(ListScaleTest, MemoryOfABuildIsTheListAndOfATabExportIsFlat) {
    if (!resetPeak())
        GTEST_SKIP() << "no reset of the peak resident memory here";
    fill(s.gDbPath, 12000, 3);
    const QString file = dir.path(QStringLiteral("tab.txt"));
    for (const char* window : {"frmVRecD", "frmVInfA", "frmVInv"}) {
        SCOPED_TRACE(window);
        set(Case{window});
        const ListMember& m = *listMember(QString::fromLatin1(window));
        resetPeak();
        const double tabMb = peakGrowthMb([&] { writeTabFile(m, s, file); });
        const double fileMb = double(QFile(file).size()) / (1 << 20);
        ASSERT_GT(fileMb, 1.0);
        // Chunks of the file go out as they are formed: neither the file's text nor its bytes are held.
        EXPECT_LT(tabMb, 6.0) << "file " << fileMb << " MB";

        BuildResult r;
        resetPeak();
        const double buildMb = peakGrowthMb([&] { r = buildList(m, s); });
        const double textMb = double(r.text.size()) * 2 / (1 << 20);
        ASSERT_GT(textMb, 5.0);
        // The list text, and while it grows the room it moves to; nothing per record stays behind.
        EXPECT_LT(buildMb, textMb * 2 + 6.0) << "text " << textMb << " MB";
    }
}

// The tab file goes out in chunks: a character CP932 cannot hold in the last record, long after the
// first chunks were written, still leaves the earlier file whole and no stray file beside it.
TEST_F(ListScaleTest, ALateCharacterCp932CannotHoldLeavesTheEarlierTabFile) {
    fill(s.gDbPath, 3000, 4);
    const ListMember& m = *listMember(QStringLiteral("frmVRecD"));
    const QString file = dir.path(QStringLiteral("lines.txt"));
    writeTabFile(m, s, file);
    const QByteArray before = viewerstest::readBytes(file);
    ASSERT_GT(before.size(), 300000);
    viewerstest::Filler(s.gDbPath).line(9999999, 1, QStringLiteral("😀"), 1);
    // The message names the character and its line, counted across the chunks.
    try {
        writeTabFile(m, s, file);
        ADD_FAILURE() << "no error";
    } catch (const UnencodableExport& e) {
        EXPECT_EQ(e.bad.character, QStringLiteral("😀"));
        EXPECT_EQ(e.bad.line, before.count('\n') + 1);
    }
    EXPECT_EQ(viewerstest::readBytes(file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral("lines")), QStringList{"lines.txt"});
}

// A build lets events run at its first record and then now and then, with the progress count current
// each time; an event handler that ends the build (the window closed) stops it there.
TEST_F(ListScaleTest, EveryBuildYieldsFromItsFirstRecordAndStopsWhenAYieldThrows) {
    fill(s.gDbPath, 300, 5);
    struct Stop {};
    for (const ListMember& m : listMembers()) {
        SCOPED_TRACE(m.window.toStdString());
        set(Case{"frmVComm"});
        std::vector<int> seen;
        const BuildResult r = buildList(m, s, [&] { seen.push_back(s.gProgressCount); });
        if (r.count == 0) {
            EXPECT_TRUE(seen.empty());
            continue;
        }
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.front(), 1);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_LE(seen.back(), r.count);
        EXPECT_EQ(s.gProgressCount, r.count);
        EXPECT_THROW(buildList(m, s, [] { throw Stop{}; }), Stop);
        EXPECT_EQ(s.gProgressCount, 1);
    }
}
