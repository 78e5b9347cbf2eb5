// The order entry window opened from 操作 > 受注データ入力 of the real main window: what 契約 stores is
// what the window showed, whatever the user clicked and typed before.
#include "OrderRoad.h"

#include "core/Numbers.h"
#include "orders/OrderCalc.h"

#include <QMouseEvent>
#include <map>
#include <random>

using db::Currency;
using orders::EntryGrid;
using orders::GetOrderWindow;
using road::Goods;
using road::Shop;

namespace {

const QString kHuge = QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。");
const QString kPickClient = QStringLiteral("顧客名を一覧から選んでください。");
const QString kPickEmployee = QStringLiteral("社員名を一覧から選んでください。");

// 食品 first (the window starts there), then 文具. Prices chosen so that the tax rounding matters.
const std::vector<Goods> kGoods{
    {"F1", "りんご", 100, 80, 50, 10.0f, 20, "食品"}, {"F2", "みかん", 100, 80, 60, 10.0f, 20, "食品"},
    {"F3", "パン", 105, 90, 70, 8.0f, 5, "食品"},     {"F4", "牛乳", 1010, 900, 700, 5.0f, 3, "食品"},
    {"F5", "卵", 298, 250, 0, 8.0f, 40, "食品"},      {"F6", "米", 4980, 4000, 3500, 8.0f, 2, "食品"},
    {"S1", "ペン", 120, 100, 60, 10.0f, 9, "文具"},   {"S2", "ノート", 250, 200, 150, 10.0f, 9, "文具"},
    {"S3", "のり", 333, 300, 200, 8.0f, 9, "文具"},
};

// Many equal prices across lines and columns: the editor often already shows the text a click brings.
const std::vector<Goods> kMixGoods{
    {"F1", "りんご", 100, 80, 50, 10.0f, 20, "食品"}, {"F2", "みかん", 100, 80, 50, 8.0f, 20, "食品"},
    {"F3", "パン", 105, 80, 70, 8.0f, 5, "食品"},     {"F4", "牛乳", 1010, 900, 80, 5.0f, 3, "食品"},
    {"F5", "卵", 298, 250, 0, 8.0f, 40, "食品"},      {"F6", "米", 80, 80, 50, 10.0f, 2, "食品"},
    {"S1", "ペン", 120, 100, 60, 10.0f, 9, "文具"},   {"S2", "ノート", 120, 100, 50, 8.0f, 9, "文具"},
    {"S3", "のり", 333, 100, 80, 8.0f, 9, "文具"},
};

QString shown(Currency v) {
    return core::FormatGrouped(v, 0);
}
QString shownOrBlank(Currency v) {
    return v > Currency() ? shown(v) : QString();
}

struct SavedLine {
    int qty = 0;
    Currency price, list, wholesale, cost, tax;
};

struct SavedOrder {
    bool found = false;
    QString client, employee;
    Currency list, wholesale, cost, sale, tax, shipping;
    std::map<QString, SavedLine> lines; // by goods code
};

SavedOrder readOrder(const QString& dbPath, int orderNo) {
    SavedOrder o;
    db::Database d(dbPath);
    {
        db::Query q = d.query(
            QStringLiteral("SELECT 顧客コード, 社員コード, 定価金額, 仕切値, 原価, 販売金額, 消費税額, 送料 "
                           "FROM 受注データ WHERE 受注No = ?"),
            {orderNo});
        if (!q.next()) return o;
        o.found = true;
        o.client = q.toText(0);
        o.employee = q.toText(1);
        o.list = q.toCurrency(2);
        o.wholesale = q.toCurrency(3);
        o.cost = q.toCurrency(4);
        o.sale = q.toCurrency(5);
        o.tax = q.toCurrency(6);
        o.shipping = q.toCurrency(7);
    }
    db::Query q = d.query(
        QStringLiteral("SELECT 商品コード, 個数, 個別販売価格, 個別定価, 個別仕切値, 個別原価, 個別消費税 "
                       "FROM 受注個別データ WHERE 受注No = ?"),
        {orderNo});
    while (q.next())
        o.lines[q.toText(0)] = {int(q.toInt64(1)), q.toCurrency(2), q.toCurrency(3),
                                q.toCurrency(4),   q.toCurrency(5), q.toCurrency(6)};
    return o;
}

// What the user did to one goods line, as the user would reckon it.
struct ModelLine {
    const Goods* goods = nullptr;
    Currency price;
    int qty = 0;
};

Currency units(qint64 n) {
    return Currency::fromUnits(n);
}

// The amount a cell holds after the keys were typed one by one: a text that is no amount empties the
// editor at once, and the next key starts afresh.
Currency typedAmount(const QString& keys) {
    QString text, two;
    for (const QChar ch : keys) {
        text += ch;
        if (!core::ValidateAmount(text, two)) text.clear();
    }
    return core::ValidateAmount(text, two) ? core::ParseAmount(two).value : Currency();
}

// The editor coming to a price cell takes the cell's whole-number text back in.
Currency asShown(Currency v) {
    return v > Currency() ? Currency::fromUnits((v.raw() + 5000) / 10000) : Currency();
}

class Entry {
  public:
    explicit Entry(Shop& shop) : shop_(shop), w_(shop.openOrder()) {}

