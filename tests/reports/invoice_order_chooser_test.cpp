#include "reports/InvoiceOrderChooser.h"
#include "reports/InvoiceOrderStore.h"
#include "reports/SelectionDialogs.h"

#include "core/Schema.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "frame/WindowRegistry.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using reports::InvoiceOrderChooser;
using reports::InvoiceOrderRow;

namespace {

QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

// A company database in a temporary folder with one client and one employee.
class TestDb {
public:
    TestDb() {
        core::InitFieldLimits(state);
        state.gDbPath = folder.path(QStringLiteral("test.vrd"));
        core::CreateNewDatabase(state);
        core::CreateGoodsTable(state);
        core::CreateClientTable(state);
        core::CreateEmployeeTable(state);
        core::CreateOrderTable(state, QDate(2024, 4, 1));
        core::CreateOrderLineTable(state);
        db = std::make_unique<db::Database>(state.gDbPath);
        addClient(1, "C1", "山田商店");
        db->execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (1,'E1','佐藤太郎')"));
    }

    void addClient(int no, const QString& code, const QString& name) {
        db->execute(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?,?,?,'100-0001','東京','03',NULL,NULL)"),
                    {no, code, name});
    }

    // paid and mark: QVariant() for Null.
    void addOrder(int no, qint64 sales, qint64 shipping, const QVariant& paid = 0.0,
                  const QVariant& mark = QStringLiteral(" "), const QString& client = QStringLiteral("C1"),
                  const QString& employee = QStringLiteral("E1")) {
        db->execute(QStringLiteral("INSERT INTO 受注データ VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                    {no, client, employee, money(sales), money(0), money(0), money(sales), money(sales / 10),
                     money(shipping), QDate(2024, 5, no % 28 + 1), paid, mark});
    }

    testenv::TempFolder folder;
    core::AppState state;
    std::unique_ptr<db::Database> db;
};

struct Recording {
    Recording() { ui::setMessageService(&rec); }
    ~Recording() { ui::setMessageService(nullptr); }
    ui::RecordingMessageService rec;
};

std::vector<qint32> numbers(const std::vector<InvoiceOrderRow>& rows) {
    std::vector<qint32> n;
    for (const auto& r : rows)
        n.push_back(r.orderNo);
    return n;
}

// Shows the chooser and waits until its list is built.
void showBuilt(InvoiceOrderChooser& d) {
    d.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.grd()->isVisible(); }, 2000));
}

void clickCell(QTableWidget* grid, int row, int col) {
    const QRect r = grid->visualRect(grid->model()->index(row, col));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

TEST(InvoiceOrderStore, ListsRealOrdersWithAPositiveAmount) {
    TestDb t;
    const double paidDay = db::toOleDate(QDate(2024, 6, 1));
    t.addOrder(5, 3000, 0);
    t.addOrder(1, 1000, 0);                           // unpaid
    t.addOrder(2, 2000, 500, paidDay);                // paid
    t.addOrder(3, 0, 0);                              // pending row of an open order entry
    t.addOrder(4, 0, 500);                            // shipping only
    t.addOrder(6, 4000, 0, 0.0, QStringLiteral("X")); // cancelled
    t.addOrder(7, -100, 50);                          // not above 0 in total
    t.addOrder(8, -100, 100);                         // exactly 0
    EXPECT_EQ(numbers(reports::ListInvoiceOrders(t.state.gDbPath)), (std::vector<qint32>{1, 2, 4, 5, 6}));
}

TEST(InvoiceOrderStore, NamesBlanksAndCodesThatNeedNoQuoting) {
    TestDb t;
    t.addClient(2, QStringLiteral("A\"B"), QStringLiteral("引用符商会"));
    t.addOrder(1, 1000, 0, QVariant(), QVariant());                                          // blank date and mark
    t.addOrder(2, 1000, 0, 0.0, QStringLiteral(" "), QStringLiteral("C9"), QStringLiteral("E9")); // deleted masters
    t.addOrder(3, 1000, 0, 0.0, QStringLiteral(" "), QStringLiteral("A\"B"));
    const auto rows = reports::ListInvoiceOrders(t.state.gDbPath);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].clientName, "山田商店");
    EXPECT_EQ(rows[0].employeeName, "佐藤太郎");
    EXPECT_EQ(rows[0].paidDate, 0.0);
    EXPECT_EQ(rows[0].cancelMark, " ");
    EXPECT_EQ(rows[1].clientName, "Code=C9");
    EXPECT_EQ(rows[1].employeeName, "Code=E9");
    EXPECT_EQ(rows[2].clientName, "引用符商会");
}

