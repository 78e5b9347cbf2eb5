// The file stages of the main road: ＤＢを閉じる with work windows open, reopening a database that has a
// password, and VarnoxReplica clearing the orders of what Varnox made, in a copy and in place.
#include "support/MainRoad.h"

#include "core/ControlFile.h"
#include "masters/CompanySettingsDialog.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"
#include "replica/FileDialogs.h"
#include "replica/frmReplica.h"
#include "shell/PasswordDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::waitFor;

namespace {

bool isOpen(Program& p, int child) { return core::isSet(p.state().gChildState[size_t(child)].Open); }

int count(const QString& path, const char* table, const char* where = "1") {
    db::Database d(path);
    return d.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                        .arg(db::Database::quoteIdent(QString::fromUtf8(table)), QString::fromUtf8(where)))
        .toInt();
}

QStringList dump(const QString& path, const char* table) {
    db::Database d(path);
    db::Query q = d.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(db::Database::quoteIdent(QString::fromUtf8(table))));
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.columnCount(); ++i)
            cells << q.value(i).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The person at VarnoxReplica's file choosers.
class Chooser : public replica::FileDialogService {
public:
    QString next;
    QString openFile(QWidget*, const QString&, const QString&) override { return std::exchange(next, QString()); }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return std::exchange(next, QString());
    }
};

// VarnoxReplica's window with 受注情報クリア chosen on the file, as a person sets it up; clear() presses it.
struct ReplicaClear {
    Chooser files;
    replica::frmReplica w{files};
    explicit ReplicaClear(const QString& db) {
        w.show();
        w.Op[1]->click();
        files.next = db;
        w.cmdFrom->click();
    }
    void clear(Program& p) {
        p.messages().clear();
        w.cmdDone->click();
    }
};

} // namespace

TEST(RoadFiles, CloseWithWorkWindowsOpenTakesThemAllAndKeepsWhatWasTyped) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}), 1);

    // Data windows: an order being entered (its reserved number must go) and the payment list.
    p.trigger(QStringLiteral("mnuOrder"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildGetOrder); }));
    EXPECT_EQ(count(p.state().gDbPath, "受注データ", "受注No = 2"), 1);
    mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuReceipt"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildPayment); })) << joined(p).toStdString();
    EXPECT_EQ(p.workCount(), 2);
    const QString db = p.state().gDbPath;
    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
    EXPECT_EQ(p.state().gOpenDataCount, 0);
    EXPECT_EQ(count(db, "受注データ", "受注No <> 0"), 1);
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    EXPECT_FALSE(p.window().item(QStringLiteral("mnuOrder"))->isEnabled());
    EXPECT_TRUE(p.window().item(QStringLiteral("mnuFileOpen"))->isEnabled());

    // Master windows, one with an edit typed but not stored: the close stores it.
    p.nextPath(db);
    p.trigger(QStringLiteral("mnuFileOpen"));
    ASSERT_FALSE(p.state().gOpenDbName.isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuManCli"));
    p.trigger(QStringLiteral("mnuManEmp"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildClientM) && isOpen(p, core::kChildEmployeeM); }));
    masters::MasterWindow* emp = nullptr;
    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
        if (auto* w = qobject_cast<masters::MasterWindow*>(frame::workOf(sub)); w && w->spec().name == QLatin1String("frmEmployeeM"))
            emp = w;
    ASSERT_NE(emp, nullptr);
    const QModelIndex at = emp->model()->index(2, 2); // E02's name (row 0 is the reserved row)
    ASSERT_EQ(emp->model()->index(2, 1).data().toString(), QStringLiteral("E02"));
    emp->grid()->setCurrentIndex(at);
    emp->grid()->edit(at);
    auto* editor = emp->grid()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    mainroad::type(editor, QStringLiteral("鈴木華子"));
    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_EQ(p.state().gOpenMasterCount, 0);
    EXPECT_EQ(dump(db, "社員マスタ").value(2).section(QLatin1Char('|'), 2, 2), QStringLiteral("鈴木華子"));
}