    GetOrderWindow* w() { return w_; }
    EntryGrid* g() { return w_->grid(); }
    QString cell(int r, int c) { return g()->textAt(r, c); }
    void click(int r, int c) { Shop::click(g(), r, c); }
    void type(const QString& text) { Shop::type(g(), text); }
    void typeAt(int r, int c, const QString& text) {
        click(r, c);
        type(text);
    }
    void chooseCategory(int index, const QString& firstCode) {
        w_->categoryBox()->setCurrentIndex(index);
        EXPECT_TRUE(mainroad::waitFor([&] { return cell(1, 0) == QStringLiteral(" ") + firstCode; }, 5000));
        // The scroll timer puts the cell's text into the editor once more after the repaint.
        QTest::qWait(120);
    }
    void pick(int client, int employee) {
        w_->clientPicker()->setCurrentIndex(client);
        w_->employeePicker()->setCurrentIndex(employee);
    }
    int orderNo() { return w_->orderNoLabel()->text().toInt(); }
    void commit() { Shop::press(w_->okButton()); }

  private:
    Shop& shop_;
    GetOrderWindow* w_;
};

} // namespace

// Many generated sequences of price-column clicks, typed prices and quantities, category switches and
// shipping charges, each ended by 契約: the stored order is the sum of its stored lines, its tax is the
// tax the company's mode gives, the lines are what the user did, and all of it is what the window showed.
TEST(OrderEntryRoad, SavedOrderEqualsItsLinesAndTheWindowAfterAnyClicksAndEdits) {
    for (const bool perLine : {true, false}) {
        SCOPED_TRACE(perLine ? "tax per line" : "tax on the total");
        Shop shop(kMixGoods, perLine, QStringLiteral("8"));
        ASSERT_FALSE(shop.dbPath().isEmpty());
        Entry e(shop);
        ASSERT_NE(e.w(), nullptr);
        const float companyRate = shop.p.state().gCompany.TaxRate;
        ASSERT_EQ(core::isSet(shop.p.state().gCompany.TaxPerLine), perLine);

        std::vector<std::vector<const Goods*>> cats(2);
        for (const Goods& g : kMixGoods)
            cats[g.category == QStringLiteral("食品") ? 0 : 1].push_back(&g);
        const QStringList qtyTexts{"0", "1", "2", "3", "5", "10", "2.5", "1.6", "abc", "", "-3", "12"};
        const QStringList priceTexts{"0", "150", "99.5", "1,200", "x", "80", "100", "0.4"};
        const QStringList shippingTexts{"0", "500", "", "1,000", "12.5"};

        std::mt19937 rng(perLine ? 20240601u : 20240602u);
        auto pickOf = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };

        int cat = 0, row = 1, col = 5; // where the window stands: a refused 契約 and キャンセル keep it
        for (int seq = 0; seq < 24; ++seq) {
            SCOPED_TRACE("sequence " + std::to_string(seq));
            std::map<QString, ModelLine> model;
            for (const Goods& g : kMixGoods)
                model[g.code] = {&g, units(g.price), 0};
            Currency shipping;
            auto lineAt = [&](int r) -> ModelLine* {
                return r <= int(cats[size_t(cat)].size()) ? &model[cats[size_t(cat)][size_t(r - 1)]->code]
                                                          : nullptr;
            };
            auto landed = [&] { // the editor came to (row, col)
                if (ModelLine* l = lineAt(row); l && col == 5) l->price = asShown(l->price);
            };
            QStringList done;
            const int steps = 4 + pickOf(10);
            for (int step = 0; step < steps; ++step) {
                const int kind = pickOf(20);
                const int r = 1 + pickOf(int(cats[size_t(cat)].size()));
                if (kind < 7) { // a price column becomes the selling price
                    const int c = 2 + pickOf(3);
                    e.click(r, c);
                    const Goods& g = *lineAt(r)->goods;
                    lineAt(r)->price = units(c == 2 ? g.price : c == 3 ? g.wholesale : g.cost);
                    row = r;
                    col = 5;
                    done << QStringLiteral("click(%1,%2)").arg(r).arg(c);
                } else if (kind < 14) {
                    const QString t = qtyTexts[pickOf(int(qtyTexts.size()))];
                    e.click(r, 6);
                    row = r;
                    col = 6;
                    e.type(t);
                    lineAt(r)->qty = orders::quantityFromAmount(typedAmount(t));
                    done << QStringLiteral("qty(%1)=%2").arg(r).arg(t);
                } else if (kind < 18) {
                    const QString t = priceTexts[pickOf(int(priceTexts.size()))];
                    e.click(r, 5);
                    row = r;
                    col = 5;
                    landed();
                    e.type(t);
                    lineAt(r)->price = typedAmount(t);
                    done << QStringLiteral("price(%1)=%2").arg(r).arg(t);
                } else if (kind < 19) {
                    cat = 1 - cat;
                    e.chooseCategory(cat, cats[size_t(cat)].front()->code);
                    landed();
                    done << QStringLiteral("category %1").arg(cat);
                } else {
                    const QString t = shippingTexts[pickOf(int(shippingTexts.size()))];
                    e.w()->shippingBox()->selectAll();
                    if (t.isEmpty())
                        QTest::keyClick(e.w()->shippingBox(), Qt::Key_Delete);
                    else
                        QTest::keyClicks(e.w()->shippingBox(), t);
                    shipping = core::ParseAmount(t).ok() ? core::ParseAmount(t).value : Currency();
                    done << QStringLiteral("shipping=%1").arg(t);
                }
            }
            SCOPED_TRACE(done.join(QLatin1Char(' ')).toStdString());
            ASSERT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();

            // What the user should have, reckoned apart from the window.
            Currency list, wholesale, cost, sale, lineTaxes;
            for (const auto& [code, l] : model) {
                if (l.qty <= 0) continue;
                list += units(l.goods->price) * l.qty;
                wholesale += units(l.goods->wholesale) * l.qty;
                cost += units(l.goods->cost) * l.qty;
                sale += l.price * l.qty;
                lineTaxes += orders::lineTaxPerLine(l.price, l.qty, l.goods->rate);
            }
            const Currency tax = perLine ? lineTaxes : orders::orderTaxOnTotal(sale, companyRate);

            // What the window shows just before 契約.
            const QStringList totalsRow{e.cell(11, 2), e.cell(11, 3), e.cell(11, 4), e.cell(11, 5),
                                        e.cell(11, 7)};
            const QString grandShown = e.w()->totalLabel()->text();
            EXPECT_EQ(totalsRow,
                      (QStringList{shown(list), shown(wholesale), shown(cost), shown(sale), shown(tax)}));
            EXPECT_EQ(grandShown, shown(sale + tax + shipping));
            struct Visible {
                QString price, qty, tax;
            };
            std::map<QString, Visible> visible;
            for (int r = 1; r <= int(cats[size_t(cat)].size()); ++r)
                visible[cats[size_t(cat)][size_t(r - 1)]->code] = {e.cell(r, 5), e.cell(r, 6), e.cell(r, 7)};

            const int orderNo = e.orderNo();
            e.pick(1 + pickOf(2), 1 + pickOf(2));
            const QString client = e.w()->clientPicker()->currentData().toString();
            const QString employee = e.w()->employeePicker()->currentData().toString();
            e.commit();
            if (!(sale + shipping > Currency())) {
                EXPECT_EQ(shop.texts(), QStringList{QStringLiteral("総合計が０以下です。")});
                shop.messages().clear();
                Shop::press(e.w()->cancelButton());
                continue;
            }
            cat = 0; // the next order starts on the first category
            row = 1;
            col = 5;
            ASSERT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
            ASSERT_EQ(e.orderNo(), orderNo + 1); // the window started the next order

            const SavedOrder o = readOrder(shop.dbPath(), orderNo);
            ASSERT_TRUE(o.found);
            EXPECT_EQ(o.client, client);
            EXPECT_EQ(o.employee, employee);
            // The order row is the sum of its lines.
            Currency sList, sWholesale, sCost, sSale, sTax;
            for (const auto& [code, l] : o.lines) {
                sList += l.list * l.qty;
                sWholesale += l.wholesale * l.qty;
                sCost += l.cost * l.qty;
                sSale += l.price * l.qty;
                sTax += l.tax;
                EXPECT_EQ(l.tax, perLine ? orders::lineTaxPerLine(l.price, l.qty, model[code].goods->rate)
                                         : Currency())
                    << code.toStdString();
            }
            EXPECT_EQ(o.list, sList);
            EXPECT_EQ(o.wholesale, sWholesale);
            EXPECT_EQ(o.cost, sCost);
            EXPECT_EQ(o.sale, sSale);
            EXPECT_EQ(o.tax, perLine ? sTax : orders::orderTaxOnTotal(sSale, companyRate));
            EXPECT_EQ(o.shipping, shipping);
            // ... the lines are what the user did ...
            std::map<QString, std::pair<int, Currency>> expectedLines, savedLines;
            for (const auto& [code, l] : model)
                if (l.qty > 0) expectedLines[code] = {l.qty, l.price};
            for (const auto& [code, l] : o.lines)
                savedLines[code] = {l.qty, l.price};
            EXPECT_EQ(savedLines, expectedLines);
            // ... and all of it is what the window showed.
            EXPECT_EQ(
                (QStringList{shown(o.list), shown(o.wholesale), shown(o.cost), shown(o.sale), shown(o.tax)}),
                totalsRow);
            EXPECT_EQ(shown(o.sale + o.tax + o.shipping), grandShown);
            for (const auto& [code, v] : visible) {
                const auto it = o.lines.find(code);
                if (it == o.lines.end()) {
                    EXPECT_EQ(v.qty, QString()) << code.toStdString();
                    continue;
                }
                EXPECT_EQ(v.price, shownOrBlank(it->second.price)) << code.toStdString();
                EXPECT_EQ(v.qty, shownOrBlank(units(it->second.qty))) << code.toStdString();
                if (perLine) {
                    EXPECT_EQ(v.tax, shownOrBlank(it->second.tax)) << code.toStdString();
                }
            }
        }
    }
}

