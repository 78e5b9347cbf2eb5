#include "PaymentTestDb.h"

#include "orders/CalendarDialog.h"
#include "orders/CancelWindow.h"
#include "orders/OrderMessages.h"
#include "orders/PaymentWindow.h"
#include "ui/MessageService.h"

#include <QAbstractItemModelTester>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using paytest::TestDb;

namespace {

class PaymentWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        t.addOrder(1, 1000, 0);
        t.addOrder(2, 2000, 500, db::toOleDate(QDate(2024, 6, 1)));
        t.addOrder(3, 3000, 0, QVariant(), QVariant());
        t.addLine(1, 3);
        t.addLine(2, 3);
        t.state.gOpenDataCount = 1; // as the opener counted it
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    // Shows the window as the opener does and lets it build.
    template <class W> void open(W* w) {
        window = w;
        w->show();
        QTest::qWait(10);
    }
    // A click on the order's cell in column 1 (grid row r is model row r - 1).
    void clickRow(orders::OrderListWindow* w, int gridRow) {
        QTableView* g = w->grid();
        const QRect rect = g->visualRect(g->model()->index(gridRow - 1, 1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QString cell(orders::OrderListWindow* w, int gridRow, int col) {
        return w->model()->index(gridRow - 1, col).data().toString();
    }
    int rowOf(orders::OrderListWindow* w, int orderNo) {
        for (int i = 0; i < w->model()->orderCount(); ++i)
            if (w->model()->order(i).orderNo == orderNo)
                return i + 1;
        return 0;
    }

    TestDb t;
    ui::RecordingMessageService rec;
    QPointer<QWidget> window;
};

} // namespace

TEST_F(PaymentWindows, ListModesAndOpenFlag) {
    struct Case {
        bool payment;
        int mode;
        int rows;
    };
    for (const Case& c : {Case{true, 0, 2}, Case{true, 1, 3}, Case{false, 0, 2}, Case{false, 1, 3}}) {
        t.state.gPaymentListMode = c.payment ? c.mode : 1 - c.mode;
        t.state.gCancelListMode = c.payment ? 1 - c.mode : c.mode;
        std::unique_ptr<orders::OrderListWindow> w;
        if (c.payment)
            w = std::make_unique<orders::PaymentWindow>(t.state);
        else
            w = std::make_unique<orders::CancelWindow>(t.state);
        w->show();
        QTest::qWait(10);
        EXPECT_EQ(w->model()->orderCount(), c.rows) << c.payment << c.mode;
        const int child = c.payment ? core::kChildPayment : core::kChildCancel;
        EXPECT_EQ(t.state.gChildState[child].Open, core::kTrue);
        // Blank rows fill the screen's height below a short list.
        EXPECT_GT(w->model()->rowCount(), c.rows);
        EXPECT_TRUE(rec.shown().empty());
        w->close();
        EXPECT_EQ(t.state.gChildState[child].Open, core::kFalse);
    }
}

TEST_F(PaymentWindows, CellTexts) {
    t.state.gPaymentListMode = 1;
    t.db->execute(QStringLiteral("UPDATE 受注データ SET キャンセル = 'X' WHERE 受注No = 2"));
    auto* w = new orders::PaymentWindow(t.state);
    open(w);
    QAbstractItemModelTester tester(w->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    const int r2 = rowOf(w, 2);
    ASSERT_GT(r2, 0);
    EXPECT_EQ(cell(w, r2, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(w, r2, 1), QStringLiteral("山田商店"));
    EXPECT_EQ(cell(w, r2, 2), QStringLiteral("佐藤太郎"));
    EXPECT_EQ(cell(w, r2, 3), QStringLiteral("2,000"));
    EXPECT_EQ(cell(w, r2, 5), QStringLiteral("500"));
    EXPECT_EQ(cell(w, r2, 6), orders::shortDateText(db::toOleDate(QDate(2024, 5, 3))));
    EXPECT_EQ(cell(w, r2, 7), orders::shortDateText(db::toOleDate(QDate(2024, 6, 1))));
    EXPECT_EQ(cell(w, r2, 8), QStringLiteral("キャンセル"));
    const int r3 = rowOf(w, 3);
    EXPECT_EQ(cell(w, r3, 7), QString());
    EXPECT_EQ(cell(w, r3, 8), QStringLiteral(" "));
    EXPECT_EQ(w->model()->headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("入金日"));
    delete w;
}

TEST_F(PaymentWindows, EmptyListSaysSoAndClosesWithoutEverBeingOpen) {
    for (int mode : {0, 1}) {
        t.db->execute(QStringLiteral("DELETE FROM 受注データ WHERE 受注No <> 0"));
        t.addOrder(9, 0, 0); // the pending row of an open order entry window
        t.state.gCancelListMode = mode;
        rec.clear();
        auto* w = new orders::CancelWindow(t.state);
        w->setAttribute(Qt::WA_DeleteOnClose);
        open(w);
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_EQ(rec.shown()[0].text, orders::kEmptyMessage);
        EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Varnox"));
        EXPECT_TRUE(rec.shown()[0].beepBefore);
        EXPECT_EQ(t.state.gChildState[core::kChildCancel].Open, core::kFalse);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
        EXPECT_EQ(t.state.gChildState[core::kChildCancel].Open, core::kFalse);
    }
}

TEST_F(PaymentWindows, MissingDatabaseGivesTheReadErrorAndCloses) {
    t.state.gDbPath = t.folder.path(QStringLiteral("gone.vrd"));
    auto* w = new orders::PaymentWindow(t.state);
    w->setAttribute(Qt::WA_DeleteOnClose);
    open(w);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].title, orders::kReadErrorTitle);
    EXPECT_EQ(rec.shown()[0].text, orders::kOtherProgramMessage);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
    EXPECT_EQ(t.state.gOpenDataCount, 0);
}

TEST_F(PaymentWindows, PickerAnswersSetClearOrChangeNothing) {
    const double day = db::toOleDate(QDate(2024, 8, 9));
    struct Case {
        double answer;
        double stored;
        QString shown;
    };
    for (const Case& c : {Case{day, day, orders::shortDateText(day)}, Case{0, 0, QString()},
                          Case{-1, db::toOleDate(QDate(2024, 6, 1)), orders::shortDateText(db::toOleDate(QDate(2024, 6, 1)))}}) {
        t.db->execute(QStringLiteral("UPDATE 受注データ SET 入金日 = ? WHERE 受注No = 2"),
                      {db::toOleDate(QDate(2024, 6, 1))});
        t.state.gPaymentListMode = 1;
        int shownFor = -1;
        auto* w = new orders::PaymentWindow(t.state, nullptr, [&](core::AppState& s, QWidget*) {
            shownFor = s.gSelectedOrderNo;
            EXPECT_EQ(s.gCalendarDate, -1);
            s.gCalendarDate = c.answer;
        });
        open(w);
        const int r2 = rowOf(w, 2);
        clickRow(w, r2);
        EXPECT_EQ(shownFor, 2);
        EXPECT_EQ(t.orderField(2, QStringLiteral("入金日")).toDouble(), c.stored) << c.answer;
        EXPECT_EQ(cell(w, r2, 7), c.shown) << c.answer;
        EXPECT_EQ(t.orderField(1, QStringLiteral("入金日")).toDouble(), 0.0);
        delete w;
    }
}

TEST_F(PaymentWindows, PaidOrderStaysListedInUnpaidModeUntilRefresh) {
    t.state.gPaymentListMode = 0;
    const double day = db::toOleDate(QDate(2024, 8, 9));
    auto* w = new orders::PaymentWindow(t.state, nullptr, [&](core::AppState& s, QWidget*) { s.gCalendarDate = day; });
    open(w);
    ASSERT_EQ(w->model()->orderCount(), 2);
    clickRow(w, rowOf(w, 1));
    EXPECT_EQ(w->model()->orderCount(), 2);
    t.state.gChildState[core::kChildPayment].RefreshRequest = core::kTrue;
    EXPECT_TRUE(QTest::qWaitFor([&] { return core::isSet(t.state.gChildState[core::kChildPayment].RefreshDone); }, 2000));
    EXPECT_EQ(w->model()->orderCount(), 1);
    EXPECT_EQ(w->model()->order(0).orderNo, 3);
    delete w;
}

TEST_F(PaymentWindows, NoPickerWithoutASelectedOrder) {
    t.state.gPaymentListMode = 1;
    int calls = 0;
    auto* w = new orders::PaymentWindow(t.state, nullptr, [&](core::AppState& s, QWidget*) {
        ++calls;
        s.gCalendarDate = 0;
    });
    open(w);
    EXPECT_EQ(w->selectedRow(), 0);
    // A click on the heading row acts on the row picked last: none yet.
    QTest::mouseClick(w->grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(calls, 0);
    // A blank row below the last order selects nothing.
    clickRow(w, 6);
    EXPECT_EQ(w->selectedRow(), 0);
    EXPECT_EQ(calls, 0);
    // Keyboard moves pick a row without acting; the heading click then acts on it.
    w->grid()->setCurrentIndex(w->model()->index(0, 1));
    EXPECT_EQ(w->selectedRow(), 1);
    EXPECT_EQ(calls, 0);
    QTest::mouseClick(w->grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(calls, 1);
    delete w;
}

TEST_F(PaymentWindows, PaymentForAnOrderDeletedMeanwhileChangesNothing) {
    t.state.gPaymentListMode = 1;
    auto* w = new orders::PaymentWindow(t.state, nullptr, [](core::AppState& s, QWidget*) {
        s.gCalendarDate = db::toOleDate(QDate(2024, 8, 9));
    });
    open(w);
    const int r3 = rowOf(w, 3);
    t.db->execute(QStringLiteral("DELETE FROM 受注データ WHERE 受注No = 3"));
    clickRow(w, r3);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, orders::orderMissingMessage(3));
    EXPECT_EQ(cell(w, r3, 7), QString());
    EXPECT_EQ(t.orderField(1, QStringLiteral("入金日")).toDouble(), 0.0);
    EXPECT_EQ(t.orderField(2, QStringLiteral("入金日")).toDouble(), db::toOleDate(QDate(2024, 6, 1)));
    delete w;
}

TEST_F(PaymentWindows, CancelClickTogglesOrderAndLinesAndShowsTheStoredMark) {
    t.state.gCancelListMode = 0;
    auto* w = new orders::CancelWindow(t.state);
    open(w);
    const int r3 = rowOf(w, 3);
    clickRow(w, r3);
    EXPECT_EQ(cell(w, r3, 8), QStringLiteral("キャンセル"));
    EXPECT_EQ(t.orderField(3, QStringLiteral("キャンセル")).toString(), QStringLiteral("X"));
    EXPECT_EQ(t.lineMarks(3), QStringList({"X", "X"}));
    clickRow(w, r3);
    EXPECT_EQ(cell(w, r3, 8), QStringLiteral(" "));
    EXPECT_EQ(t.lineMarks(3), QStringList({" ", " "}));
    EXPECT_TRUE(rec.shown().empty());
    delete w;
}

TEST_F(PaymentWindows, FailedCancelLeavesGridAndTablesAsTheyWere) {
    t.state.gCancelListMode = 1;
    auto* w = new orders::CancelWindow(t.state);
    open(w);
    t.db->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 受注個別データ WHEN OLD.個別No = 2 "
                                 "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    const int r3 = rowOf(w, 3);
    clickRow(w, r3);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].title, orders::kWriteErrorTitle);
    EXPECT_EQ(cell(w, r3, 8), QStringLiteral(" "));
    EXPECT_EQ(t.orderField(3, QStringLiteral("キャンセル")), QVariant());
    EXPECT_EQ(t.lineMarks(3), QStringList({" ", " "}));
    delete w;
}

TEST_F(PaymentWindows, RefreshThatFindsNothingSaysSoAndCloses) {
    t.state.gCancelListMode = 1;
    auto* w = new orders::CancelWindow(t.state);
    w->setAttribute(Qt::WA_DeleteOnClose);
    open(w);
    w->showMinimized();
    t.db->execute(QStringLiteral("DELETE FROM 受注データ WHERE 受注No <> 0"));
    t.state.gChildState[core::kChildCancel].RefreshRequest = core::kTrue;
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 3000));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, orders::kEmptyMessage);
    EXPECT_EQ(t.state.gOpenDataCount, 0);
    EXPECT_EQ(t.state.gChildState[core::kChildCancel].Open, core::kFalse);
}

