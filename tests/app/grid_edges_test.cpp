// Edge inputs typed or pasted into every cell of the five master grids, through the real main window:
// each value is either taken and shown as the file holds it, or refused with a message and the file
// unchanged.
#include "support/MainRoad.h"

#include "db/Currency.h"
#include "db/Database.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <algorithm>
#include <gtest/gtest.h>

using mainroad::Program;

namespace {

struct Master {
    const char* item;
    const char* table;
    const char* key; // the row the cases edit: WHERE key = keyValue
    const char* keyValue;
};

const Master kMasters[] = {
    {"mnuManComm", "商品マスタ", "商品コード", "G02"}, {"mnuManCli", "顧客マスタ", "顧客コード", "C02"},
    {"mnuManEmp", "社員マスタ", "社員コード", "E02"},  {"mnuManRecG", "受注データ", "受注No", "2"},
    {"mnuManRecD", "受注個別データ", "受注No", "2"},
};

// The inputs a person may type or paste into any cell.
QStringList edgeInputs() {
    QStringList in{QString(),
                   QStringLiteral("   "),
                   QStringLiteral("１２３"),
                   QStringLiteral("－５"),
                   QStringLiteral("99999999999999999999"),
                   QStringLiteral("1e309"),
                   QStringLiteral("-1e309"),
                   QStringLiteral("1e300"),
                   QStringLiteral("-1e300"),
                   QStringLiteral("3000000"),
                   QStringLiteral("-700000"),
                   QStringLiteral("2147483648"),
                   QStringLiteral("-2147483649"),
                   QStringLiteral("922337203685477.5808"),
                   QStringLiteral("1.23456789012345"),
                   QStringLiteral("-0"),
                   QStringLiteral("."),
                   QStringLiteral("1,000"),
                   QStringLiteral("１，０００"),
                   QStringLiteral("abc"),
                   QStringLiteral("0050/1/1"),
                   QStringLiteral("0001/01/01 00:00:00"),
                   QStringLiteral("2024/6/28"),
                   QStringLiteral("ﾃｽﾄｶﾅ"),
                   QString::fromUtf16(u"\U0001F600"),
                   QString::fromUtf16(u"\U00020BB7"),
                   QStringLiteral("ℌ"),
                   QString(QChar(0xD800)) + QStringLiteral("x"),
                   QStringLiteral("XXXXXXXXXXXXXXXXXXXX"),
                   QString(10000, QLatin1Char('7'))};
    for (const char* control : {"a\tb", "a\rb", "a\nb", "a\r\nb",
                                "a\x01"
                                "b",
                                "a\x1b"
                                "b",
                                "a\x7f"
                                "b"})
        in << QString::fromLatin1(control);
    in << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    return in;
}

// The row as the file holds it, every column quoted by the engine.
QString fileRow(Program& p, const Master& m) {
    QStringList cols;
    db::Database d(p.state().gDbPath);
    db::Query q = d.query(QStringLiteral("SELECT * FROM \"%1\" WHERE \"%2\" = ?").arg(m.table, m.key),
                          {QString::fromUtf8(m.keyValue)});
    while (q.next())
        for (int i = 0; i < q.columnCount(); ++i)
            cols << q.value(i).toString() + QLatin1Char('/') + QString::number(q.value(i).typeId());
    return cols.join(QLatin1Char('|'));
}

int columnOf(masters::MasterTableModel* model, const QString& name) {
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal).toString() == name) return c;
    return -1;
}

int rowOf(masters::MasterTableModel* model, int keyColumn, const QString& key) {
    for (int r = 0; r < model->recordCount(); ++r)
        if (model->index(r, keyColumn).data().toString() == key) return r;
    return -1;
}

// Pastes the text over a cell's editor, as Ctrl+V over the whole text does, and presses 更新.
void pasteAndUpdate(masters::MasterWindow* w, const QModelIndex& at, const QString& text) {
    ASSERT_TRUE(mainroad::pasteIntoCell(w->grid(), at, text));
    w->cmdUpdate_Click();
    QCoreApplication::processEvents();
}

} // namespace