// Two goods at 100 with 仕切値 80 and quantity 1: a click on the 仕切値 of each line. The second click
// finds the editor already showing "80", yet the line and the totals follow.
TEST(OrderEntryRoad, PriceColumnClickRecomputesEvenWhenTheEditorTextStaysTheSame) {
    Shop shop(kGoods);
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    e.typeAt(1, 6, QStringLiteral("1"));
    e.typeAt(2, 6, QStringLiteral("1"));
    e.click(1, 3);
    e.click(2, 3);
    EXPECT_EQ(e.g()->editor()->text(), QStringLiteral("80"));
    EXPECT_EQ(e.cell(2, 7), QStringLiteral("8"));
    EXPECT_EQ(e.cell(11, 5), QStringLiteral("160"));
    EXPECT_EQ(e.cell(11, 7), QStringLiteral("16"));
    EXPECT_EQ(e.w()->totalLabel()->text(), QStringLiteral("176"));
    const int no = e.orderNo();
    e.pick(1, 1);
    e.commit();
    ASSERT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
    const SavedOrder o = readOrder(shop.dbPath(), no);
    EXPECT_EQ(o.sale, units(160));
    EXPECT_EQ(o.tax, units(16));
    EXPECT_EQ(o.lines.at(QStringLiteral("F2")).price, units(80));
    EXPECT_EQ(o.lines.at(QStringLiteral("F2")).tax, units(8));
}

