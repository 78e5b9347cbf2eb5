// A small company database for the order tests: seed rows, three categories of goods, clients, employees.
#pragma once

#include "support/TestEnv.h"
#include "core/AppState.h"
#include "core/Schema.h"
#include "db/Database.h"

#include <QDate>
#include <QStringList>

namespace orderstest {

struct Goods {
    const char* code;
    const char* name;
    int price;
    int wholesale;
    int cost;
    float rate;
    int stock;
    const char* category;
};

inline QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

inline void addGoods(db::Database& d, int no, const Goods& g) {
    d.execute(QStringLiteral("INSERT INTO \"商品マスタ\" VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              {no, QString::fromUtf8(g.code), QString::fromUtf8(g.name), money(g.price), money(g.wholesale),
               money(g.cost), double(g.rate), g.stock, 5, QString::fromUtf8(g.category)});
}

inline void addClient(db::Database& d, int no, const QString& code, const QString& name) {
    d.execute(QStringLiteral("INSERT INTO \"顧客マスタ\" VALUES (?, ?, ?, '100-0001', '東京都', '03-0000-0000', NULL, NULL)"),
              {no, code, name});
}

inline void addEmployee(db::Database& d, int no, const QString& code, const QString& name) {
    d.execute(QStringLiteral("INSERT INTO \"社員マスタ\" VALUES (?, ?, ?)"), {no, code, name});
}

// Creates the five tables with their seed rows at folder/name and sets the categories.
inline void makeEmptyDatabase(core::AppState& s, const QString& path, const QStringList& categories) {
    core::InitFieldLimits(s);
    s.gDbPath = path;
    core::CreateNewDatabase(s);
    core::CreateCompanyTables(s, QDate(2024, 1, 1));
    s.categories.gCatCount = 0;
    s.categories.CatInit();
    for (const QString& c : categories) {
        s.categories.CatSet(s.categories.gCatCount + 1, c);
        ++s.categories.gCatCount;
    }
    s.categories.commitWorking();
}

// Goods G1..G3 in 文具, G4 in 紙, G5 in a category nobody lists; two clients, two employees.
inline void makeShopDatabase(core::AppState& s, const QString& path) {
    makeEmptyDatabase(s, path, {QStringLiteral("文具"), QStringLiteral("紙"), QStringLiteral("空き")});
    db::Database d(path);
    const Goods goods[] = {
        {"G1", "ボールペン", 1000, 800, 600, 8.0f, 10, "文具"},
        {"G2", "ノート", 105, 80, 50, 8.0f, 1, "文具"},
        {"G3", "O'Neil ペン", 1010, 900, 700, 5.0f, 3, "文具"},
        {"G4", "封筒", 200, 150, 100, 10.0f, 100, "紙"},
        {"G5", "迷子", 300, 200, 100, 10.0f, 7, "どこにもない"},
    };
    int no = 1;
    for (const Goods& g : goods)
        addGoods(d, no++, g);
    addClient(d, 1, QStringLiteral("C1"), QStringLiteral("山田商店"));
    addClient(d, 2, QStringLiteral("C2"), QStringLiteral("O'Brien 商会"));
    addEmployee(d, 1, QStringLiteral("E1"), QStringLiteral("佐藤"));
    addEmployee(d, 2, QStringLiteral("E2"), QStringLiteral("鈴木"));
}

} // namespace orderstest
