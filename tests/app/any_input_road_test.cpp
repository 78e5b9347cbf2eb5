// Input at the edges through the real main window: an exception no handler foresaw, payment days the
// picker offers, a tax rate beyond a Single, control characters in an imported master, dates another
// program wrote. The program goes on, says what it refused, and stores nothing it cannot show back.
#include "support/MainRoad.h"

#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/CalendarDialog.h"
#include "orders/OrderListModel.h"
#include "orders/OrderListWindow.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"
#include "text/Cp932.h"
#include "ui/GuardedApplication.h"

#include <QCalendarWidget>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

using mainroad::Program;

namespace {

int stockOf(Program& p, const char* code) {
    return p
        .scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = ?"),
                {QString::fromLatin1(code)})
        .toInt();
}

orders::PaymentWindow* openPayments(Program& p) {
    mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuReceipt"));
    orders::PaymentWindow* w = nullptr;
    mainroad::waitFor([&] {
        return (w = p.work<orders::PaymentWindow>()) &&
               core::isSet(p.state().gChildState[core::kChildPayment].Open);
    });
    return w;
}

} // namespace

// An exception that no handler traps ends only that handler: the usual beep and box, the transaction it
// was inside rolled back, and the program goes on taking commands.
TEST(AnyInputRoad, AnExceptionNoHandlerTrapsEndsOnlyThatHandler) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty());
    const int before = stockOf(p, "G01");
    const int caught = ui::GuardedApplication::caught();
    struct Case {
        const char* what;
        std::function<void()> raise;
        QString cause;
    };
    const QString db = p.state().gDbPath;
    const std::vector<Case> cases{
        {"a standard exception inside a write",
         [db] {
             db::Database d(db);
             db::Transaction tx(d);
             d.execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 0"));
             throw std::runtime_error("stock failed");
         },
         QStringLiteral("stock failed")},
        {"anything else", [] { throw 42; }, QString()},
    };
    for (const Case& c : cases) {
        p.messages().clear();
        QTimer::singleShot(0, &p.window(), c.raise);
        ASSERT_TRUE(mainroad::waitFor([&] { return !p.messages().shown().empty(); }, 3000)) << c.what;
        ASSERT_EQ(p.messages().shown().size(), 1u) << c.what;
        EXPECT_EQ(p.messages().shown()[0].text, ui::unexpectedErrorText(c.cause)) << c.what;
        EXPECT_EQ(p.messages().shown()[0].title, QStringLiteral("Varnox")) << c.what;
        EXPECT_TRUE(p.messages().shown()[0].beepBefore) << c.what;
        EXPECT_EQ(stockOf(p, "G01"), before) << c.what;
    }
    EXPECT_EQ(ui::GuardedApplication::caught(), caught + 2);
    // The program goes on: an order is entered and stored.
    p.messages().clear();
    EXPECT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}}), 1);
    EXPECT_EQ(stockOf(p, "G01"), before - 2);
}

// The picker offers only days that come back as a payment: 0 means unpaid and an answer below 0 a
// cancelled picker, so the first day is 1899-12-31. 決定 stores the day the picker shows.
TEST(AnyInputRoad, ThePaymentPickerOffersOnlyDaysThatCanBeStored) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty());
    orders::PaymentWindow* w = openPayments(p);
    ASSERT_NE(w, nullptr);
    const QDate days[] = {QDate(1899, 12, 30), QDate(1899, 12, 29), QDate(1800, 1, 1),  QDate(-4714, 11, 24),
                          QDate(1899, 12, 31), QDate(2024, 6, 28),  QDate(9999, 12, 31)};
    for (const QDate& day : days) {
        SCOPED_TRACE(day.toString(Qt::ISODate).toStdString());
        QDate offered;
        QDate minimum;
        mainroad::onNextModalOf<orders::CalendarDialog>([&](orders::CalendarDialog& d) {
            minimum = d.calendar()->minimumDate();
            d.calendar()->setSelectedDate(day);
            offered = d.calendar()->selectedDate();
            d.okButton()->click();
        });
        ASSERT_TRUE(mainroad::clickOrder(w, 1));
        EXPECT_EQ(minimum, QDate(1899, 12, 31));
        const double stored =
            p.scalar(QStringLiteral("SELECT 入金日 FROM 受注データ WHERE 受注No = 1")).toDouble();
        EXPECT_GE(stored, 1.0);
        EXPECT_EQ(db::dateFromOle(stored), offered);
        EXPECT_GE(offered, QDate(1899, 12, 31));
    }
    w->endButton()->click();
    EXPECT_TRUE(p.messages().shown().empty());
}

