#include "MastersTestDb.h"
#include "core/MainFrame.h"
#include "db/Database.h"
#include "frame/WindowRegistry.h"
#include "masters/MasterGrid.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "masters/Register.h"
#include "ui/MessageService.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using masters::MasterWindow;

namespace {

const QString kMaintTitle = QStringLiteral("ＤＢメンテナンスエラー");

class FakeMain : public core::MainFrame {
public:
    void updateCommandStates() override { ++updates; }
    QWidget* window() override { return nullptr; }
    int updates = 0;
};

class MasterWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        masterstest::makeDb(s, dir.path(QStringLiteral("co.vrd")));
        s.gMainForm = &main;
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    std::unique_ptr<MasterWindow> open(const QString& name) {
        auto w = std::make_unique<MasterWindow>(s, *masters::masterSpec(name));
        ++s.gOpenMasterCount; // as the opener does
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        if (w->model()) // every path of every test also goes through the model checker
            new QAbstractItemModelTester(w->model(), QAbstractItemModelTester::FailureReportingMode::Fatal, w->model());
        return w;
    }

    void exec(const QString& sql, const db::Params& p = {}) {
        db::Database d(s.gDbPath);
        d.execute(sql, p);
    }
    int count(const QString& table) {
        db::Database d(s.gDbPath);
        return d.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(db::Database::quoteIdent(table))).toInt();
    }
    QString cell(MasterWindow& w, int row, int col) { return w.model()->index(row, col).data().toString(); }
    void type(MasterWindow& w, int row, int col, const QString& text) {
        w.grid()->setCurrentIndex(w.model()->index(row, col));
        ASSERT_TRUE(w.model()->setData(w.model()->index(row, col), text)) << text.toStdString();
    }

    testenv::TempFolder dir;
    ui::RecordingMessageService rec;
    core::AppState s;
    FakeMain main;
};

} // namespace

