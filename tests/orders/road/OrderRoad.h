// The order windows as a user reaches them: a new database through the real main window, masters written
// into it, and the windows opened from the 操作 menu and driven by clicks and keys.
#pragma once

#include "support/MainRoad.h"

#include "masters/CompanySettingsDialog.h"
#include "orders/CancelWindow.h"
#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/StockUpdateWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace road {

struct Goods {
    QString code;
    QString name;
    int price, wholesale, cost;
    float rate;
    int stock;
    QString category;
};

inline QVariant money(qint64 units) {
    return QVariant::fromValue(db::Currency::fromUnits(units));
}

// Goods, clients C1/C2 and employees E1/E2 next to the seed rows.
inline void addMasters(const QString& dbPath, const std::vector<Goods>& goods) {
    db::Database d(dbPath);
    int no = 1;
    for (const Goods& g : goods)
        d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                  {no++, g.code, g.name, money(g.price), money(g.wholesale), money(g.cost), double(g.rate),
                   g.stock, 5, g.category});
    d.execute(QStringLiteral(
        "INSERT INTO 顧客マスタ VALUES (1, 'C1', '山田商店', '100-0001', '東京都', '03', NULL, NULL)"));
    d.execute(QStringLiteral(
        "INSERT INTO 顧客マスタ VALUES (2, 'C2', 'O''Brien 商会', '100-0002', '東京都', '03', NULL, NULL)"));
    d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', '佐藤')"));
    d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (2, 'E2', '鈴木')"));
}

// The first work window of type W in the main window's work area, once ready(w) holds.
template <class W, class Ready> W* findWork(mainroad::Program& p, Ready ready) {
    W* found = nullptr;
    mainroad::waitFor([&] {
        for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
            if (auto* w = qobject_cast<W*>(frame::workOf(sub))) found = w;
        return found != nullptr && ready(found);
    });
    return found;
}

// An entry window once it is built and laid out.
template <class W> W* findEntryWindow(mainroad::Program& p) {
    return findWork<W>(p, [](W* w) { return w->grid()->table()->columnWidth(1) > 60; });
}

// A shop open in the main window: categories 食品 and 文具, the goods given, the masters above.
class Shop {
  public:
    // perLine: the company's tax mode; rate: the company rate of the total mode.
    explicit Shop(const std::vector<Goods>& goods, bool perLine = true,
                  const QString& rate = QStringLiteral("8")) {
        db_ = p.newDatabase(QStringLiteral("shop.vrd"), [&](masters::CompanySettingsDialog& d) {
            d.txtCat->setText(QStringLiteral("文具"));
            d.cmdAdd->click();
            if (!perLine) {
                d.rdo[1]->click();
                d.txtTax->setText(rate);
            }
        });
        if (!db_.isEmpty()) addMasters(db_, goods);
    }

    mainroad::Program p;

    const QString& dbPath() const { return db_; }
    ui::RecordingMessageService& messages() { return p.messages(); }
    QStringList texts() { return p.messages().texts(); }

    orders::GetOrderWindow* openOrder() {
        p.trigger(QStringLiteral("mnuOrder"));
        return findEntryWindow<orders::GetOrderWindow>(p);
    }
    // mode: the chooser's button, "在庫不足品だけ表示" or "全て表示".
    orders::StockUpdateWindow* openStock(const QString& mode = QStringLiteral("全て表示")) {
        mainroad::onNextModal([mode](QWidget* w) { mainroad::press(w, mode); });
        p.trigger(QStringLiteral("mnuStockUp"));
        return findEntryWindow<orders::StockUpdateWindow>(p);
    }

    // mode: the chooser's button, "未入金のものだけ表示" or "全て表示".
    orders::CancelWindow* openCancel(const QString& mode = QStringLiteral("全て表示")) {
        mainroad::onNextModal([mode](QWidget* w) { mainroad::press(w, mode); });
        p.trigger(QStringLiteral("mnuCancel"));
        return findWork<orders::CancelWindow>(p,
                                              [](orders::CancelWindow* w) { return w->grid()->isVisible(); });
    }

    // A mouse click on a cell of a grid (rows counted as the windows count them, from 1).
    static void click(orders::EntryGrid* g, int r, int c) {
        QTableWidget* t = g->table();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(r - 1, c)).center());
    }
    // Replaces the editor's text key by key, as a person selecting it and typing does.
    static void type(orders::EntryGrid* g, const QString& text) {
        QLineEdit* e = g->editor();
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, text);
    }
    static void press(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    db::Database db() { return db::Database(db_); }
    QVariant scalar(const QString& sql, const QVariantList& args = {}) {
        return db::Database(db_).scalar(sql, args);
    }

  private:
    QString db_;
};

} // namespace road