TEST_F(PaymentWindows, EndButtonAndCloseRequestUnloadAndUncount) {
    for (bool byRequest : {false, true}) {
        t.state.gOpenDataCount = 1;
        t.state.gCancelListMode = 1;
        auto* w = new orders::CancelWindow(t.state);
        w->setAttribute(Qt::WA_DeleteOnClose);
        open(w);
        if (byRequest)
            t.state.gChildState[core::kChildCancel].CloseRequest = core::kTrue;
        else
            QTest::mouseClick(w->endButton(), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
        EXPECT_EQ(t.state.gOpenDataCount, 0);
        EXPECT_EQ(t.state.gChildState[core::kChildCancel].Open, core::kFalse);
        EXPECT_EQ(t.state.gChildState[core::kChildCancel].CloseRequest, core::kFalse);
    }
}

TEST_F(PaymentWindows, LayoutKeepsTheEndButtonInTheCornerAndNeverOffTheTop) {
    t.state.gPaymentListMode = 1;
    auto* w = new orders::PaymentWindow(t.state);
    open(w);
    w->resize(600, 400);
    ASSERT_TRUE(QTest::qWaitFor([w] { return w->endButton()->x() == 600 - w->endButton()->width() - 3; }, 5000));
    const QPoint corner = w->endButton()->geometry().bottomRight();
    EXPECT_EQ(corner, QPoint(600 - 1 - 3, 400 - 1 - 3));
    EXPECT_EQ(w->grid()->geometry(), QRect(0, 0, 600, w->endButton()->y() - 3));
    // The columns follow their texts, not the window: the last one holds its heading whole.
    EXPECT_GE(w->grid()->columnWidth(8), w->grid()->horizontalHeader()->fontMetrics().horizontalAdvance(
                                             QStringLiteral("キャンセル")));
    const int top = w->endButton()->y();
    w->resize(500, 20); // too low for the button: it stays where it was
    ASSERT_TRUE(QTest::qWaitFor([w] { return w->endButton()->x() == 500 - w->endButton()->width() - 3; }, 5000));
    EXPECT_EQ(w->endButton()->y(), top);
    EXPECT_EQ(w->endButton()->x(), 500 - w->endButton()->width() - 3);
    delete w;
}

TEST(CalendarDialog, ButtonsAnswerInTheSharedDate) {
    struct Case {
        int button; // 0 決定, 1 取り消し, 2 キャンセル
        bool picked;
        double expected;
    };
    const QDate day(2024, 2, 29);
    for (const Case& c : {Case{0, true, db::toOleDate(day)}, Case{1, false, 0}, Case{2, false, -1}}) {
        core::AppState s;
        s.gSelectedOrderNo = 17;
        s.gCalendarDate = -1;
        orders::CalendarDialog dlg(s);
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("入金日付入力"));
        EXPECT_EQ(dlg.orderLabel()->text(), QStringLiteral("17"));
        EXPECT_EQ(dlg.calendar()->selectedDate(), QDate::currentDate());
        dlg.calendar()->setSelectedDate(day);
        QPushButton* b[] = {dlg.okButton(), dlg.eraseButton(), dlg.cancelButton()};
        b[c.button]->click();
        EXPECT_EQ(s.gCalendarDate, c.expected) << c.button;
        EXPECT_FALSE(dlg.isVisible());
    }
}

TEST(CalendarDialog, TheCloseBoxDoesNotDismissIt) {
    core::AppState s;
    orders::CalendarDialog dlg(s);
    dlg.show();
    dlg.close();
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    dlg.cancelButton()->click();
    EXPECT_FALSE(dlg.isVisible());
}