// The pending row vanished (another connection deleted it) before 契約: the window takes a new number
// and asks for 契約 again, and the second 契約 stores the client, employee and lines the user chose.
TEST(OrderEntryRoad, RetryAfterTheReservedRowVanishedKeepsTheChoices) {
    Shop shop(kGoods);
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    e.pick(2, 2);
    e.typeAt(1, 6, QStringLiteral("2"));
    e.typeAt(3, 6, QStringLiteral("1"));
    const int first = e.orderNo();
    shop.db().execute(QStringLiteral("DELETE FROM 受注データ WHERE 受注No = ?"), {first});
    e.commit();
    ASSERT_EQ(shop.texts().size(), 1);
    EXPECT_TRUE(shop.texts()[0].contains(QStringLiteral("もう一度「契約」を押してください。")))
        << shop.texts()[0].toStdString();
    EXPECT_EQ(e.w()->clientPicker()->currentIndex(), 2);
    EXPECT_EQ(e.w()->employeePicker()->currentIndex(), 2);
    EXPECT_EQ(e.cell(1, 6), QStringLiteral("2"));
    shop.messages().clear();
    const int retry = e.orderNo();
    e.commit();
    EXPECT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
    const SavedOrder o = readOrder(shop.dbPath(), retry);
    ASSERT_TRUE(o.found);
    EXPECT_EQ(o.client, QStringLiteral("C2"));
    EXPECT_EQ(o.employee, QStringLiteral("E2"));
    EXPECT_EQ(o.sale, units(2 * 100 + 105));
    EXPECT_EQ(o.lines.size(), 2u);
    EXPECT_EQ(
        shop.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注データ WHERE 顧客コード = ? AND 販売金額 > 0"),
                    {shop.p.state().gReservedCode[core::kLenClientCode]})
            .toInt(),
        0);
}

