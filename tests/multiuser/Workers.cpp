#include "Workers.h"

#include "Journal.h"

#include "core/AppState.h"
#include "db/Database.h"
#include "db/UseLock.h"
#include "masters/MasterTableModel.h"
#include "orders/OrderStatusStore.h"
#include "orders/OrderStore.h"
#include "orders/StockStore.h"
#include "shell/DbFiles.h"
#include "support/ReplicaRoad.h"
#include "ui/MessageService.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>
#include <random>

namespace multiuser {

namespace {

using db::Currency;

struct Run {
    const Plan& plan;
    std::mt19937 rng;
    JournalWriter journal;

    explicit Run(const Plan& p)
        : plan(p), rng(p.seed), journal(QDir(p.folder).filePath(p.kind + QString::number(p.seed) + ".journal")) {}
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng); }
    void pause() { QThread::usleep(unsigned(pick(0, 3000))); }
};

void runOrders(Run& r) {
    db::Database window(sharedDb(r.plan.folder)); // kept open, as the order window keeps it
    orders::OrderStore store(window);
    for (int i = 0; i < r.plan.rounds; ++i) {
        // Other windows open and close beside it now and then.
        std::unique_ptr<db::Database> other;
        if (r.pick(0, 3) == 0)
            other = std::make_unique<db::Database>(sharedDb(r.plan.folder));
        std::int32_t no = 0;
        try {
            no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2026, 12, 9));
        } catch (const std::exception&) {
            continue;
        }
        orders::OrderToSave o;
        o.orderNo = no;
        o.clientCode = QStringLiteral("C%1").arg(r.pick(1, 40));
        o.employeeCode = QStringLiteral("E%1").arg(r.pick(1, 40));
        o.date = QDate(2026, 12, 9);
        QStringList sold;
        const int lines = r.pick(1, 5);
        for (int k = 0; k < lines; ++k) {
            orders::OrderLineToSave l;
            l.goodsCode = QStringLiteral("G%1").arg(r.pick(1, 20));
            l.qty = r.pick(1, 9);
            l.listPrice = l.salePrice = Currency::fromUnits(100);
            l.wholesale = Currency::fromUnits(80);
            l.cost = Currency::fromUnits(60);
            l.lineTax = Currency::fromUnits(10 * l.qty);
            o.totals.list += l.listPrice * l.qty;
            o.totals.sale += l.salePrice * l.qty;
            o.totals.tax += l.lineTax;
            o.lines.push_back(l);
            sold << QStringLiteral("%1:%2").arg(l.goodsCode).arg(l.qty);
        }
        r.pause();
        try {
            store.saveOrder(o);
            r.journal.add('O', QString::number(no), sold.join(QLatin1Char(',')));
        } catch (const std::exception&) {
            r.journal.add('F', QString::number(no));
            try {
                store.deletePendingOrder(no);
            } catch (const std::exception&) {
            }
        }
        r.pause();
    }
}

std::optional<orders::OrderListRow> anyOrder(Run& r, orders::OrderStatusStore& store) {
    const auto rows = store.listOrders(false);
    if (rows.empty())
        return std::nullopt;
    return rows[size_t(r.pick(0, int(rows.size()) - 1))];
}

void runPayments(Run& r) {
    orders::OrderStatusStore store(sharedDb(r.plan.folder));
    for (int i = 0; i < r.plan.rounds; ++i) {
        try {
            const auto shown = anyOrder(r, store);
            if (!shown) {
                QThread::msleep(20); // no order saved yet
                continue;
            }
            r.pause(); // the user picks a day
            const double day = shown->paidDate == 0 ? 46000 + r.pick(0, 300) : 0;
            if (store.setPaidDate(shown->orderNo, day, shown->paidDate))
                r.journal.add('P', QString::number(shown->orderNo), QString::number(qint64(day)));
        } catch (const std::exception&) {
            // refused: reported to the user, nothing written
        }
    }
}

void runCancels(Run& r) {
    orders::OrderStatusStore store(sharedDb(r.plan.folder));
    for (int i = 0; i < r.plan.rounds; ++i) {
        try {
            const auto shown = anyOrder(r, store);
            if (!shown) {
                QThread::msleep(20);
                continue;
            }
            r.pause();
            const orders::CancelToggle t = store.toggleCancel(shown->orderNo, shown->cancelMark);
            if (t.written)
                r.journal.add('C', QString::number(shown->orderNo), t.mark);
        } catch (const std::exception&) {
        }
    }
}