TEST(InvoiceOrderStore, UnreadableDatabaseThrows) {
    TestDb t;
    t.db->execute(QStringLiteral("DROP TABLE 社員マスタ"));
    EXPECT_THROW(reports::ListInvoiceOrders(t.state.gDbPath), db::DbError);
    EXPECT_THROW(reports::ListInvoiceOrders(t.folder.path("missing.vrd")), db::DbError);
}

TEST(InvoiceOrderCells, NineColumns) {
    InvoiceOrderRow r;
    r.orderNo = 12;
    r.clientName = "山田商店";
    r.employeeName = "Code=E9";
    r.sales = db::Currency::fromUnits(1234567);
    r.tax = db::Currency::fromRaw(-12345); // -1.2345
    r.shipping = db::Currency::fromUnits(0);
    r.orderDate = db::toOleDate(QDate(2024, 5, 3));
    r.paidDate = 0;
    r.cancelMark = "X";
    EXPECT_EQ(reports::InvoiceOrderCells(r),
              (QStringList{"12", "山田商店", "Code=E9", "1,234,567", "-1", "0", "2024/05/03", "",
                           "キャンセル"}));
    r.paidDate = db::toOleDate(QDate(2024, 6, 30));
    r.cancelMark = " ";
    const QStringList cells = reports::InvoiceOrderCells(r);
    EXPECT_EQ(cells[7], "2024/06/30");
    EXPECT_EQ(cells[8], " ");
}

TEST(InvoiceOrderChooser, ListsTheOrdersUnderTheHeadings) {
    TestDb t;
    for (int no = 1; no <= 3; ++no)
        t.addOrder(no, 1000 * no, 0);
    InvoiceOrderChooser d(t.state);
    showBuilt(d);
    QTableWidget* g = d.grd();
    EXPECT_EQ(g->columnCount(), 9);
    EXPECT_EQ(g->horizontalHeaderItem(0)->text(), "受注No");
    EXPECT_EQ(g->horizontalHeaderItem(8)->text(), "キャンセル");
    EXPECT_EQ(g->item(0, 0)->text(), "1");
    EXPECT_EQ(g->item(2, 3)->text(), "3,000");
    EXPECT_GT(g->rowCount(), 3); // a screen of rows, empty below the last order
    EXPECT_EQ(g->item(3, 0)->text(), "");
    // Every column fits its heading and its texts in the grid's font.
    for (int c = 0; c < 9; ++c) {
        EXPECT_GT(g->columnWidth(c), g->fontMetrics().horizontalAdvance(g->horizontalHeaderItem(c)->text())) << c;
        EXPECT_GT(g->columnWidth(c), g->fontMetrics().horizontalAdvance(g->item(2, c)->text())) << c;
    }
    // The button sits at the lower right, the grid fills the rest.
    EXPECT_EQ(d.cmdEnd()->geometry().bottom() + 1 + reports::twips(50), d.height());
    EXPECT_EQ(d.cmdEnd()->geometry().right() + 1 + reports::twips(50), d.width());
    EXPECT_EQ(g->width(), d.width());
    d.unload();
}

TEST(InvoiceOrderChooser, ClickChoosesTheOrderOfTheRowInTheVariableOfTheFlavour) {
    struct Case {
        bool printFlavour;
        int clickRow; // grid row below the headings; -1 = click the first row without moving
        int chosen;
    };
    const Case cases[] = {{false, -1, 1}, {true, -1, 1}, {false, 2, 7}, {true, 1, 4}};
    for (const Case& c : cases) {
        TestDb t;
        t.addOrder(1, 1000, 0);
        t.addOrder(4, 1000, 0, 0.0, QStringLiteral("X")); // cancelled orders can be chosen too
        t.addOrder(7, 1000, 0);
        t.state.gInvPrintFlavour = core::vbool(c.printFlavour);
        t.state.gInvPrintOrderNo = 55;
        t.state.gInvViewOrderNo = 55;
        InvoiceOrderChooser d(t.state);
        EXPECT_EQ(d.windowTitle(), c.printFlavour ? "請求書出力選択" : "請求書表示選択");
        EXPECT_EQ(c.printFlavour ? t.state.gInvPrintOrderNo : t.state.gInvViewOrderNo, -1);
        showBuilt(d);
        if (c.clickRow < 0) {
            // Row 1 is current from the start: clicking it (its current cell) moves nothing.
            clickCell(d.grd(), 0, 0);
        } else {
            clickCell(d.grd(), c.clickRow, 3);
            EXPECT_EQ(t.state.gSelectedOrderNo, c.chosen);
        }
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(c.printFlavour ? t.state.gInvPrintOrderNo : t.state.gInvViewOrderNo, c.chosen);
        EXPECT_EQ(c.printFlavour ? t.state.gInvViewOrderNo : t.state.gInvPrintOrderNo, 55);
    }
}