// Every printable character typed into a price and a quantity cell stays in that cell; only the real
// arrow keys and Enter move the editor.
TEST(OrderEntryRoad, OnlyArrowKeysAndEnterMoveTheEditor) {
    Shop shop(kGoods);
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    for (const int startCol : {5, 6}) {
        for (char ch = ' '; ch <= '~'; ++ch) {
            e.click(3, startCol);
            QTest::keyClick(e.g()->editor(), ch);
            EXPECT_EQ(e.w()->currentRow(), 3) << "'" << ch << "' in column " << startCol;
            EXPECT_EQ(e.w()->currentCol(), startCol) << "'" << ch << "' in column " << startCol;
            EXPECT_EQ(e.g()->row(), 3) << ch;
            if (ch >= '1' && ch <= '9') {
                EXPECT_EQ(e.g()->editor()->text().right(1), QString(QLatin1Char(ch)));
            }
        }
    }
    struct Move {
        Qt::Key key;
        int fromCol;
        int row, col; // where the editor stands afterwards
    };
    const Move moves[] = {
        {Qt::Key_Left, 6, 3, 5}, {Qt::Key_Left, 5, 3, 5}, {Qt::Key_Right, 5, 3, 6},  {Qt::Key_Right, 6, 3, 6},
        {Qt::Key_Up, 5, 2, 5},   {Qt::Key_Down, 6, 4, 6}, {Qt::Key_Return, 5, 4, 5}, {Qt::Key_Enter, 6, 4, 6},
    };
    for (const Move& m : moves) {
        e.click(3, m.fromCol);
        QTest::keyClick(e.g()->editor(), m.key);
        EXPECT_EQ(e.w()->currentRow(), m.row) << m.key;
        EXPECT_EQ(e.w()->currentCol(), m.col) << m.key;
    }
    EXPECT_TRUE(shop.texts().isEmpty());
}

