// The print commands end to end on a temporary database: messages of every outcome, the done flag the
// preview waits for, the document sent only when something was printed, and a real PDF.
#include "printing/PrintCommands.h"
#include "printing/Register.h"
#include "printing/ReportRows.h"

#include "core/Schema.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/OleDate.h"
#include "frame/WindowRegistry.h"
#include "print/RecordingTarget.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/ReportKind.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QDialog>
#include <QDir>
#include <QTimer>
#include <QFile>
#include <map>
#include <set>
#include <gtest/gtest.h>

using namespace printing;
using namespace reports;

namespace {

const QString kEmpty = QStringLiteral("データが空です。");
const QString kDbTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");

QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

// Records what the command did with its document.
struct Sent {
    int documents = 0;
    int finished = 0;
    int aborted = 0;
    print::RecordingTarget* last = nullptr;
};

class RecordingDevice : public PrintDevice {
public:
    explicit RecordingDevice(Sent& sent) : sent_(sent) { sent_.last = &target_; }
    print::RenderTarget& target() override { return target_; }
    bool finish() override { return ++sent_.finished, true; }
    void abort() override { ++sent_.aborted; }

private:
    Sent& sent_;
    print::RecordingTarget target_;
};

class PrintCommands : public ::testing::Test {
public:
    PrintCommands() {
        ui::setMessageService(&messages);
        saved = printHooks();
        printHooks().wait = [](double) {};
        printHooks().yield = [] {};
        printHooks().showProgress = false;
        printHooks().device = [this](const QString&) {
            ++sent.documents;
            devices.push_back(std::make_unique<RecordingDevice>(sent));
            return std::unique_ptr<PrintDevice>(new ForwardDevice(*devices.back()));
        };
        core::InitFieldLimits(app);
        app.gDbPath = folder.path(QStringLiteral("test.vrd"));
        core::CreateNewDatabase(app);
        core::CreateGoodsTable(app);
        core::CreateClientTable(app);
        core::CreateEmployeeTable(app);
        core::CreateOrderTable(app, QDate(2024, 4, 1));
        core::CreateOrderLineTable(app);
        for (int kind = 1; kind <= kReportCount; ++kind) {
            app.gFrmtText[size_t(kind)] = DefaultLayoutText(kind);
            app.gFrmtCount[size_t(kind)] = DefaultLayoutLines(kind);
        }
        db = std::make_unique<db::Database>(app.gDbPath);
    }
    ~PrintCommands() override {
        printHooks() = saved;
        ui::setMessageService(nullptr);
    }

    // The device handed to the command; the recording one stays with the test.
    struct ForwardDevice : PrintDevice {
        explicit ForwardDevice(RecordingDevice& d) : d(d) {}
        print::RenderTarget& target() override { return d.target(); }
        bool finish() override { return d.finish(); }
        void abort() override { d.abort(); }
        RecordingDevice& d;
    };

    void addGoods(int no, const QString& code) {
        db->execute(QStringLiteral("INSERT INTO 商品マスタ (商品No,商品コード,商品名,個別定価,個別仕切値,個別原価,消費税率,"
                                   "在庫量,在庫発注点,商品カテゴリ) VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {no, code, QStringLiteral("商品%1").arg(no), money(100), money(80), money(50), 10.0, 3, 5,
                     QStringLiteral("食品")});
    }
    void addOrder(int no, const QDate& date, const QVariant& paid = 0.0) {
        db->execute(QStringLiteral("INSERT INTO 受注データ (受注No,顧客コード,社員コード,定価金額,仕切値,原価,販売金額,"
                                   "消費税額,送料,受注日付,入金日,キャンセル) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                    {no, QStringLiteral("C1"), QStringLiteral("E1"), money(1000), money(800), money(500), money(1000),
                     money(100), money(50), db::toOleDate(date), paid, QStringLiteral(" ")});
    }
    void addLine(int no, int orderNo, const QString& goods) {
        db->execute(QStringLiteral("INSERT INTO 受注個別データ (個別No,受注No,商品コード,個数,個別定価,個別仕切値,個別原価,"
                                   "個別販売価格,個別消費税,キャンセル) VALUES (?,?,?,?,?,?,?,?,?,?)"),
                    {no, orderNo, goods, 2, money(100), money(80), money(50), money(200), money(20),
                     QStringLiteral(" ")});
    }

    void run(const char* command) {
        const PrintReport* r = FindPrintReport(QString::fromLatin1(command));
        ASSERT_NE(r, nullptr);
        RunPrintCommand(*r, app, nullptr);
    }