TEST_F(MasterWindowTest, ModelPassesTheTesterOnEveryTable) {
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', '山田')"));
    db::Database d(s.gDbPath);
    for (const QString& table : {core::kGoodsTable, core::kClientTable, core::kEmployeeTable, core::kOrderTable,
                                 core::kOrderLineTable}) {
        masters::MasterTableModel model(d, table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        const int records = model.recordCount();
        EXPECT_EQ(model.rowCount(), records + 1) << table.toStdString(); // the new-record row
        ASSERT_TRUE(model.setData(model.index(records, 0), QStringLiteral("7")));
        ASSERT_TRUE(model.setData(model.index(records, 1), QStringLiteral("1")));
        for (int c = 2; c < model.columnCount(); ++c)
            model.setData(model.index(records, c), QStringLiteral("1"));
        model.save();
        EXPECT_EQ(model.rowCount(), records + 2) << table.toStdString();
        model.removeRecord(0);
        model.requery();
        EXPECT_EQ(model.recordCount(), records) << table.toStdString();
    }
}

TEST_F(MasterWindowTest, OpensOnTheSeedRowWithFieldColumns) {
    auto w = open(QStringLiteral("frmClientM"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("顧客マスタ"));
    EXPECT_EQ(w->model()->rowCount(), 2);
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 1"));
    EXPECT_EQ(cell(*w, 0, 0), QStringLiteral("0"));
    EXPECT_EQ(cell(*w, 0, 1), QStringLiteral("XXXXXXXXXX"));
    QStringList heads;
    for (int c = 0; c < w->model()->columnCount(); ++c)
        heads << w->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(heads.join(QLatin1Char(',')), QStringLiteral("顧客No,顧客コード,顧客名,〒,住所,TEL,FAX,E-Mail"));
    EXPECT_EQ(s.gChildState[core::kChildClientM].Open, core::kTrue);
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(MasterWindowTest, NewRowIsSavedWhenLeftAndOnUpdate) {
    auto w = open(QStringLiteral("frmEmployeeM"));
    w->cmdAdd_Click();
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 0"));
    type(*w, 1, 0, QStringLiteral("1"));
    type(*w, 1, 1, QStringLiteral("E1"));
    type(*w, 1, 2, QStringLiteral("山田"));
    w->navigate(MasterWindow::Move::First); // leaving the row stores it
    EXPECT_EQ(count(core::kEmployeeTable), 2);
    EXPECT_EQ(w->model()->rowCount(), 3);

    type(*w, 1, 2, QStringLiteral("佐藤"));
    w->cmdUpdate_Click();
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 2"));
    db::Database d(s.gDbPath);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT 氏名 FROM 社員マスタ WHERE 社員No = 1")).toString(), QStringLiteral("佐藤"));
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(MasterWindowTest, RefusedSavesShowTheMessageAndStoredValues) {
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', '山田')"));
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (2, 'E2', '佐藤')"));
    auto w = open(QStringLiteral("frmEmployeeM"));
    struct Case {
        const char* what;
        int col;
        QString text;
        std::function<void()> leave;
    };
    const std::vector<Case> cases{
        {"duplicate code, left by the grid", 1, QStringLiteral("E1"), [&] { w->grid()->setCurrentIndex(w->model()->index(0, 0)); }},
        {"duplicate number, left by the navigation bar", 0, QStringLiteral("1"), [&] { w->navigate(MasterWindow::Move::First); }},
        {"empty required text, stored by 更新", 2, QString(), [&] { w->cmdUpdate_Click(); }},
        {"text too long", 1, QStringLiteral("ABCDEFGHIJK"), [&] { w->navigate(MasterWindow::Move::First); }},
    };
    for (const Case& c : cases) {
        rec.clear();
        type(*w, 2, c.col, c.text);
        EXPECT_EQ(cell(*w, 2, c.col), c.text) << c.what;
        c.leave();
        ASSERT_EQ(rec.shown().size(), 1u) << c.what;
        EXPECT_EQ(rec.shown()[0].title, kMaintTitle) << c.what;
        EXPECT_TRUE(rec.shown()[0].beepBefore) << c.what;
        EXPECT_EQ(cell(*w, 2, 0), QStringLiteral("2")) << c.what;
        EXPECT_EQ(cell(*w, 2, 1), QStringLiteral("E2")) << c.what;
        EXPECT_EQ(cell(*w, 2, 2), QStringLiteral("佐藤")) << c.what;
        EXPECT_FALSE(w->model()->hasPending()) << c.what;
        // The window stays usable after every path.
        EXPECT_FALSE(w->locked()) << c.what;
        EXPECT_TRUE(w->grid()->isEnabled());
        EXPECT_TRUE(w->button(QStringLiteral("cmdUpdate"))->isEnabled());
    }
    EXPECT_EQ(count(core::kEmployeeTable), 3);
}

TEST_F(MasterWindowTest, TextAFieldCannotTakeIsRefusedAtOnce) {
    auto w = open(QStringLiteral("frmGoodsM"));
    w->grid()->setCurrentIndex(w->model()->index(0, 3));
    EXPECT_FALSE(w->model()->setData(w->model()->index(0, 3), QStringLiteral("abc")));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].title, kMaintTitle);
    EXPECT_TRUE(w->model()->setData(w->model()->index(0, 3), QStringLiteral("1,200.5")));
    w->cmdUpdate_Click();
    db::Database d(s.gDbPath);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT 個別定価 FROM 商品マスタ")).toLongLong(), 12005000);
}

TEST_F(MasterWindowTest, DeletePaths) {
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', 'a')"));
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (2, 'E2', 'b')"));
    auto w = open(QStringLiteral("frmEmployeeM"));
    w->navigate(MasterWindow::Move::Last);
    w->cmdDelete_Click(); // the last row: the new last row becomes current
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 2"));
    w->navigate(MasterWindow::Move::First);
    w->cmdDelete_Click(); // the next row moves up
    EXPECT_EQ(cell(*w, 0, 1), QStringLiteral("E1"));
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 1"));
    w->cmdDelete_Click(); // the only remaining row: no message, the new-record row is left
    EXPECT_EQ(count(core::kEmployeeTable), 0);
    EXPECT_EQ(w->model()->rowCount(), 1);
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 0"));
    EXPECT_TRUE(rec.shown().empty()) << rec.texts().join(QLatin1Char('\n')).toStdString();

    w->cmdDelete_Click(); // nothing to delete on the new-record row
    EXPECT_EQ(rec.shown().size(), 1u);
    rec.clear();

    w->cmdAdd_Click(); // on an empty table: no message, typing still adds a row
    EXPECT_TRUE(rec.shown().empty());
    type(*w, 0, 0, QStringLiteral("5"));
    type(*w, 0, 1, QStringLiteral("E5"));
    type(*w, 0, 2, QStringLiteral("c"));
    w->cmdUpdate_Click();
    EXPECT_EQ(count(core::kEmployeeTable), 1);
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 1"));

    // Delete on a row picked by its record selector.
    w->grid()->selectRow(0);
    QTest::keyClick(w->grid(), Qt::Key_Delete);
    EXPECT_EQ(count(core::kEmployeeTable), 0);
}

TEST_F(MasterWindowTest, RefreshShowsOtherWindowsChangesAndFailsSilently) {
    auto w = open(QStringLiteral("frmEmployeeM"));
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', 'a')"));
    s.gChildState[core::kChildEmployeeM].RefreshRequest = core::kTrue;
    QTest::qWaitFor([&] { return s.gChildState[core::kChildEmployeeM].RefreshDone == core::kTrue; }, 10000);
    EXPECT_EQ(s.gChildState[core::kChildEmployeeM].RefreshDone, core::kTrue);
    EXPECT_EQ(w->model()->recordCount(), 2);
    exec(QStringLiteral("DROP TABLE 社員マスタ"));
    w->cmdRefresh_Click();
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(MasterWindowTest, MissingDatabaseLocksTheWindowButCloseWorks) {
    s.gDbPath = dir.path(QStringLiteral("gone.vrd"));
    auto w = open(QStringLiteral("frmOrderM"));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.startsWith(QStringLiteral("Data error event hit err:ＤＢ")))
        << rec.shown()[0].text.toStdString();
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Varnox"));
    EXPECT_TRUE(w->locked());
    EXPECT_FALSE(w->button(QStringLiteral("cmdAdd"))->isEnabled());
    EXPECT_TRUE(w->button(QStringLiteral("cmdClose"))->isEnabled());
    s.gChildState[core::kChildOrderM].RefreshRequest = core::kTrue;
    QTest::qWaitFor([&] { return s.gChildState[core::kChildOrderM].RefreshDone == core::kTrue; }, 10000);
    EXPECT_EQ(s.gChildState[core::kChildOrderM].RefreshDone, core::kTrue);
    w->cmdClose_Click();
    EXPECT_EQ(s.gOpenMasterCount, 0);
}

TEST_F(MasterWindowTest, UnloadGivesBackTheCountAndSavesThePendingEdit) {
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', 'a')"));
    auto goods = open(QStringLiteral("frmGoodsM"));
    auto emp = open(QStringLiteral("frmEmployeeM"));
    EXPECT_EQ(s.gOpenMasterCount, 2);
    type(*emp, 1, 2, QStringLiteral("changed"));
    s.gChildState[core::kChildEmployeeM].CloseRequest = core::kTrue; // the close-all broadcast
    QTest::qWaitFor([&] { return !emp->isVisible(); }, 10000);
    EXPECT_FALSE(emp->isVisible());
    EXPECT_EQ(s.gOpenMasterCount, 1);
    EXPECT_EQ(s.gChildState[core::kChildEmployeeM].Open, core::kFalse);
    EXPECT_EQ(s.gChildState[core::kChildEmployeeM].CloseRequest, core::kFalse);
    EXPECT_GE(main.updates, 1);
    db::Database d(s.gDbPath);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT 氏名 FROM 社員マスタ WHERE 社員No = 1")).toString(), QStringLiteral("changed"));
    goods->cmdClose_Click();
    EXPECT_EQ(s.gOpenMasterCount, 0);
    EXPECT_EQ(s.gChildState[core::kChildGoodsM].Open, core::kFalse);
}

TEST_F(MasterWindowTest, RegistryKnowsTheFiveWindowsAndThreeCommands) {
    masters::registerWindows();
    for (const char* n : {"frmGoodsM", "frmClientM", "frmEmployeeM", "frmOrderM", "frmDetailM"}) {
        auto f = frame::windowFactory(QString::fromLatin1(n));
        ASSERT_TRUE(bool(f)) << n;
        std::unique_ptr<QWidget> w(f(s, nullptr));
        auto* mw = qobject_cast<MasterWindow*>(w.get());
        ASSERT_NE(mw, nullptr) << n;
        EXPECT_EQ(mw->spec().name, QString::fromLatin1(n));
    }
    for (const char* n : {"mnuImpCli", "mnuImpComm", "mnuImpEmp"})
        EXPECT_TRUE(bool(frame::command(QString::fromLatin1(n)))) << n;
}

TEST_F(MasterWindowTest, OpensALargeTableAtOnce) {
    {
        db::Database d(s.gDbPath);
        d.begin();
        for (int i = 1; i <= 20000; ++i)
            d.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (?, ?, ?)"), {i, QStringLiteral("E%1").arg(i), QStringLiteral("n")});
        d.commit();
    }
    auto w = open(QStringLiteral("frmEmployeeM")); // its time: bench/master_window_open.cpp
    w->navigate(MasterWindow::Move::Last);
    EXPECT_EQ(w->positionCaption(), QStringLiteral("Record: 20001"));
    const QString grabs = qEnvironmentVariable("VARNOX_GRAB_DIR");
    EXPECT_TRUE(w->grab().save((grabs.isEmpty() ? dir.path() : grabs) + QStringLiteral("/frmEmployeeM.png")));
}

namespace {
// A box that keeps the event loop running while it waits, as a real one does, with a close request
// arriving meanwhile.
class SlowBox : public ui::RecordingMessageService {
public:
    explicit SlowBox(core::ChildStateRec& r) : rec_(r) {}
    ui::Answer show(const QString& text, const QString& title, ui::Buttons b, ui::Icon i) override {
        rec_.CloseRequest = core::kTrue;
        QTest::qWait(700);
        return RecordingMessageService::show(text, title, b, i);
    }

private:
    core::ChildStateRec& rec_;
};
} // namespace

TEST_F(MasterWindowTest, CloseRequestWaitsForTheOpenMessageBox) {
    exec(QStringLiteral("INSERT INTO 社員マスタ VALUES (1, 'E1', 'a')"));
    auto w = open(QStringLiteral("frmEmployeeM"));
    SlowBox box(s.gChildState[core::kChildEmployeeM]);
    ui::setMessageService(&box);
    type(*w, 1, 1, QStringLiteral("XXXXXXXXXX")); // the seed row's code
    w->navigate(MasterWindow::Move::First);
    EXPECT_EQ(box.shown().size(), 1u);
    EXPECT_TRUE(w->isVisible()); // still here when the box returned
    EXPECT_EQ(cell(*w, 1, 1), QStringLiteral("E1"));
    QTest::qWaitFor([&] { return !w->isVisible(); }, 10000); // then the request is answered
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(s.gOpenMasterCount, 0);
}

// An edited database can hold an infinity in a real column and, past its checks, a real where an integer
// belongs: the grid shows the out-of-range text instead of "inf" or a value from an undefined conversion.
TEST_F(MasterWindowTest, StoredValuesNoTextCanGiveShowTheOutOfRangeText) {
    {
        db::Database d(s.gDbPath);
        d.execute(QStringLiteral("PRAGMA ignore_check_constraints = 1"));
        d.execute(QStringLiteral("UPDATE 商品マスタ SET 個別定価 = 9e999, 個別仕切値 = -1e300, 消費税率 = -9e999, "
                                 "在庫量 = 1e300, 在庫発注点 = 5e9 WHERE 商品No = 0"));
    }
    auto w = open(QStringLiteral("frmGoodsM"));
    ASSERT_NE(w->model(), nullptr);
    QStringList heads, cells;
    for (int c = 0; c < w->model()->columnCount(); ++c) {
        heads << w->model()->headerData(c, Qt::Horizontal).toString();
        cells << cell(*w, 0, c);
    }
    for (const QString& field : {QStringLiteral("個別定価"), QStringLiteral("個別仕切値"), QStringLiteral("消費税率"),
                                 QStringLiteral("在庫量"), QStringLiteral("在庫発注点")}) {
        const int col = int(heads.indexOf(field));
        ASSERT_GE(col, 0) << field.toStdString();
        EXPECT_EQ(cells[col], db::kOutOfRangeText) << field.toStdString() << ": " << cells.join('|').toStdString();
    }
    EXPECT_EQ(cells[0], QStringLiteral("0"));
}
