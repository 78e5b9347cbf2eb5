// A save the file refuses for now (another program's write lock, a read-only folder, a full disk) costs the
// user nothing: the window keeps what was typed or picked, says why, and the next press in the same window
// stores it once the cause is gone. Through the menus of the real main window.
#include "support/MainRoad.h"

#include "db/OleDate.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/CalendarDialog.h"
#include "orders/CancelWindow.h"
#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentWindow.h"
#include "orders/StockChooser.h"
#include "orders/StockUpdateWindow.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::sqlite;
using mainroad::waitFor;

namespace {


// A cause that refuses every write while the object lives.
class Cause {
  public:
    virtual ~Cause() = default;
};

// Another program in the middle of a write: the sqlite3 tool holding the file's write lock.
class HeldWrite : public Cause {
  public:
    explicit HeldWrite(const QString& db) : held_(db) {}

  private:
    mainroad::HeldWrite held_;
};

// The database's folder takes no new file (the journal of a write cannot be made), as a read-only share.
// Root writes through any mode: it does so here as nobody, keeping the way back to root.
class ReadOnlyFolder : public Cause {
  public:
    explicit ReadOnlyFolder(const QString& db) : folder_(QFileInfo(db).absolutePath()) {
        ::chmod(QFile::encodeName(folder_).constData(), 0555);
        if (::geteuid() == 0) asNobody_ = ::setresuid(65534, 65534, 0) == 0;
    }
    ~ReadOnlyFolder() override {
        if (asNobody_) (void)::setresuid(0, 0, 0);
        ::chmod(QFile::encodeName(folder_).constData(), 0700);
    }