    testenv::TempFolder folder;
    core::AppState app;
    std::unique_ptr<db::Database> db;
    ui::RecordingMessageService messages;
    PrintHooks saved;
    Sent sent;
    std::vector<std::unique_ptr<RecordingDevice>> devices;
};

TEST_F(PrintCommands, EveryReportIsRegisteredUnderItsMenuName) {
    registerCommands();
    const char* names[] = {"mnuPrComm", "mnuPrCli",  "mnuPrEmp",  "mnuPrRecG", "mnuPrRecD", "mnuPrInv",  "mnuPrInfA",
                           "mnuPrInfM", "mnuPrInfC", "mnuPrInfS", "mnuPrCncl", "mnuPrLack", "mnuPrGetD", "mnuPrGetY"};
    ASSERT_EQ(PrintReports().size(), 14u);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(PrintReports()[size_t(i)].command, QString::fromLatin1(names[i]));
        EXPECT_EQ(PrintReports()[size_t(i)].pages.kind, i + 1);
        EXPECT_TRUE(bool(frame::command(QString::fromLatin1(names[i])))) << names[i];
    }
}

// The readers a report prints from: every order with its own lines whatever their number and table order,
// a field asked by a literal name or by a name built at run time alike, and no value for a field not there.
TEST_F(PrintCommands, ReadersGiveEachOrderItsLinesByAnyName) {
    const std::vector<int> linesOf{0, 1, 3, 2, 0, 4};
    std::map<int, std::vector<int>> expected; // order -> its lines' 個別No, in table order
    int lineNo = 100;
    for (int round = 0; round < 4; ++round) // lines of different orders interleaved in the table
        for (int o = 0; o < int(linesOf.size()); ++o)
            if (round < linesOf[size_t(o)]) {
                ++lineNo;
                addLine(lineNo, o + 1, QStringLiteral("G%1").arg(lineNo));
                expected[o + 1].push_back(lineNo);
            }
    for (int o = 0; o < int(linesOf.size()); ++o)
        addOrder(o + 1, QDate(2024, 5, 1 + o));
    addGoods(7, QStringLiteral("G7"));

    const QString builtOrderNo = QString::fromUtf8("受注") + QStringLiteral("No");
    const QString builtCode = QString::fromUtf8("商品") + QStringLiteral("コード");
    auto orders = readOrdersWithLines(*db);
    std::set<int> seen;
    while (orders->next()) {
        const int o = orders->value(QStringLiteral("受注No")).toInt();
        if (o < 1) // the tables' seed row
            continue;
        SCOPED_TRACE(o);
        seen.insert(o);
        EXPECT_EQ(orders->value(builtOrderNo).toInt(), o);
        EXPECT_FALSE(orders->value(QStringLiteral("個数")).isValid());
        ASSERT_EQ(orders->lineCount(), linesOf[size_t(o - 1)]);
        for (int i = 0; i < orders->lineCount(); ++i) {
            const int no = expected[o][size_t(i)];
            EXPECT_EQ(orders->line(i, QStringLiteral("個別No")).toInt(), no);
            EXPECT_EQ(orders->line(i, QStringLiteral("受注No")).toInt(), o);
            EXPECT_EQ(orders->line(i, builtOrderNo).toInt(), o);
            EXPECT_EQ(orders->line(i, QStringLiteral("商品コード")).toString(), QStringLiteral("G%1").arg(no));
            EXPECT_EQ(orders->line(i, builtCode).toString(), QStringLiteral("G%1").arg(no));
            EXPECT_FALSE(orders->line(i, QStringLiteral("顧客コード")).isValid());
        }
    }
    EXPECT_EQ(seen.size(), linesOf.size());

    auto goods = readRows(*db, QStringLiteral("商品マスタ"));
    bool found = false;
    while (goods->next())
        if (goods->value(QStringLiteral("商品No")).toInt() == 7) {
            found = true;
            EXPECT_EQ(goods->value(builtCode).toString(), QStringLiteral("G7"));
            EXPECT_EQ(goods->value(QStringLiteral("商品コード")).toString(), QStringLiteral("G7"));
            EXPECT_FALSE(goods->value(QStringLiteral("受注No")).isValid());
        }
    EXPECT_TRUE(found);
}

