// The stock update window opened from 操作 > 在庫更新 of the real main window: counts typed key by key,
// the keys that move the editor, and what 更新 writes.
#include "OrderRoad.h"

using orders::StockUpdateWindow;
using road::Goods;
using road::Shop;

namespace {

const QString kHuge = QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。");

const std::vector<Goods> kGoods{
    {"F1", "りんご", 100, 80, 50, 10.0f, 7, "食品"}, {"F2", "みかん", 100, 80, 60, 10.0f, 8, "食品"},
    {"F3", "パン", 105, 90, 70, 8.0f, 9, "食品"},    {"F4", "牛乳", 1010, 900, 700, 5.0f, 10, "食品"},
    {"F5", "卵", 298, 250, 0, 8.0f, 11, "食品"},     {"F6", "米", 4980, 4000, 3500, 8.0f, 12, "食品"},
    {"S1", "ペン", 120, 100, 60, 10.0f, 13, "文具"},
};

int storedCount(Shop& shop, const QString& code) {
    return shop.scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = ?"), {code}).toInt();
}

} // namespace

TEST(StockRoad, OnlyArrowKeysAndEnterMoveTheEditor) {
    Shop shop(kGoods);
    StockUpdateWindow* w = shop.openStock();
    ASSERT_NE(w, nullptr);
    for (char ch = ' '; ch <= '~'; ++ch) {
        Shop::click(w->grid(), 4, 6);
        QTest::keyClick(w->grid()->editor(), ch);
        EXPECT_EQ(w->currentRow(), 4) << "'" << ch << "'";
        EXPECT_EQ(w->currentColumn(), 6) << "'" << ch << "'";
        EXPECT_EQ(w->grid()->row(), 4) << "'" << ch << "'";
    }
    struct Move {
        Qt::Key key;
        int row;
    };
    for (const Move& m : {Move{Qt::Key_Up, 3}, Move{Qt::Key_Down, 5}, Move{Qt::Key_Return, 5},
                          Move{Qt::Key_Enter, 5}, Move{Qt::Key_Left, 4}, Move{Qt::Key_Right, 4}}) {
        Shop::click(w->grid(), 4, 6);
        QTest::keyClick(w->grid()->editor(), m.key);
        EXPECT_EQ(w->currentRow(), m.row) << m.key;
        EXPECT_EQ(w->currentColumn(), 6) << m.key;
    }
}

// Counts typed key by key as a person types them; 更新 writes what the cells show.
TEST(StockRoad, SignedCountsTypedKeyByKeyAreStored) {
    Shop shop(kGoods);
    StockUpdateWindow* w = shop.openStock();
    ASSERT_NE(w, nullptr);
    struct Case {
        int row;
        QString code;
        const char* keys;
        const char* editor; // after the last key
        const char* cell;
        int stored;
    };
    const Case cases[] = {
        {1, "F1", "-5", "-5", "-5", -5},     {2, "F2", "5-", "5-", "-5", -5},
        {3, "F3", "-", "-", "0", 0}, // a lone minus sign is 0 and stays to be typed on
        {4, "F4", "-0.6", "-0.6", "-1", -1}, {5, "F5", "-12,3", "-12,3", "-123", -123},
        {6, "F6", "abc", "12", "12", 12}, // not a number: the count stays
    };
    for (const Case& c : cases) {
        Shop::click(w->grid(), c.row, 6);
        Shop::type(w->grid(), QString::fromUtf8(c.keys));
        EXPECT_EQ(w->grid()->editor()->text(), QString::fromUtf8(c.editor)) << c.keys;
        EXPECT_EQ(w->grid()->textAt(c.row, 6), QString::fromUtf8(c.cell)) << c.keys;
    }
    EXPECT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
    Shop::press(w->okButton());
    for (const Case& c : cases) {
        EXPECT_EQ(storedCount(shop, c.code), c.stored) << c.keys;
        EXPECT_EQ(w->grid()->textAt(c.row, 6), QString::number(c.stored)) << c.keys; // reloaded
    }
}

// A count too large for the program: the message, and the count the cell had when the editor came to
// it, not the one of the keystroke before.
TEST(StockRoad, TooLargeCountPutsBackTheCountFromBeforeTheEdit) {
    Shop shop(kGoods);
    StockUpdateWindow* w = shop.openStock();
    ASSERT_NE(w, nullptr);
    struct Case {
        int row;
        QString code;
        const char* first; // typed in an earlier edit of the cell (nullptr: none)
        const char* huge;  // typed key by key in a new edit
        const char* kept;
    };
    const Case cases[] = {
        {1, "F1", nullptr, "3000000000", "7"},
        {2, "F2", "12", "3000000000", "12"},
        {3, "F3", "-4", "-9999999999", "-4"},
    };
    for (const Case& c : cases) {
        shop.messages().clear();
        if (c.first) {
            Shop::click(w->grid(), c.row, 6);
            Shop::type(w->grid(), QString::fromUtf8(c.first));
        }
        Shop::click(w->grid(), c.row + 1, 6); // away and back: a new edit
        Shop::click(w->grid(), c.row, 6);
        Shop::type(w->grid(), QString::fromUtf8(c.huge));
        EXPECT_EQ(shop.texts(), QStringList{kHuge}) << c.huge;
        EXPECT_EQ(w->grid()->textAt(c.row, 6), QString::fromUtf8(c.kept)) << c.huge;
        EXPECT_EQ(w->grid()->editor()->text(), QString::fromUtf8(c.kept)) << c.huge;
    }
    shop.messages().clear();
    Shop::press(w->okButton());
    EXPECT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
    for (const Case& c : cases)
        EXPECT_EQ(QString::number(storedCount(shop, c.code)), QString::fromUtf8(c.kept));
}