// A number too large for the program: the message, and the cell keeps the value it had when the
// editor came to it; 契約 stores those values.
TEST(OrderEntryRoad, TooLargeAmountsKeepThePreviousValueWithTheMessage) {
    Shop shop(kGoods);
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    struct Case {
        const char* what;
        int row, col;
        const char* before; // typed first (nullptr: the value as built)
        const char* huge;   // then typed key by key into the same cell, after coming back to it
        const char* kept;   // the cell afterwards
    };
    const Case cases[] = {
        {"price", 1, 5, nullptr, "2147483648", "100"},
        {"quantity", 1, 6, "3", "9999999999", "3"},
        {"price typed before", 2, 5, "1,200", "3000000000", "1,200"},
        {"quantity beyond the money range with this price", 3, 6, nullptr, "2000000000", ""},
    };
    e.typeAt(3, 5, QStringLiteral("2000000000"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shop.messages().clear();
        if (c.before) e.typeAt(c.row, c.col, QString::fromUtf8(c.before));
        e.click(c.row == 1 ? 2 : 1, c.col); // away and back: the edit begins anew
        e.click(c.row, c.col);
        e.type(QString::fromUtf8(c.huge));
        ASSERT_FALSE(shop.texts().isEmpty());
        EXPECT_EQ(shop.texts().front(), kHuge);
        EXPECT_EQ(e.cell(c.row, c.col), QString::fromUtf8(c.kept));
    }
    // The shipping box: "500" then, in a new edit of the box, a number too large.
    shop.messages().clear();
    QTest::keyClicks(e.w()->shippingBox(), QStringLiteral("500"));
    QTest::keyClick(e.w()->shippingBox(), Qt::Key_Return);
    e.w()->shippingBox()->selectAll();
    QTest::keyClicks(e.w()->shippingBox(), QStringLiteral("2147483648"));
    EXPECT_EQ(shop.texts(), QStringList{kHuge});
    EXPECT_EQ(e.w()->shippingBox()->text(), QStringLiteral("500"));

    shop.messages().clear();
    const int no = e.orderNo();
    e.pick(1, 1);
    e.commit();
    ASSERT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
    const SavedOrder o = readOrder(shop.dbPath(), no);
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines.at(QStringLiteral("F1")).price, units(100));
    EXPECT_EQ(o.lines.at(QStringLiteral("F1")).qty, 3);
    EXPECT_EQ(o.shipping, units(500));
    EXPECT_EQ(o.sale, units(300));
}