TEST_F(PrintCommands, TableReportIsPrintedAndSent) {
    addGoods(1, QStringLiteral("G1"));
    addGoods(2, QStringLiteral("G2"));
    app.gPrintDone = core::kFalse;
    run("mnuPrComm");
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(sent.finished, 1);
    EXPECT_EQ(sent.aborted, 0);
    EXPECT_EQ(app.gPrintDone, core::kTrue);
    EXPECT_EQ(app.gProgressCount, -1);
    const QStringList texts = sent.last->printedTexts();
    EXPECT_TRUE(texts.filter(QStringLiteral("G1")).size() == 1 && texts.filter(QStringLiteral("G2")).size() == 1)
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.filter(app.gReservedCode[0]).isEmpty());
    EXPECT_EQ(texts.back(), QStringLiteral("- 1 -"));
}

// The short goods report reads only the goods it can print: whatever the stock and reorder point hold
// (equal, over, under, empty, text, fractions, past the range of a whole number), the goods printed are
// those its own rule passes on every stored row.
TEST_F(PrintCommands, ShortGoodsAreThoseTheRulePassesWhateverTheStoredStock) {
    const QVariant null;
    const QVariant text = QStringLiteral("abc");
    const QVariant big = qint64(3000000000);
    const QVariant minusBig = qint64(-3000000000);
    const std::pair<QVariant, QVariant> stockAndPoint[] = {
        {1, 2},      {2, 2},    {3, 2},    {-1, -2},    {-2, -1},     {0, 0},          {null, 5},
        {5, null},   {null, null}, {text, 1}, {1, text}, {2.7, 2},     {2, 2.2},        {2.4, 2},
        {big, 1},    {1, big},  {minusBig, 1}, {big, minusBig}, {QStringLiteral("7"), 3}, {3, QStringLiteral("7")},
    };
    int stored = 0;
    for (int i = 0; i < int(std::size(stockAndPoint)); ++i) {
        try { // what the table refuses (an empty stock, a text) is not a case
            db->execute(QStringLiteral("INSERT INTO 商品マスタ (商品No,商品コード,商品名,個別定価,個別仕切値,個別原価,"
                                       "消費税率,在庫量,在庫発注点,商品カテゴリ) VALUES (?,?,?,?,?,?,?,?,?,?)"),
                        {i + 1, QStringLiteral("S%1X").arg(i + 10), QStringLiteral("商品"), money(1), money(1),
                         money(1), 10.0, stockAndPoint[i].first, stockAndPoint[i].second, QStringLiteral("食品")});
            ++stored;
        } catch (const db::DbError&) {
        }
    }
    ASSERT_GE(stored, 8);
    QStringList expected;
    auto goods = readRows(*db, QStringLiteral("商品マスタ"));
    while (goods->next()) {
        const GoodsRec r = goodsRecFrom(goods->fields());
        if (r.商品コード.startsWith(QLatin1Char('S')) && r.在庫量 <= r.在庫発注点)
            expected << r.商品コード;
    }
    ASSERT_GE(expected.size(), 3);
    ASSERT_LE(expected.size(), stored - 3);

    run("mnuPrLack");
    ASSERT_EQ(sent.finished, 1) << messages.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = sent.last->printedTexts().join(QLatin1Char('|'));
    QStringList seen;
    for (int i = 0; i < int(std::size(stockAndPoint)); ++i)
        if (printed.contains(QStringLiteral("S%1X").arg(i + 10)))
            seen << QStringLiteral("S%1X").arg(i + 10);
    EXPECT_EQ(seen, expected);
}

