// Values only another program stores, in a shop made through the front door: a text far beyond its
// field, amounts at the limit of the money type, control characters in a name. Each window, list and
// preview shows them without freezing, a sum past the range says so, an export refuses and writes
// nothing, and the file keeps every value as it was.
#include "support/MainRoad.h"

#include "core/Numbers.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/OrderListModel.h"
#include "orders/PaymentWindow.h"
#include "preview/PreviewWindow.h"
#include "shell/CommandStates.h"
#include "viewers/ListWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::waitFor;

namespace {


// As another program writes it: past the field's size check.
void store(Program& p, const QString& sql) {
    mainroad::sqlite(p.state().gDbPath, QStringLiteral("PRAGMA ignore_check_constraints = ON; ") + sql);
}

QString stored(Program& p, const QString& sql) {
    return mainroad::sqlite(p.state().gDbPath, sql);
}

int longestLine(const QString& text) {
    int most = 0;
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        most = std::max(most, int(line.size()));
    return most;
}

preview::frmPreview* openPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* pv = qobject_cast<preview::frmPreview*>(w); pv && pv->isVisible()) return pv;
    return nullptr;
}

void closeWork(Program& p) {
    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
        sub->close();
    waitFor([&] { return p.workCount() == 0; });
}

// The longest text the master grid's model hands its view in the column.
int longestCell(Program& p, const char* item, int column) {
    p.trigger(QLatin1String(item));
    masters::MasterWindow* w = nullptr;
    if (!waitFor([&] { return (w = p.work<masters::MasterWindow>()) != nullptr; })) return -1;
    QTest::qWait(100); // painted
    int most = 0;
    for (int r = 0; r < w->model()->rowCount(); ++r)
        most = std::max(most, int(w->model()->index(r, column).data().toString().size()));
    closeWork(p);
    return most;
}

// Starts a menu item once it can be used (the last list or preview may still be closing).
void start(Program& p, const QString& item) {
    waitFor([&] { return p.window().item(item)->isEnabled(); }, 5000);
    p.trigger(item);
}

// Whether the order window's goods grid (code and name, after a blank) and its two pickers show no
// text beyond its field.
bool orderWindowWithinFields(Program& p) {
    const auto& len = p.state().gFieldLen;
    start(p, QStringLiteral("mnuOrder"));
    orders::GetOrderWindow* w = nullptr;
    if (!waitFor([&] { return (w = p.work<orders::GetOrderWindow>()) != nullptr; })) return false;
    p.waitLaidOut();
    bool within = true;
    for (int r = 1; r <= 10; ++r)
        within = within && w->grid()->textAt(r, 0).size() <= 1 + len[core::kLenGoodsCode] &&
                 w->grid()->textAt(r, 1).size() <= 1 + len[core::kLenGoodsName];
    for (int i = 0; i < w->clientPicker()->count(); ++i)
        within = within && w->clientPicker()->itemText(i).size() <= len[core::kLenClientName];
    for (int i = 0; i < w->employeePicker()->count(); ++i)
        within = within && w->employeePicker()->itemText(i).size() <= len[core::kLenEmployeeName];
    closeWork(p);
    return within;
}

} // namespace

TEST(StoredValues, ATextFarBeyondItsFieldIsShownCutInEveryViewAndKeptWhole) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    // Far beyond any field, yet under the engine's length limit (a longer value is refused as too big).
    constexpr int kChars = 5'000;
    struct Case {
        const char* table;
        const char* column;
        const char* where;
        int size;         // the field's size in the shop
        const char* grid; // its master window
        int gridColumn;
        int list;         // its list's menu position
        bool orderWindow; // shown by 受注データ入力
    };
    const auto& len = p.state().gFieldLen;
    const Case cases[] = {
        {"商品マスタ", "商品名", "商品コード = 'G03'", len[core::kLenGoodsName], "mnuManComm", 2, 0, true},
        {"商品マスタ", "商品カテゴリ", "商品コード = 'G12'", 20, "mnuManComm", 9, 0, false},
        {"顧客マスタ", "顧客名", "顧客コード = 'C02'", len[core::kLenClientName], "mnuManCli", 2, 1, true},
        {"顧客マスタ", "住所", "顧客コード = 'C01'", len[core::kLenAddress], "mnuManCli", 4, 1, false},
        {"社員マスタ", "氏名", "社員コード = 'E02'", len[core::kLenEmployeeName], "mnuManEmp", 2, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        const QString column = QString::fromUtf8(c.column), table = QString::fromUtf8(c.table);
        const QString where = QString::fromUtf8(c.where);
        const QString before =
            stored(p, QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(column, table, where));
        store(p, QStringLiteral("UPDATE %1 SET %2 = replace(hex(zeroblob(%3)), '00', 'あ') WHERE %4")
                     .arg(table, column)
                     .arg(kChars)
                     .arg(where));
        const QString lengthSql =
            QStringLiteral("SELECT length(%1) FROM %2 WHERE %3").arg(column, table, where);
        ASSERT_EQ(stored(p, lengthSql).toInt(), kChars);
        p.messages().clear();
        QElapsedTimer t;
        t.start();

        EXPECT_EQ(longestCell(p, c.grid, c.gridColumn), c.size);
        if (c.orderWindow) {
            EXPECT_TRUE(orderWindowWithinFields(p));
        }
        const QString list = mainroad::readList(p, c.list);
        EXPECT_FALSE(list.isEmpty());
        EXPECT_LT(longestLine(list), 1000);
        mainroad::answerReportDialog();
        start(p, QStringLiteral("mnuPv") + QLatin1String(shell::kReportTags[size_t(c.list)]));
        preview::frmPreview* pv = nullptr;
        EXPECT_TRUE(waitFor([&] { return (pv = openPreview()) && pv->built(); })) << joined(p).toStdString();
        if (pv) {
            pv->cmdClose()->click();
            waitFor([] { return openPreview() == nullptr; });
        }
        if (column == QStringLiteral("顧客名")) { // the payment list names C02, client of order 2
            waitFor([&] { return p.window().item(QStringLiteral("mnuReceipt"))->isEnabled(); }, 5000);
            orders::PaymentWindow* pay = p.openPayments();
            ASSERT_NE(pay, nullptr) << joined(p).toStdString();
            int most = 0;
            for (int r = 0; r < pay->model()->rowCount(); ++r)
                most = std::max(
                    most,
                    int(pay->model()->index(r, orders::OrderListModel::ColClient).data().toString().size()));
            EXPECT_EQ(most, c.size);
            closeWork(p);
        }
        EXPECT_LT(t.elapsed(), 30000);
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        EXPECT_EQ(stored(p, lengthSql).toInt(), kChars); // nothing written back cut
        store(p, QStringLiteral("UPDATE %1 SET %2 = '%3' WHERE %4").arg(table, column, before, where));
    }
}