TEST(InvoiceOrderChooser, EmptyRowAndCancelChooseNothing) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    t.addOrder(2, 1000, 0);
    InvoiceOrderChooser d(t.state);
    showBuilt(d);
    clickCell(d.grd(), 4, 2);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(t.state.gInvViewOrderNo, -1);
    d.cmdEnd()->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(t.state.gInvViewOrderNo, -1);
}

TEST(InvoiceOrderChooser, MoreOrdersThanTheScreenGetOneRowEach) {
    TestDb t;
    for (int no = 1; no <= 200; ++no)
        t.addOrder(no, 100, 0);
    InvoiceOrderChooser d(t.state);
    showBuilt(d);
    EXPECT_EQ(d.grd()->rowCount(), 200);
    EXPECT_EQ(d.grd()->item(199, 0)->text(), "200");
    d.unload();
}

TEST(InvoiceOrderChooser, NoOrderOrAReadErrorClosesItselfWithNothingChosen) {
    struct Case {
        bool broken;
        const char* text;
        const char* title;
    };
    const Case cases[] = {
        {false, "データが空です。", "Varnox"},
        {true,
         "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
         "またはVarnox以外のプログラムで他の人が使用している場合に起こることがあります。",
         "データベース読み込み中にエラーが発生しました"},
    };
    for (const Case& c : cases) {
        Recording r;
        TestDb t;
        t.addOrder(3, 0, 0); // only the pending row
        if (c.broken)
            t.db->execute(QStringLiteral("DROP TABLE 顧客マスタ"));
        t.state.gInvPrintFlavour = core::kTrue;
        EXPECT_EQ(reports::runInvoiceOrderChooser(t.state, nullptr), -1); // returns once it closed itself
        ASSERT_EQ(r.rec.shown().size(), 1u);
        EXPECT_EQ(r.rec.shown()[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(r.rec.shown()[0].title, QString::fromUtf8(c.title));
        EXPECT_EQ(r.rec.shown()[0].buttons, ui::Buttons::Ok);
        EXPECT_TRUE(r.rec.shown()[0].beepBefore);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST(InvoiceOrderChooser, ResizeLaysOutAgainWithoutRefilling) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    InvoiceOrderChooser d(t.state);
    showBuilt(d);
    const int rows = d.grd()->rowCount();
    d.resize(600, 400);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.grd()->width() == 600; }, 1000));
    EXPECT_EQ(d.cmdEnd()->geometry().right() + 1 + reports::twips(50), 600);
    EXPECT_EQ(d.grd()->height(), d.cmdEnd()->y() - reports::twips(50));
    EXPECT_EQ(d.grd()->rowCount(), rows);

    // Too small for the button: it stays where it was.
    const QPoint button = d.cmdEnd()->pos();
    d.setMinimumSize(0, 0);
    d.resize(20, 20);
    QTest::qWait(250);
    EXPECT_EQ(d.cmdEnd()->pos(), button);
    d.unload();
}

TEST(InvoiceOrderChooser, OpenedByNameAsAModalDialog) {
    TestDb t;
    t.addOrder(9, 1000, 0);
    reports::registerSelectionDialogs();
    QWidget* w = frame::windowFactory("frmInvPrep2")(t.state, nullptr);
    auto* d = qobject_cast<InvoiceOrderChooser*>(w);
    ASSERT_NE(d, nullptr);
    QTimer::singleShot(0, [d] {
        ASSERT_TRUE(QTest::qWaitFor([d] { return d->grd()->isVisible(); }, 2000));
        clickCell(d->grd(), 0, 1);
    });
    d->exec();
    EXPECT_EQ(t.state.gInvViewOrderNo, 9);
    delete w;
}
