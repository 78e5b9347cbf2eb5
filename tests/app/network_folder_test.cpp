// The company file on a shared network folder, as another file system type mounted here (bindfs, FUSE):
// nothing relies on memory shared between the users' machines, another user's program sees each write as
// soon as it is done, and a read-only share opens for reading and says why it takes no write.
#include "support/MainRoad.h"
#include "support/SharedFolder.h"

#include "db/OleDate.h"
#include "orders/CalendarDialog.h"
#include "orders/OrderListModel.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"

#include <QCalendarWidget>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::sqlite;
using mainroad::waitFor;

namespace {


QStringList besides(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("shop.vrd-*")}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST(NetworkFolder, WorksWithoutSharedMemoryAndAnotherProgramSeesEachWriteAtOnce) {
    Program p;
    QDir().mkpath(p.path(QStringLiteral("real")));
    QDir().mkpath(p.path(QStringLiteral("share")));
    testenv::SharedFolder share(p.path(QStringLiteral("real")), p.path(QStringLiteral("share")));
    if (!share.ok())
        GTEST_SKIP() << "bindfs or FUSE is not available here";
    const QString db = p.openShop(QStringLiteral("share/shop.vrd"));
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    const QString other = p.path(QStringLiteral("real/shop.vrd")); // the file as the server holds it

    ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}}), 1);
    orders::PaymentWindow* pay = p.openPayments();
    ASSERT_NE(pay, nullptr);
    ASSERT_EQ(p.enterOrder(QStringLiteral("髙橋食品"), QStringLiteral("鈴木花子"), {{2, 3}}), 2);
    EXPECT_EQ(sqlite(other, QStringLiteral("SELECT count(*) FROM 受注データ WHERE 販売金額 > 0")), QStringLiteral("2"));
    mainroad::answerCalendar(QDate(2024, 7, 1));
    ASSERT_TRUE(mainroad::clickOrder(pay, 1));
    EXPECT_EQ(sqlite(other, QStringLiteral("SELECT CAST(入金日 AS INTEGER) FROM 受注データ WHERE 受注No = 1")),
              QString::number(qint64(db::toOleDate(QDate(2024, 7, 1)))));
    EXPECT_EQ(sqlite(other, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
    // Only the lock file that tells other users the file is open: no log and no shared memory file.
    EXPECT_EQ(besides(p.path(QStringLiteral("real"))), QStringList{QStringLiteral("shop.vrd-lock")});
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_TRUE(besides(p.path(QStringLiteral("real"))).isEmpty());
}

TEST(NetworkFolder, AReadOnlyShareOpensForReadingAndSaysWhyItTakesNoWrite) {
    Program p;
    QDir().mkpath(p.path(QStringLiteral("real")));
    QDir().mkpath(p.path(QStringLiteral("share")));
    const QString made = p.openShopWithOrders(QStringLiteral("real/shop.vrd"));
    ASSERT_FALSE(made.isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0 && p.state().gOpenDbName.isEmpty(); }));
    const QString before = sqlite(made, QStringLiteral("SELECT group_concat(受注No || ':' || 入金日) FROM 受注データ"));
    testenv::SharedFolder share(p.path(QStringLiteral("real")), p.path(QStringLiteral("share")), true);
    if (!share.ok())
        GTEST_SKIP() << "bindfs or FUSE is not available here";

    p.messages().clear();
    p.nextPath(p.path(QStringLiteral("share/shop.vrd")));
    p.trigger(QStringLiteral("mnuFileOpen"));
    ASSERT_FALSE(p.state().gOpenDbName.isEmpty()) << joined(p).toStdString();
    orders::PaymentWindow* pay = p.openPayments();
    ASSERT_NE(pay, nullptr) << joined(p).toStdString();
    EXPECT_EQ(pay->model()->orderCount(), 3); // read as it is
    mainroad::answerCalendar(QDate(2024, 7, 1));
    ASSERT_TRUE(mainroad::clickOrder(pay, 1));
    EXPECT_TRUE(joined(p).contains(QStringLiteral("読み取り専用"))) << joined(p).toStdString();
    EXPECT_EQ(sqlite(made, QStringLiteral("SELECT group_concat(受注No || ':' || 入金日) FROM 受注データ")), before);
    pay->endButton()->click();
    // The import names the lock file it cannot make and why, as every other window does.
    const QString more = p.path(QStringLiteral("more.txt"));
    mainroad::writeCp932(more, {QStringLiteral("9\tE09\t山本次郎")});
    p.messages().clear();
    p.nextPath(more);
    p.trigger(QStringLiteral("mnuImpEmp"));
    EXPECT_TRUE(joined(p).contains(QStringLiteral("ロックファイル「%1-lock」を作れないため（フォルダが読み取り専用です）")
                                       .arg(p.path(QStringLiteral("share/shop.vrd")))))
        << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    waitFor([&] { return p.workCount() == 0; });
}