TEST(StoredValues, AnInvoiceTotalPastTheMoneyRangeSaysSoInTheListPrintAndPreview) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    // Each amount can be typed in 受注データメンテナンス; their sum, ご請求額合計, cannot be held.
    store(p, QStringLiteral(
                 "UPDATE 受注データ SET 販売金額 = 9223372036854770000, 送料 = 100000000 WHERE 受注No = 1"));
    const QString amounts =
        QStringLiteral("SELECT 販売金額, 消費税額, 送料 FROM 受注データ WHERE 受注No = 1");
    const QString before = stored(p, amounts);
    const int invoice = 5; // 請求書
    const QString tag = QLatin1String(shell::kReportTags[invoice]);
    struct Case {
        const char* what;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"list", [&] { EXPECT_TRUE(mainroad::readList(p, invoice).isEmpty()); }},
        {"print",
         [&] {
             mainroad::answerReportDialog();
             start(p, QStringLiteral("mnuPr") + tag);
         }},
        {"preview",
         [&] {
             mainroad::answerReportDialog();
             start(p, QStringLiteral("mnuPv") + tag);
             waitFor([&] { return !p.messages().shown().empty(); });
             EXPECT_TRUE(waitFor([] { return openPreview() == nullptr; }));
         }},
        {"payment list", // 全て表示: the order is listed, its amounts as far as they go
         [&] {
             orders::PaymentWindow* w = p.openPayments();
             ASSERT_NE(w, nullptr);
             EXPECT_GE(w->model()->indexOf(1), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        p.messages().clear();
        c.run();
        EXPECT_TRUE(waitFor([&] { return !p.messages().shown().empty(); }));
        EXPECT_TRUE(joined(p).startsWith(core::kHugeNumberText)) << joined(p).toStdString();
        closeWork(p);
        EXPECT_TRUE(waitFor([&] { return p.window().item(QStringLiteral("mnuV") + tag)->isEnabled(); }));
        EXPECT_EQ(stored(p, amounts), before);
    }
}

TEST(StoredValues, AControlCharacterInANameRefusesBothExportsAndWritesNothing) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    for (int code : {0x00, 0x0a, 0x0d, 0x09, 0x1b, 0x7f}) {
        SCOPED_TRACE(code);
        store(p, QStringLiteral(
                     "UPDATE 顧客マスタ SET 顧客名 = '山' || char(%1) || '田' WHERE 顧客コード = 'C02'")
                     .arg(code));
        const QString name = QStringLiteral("SELECT hex(顧客名) FROM 顧客マスタ WHERE 顧客コード = 'C02'");
        const QString before = stored(p, name);
        mainroad::answerReportDialog();
        start(p, QStringLiteral("mnuV") + QLatin1String(shell::kReportTags[1])); // 顧客マスタ一覧
        viewers::ListWindow* w = nullptr;
        ASSERT_TRUE(waitFor([&] { return (w = p.work<viewers::ListWindow>()) && w->loaded(); }))
            << joined(p).toStdString();
        for (const char* button : {"cmdCSV", "cmdTXT"}) {
            SCOPED_TRACE(button);
            if (code == 0x09 && QLatin1String(button) == QLatin1String("cmdTXT"))
                continue; // a tab keeps the flat file's lines
            const QString file = p.path(QStringLiteral("%1_%2.txt").arg(QLatin1String(button)).arg(code));
            p.messages().clear();
            p.nextPath(file);
            w->findChild<QPushButton*>(QLatin1String(button))->click();
            EXPECT_TRUE(joined(p).contains(
                QStringLiteral("制御文字（U+%1）").arg(code, 4, 16, QLatin1Char('0')).toUpper()))
                << joined(p).toStdString();
            EXPECT_TRUE(joined(p).contains(QStringLiteral("ファイルは書き換えていません。")));
            EXPECT_FALSE(QFile::exists(file));
        }
        closeWork(p);
        EXPECT_EQ(stored(p, name), before);
    }
}