// 消費税率 beyond a Single (1e40 would be stored as infinity) takes the grid's error path like every
// other bad value: beep, "ＤＢメンテナンスエラー", the stored rate unchanged.
TEST(AnyInputRoad, ATaxRateBeyondASingleIsRefusedInTheGoodsGrid) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty());
    p.trigger(QStringLiteral("mnuManComm"));
    masters::MasterWindow* w = nullptr;
    ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }));
    int rateCol = -1, codeCol = -1;
    for (int c = 0; c < w->model()->columnCount(); ++c) {
        const QString head = w->model()->headerData(c, Qt::Horizontal).toString();
        if (head == QStringLiteral("消費税率")) rateCol = c;
        if (head == QStringLiteral("商品コード")) codeCol = c;
    }
    ASSERT_GE(rateCol, 0);
    int row = -1;
    for (int r = 0; r < w->model()->rowCount(); ++r)
        if (w->model()->index(r, codeCol).data().toString() == QStringLiteral("G01")) row = r;
    ASSERT_GE(row, 0);
    const QModelIndex at = w->model()->index(row, rateCol);
    for (const char* text : {"1e40", "3.5e38", "-1e39", "1e309"}) {
        p.messages().clear();
        w->grid()->setCurrentIndex(at);
        w->model()->setData(at, QString::fromLatin1(text));
        w->cmdUpdate_Click();
        ASSERT_FALSE(p.messages().shown().empty()) << text;
        EXPECT_EQ(p.messages().shown()[0].title, QStringLiteral("ＤＢメンテナンスエラー")) << text;
        EXPECT_TRUE(p.messages().shown()[0].beepBefore) << text;
        const double stored =
            p.scalar(QStringLiteral("SELECT 消費税率 FROM 商品マスタ WHERE 商品コード = 'G01'")).toDouble();
        EXPECT_TRUE(std::isfinite(stored)) << text;
        EXPECT_EQ(stored, 8.0) << text;
    }
    p.messages().clear();
    EXPECT_TRUE(w->model()->setData(at, QStringLiteral("10")));
    w->cmdUpdate_Click();
    EXPECT_TRUE(p.messages().shown().empty());
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 消費税率 FROM 商品マスタ WHERE 商品コード = 'G01'")).toDouble(),
              10.0);
}

// A NUL or another control character in an imported code, name or category is refused with the line,
// not stored: a NUL would hide the rest of the text, the others show as nothing.
TEST(AnyInputRoad, ImportRefusesControlCharactersInTexts) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty());
    auto bytes = [](const QString& s) { return text::toCp932(s); };
    const QByteArray nul(1, '\0');
    const QList<QByteArray> lines{
        bytes("21\tN1\t名前") + nul + bytes("NUL入り\t100\t80\t50\t8\t10\t5\t食品"),
        bytes("22\tN2\t名前\x01入り\t100\t80\t50\t8\t10\t5\t食品"),
        bytes("23\tN\x1b"
              "3\t名前\t100\t80\t50\t8\t10\t5\t食品"),
        bytes("24\tN4\t名前\x7f\t100\t80\t50\t8\t10\t5\t食品"),
        bytes("25\tN5\t名前\t100\t80\t50\t8\t10\t5\t食品\x02"),
        bytes("26\tN6\t普通の名前\t100\t80\t50\t8\t10\t5\t食品"),
    };
    const QString file = p.path(QStringLiteral("controls.txt"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (const QByteArray& l : lines)
            f.write(l + "\r\n");
    }
    p.messages().clear();
    p.nextPath(file);
    p.trigger(QStringLiteral("mnuImpComm"));
    ASSERT_EQ(p.messages().shown().size(), 5u) << p.messages().texts().join('|').toStdString();
    for (const auto& shown : p.messages().shown()) {
        EXPECT_TRUE(shown.text.startsWith(QStringLiteral("エラーデータ=　"))) << shown.text.toStdString();
        EXPECT_EQ(shown.title, QStringLiteral("番号かコードが重複しているのでスキップします。"));
        EXPECT_TRUE(shown.beepBefore);
    }
    EXPECT_EQ(
        p.scalar(QStringLiteral("SELECT COUNT(*) FROM 商品マスタ WHERE 商品No BETWEEN 21 AND 25")).toInt(),
        0);
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品No = 26")).toString(),
              QStringLiteral("普通の名前"));
}

// Dates another program wrote beyond the engine's range: the payment list shows them as out of range,
// not as some other day, and Year() and Month() find no year in them (no list period takes them).
TEST(AnyInputRoad, DatesBeyondTheEnginesRangeAreNoDay) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty());
    const double written[] = {1e7, 1e300, -1e300, -1e6};
    {
        db::Database d(p.state().gDbPath);
        for (int i = 0; i < 3; ++i)
            d.execute(QStringLiteral("UPDATE 受注データ SET 入金日 = ? WHERE 受注No = ?"),
                      {written[i], i + 1});
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(p.scalar(QStringLiteral("SELECT Year(入金日) FROM 受注データ WHERE 受注No = ?"), {i + 1})
                        .isNull())
            << written[i];
        EXPECT_TRUE(p.scalar(QStringLiteral("SELECT Month(入金日) FROM 受注データ WHERE 受注No = ?"), {i + 1})
                        .isNull())
            << written[i];
    }
    for (const double v : {1e7, 1e300, -1e300, -1e6, std::nan(""), HUGE_VAL, -HUGE_VAL, 2958466.0, -657435.0})
        EXPECT_FALSE(db::dateFromOle(v).isValid()) << v;
    EXPECT_EQ(db::dateFromOle(2958465.5), QDate(9999, 12, 31));
    EXPECT_EQ(db::dateFromOle(-657434.0), QDate(100, 1, 1));
    orders::PaymentWindow* w = openPayments(p);
    ASSERT_NE(w, nullptr);
    int seen = 0;
    for (int i = 0; i < w->model()->orderCount(); ++i) {
        const int no = w->model()->order(i).orderNo;
        if (no < 1 || no > 2) // order 3 was cancelled: negative payment days read as such elsewhere
            continue;
        ++seen;
        EXPECT_EQ(w->model()->index(i, orders::OrderListModel::ColPaidDate).data().toString(),
                  db::kOutOfRangeText)
            << no;
    }
    EXPECT_EQ(seen, 2);
    w->endButton()->click();
    EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();
}