  private:
    QString folder_;
    bool asNobody_ = false;
};

class FullDisk : public Cause {
  public:
    testenv::FileSizeLimit limit{1};
};

struct CauseCase {
    const char* name;
    std::function<std::unique_ptr<Cause>(const QString& db)> make;
    QString told; // a part of the message each window shows
};

const std::vector<CauseCase>& causes() {
    static const std::vector<CauseCase> all{
        {"another program's write", [](const QString& db) { return std::make_unique<HeldWrite>(db); },
         QStringLiteral("使用")},
        {"a read-only folder", [](const QString& db) { return std::make_unique<ReadOnlyFolder>(db); },
         QStringLiteral("読み取り専用")},
        {"a full disk", [](const QString&) { return std::make_unique<FullDisk>(); },
         QStringLiteral("ディスクがいっぱい")},
    };
    return all;
}

// One window's save: typed (or picked) once, pressed under the cause and again after it.
struct WindowCase {
    const char* name;
    // Opens the window and enters the value; returns what the file must hold once it is saved.
    std::function<QString(Program&)> enter;
    // Presses the window's save, as a person does (the second press with what the window still holds).
    std::function<void(Program&, bool again)> press;
    std::function<QString(Program&)> stored; // what the file holds now
    std::function<bool(Program&, const QString& expected)> stillShown;
    std::function<void(Program&)> close;
};

template <class W> W* opened(Program& p) {
    W* w = nullptr;
    waitFor([&] { return (w = p.work<W>()) != nullptr; });
    return w;
}

const QDate kPaidOn(2024, 7, 3);

// The row of G01 in the goods grid (the reserved row stands first).
int goodsRow(masters::MasterWindow* w) {
    for (int r = 0; r < w->model()->recordCount(); ++r)
        if (w->model()->index(r, 1).data().toString() == QLatin1String("G01")) return r;
    return -1;
}

std::vector<WindowCase> windows() {
    return {
        {"商品マスタメンテナンス",
         [](Program& p) {
             p.trigger(QStringLiteral("mnuManComm"));
             auto* w = opened<masters::MasterWindow>(p);
             const QString typed = QStringLiteral("新茶　八十八夜");
             EXPECT_TRUE(mainroad::pasteIntoCell(w->grid(), w->model()->index(goodsRow(w), 2), typed));
             return typed;
         },
         [](Program& p, bool) {
             opened<masters::MasterWindow>(p)->button(QStringLiteral("cmdUpdate"))->click();
         },
         [](Program& p) {
             return sqlite(p.state().gDbPath,
                           QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = 'G01'"));
         },
         [](Program& p, const QString& typed) {
             auto* w = opened<masters::MasterWindow>(p);
             return w->model()->index(goodsRow(w), 2).data().toString() == typed;
         },
         [](Program& p) { opened<masters::MasterWindow>(p)->button(QStringLiteral("cmdClose"))->click(); }},
        {"入金処理",
         [](Program& p) {
             EXPECT_NE(p.openPayments(), nullptr) << joined(p).toStdString();
             return QString::number(qint64(db::toOleDate(kPaidOn)));
         },
         [](Program& p, bool again) {
             auto* w = opened<orders::PaymentWindow>(p);
             // The second time the person takes the day the picker offers.
             mainroad::onNextModalOf<orders::CalendarDialog>([again](orders::CalendarDialog& d) {
                 if (!again) d.calendar()->setSelectedDate(kPaidOn);
                 d.okButton()->click();
             });
             mainroad::clickOrder(w, 1);
         },
         [](Program& p) {
             return sqlite(p.state().gDbPath,
                           QStringLiteral("SELECT CAST(入金日 AS INTEGER) FROM 受注データ WHERE 受注No = 1"));
         },
         [](Program&, const QString&) { return true; },
         [](Program& p) { opened<orders::PaymentWindow>(p)->endButton()->click(); }},
        {"受注データ入力",
         [](Program& p) {
             p.trigger(QStringLiteral("mnuOrder"));
             orders::GetOrderWindow* w = nullptr;
             waitFor([&] {
                 w = p.work<orders::GetOrderWindow>();
                 return w && core::isSet(p.state().gChildState[core::kChildGetOrder].Open);
             });
             p.waitLaidOut();
             w->clientPicker()->setCurrentIndex(w->clientPicker()->findText(QStringLiteral("髙橋食品")));
             w->employeePicker()->setCurrentIndex(w->employeePicker()->findText(QStringLiteral("鈴木花子")));
             QTableWidget* t = w->grid()->table();
             QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(1, 6)).center());
             w->grid()->editor()->selectAll();
             mainroad::type(w->grid()->editor(), QStringLiteral("3"));
             QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(0, 6)).center());
             return QStringLiteral("%1|C02|E02|10500").arg(w->orderNo());
         },
         [](Program& p, bool) {
             QTest::mouseClick(opened<orders::GetOrderWindow>(p)->okButton(), Qt::LeftButton);
         },
         [](Program& p) {
             return sqlite(p.state().gDbPath,
                           QStringLiteral("SELECT 受注No || '|' || 顧客コード || '|' || 社員コード || '|' || "
                                          "CAST(販売金額 / 10000 AS INTEGER) FROM 受注データ "
                                          "WHERE 販売金額 > 0 ORDER BY 受注No DESC LIMIT 1"));
         },
         [](Program& p, const QString&) {
             auto* w = opened<orders::GetOrderWindow>(p);
             return w->clientPicker()->currentText() == QStringLiteral("髙橋食品") &&
                    w->grid()->table()->item(1, 6)->text().trimmed() == QStringLiteral("3");
         },
         [](Program& p) {
             QTest::mouseClick(opened<orders::GetOrderWindow>(p)->endButton(), Qt::LeftButton);
         }},
        {"キャンセル処理",
         [](Program& p) {
             EXPECT_NE(p.openCancels(), nullptr) << joined(p).toStdString();
             return QStringLiteral("X");
         },
         [](Program& p, bool) { mainroad::clickOrder(opened<orders::CancelWindow>(p), 1); },
         [](Program& p) {
             return sqlite(p.state().gDbPath,
                           QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 1"));
         },
         [](Program&, const QString&) { return true; },
         [](Program& p) { opened<orders::CancelWindow>(p)->endButton()->click(); }},
        {"在庫更新",
         [](Program& p) {
             mainroad::onNextModalOf<orders::StockChooser>(
                 [](orders::StockChooser& c) { c.cmd[1]->click(); });
             p.trigger(QStringLiteral("mnuStockUp"));
             auto* w = opened<orders::StockUpdateWindow>(p);
             p.waitLaidOut();
             QTableWidget* t = w->grid()->table();
             QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(0, 6)).center());
             w->grid()->editor()->selectAll();
             QTest::keyClicks(w->grid()->editor(), QStringLiteral("77"));
             QTest::keyClick(w->grid()->editor(), Qt::Key_Down);
             return QStringLiteral("77");
         },
         [](Program& p, bool) { opened<orders::StockUpdateWindow>(p)->okButton()->click(); },
         [](Program& p) {
             return sqlite(p.state().gDbPath,
                           QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'G01'"));
         },
         [](Program& p, const QString& typed) {
             return opened<orders::StockUpdateWindow>(p)->grid()->table()->item(0, 6)->text().trimmed() ==
                    typed;
         },
         [](Program& p) { opened<orders::StockUpdateWindow>(p)->endButton()->click(); }},
    };
}

} // namespace