TEST_F(PrintCommands, OutcomesAndTheirMessages) {
    struct Case {
        const char* command;
        std::function<void(PrintCommands&)> setUp;
        QString text;
        QString title;
    };
    const std::vector<Case> cases{
        {"mnuPrCli", {}, kEmpty, "Varnox"},
        {"mnuPrRecG", {}, kEmpty, "Varnox"},
        // real orders but none in the year asked for
        {"mnuPrGetY",
         [](PrintCommands& t) {
             t.addOrder(1, QDate(2009, 4, 1));
             t.app.gPrintMode = core::kTrue;
             t.app.gCondYear[kGetY] = 2011;
         },
         "未入金受注一覧のデータはありません。", "Varnox"},
        {"mnuPrInfM",
         [](PrintCommands& t) {
             t.addOrder(1, QDate(2009, 4, 1));
             t.app.gPrintMode = core::kTrue;
         },
         kEmpty, "Varnox"},
        {"mnuPrInv",
         [](PrintCommands& t) {
             t.addOrder(1, QDate(2009, 4, 1), db::toOleDate(QDate(2009, 5, 1)));
             t.app.gPrintMode = core::kTrue;
             t.app.gInvPrintScope = 0;
         },
         "請求書のデータはありません。", "Varnox"},
        {"mnuPrRecD", [](PrintCommands& t) { t.app.gFrmtText[kRecD] = QStringLiteral("[COMMON]\r\n"); },
         "受注個別データのフォーマットデータが正しくありません。", "Varnox"},
        {"mnuPrEmp", [](PrintCommands& t) { t.db->execute(QStringLiteral("DELETE FROM 社員マスタ")); },
         "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
         "またはVarnox以外のプログラムで他の人が使用している場合やプリンタが正しく設定されていない場合に起こることがあります。",
         kDbTitle},
        {"mnuPrComm", [](PrintCommands& t) { t.app.gDbPath = t.folder.path(QStringLiteral("missing.vrd")); },
         "", kDbTitle},
        // goods, none short: no page with the header alone, the report's no-data message instead
        {"mnuPrLack",
         [](PrintCommands& t) {
             t.addGoods(1, QStringLiteral("G1"));
             t.db->execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 10 WHERE 商品No = 1"));
         },
         "在庫不足商品一覧のデータはありません。", "Varnox"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        PrintCommands& t = *this;
        if (c.setUp)
            c.setUp(t);
        messages.clear();
        app.gPrintDone = core::kFalse;
        sent = Sent();
        run(c.command);
        ASSERT_EQ(messages.shown().size(), 1u);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(messages.shown()[0].text, c.text);
        }
        EXPECT_EQ(messages.shown()[0].title, c.title);
        EXPECT_TRUE(messages.shown()[0].beepBefore);
        EXPECT_EQ(app.gPrintDone, core::kTrue);
        EXPECT_EQ(app.gProgressCount, -1);
        EXPECT_EQ(sent.finished, 0); // nothing is sent
        EXPECT_TRUE(!sent.last || sent.last->printedTexts().isEmpty());
        // back to a clean database for the next case
        app.gPrintMode = core::kFalse;
        app.gDbPath = folder.path(QStringLiteral("test.vrd"));
        app.gFrmtText[kRecD] = DefaultLayoutText(kRecD);
        db->execute(QStringLiteral("DELETE FROM 受注データ WHERE 受注No <> 0"));
    }
}

TEST_F(PrintCommands, PreviewModeUsesStoredConditionsWithoutDialogs) {
    addOrder(1, QDate(2009, 4, 1));
    addOrder(2, QDate(2010, 4, 1));
    app.gPrintMode = core::kTrue;
    app.gCondAccepted = core::kFalse;
    app.gCondYear[kGetY] = 2010;
    run("mnuPrGetY");
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(sent.finished, 1);
    const QStringList texts = sent.last->printedTexts();
    EXPECT_EQ(texts.front(), QStringLiteral(" 2010年度分\u3000"));
    EXPECT_EQ(texts.filter(QStringLiteral("2009/04/01")).size(), 0);
    EXPECT_EQ(texts.filter(QStringLiteral("2010/04/01")).size(), 1);
}

TEST_F(PrintCommands, InvoiceOfOneChosenOrder) {
    addGoods(1, QStringLiteral("G1"));
    addOrder(1, QDate(2009, 4, 1));
    addOrder(2, QDate(2009, 4, 2));
    addLine(1, 2, QStringLiteral("G1"));
    addLine(2, 2, QStringLiteral("G404"));
    app.gPrintMode = core::kTrue;
    app.gInvPrintScope = 2;
    app.gInvPrintOrderNo = 2;
    run("mnuPrInv");
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(sent.finished, 1);
    const QStringList texts = sent.last->printedTexts();
    EXPECT_EQ(texts.filter(QStringLiteral("商品1")).size(), 1);
    EXPECT_EQ(texts.filter(QStringLiteral("商品コード=G404")).size(), 1);
    EXPECT_EQ(texts.filter(QStringLiteral("顧客コード=C1")).size(), 1); // no client C1 in the master
}

// A real document: the default printer of this machine, or the PDF file when it has no queue.
TEST_F(PrintCommands, PrintsAPdfWhenThereIsNoPrintQueue) {
    printHooks().device = saved.device;
    for (int i = 1; i <= 45; ++i)
        addGoods(i, QStringLiteral("G%1").arg(i, 4, 10, QLatin1Char('0')));
    run("mnuPrComm");
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    const QString pdf = QDir(PdfFallbackFolder()).filePath(QStringLiteral("商品マスタ.pdf"));
    if (!QFile::exists(pdf))
        GTEST_SKIP() << "printed to a print queue";
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 3);
    if (qEnvironmentVariableIsSet("VARNOX_KEEP_PDF"))
        QFile::copy(pdf, qEnvironmentVariable("VARNOX_KEEP_PDF"));
}

} // namespace