// Without a client or an employee chosen (the pickers start on the reserved seed rows) 契約 is refused
// with a message naming what is missing; nothing is stored and the entries stay.
TEST(OrderEntryRoad, NoOrderForTheReservedClientOrEmployee) {
    Shop shop(kGoods);
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    e.typeAt(1, 6, QStringLiteral("2"));
    const int no = e.orderNo();
    struct Case {
        int client, employee;
        QString message;
    };
    const Case cases[] = {{0, 0, kPickClient}, {0, 1, kPickClient}, {1, 0, kPickEmployee}};
    for (const Case& c : cases) {
        shop.messages().clear();
        e.pick(c.client, c.employee);
        e.commit();
        EXPECT_EQ(shop.texts(), QStringList{c.message}) << c.client << c.employee;
        EXPECT_EQ(e.orderNo(), no);
        EXPECT_EQ(e.cell(1, 6), QStringLiteral("2"));
        EXPECT_EQ(shop.scalar(QStringLiteral("SELECT 販売金額 FROM 受注データ WHERE 受注No = ?"), {no})
                      .toLongLong(),
                  0);
        EXPECT_EQ(
            shop.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注個別データ WHERE 受注No = ?"), {no}).toInt(),
            0);
        EXPECT_EQ(
            shop.scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'F1'")).toInt(), 20);
    }
    shop.messages().clear();
    e.pick(1, 2);
    e.commit();
    EXPECT_TRUE(shop.texts().isEmpty());
    const SavedOrder o = readOrder(shop.dbPath(), no);
    EXPECT_EQ(o.client, QStringLiteral("C1"));
    EXPECT_EQ(o.employee, QStringLiteral("E2"));
    EXPECT_EQ(o.sale, units(200));
}

// A double click on 契約: its second press waits in the queue while the first one saves and the window
// rebuilds. One order is stored, with its one line, and the stock goes down once.
TEST(OrderEntryRoad, ADoubleClickOnOkStoresTheOrderOnce) {
    Shop shop(kGoods);
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    e.pick(1, 1);
    e.typeAt(1, 6, QStringLiteral("3"));
    QWidget* ok = e.w()->okButton();
    const QPoint at = ok->rect().center();
    QCoreApplication::postEvent(ok, new QMouseEvent(QEvent::MouseButtonPress, QPointF(at), QPointF(ok->mapToGlobal(at)),
                                                    Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(ok, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(at),
                                                    QPointF(ok->mapToGlobal(at)), Qt::LeftButton, Qt::NoButton, {}));
    e.commit();
    QTest::qWait(300);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注データ WHERE 販売金額 > 0")).toInt(), 1);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注個別データ WHERE 受注No > 0")).toInt(), 1);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'F1'")).toInt(), 17);
    EXPECT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
}

// Prices with a fraction of a yen in the master (the import takes decimals): the window shows whole yen,
// yet every line stores the master's price whether the editor came to its cell, its 定価 was clicked,
// or it was never visited; the stored order is the sum of its lines.
TEST(OrderEntryRoad, AFractionalPriceIsStoredExactlyWhereverTheEditorWent) {
    Shop shop(kGoods);
    {
        db::Database d = shop.db();
        d.execute(QStringLiteral("UPDATE 商品マスタ SET 個別定価 = ? WHERE 商品コード IN ('F1', 'F2', 'F3')"),
                  {QVariant::fromValue(Currency::fromRaw(995000))}); // 99.5
    }
    Entry e(shop);
    ASSERT_NE(e.w(), nullptr);
    EXPECT_EQ(e.cell(1, 5), QStringLiteral("100"));
    e.typeAt(1, 6, QStringLiteral("1")); // F1: the editor stood on its price when the window opened
    e.click(2, 5);                       // F2: the editor comes to its price, nothing typed
    e.typeAt(2, 6, QStringLiteral("1"));
    e.click(3, 3);                       // F3: 仕切値 clicked, then 定価 clicked back
    e.click(3, 2);
    e.typeAt(3, 6, QStringLiteral("1"));
    e.typeAt(4, 6, QStringLiteral("1")); // F4 (1010): never visited
    const int no = e.orderNo();
    e.pick(1, 1);
    e.commit();
    ASSERT_TRUE(shop.texts().isEmpty()) << shop.texts().join('|').toStdString();
    const SavedOrder o = readOrder(shop.dbPath(), no);
    for (const char* code : {"F1", "F2", "F3"})
        EXPECT_EQ(o.lines.at(QString::fromLatin1(code)).price, Currency::fromRaw(995000)) << code;
    Currency sum;
    for (const auto& [code, line] : o.lines)
        sum = sum + Currency::fromRaw(line.price.raw() * line.qty);
    EXPECT_EQ(o.sale, sum);
    EXPECT_EQ(o.sale, Currency::fromRaw(995000 * 3 + 10100000));
}