TEST(RoadFiles, ReopenAsksThePasswordThroughItsPromptUntilItMatches) {
    Program p;
    const QString db = p.openShop(QStringLiteral("locked.vrd"), [](masters::CompanySettingsDialog& d) {
        d.txtPWD1->setText(QStringLiteral("kagi42"));
        d.txtPWD2->setText(QStringLiteral("kagi42"));
    });
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    {
        core::AppState read;
        core::InitFieldLimits(read);
        ASSERT_TRUE(core::ReadCtlFile(read, db));
        EXPECT_EQ(read.gCompanyEdit.Password, QStringLiteral("kagi42"));
        EXPECT_EQ(read.gCompanyEdit.CompanyName, QStringLiteral("テスト商事"));
    }
    p.trigger(QStringLiteral("mnuFileClose"));
    ASSERT_TRUE(p.state().gOpenDbName.isEmpty());

    struct Try {
        QStringList typed; // answers to the prompts, in turn; the last prompt is cancelled when short
        bool opens;
    };
    const Try tries[] = {
        {{}, false},                                                                // cancelled at once
        {{QStringLiteral("KAGI42"), QStringLiteral("kagi4")}, false},               // wrong twice, then cancelled
        {{QStringLiteral("kagi"), QStringLiteral("kagi42")}, true},                 // wrong, then right
    };
    for (const Try& t : tries) {
        SCOPED_TRACE(t.typed.join(',').toStdString());
        p.messages().clear();
        auto prompts = std::make_shared<int>(0);
        std::function<void()> answerNext;
        answerNext = [&, prompts] {
            mainroad::onNextModalOf<shell::PasswordDialog>([&, prompts](shell::PasswordDialog& d) {
                const int i = (*prompts)++;
                if (i >= t.typed.size()) {
                    d.cancelButton->click();
                    return;
                }
                if (t.typed[i] != QStringLiteral("kagi42"))
                    answerNext(); // a wrong answer brings the prompt back
                d.Text1->setText(t.typed[i]);
                d.okButton->click();
            });
        };
        answerNext();
        p.nextPath(db);
        p.trigger(QStringLiteral("mnuFileOpen"));
        EXPECT_EQ(!p.state().gOpenDbName.isEmpty(), t.opens);
        EXPECT_EQ(*prompts, t.opens ? int(t.typed.size()) : int(t.typed.size()) + 1);
        EXPECT_EQ(p.messages().beeps(), t.opens ? int(t.typed.size()) - 1 : int(t.typed.size()));
        if (t.opens) {
            EXPECT_EQ(p.state().gCompany.CompanyName, QStringLiteral("テスト商事"));
            EXPECT_EQ(count(db, "商品マスタ", "商品No <> 0"), Program::shopGoods().size());
            EXPECT_TRUE(p.window().item(QStringLiteral("mnuOrder"))->isEnabled());
        } else {
            EXPECT_FALSE(p.window().item(QStringLiteral("mnuOrder"))->isEnabled());
        }
    }
}

TEST(RoadFiles, ReplicaClearsTheOrdersInACopyAndInPlace) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}, {2, 1}}), 1);
    ASSERT_EQ(p.enterOrder(QStringLiteral("髙橋食品"), QStringLiteral("鈴木花子"), {{3, 5}}), 2);
    p.trigger(QStringLiteral("mnuFileClose"));
    const QStringList goods = dump(db, "商品マスタ");
    const QStringList orders = dump(db, "受注データ");
    ASSERT_EQ(orders.size(), 3);

    Chooser files;
    replica::frmReplica w(files);
    w.show();

    // A copy: the target holds the masters and only the seed order; the source is as it was.
    const QString copy = p.path(QStringLiteral("copy"));
    w.Op[0]->click();
    files.next = db;
    w.cmdFrom->click();
    files.next = copy; // the suffix is added
    w.cmdTo->click();
    EXPECT_EQ(w.cmdDone->text(), QStringLiteral("作成"));
    w.cmdDone->click();
    EXPECT_EQ(p.messages().texts(), QStringList{QStringLiteral("DBを初期化して複製しました。")});
    const QString copied = copy + QStringLiteral(".vrd");
    ASSERT_TRUE(QFileInfo::exists(copied));
    EXPECT_TRUE(QFileInfo::exists(copy + QStringLiteral(".vrk")));
    EXPECT_EQ(dump(copied, "商品マスタ"), goods);
    EXPECT_EQ(count(copied, "受注データ", "受注No <> 0"), 0);
    EXPECT_EQ(count(copied, "受注個別データ", "受注No <> 0"), 0);
    EXPECT_EQ(dump(db, "受注データ"), orders);

    // Varnox opens the copy and numbers its next order 1 again.
    p.messages().clear();
    p.nextPath(copied);
    p.trigger(QStringLiteral("mnuFileOpen"));
    ASSERT_EQ(p.state().gDbPath, copied) << joined(p).toStdString();
    EXPECT_EQ(p.enterOrder(QStringLiteral("O'Brien 商会"), QStringLiteral("佐藤一郎"), {{1, 1}}), 1);
    p.trigger(QStringLiteral("mnuFileClose"));

    // In place: the source loses its orders and keeps its masters.
    p.messages().clear();
    w.Op[1]->click();
    EXPECT_FALSE(w.cmdTo->isEnabled());
    EXPECT_EQ(w.cmdDone->text(), QStringLiteral("受注情報クリア"));
    files.next = db;
    w.cmdFrom->click();
    w.cmdDone->click();
    EXPECT_EQ(p.messages().texts(), QStringList{QStringLiteral("DBを初期化しました。")});
    EXPECT_EQ(dump(db, "商品マスタ"), goods);
    EXPECT_EQ(count(db, "受注データ", "受注No <> 0"), 0);
    EXPECT_EQ(count(db, "受注個別データ", "受注No <> 0"), 0);
}