TEST(RefusalRetry, ASaveRefusedForNowIsKeptAndTheNextPressStoresIt) {
    if (QProcess::execute(QStringLiteral("sqlite3"), {QStringLiteral("-version")}) != 0)
        GTEST_SKIP() << "the sqlite3 tool is not installed";
    for (const CauseCase& cause : causes()) {
        SCOPED_TRACE(cause.name);
        Program p;
        const QString db = p.openShop();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        ASSERT_GT(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}), 0);
        for (const WindowCase& window : windows()) {
            SCOPED_TRACE(window.name);
            const QString expected = window.enter(p);
            const QString before = window.stored(p);
            p.messages().clear();
            {
                const std::unique_ptr<Cause> held = cause.make(db);
                window.press(p, false);
            }
            EXPECT_EQ(window.stored(p), before);
            EXPECT_TRUE(joined(p).contains(cause.told)) << joined(p).toStdString();
            EXPECT_FALSE(joined(p).contains(QStringLiteral("database"))) << "the engine's words";
            EXPECT_TRUE(window.stillShown(p, expected));

            p.messages().clear();
            window.press(p, true);
            EXPECT_EQ(window.stored(p), expected);
            EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
            window.close(p);
            EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
        }
    }
}

namespace {

QString goodsName(const QString& db, const QString& code) {
    return sqlite(db, QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = '%1'").arg(code));
}

int rowOf(masters::MasterWindow* w, const QString& code) {
    for (int r = 0; r < w->model()->recordCount(); ++r)
        if (w->model()->index(r, 1).data().toString() == code) return r;
    return -1;
}

} // namespace

// An edit the file refused stays held in its row while the user goes on: typing in another row is refused
// for the same cause and given back, and once the cause has gone one 更新 stores both rows. A way out that
// cannot keep the held edit (closing the window or the database, the refresh of every window) says which
// typed values were not stored; the window's own リフレッシュ keeps them for another try.
TEST(RefusalRetry, AHeldEditSurvivesWorkInAnotherRowOrSaysWhatWasNotStored) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    const QString held = QStringLiteral("新茶　八十八夜"), other = QStringLiteral("玉露　二番");
    struct Then {
        const char* name;
        std::function<void(Program&, masters::MasterWindow*)> act; // under the cause
        bool kept;       // the window goes on with both values for another 更新
        bool otherTyped; // the act typed `other` into G02's row
    };
    const auto typeOther = [other](masters::MasterWindow* w) {
        EXPECT_TRUE(
            mainroad::pasteIntoCell(w->grid(), w->model()->index(rowOf(w, QStringLiteral("G02")), 2), other));
    };
    const std::vector<Then> cases{
        {"another row, then 更新",
         [&](Program&, masters::MasterWindow* w) {
             typeOther(w);
             w->button(QStringLiteral("cmdUpdate"))->click();
         },
         true, true},
        {"another row, then the navigation bar",
         [&](Program&, masters::MasterWindow* w) {
             typeOther(w);
             w->navigate(masters::MasterWindow::Move::First);
         },
         true, true},
        {"リフレッシュ",
         [](Program&, masters::MasterWindow* w) { w->button(QStringLiteral("cmdRefresh"))->click(); }, true,
         false},
        {"another row, then 閉じる",
         [&](Program&, masters::MasterWindow* w) {
             typeOther(w);
             w->button(QStringLiteral("cmdClose"))->click();
         },
         false, true},
        {"the close box", [](Program&, masters::MasterWindow* w) { frame::subWindowOf(w)->close(); }, false,
         false},
        {"表示 > リフレッシュ",
         [&](Program& p, masters::MasterWindow* w) {
             typeOther(w);
             p.trigger(QStringLiteral("mnuViewRefresh"));
         },
         false, true},
        {"ＤＢを閉じる (last: the file stays closed)",
         [&](Program& p, masters::MasterWindow* w) {
             typeOther(w);
             p.trigger(QStringLiteral("mnuFileClose"));
         },
         false, true},
    };
    for (const Then& then : cases) {
        SCOPED_TRACE(then.name);
        const QString db = p.state().gDbPath;
        const QString heldBefore = goodsName(db, QStringLiteral("G01")),
                      otherBefore = goodsName(db, QStringLiteral("G02"));
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuManComm")));
        auto* w = opened<masters::MasterWindow>(p);
        const QPointer<masters::MasterWindow> alive(w);
        ASSERT_TRUE(
            mainroad::pasteIntoCell(w->grid(), w->model()->index(rowOf(w, QStringLiteral("G01")), 2), held));
        p.messages().clear();
        {
            FullDisk full;
            w->button(QStringLiteral("cmdUpdate"))->click();
            ASSERT_TRUE(w->model()->hasPending());
            then.act(p, w);
            QTest::qWait(50); // the editor given back
        }
        EXPECT_EQ(goodsName(db, QStringLiteral("G01")), heldBefore);
        EXPECT_EQ(goodsName(db, QStringLiteral("G02")), otherBefore);
        const QString told = joined(p);
        EXPECT_TRUE(told.contains(QStringLiteral("ディスクがいっぱい"))) << told.toStdString();
        if (then.kept) {
            ASSERT_TRUE(alive);
            EXPECT_FALSE(told.contains(QStringLiteral("保存されなかった"))) << told.toStdString();
            EXPECT_EQ(w->model()->index(rowOf(w, QStringLiteral("G01")), 2).data().toString(), held);
            p.messages().clear();
            w->button(QStringLiteral("cmdUpdate"))->click();
            EXPECT_EQ(goodsName(db, QStringLiteral("G01")), held);
            EXPECT_EQ(goodsName(db, QStringLiteral("G02")), then.otherTyped ? other : otherBefore);
            EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        } else {
            // The last message says what was not stored, value by value, and promises nothing.
            const QString last = p.messages().texts().value(p.messages().texts().size() - 1);
            EXPECT_TRUE(last.contains(QStringLiteral("保存されなかった"))) << told.toStdString();
            EXPECT_TRUE(last.contains(held)) << told.toStdString();
            EXPECT_EQ(last.contains(other), then.otherTyped) << told.toStdString();
            EXPECT_FALSE(told.contains(QStringLiteral("残っています"))) << told.toStdString();
        }
        if (alive) w->button(QStringLiteral("cmdClose"))->click();
        EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
        // Back to the stored names for the next case.
        if (!p.state().gDbPath.isEmpty()) {
            sqlite(db, QStringLiteral("UPDATE 商品マスタ SET 商品名 = '%1' WHERE 商品コード = 'G01'")
                           .arg(heldBefore));
            sqlite(db, QStringLiteral("UPDATE 商品マスタ SET 商品名 = '%1' WHERE 商品コード = 'G02'")
                           .arg(otherBefore));
        }
    }
}