void runStock(Run& r) {
    orders::StockStore store(sharedDb(r.plan.folder));
    for (int i = 0; i < r.plan.rounds; ++i) {
        try {
            const QString code = QStringLiteral("G%1").arg(r.pick(21, 30));
            for (const orders::StockGoods& g : store.listGoods(false, QStringLiteral("reserved"))) {
                if (g.code != code)
                    continue;
                r.pause();
                const qint32 wanted = r.pick(0, 5000);
                if (store.saveCounts({{code, g.stock, wanted}}).written == 1)
                    r.journal.add('S', code, QString::number(wanted));
            }
        } catch (const std::exception&) {
        }
    }
}

void runMasters(Run& r) {
    db::Database window(sharedDb(r.plan.folder));
    masters::MasterTableModel model(window, QStringLiteral("商品マスタ"));
    const int nameCol = 2; // 商品No, 商品コード, 商品名, …
    for (int i = 0; i < r.plan.rounds; ++i) {
        try {
            if (r.pick(0, 2) != 0)
                model.requery(); // mostly as fresh as a refresh makes it; sometimes shown a while ago
            const QString code = QStringLiteral("G%1").arg(r.pick(1, 30));
            int row = -1;
            for (int k = 0; k < model.recordCount(); ++k)
                if (model.data(model.index(k, 1)).toString() == code)
                    row = k;
            if (row < 0)
                continue;
            r.pause(); // the user types
            const QString name = QStringLiteral("名前%1-%2").arg(r.plan.seed).arg(i);
            if (!model.setData(model.index(row, nameCol), name))
                continue;
            model.save();
            r.journal.add('M', code, name);
        } catch (const std::exception&) {
            // refused (changed meanwhile, busy): the grid shows the row as it is now
        }
        r.pause();
    }
}

// Another program on the file: opens it, reads, sometimes renames an employee in a transaction it holds
// for a moment, and closes it again.
void runSqlite(Run& r) {
    for (int i = 0; i < r.plan.rounds; ++i) {
        try {
            SQLite::Database d(sharedDb(r.plan.folder).toStdString(), SQLite::OPEN_READWRITE, 5000);
            d.execAndGet("SELECT count(*) FROM 受注データ");
            if (i % 2 == 0) {
                const std::string name = "外部" + std::to_string(r.plan.seed) + "-" + std::to_string(i);
                d.exec("BEGIN IMMEDIATE");
                SQLite::Statement st(d, "UPDATE 社員マスタ SET 氏名 = ? WHERE 社員コード = 'E50'");
                st.bind(1, name);
                st.exec();
                QThread::msleep(unsigned(r.pick(1, 15)));
                d.exec("COMMIT");
                r.journal.add('X', QStringLiteral("E50"), QString::fromStdString(name));
            }
        } catch (const std::exception&) {
        }
        r.pause();
    }
}

// A backup as the README tells it while Varnox is open: a plain copy of the file, taken while a reader
// of the engine holds it still (no commit can be half way through).
void runCopier(Run& r) {
    const QString copies = QDir(r.plan.folder).filePath(QStringLiteral("copies"));
    QDir().mkpath(copies);
    for (int i = 0; i < r.plan.rounds; ++i) {
        QThread::msleep(unsigned(r.pick(5, 60)));
        try {
            SQLite::Database d(sharedDb(r.plan.folder).toStdString(), SQLite::OPEN_READONLY, 5000);
            d.exec("BEGIN");
            d.execAndGet("SELECT count(*) FROM sqlite_master");
            const qint64 at = monotonicNs();
            const QString name = QStringLiteral("copy%1-%2.vrd").arg(r.plan.seed).arg(i);
            if (QProcess::execute(QStringLiteral("cp"), {sharedDb(r.plan.folder), QDir(copies).filePath(name)}) == 0) {
                d.exec("COMMIT");
                r.journal.add('K', name, QString::number(at));
            }
        } catch (const std::exception&) {
        }
    }
}