// Another Varnox has the file open and idle, in a process of its own (it holds no lock on the file itself
// between writes): ＤＢ作成 over it and VarnoxReplica's 受注情報クリア both leave it byte for byte; once that
// Varnox has closed it, the reset goes through.
TEST(RoadFiles, AFileOpenInAnotherVarnoxIsInUseForNewAndForVarnoxReplica) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    QProcess other;
    other.start(QStringLiteral(VARNOX_WORKER), {QStringLiteral("hold"), QFileInfo(db).absolutePath(),
                                                QStringLiteral("0"), QStringLiteral("1")});
    ASSERT_TRUE(other.waitForReadyRead(30000));
    const QByteArray before = readAll(db);

    p.messages().clear();
    EXPECT_TRUE(p.newDatabase(QStringLiteral("shop.vrd")).isEmpty());
    EXPECT_TRUE(joined(p).contains(QStringLiteral("すでに存在します"))) << joined(p).toStdString();
    EXPECT_TRUE(readAll(db) == before);

    ReplicaClear replica(db);
    replica.clear(p);
    EXPECT_TRUE(joined(p).contains(QStringLiteral("使用中"))) << joined(p).toStdString();
    EXPECT_TRUE(readAll(db) == before);

    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(30000));
    replica.clear(p);
    EXPECT_EQ(p.messages().texts(), QStringList{QStringLiteral("DBを初期化しました。")});
}

// Lists read and closed leave the file free though Varnox keeps it open: VarnoxReplica clears its orders,
// and the next order list finds none.
TEST(RoadFiles, VarnoxReplicaClearsAFileWhoseListsWereJustReadAndTheNextListFindsNoOrder) {
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    ASSERT_TRUE(mainroad::readList(p, 3).contains(QStringLiteral("C02"))) << joined(p).toStdString();

    ReplicaClear(db).clear(p);
    EXPECT_EQ(p.messages().texts(), QStringList{QStringLiteral("DBを初期化しました。")});

    p.messages().clear();
    EXPECT_FALSE(mainroad::readList(p, 3).contains(QStringLiteral("C02")));
    EXPECT_TRUE(waitFor([&] { return joined(p).contains(QStringLiteral("データが空です")); })) << joined(p).toStdString();
}

// A database of another program, opened by mistake: Varnox and VarnoxReplica both say it is not theirs
// and leave it byte for byte, with no log files beside it, whether it keeps its log as a journal or a WAL.
TEST(RoadFiles, AnotherProgramsDatabaseIsRefusedAndLeftAsItWas) {
    Program p;
    const QString ours = p.newDatabase(QStringLiteral("ours.vrd"));
    ASSERT_FALSE(ours.isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    Chooser files;
    replica::frmReplica w(files);
    for (const char* mode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(mode);
        const QString foreign = p.path(QStringLiteral("notes-%1.vrd").arg(QLatin1String(mode)));
        {
            SQLite::Database d(foreign.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            d.exec(std::string("PRAGMA journal_mode = ") + mode);
            d.exec("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)");
            d.exec("INSERT INTO notes (text) VALUES ('買い物'), ('電話')");
        }
        // Its own control file beside it, as a copy would bring one.
        QFile::copy(core::controlPathFor(ours), core::controlPathFor(foreign));
        const QByteArray before = readAll(foreign);
        const QStringList beside = QDir(p.path(QString())).entryList(QDir::Files | QDir::Hidden);

        p.messages().clear();
        p.nextPath(foreign);
        p.trigger(QStringLiteral("mnuFileOpen"));
        EXPECT_TRUE(p.state().gDbPath.isEmpty());
        ASSERT_EQ(p.messages().shown().size(), 1u) << joined(p).toStdString();
        EXPECT_TRUE(p.messages().shown()[0].text.startsWith(QStringLiteral("VarnoxのＤＢではありません。")))
            << joined(p).toStdString();

        p.messages().clear();
        w.Op[1]->click();
        files.next = foreign;
        w.cmdFrom->click();
        w.cmdDone->click();
        ASSERT_EQ(p.messages().shown().size(), 1u) << joined(p).toStdString();
        EXPECT_TRUE(p.messages().shown()[0].text.contains(QStringLiteral("テーブルがありません"))) << joined(p).toStdString();

        EXPECT_TRUE(readAll(foreign) == before) << "the file was changed";
        EXPECT_EQ(QDir(p.path(QString())).entryList(QDir::Files | QDir::Hidden), beside);
    }
}
