// A company database for the preview tests, and layouts with a chosen page capacity.
#pragma once

#include "core/AppState.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/ReportKind.h"

#include <QDate>
#include <QRegularExpression>

namespace previewtest {

inline QVariant money(qint64 units) { return QVariant::fromValue(db::Currency::fromUnits(units)); }

inline void makeDatabase(core::AppState& s, const QString& path) {
    core::InitFieldLimits(s);
    s.gDbPath = path;
    core::CreateNewDatabase(s);
    core::CreateGoodsTable(s);
    core::CreateClientTable(s);
    core::CreateEmployeeTable(s);
    core::CreateOrderTable(s, QDate(2024, 1, 1));
    core::CreateOrderLineTable(s);
}

inline void addGoods(db::Database& d, int no, const QString& code, int stock, int orderPoint) {
    d.execute(QStringLiteral("INSERT INTO \"商品マスタ\" VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              {no, code, QStringLiteral("品") + code, money(100), money(80), money(50), 10.0, stock, orderPoint,
               QStringLiteral("文具")});
}

inline void addClient(db::Database& d, int no, const QString& code, const QString& name) {
    d.execute(QStringLiteral("INSERT INTO \"顧客マスタ\" VALUES (?, ?, ?, '100-0001', '東京都', '03', NULL, NULL)"),
              {no, code, name});
}

// An order of the client C1 and employee E1 on the date, paid on `paid` (0 = unpaid).
inline void addOrder(db::Database& d, int no, QDate date, double paid = 0, const char* cancel = " ",
                     const QString& client = QStringLiteral("C1")) {
    d.execute(QStringLiteral("INSERT INTO \"受注データ\" VALUES (?, ?, 'E1', ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              {no, client, money(1000), money(800), money(600), money(1000), money(100), money(0),
               db::toOleDate(date), paid, QString::fromLatin1(cancel)});
}

inline void addLine(db::Database& d, int no, int orderNo, const QString& goods) {
    d.execute(QStringLiteral("INSERT INTO \"受注個別データ\" VALUES (?, ?, ?, 1, ?, ?, ?, ?, ?, ' ')"),
              {no, orderNo, goods, money(100), money(80), money(50), money(100), money(10)});
}

// The built-in layout of the kind with its MAXLINE= number replaced.
inline void setLayout(core::AppState& s, int kind, int maxLine) {
    QString text = reports::DefaultLayoutText(kind);
    text.replace(QRegularExpression(QStringLiteral("MAXLINE=\\d+")), QStringLiteral("MAXLINE=%1").arg(maxLine));
    std::int32_t count = 0;
    reports::FrmtValidate(text, count);
    s.gFrmtText[size_t(kind)] = text;
    s.gFrmtCount[size_t(kind)] = count;
}

inline void setAllLayouts(core::AppState& s, int maxLine) {
    for (int k = 1; k <= 14; ++k)
        setLayout(s, k, maxLine);
}

} // namespace previewtest