// Every column of every master with every edge input: refused (a message, the file and the cell as
// they were) or taken (no message, the cell showing what the file holds, the same after a refresh,
// never the out-of-range mark; texts stored as they were typed).
TEST(GridEdges, EveryMasterCellTakesAValueWholeOrRefusesIt) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    const QStringList inputs = edgeInputs();
    int taken = 0, refused = 0;
    for (const Master& m : kMasters) {
        SCOPED_TRACE(m.table);
        ASSERT_TRUE(p.trigger(QString::fromLatin1(m.item)));
        masters::MasterWindow* w = nullptr;
        ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }));
        masters::MasterTableModel* model = w->model();
        const int keyCol = columnOf(model, QString::fromUtf8(m.key));
        ASSERT_GE(keyCol, 0);
        for (int col = 0; col < model->columnCount(); ++col) {
            if (col == keyCol) continue; // the row must stay findable
            const db::FieldInfo& f = model->fields()[size_t(col)];
            SCOPED_TRACE(f.name.toStdString());
            for (const QString& input : inputs) {
                SCOPED_TRACE(input.left(40).toUtf8().toStdString());
                const int row = rowOf(model, keyCol, QString::fromUtf8(m.keyValue));
                ASSERT_GE(row, 0);
                const QModelIndex at = model->index(row, col);
                const QString shownBefore = at.data().toString();
                const QString before = fileRow(p, m);
                p.messages().clear();
                pasteAndUpdate(w, at, input);
                if (QWidget* box = w->grid()->indexWidget(at)) { // a refused text comes back for mending
                    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                    QApplication::sendEvent(box, &escape);
                    QCoreApplication::processEvents();
                }
                const int after = rowOf(model, keyCol, QString::fromUtf8(m.keyValue));
                ASSERT_GE(after, 0);
                const QString shown = model->index(after, col).data().toString();
                if (!p.messages().shown().empty()) {
                    ++refused;
                    EXPECT_TRUE(p.messages().shown()[0].beepBefore);
                    EXPECT_EQ(fileRow(p, m), before);
                    EXPECT_EQ(shown, shownBefore);
                    if (f.type == db::FieldType::Text && input.size() == 3 && input[1].unicode() < 0x20) {
                        EXPECT_TRUE(
                            p.messages().shown()[0].text.contains(QStringLiteral("「%1」").arg(f.name)));
                    }
                    continue;
                }
                ++taken;
                EXPECT_NE(shown, db::kOutOfRangeText);
                if (!input.trimmed().isEmpty()) {
                    EXPECT_FALSE(shown.isEmpty());
                }
                if (f.type == db::FieldType::Text) {
                    EXPECT_EQ(shown, input);
                }
                w->cmdRefresh_Click();
                const int again = rowOf(model, keyCol, QString::fromUtf8(m.keyValue));
                ASSERT_GE(again, 0);
                EXPECT_EQ(model->index(again, col).data().toString(), shown);
            }
        }
        w->cmdClose_Click();
        ASSERT_TRUE(mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; }));
        // What the grid took shows in the master's list line for line: a control character would split
        // a line of the list and of its exported files, or show as nothing.
        QString list = mainroad::readList(p, int(&m - kMasters));
        ASSERT_FALSE(list.isEmpty()) << p.messages().texts().join('|').toStdString();
        list.remove(QStringLiteral("\r\n"));
        for (const QChar ch : list)
            EXPECT_FALSE(ch.unicode() < 0x20 || ch.unicode() == 0x7f)
                << "U+" << std::hex << int(ch.unicode());
    }
    EXPECT_GT(taken, 50);
    EXPECT_GT(refused, 50);
}

// A date cell takes a day with a time only where it shows that very value again: else the grid refuses it,
// rather than store what it then shows as out of range or without its fraction of a second. The order list
// shows the day taken.
TEST(GridEdges, ADateCellTakesOnlyWhatItShows) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    const Master& orders = kMasters[3];
    const struct {
        const char* typed;
        const char* shown; // nullptr: refused
    } cases[] = {
        {"9999/12/31 12:00", nullptr},
        {"2958465.5", nullptr},
        {"45471.123", nullptr},
        {"-0.5", nullptr},
        {"9999/12/31", "9999/12/31"},
        {"2024/6/28 18:30", "2024/06/28 18:30:00"},
        {"45471.75", "2024/06/28 18:00:00"},
        {"-1.5", "1899/12/29 12:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(p.trigger(QString::fromLatin1(orders.item)));
        masters::MasterWindow* w = nullptr;
        ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }));
        masters::MasterTableModel* model = w->model();
        const QModelIndex at =
            model->index(rowOf(model, columnOf(model, QStringLiteral("受注No")), QStringLiteral("2")),
                         columnOf(model, QStringLiteral("受注日付")));
        const QString before = fileRow(p, orders), shownBefore = at.data().toString();
        p.messages().clear();
        pasteAndUpdate(w, at, QString::fromLatin1(c.typed));
        EXPECT_EQ(p.messages().shown().empty(), c.shown != nullptr)
            << p.messages().texts().join('|').toStdString();
        if (QWidget* box = w->grid()->indexWidget(at)) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &escape);
        }
        const QString shown = model->index(at.row(), at.column()).data().toString();
        w->cmdClose_Click();
        ASSERT_TRUE(mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; }));
        if (!c.shown) {
            EXPECT_EQ(fileRow(p, orders), before);
            EXPECT_EQ(shown, shownBefore);
            continue;
        }
        EXPECT_EQ(shown, QString::fromLatin1(c.shown));
        // The list shows the day of order 2 (its layout has no time).
        const QStringList lines = mainroad::readList(p, 3).split(QStringLiteral("\r\n"));
        const auto line = std::find_if(lines.begin(), lines.end(), [](const QString& l) {
            return l.simplified().startsWith(QStringLiteral("2 C02"));
        });
        ASSERT_NE(line, lines.end()) << lines.join('\n').toStdString();
        EXPECT_TRUE(line->contains(QStringLiteral(" ") + shown.left(10) + QStringLiteral(" ")))
            << line->toStdString();
    }
}