// Varnox with a window open on the file and nothing to do: holds its connection until told to stop
// (its standard input closes).
void runHold(Run& r) {
    const QString db = sharedDb(r.plan.folder);
    const bool alone =
        r.plan.kind == QLatin1String("alone"); // as ＤＢ作成 or VarnoxReplica replacing the file
    const std::shared_ptr<void> held =
        alone ? std::shared_ptr<void>(db::UseLock::take(db, db::UseLock::Mode::Exclusive))
              : std::make_shared<db::Database>(db);
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    std::fputs("open\n", stdout);
    std::fflush(stdout);
    in.readAll();
}

// A list between its reads, over and over: gives up the file's use lock and takes it again, as a kept
// connection does. Prints how many takes were refused.
void runShare(Run& r) {
    int refused = 0;
    db::Database list(sharedDb(r.plan.folder));
    for (int i = 0; i < r.plan.rounds; ++i) {
        list.release();
        try {
            list.retake();
        } catch (const std::exception&) {
            ++refused;
            list.release();
        }
    }
    std::printf("refused %d\n", refused);
}

// Another user once, on the file: a window opening it for writing, ＤＢオープン, VarnoxReplica clearing it or copying
// other.vrd onto it (through its window), ＤＢ作成 over it. Prints "done", or "refused: " and what the user was told.
void runOnce(Run& r) {
    const QString db = sharedDb(r.plan.folder);
    ui::RecordingMessageService told;
    ui::setMessageService(&told);
    QString refusal;
    try {
        if (r.plan.kind == QLatin1String("open")) {
            db::Database window(db);
        } else if (r.plan.kind == QLatin1String("save")) {
            db::Database window(db);
            window.execute(QStringLiteral("UPDATE 社員マスタ SET 氏名 = 氏名"));
        } else if (r.plan.kind == QLatin1String("opendb") || r.plan.kind == QLatin1String("order")) {
            core::AppState s;
            if (!shell::openDatabase(s, db, {})) {
                refusal = told.texts().join(QLatin1Char('\n'));
            } else if (r.plan.kind == QLatin1String("order")) { // then the number a new order window takes
                db::Database window(db);
                std::printf("%d ",
                            orders::OrderStore(window).createPendingOrder(
                                s.gReservedCode[core::kLenClientCode],
                                s.gReservedCode[core::kLenEmployeeCode], QDateTime::currentDateTime(), {}));
            }
        } else if (r.plan.kind != QLatin1String("new")) {
            // VarnoxReplica's own window; it says what it did, or why not.
            if (r.plan.kind == QLatin1String("clear"))
                mainroad::runReplica(db);
            else
                mainroad::runReplica(QDir(r.plan.folder).filePath(QStringLiteral("other.vrd")), db);
            if (!told.texts().join(QString()).contains(QStringLiteral("DBを初期化")))
                refusal = told.texts().join(QLatin1Char('\n'));
        } else if (!newDatabaseOver(db)) {
            refusal = told.texts().join(QLatin1Char('\n'));
        }
    } catch (const std::exception& e) {
        refusal = QString::fromUtf8(e.what());
    }
    ui::setMessageService(nullptr);
    std::printf("%s\n", refusal.isEmpty() ? "done" : qPrintable(QStringLiteral("refused: ") + refusal));
}

} // namespace

QString sharedDb(const QString& folder) {
    return QDir(folder).filePath(qEnvironmentVariable("VARNOX_SHARED_DB", QStringLiteral("shop.vrd")));
}

int runWorker(const Plan& plan) {
    static const std::pair<const char*, void (*)(Run&)> kinds[] = {
        {"orders", runOrders},   {"payments", runPayments}, {"cancels", runCancels}, {"stock", runStock},
        {"masters", runMasters}, {"sqlite", runSqlite},     {"copier", runCopier},   {"hold", runHold},
        {"share", runShare},     {"open", runOnce},         {"clear", runOnce},      {"copyonto", runOnce},
        {"new", runOnce},        {"opendb", runOnce},       {"save", runOnce},       {"alone", runHold},
        {"order", runOnce}};
    for (const auto& [name, run] : kinds) {
        if (plan.kind != QLatin1String(name))
            continue;
        Run r(plan);
        run(r);
        return 0;
    }
    return 2;
}

bool newDatabaseOver(const QString& db) {
    core::AppState s;
    core::InitFieldLimits(s);
    s.rebuildReservedCodes();
    shell::NewDatabaseSettings settings;
    settings.fieldLen = s.gFieldLen;
    settings.company.CompanyName = QStringLiteral("新会社");
    return shell::createDatabase(s, settings, db);
}

} // namespace multiuser
