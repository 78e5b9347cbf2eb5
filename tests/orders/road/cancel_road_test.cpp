// The cancellation list opened from 操作 > キャンセル処理 of the real main window: a click toggles what
// the row shows, and never undoes a change another window or program made meanwhile.
#include "OrderRoad.h"

#include "orders/OrderListModel.h"

#include <QTableView>

using road::Goods;
using road::Shop;

namespace {

const QString kChangedElsewhere = QStringLiteral("この受注は他で変更されています。表示を更新しました。");

void addOrder(db::Database& d, int no, int lines) {
    d.execute(QStringLiteral("INSERT INTO 受注データ VALUES (?, 'C1', 'E1', ?, ?, ?, ?, ?, ?, ?, 0, ' ')"),
              {no, road::money(100), road::money(80), road::money(50), road::money(100 * lines),
               road::money(10), road::money(0), QDate(2024, 5, no)});
    for (int i = 1; i <= lines; ++i)
        d.execute(QStringLiteral("INSERT INTO 受注個別データ VALUES (?, ?, 'F1', 1, ?, ?, ?, ?, ?, ' ')"),
                  {no * 10 + i, no, road::money(100), road::money(80), road::money(50), road::money(100),
                   road::money(10)});
}

QStringList marks(Shop& shop, int orderNo) {
    db::Database d(shop.dbPath());
    QStringList out{
        d.scalar(QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = ?"), {orderNo}).toString()};
    db::Query q = d.query(
        QStringLiteral("SELECT キャンセル FROM 受注個別データ WHERE 受注No = ? ORDER BY 個別No"), {orderNo});
    while (q.next())
        out << q.toText(0);
    return out;
}

} // namespace

TEST(CancelRoad, AClickTogglesWhatTheRowShowsOnlyWhileTheTableStillHoldsIt) {
    Shop shop({{"F1", "りんご", 100, 80, 50, 10.0f, 7, "食品"}});
    {
        db::Database d(shop.dbPath());
        addOrder(d, 1, 3);
        addOrder(d, 2, 1);
    }
    orders::CancelWindow* w = shop.openCancel();
    ASSERT_NE(w, nullptr);
    auto rowOf = [&](int orderNo) {
        for (int i = 0; i < w->model()->orderCount(); ++i)
            if (w->model()->order(i).orderNo == orderNo) return i;
        return -1;
    };
    const int row = rowOf(1);
    ASSERT_GE(row, 0);
    auto shownMark = [&] {
        return w->model()->index(row, orders::OrderListModel::ColCancel).data().toString();
    };
    auto click = [&] {
        QTableView* g = w->grid();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                          g->visualRect(g->model()->index(row, 1)).center());
    };

    struct Step {
        const char* what;
        const char* elsewhere; // written by another connection before the click (nullptr: nothing)
        bool told;             // the user is told the order changed elsewhere
        const char* stored;    // the order's and every line's mark afterwards
        const char* shown;     // column 8 afterwards
    };
    const Step steps[] = {
        {"cancel", nullptr, false, "X", "キャンセル"},
        {"restore", nullptr, false, " ", " "},
        {"cancelled elsewhere while shown active", "X", true, "X", "キャンセル"},
        {"restore after the refresh", nullptr, false, " ", " "},
        {"cancel", nullptr, false, "X", "キャンセル"},
        {"restored elsewhere while shown cancelled", " ", true, " ", " "},
        {"already as shown elsewhere: still a toggle", " ", false, "X", "キャンセル"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        shop.messages().clear();
        if (s.elsewhere) {
            db::Database other(shop.dbPath());
            other.execute(QStringLiteral("UPDATE 受注データ SET キャンセル = ? WHERE 受注No = 1"),
                          {QString::fromUtf8(s.elsewhere)});
            other.execute(QStringLiteral("UPDATE 受注個別データ SET キャンセル = ? WHERE 受注No = 1"),
                          {QString::fromUtf8(s.elsewhere)});
        }
        click();
        EXPECT_EQ(shop.texts(), s.told ? QStringList{kChangedElsewhere} : QStringList());
        const QString m = QString::fromUtf8(s.stored);
        EXPECT_EQ(marks(shop, 1), (QStringList{m, m, m, m}));
        EXPECT_EQ(shownMark(), QString::fromUtf8(s.shown));
    }
    EXPECT_EQ(marks(shop, 2), (QStringList{" ", " "})); // the other order is never touched
}
