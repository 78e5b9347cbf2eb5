#include "reports/ConditionDialog.h"
#include "reports/SelectionDialogs.h"

#include "frame/WindowRegistry.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using reports::CheckCondition;
using reports::CondCheck;
using reports::ConditionDialog;

namespace {

struct Recording {
    Recording() { ui::setMessageService(&rec); }
    ~Recording() { ui::setMessageService(nullptr); }
    ui::RecordingMessageService rec;
};

core::AppState stateFor(int loadOrder, bool forPrint) {
    core::AppState s;
    s.gCondReport = loadOrder;
    s.gCondForPrint = core::vbool(forPrint);
    return s;
}

} // namespace

TEST(CheckCondition, YearThenMonth) {
    struct Case {
        const char* year;
        const char* month;
        CondCheck check;
        int y, m;
    };
    const Case cases[] = {
        {"2009", "", CondCheck::Ok, 2009, 0},
        {"", "", CondCheck::Ok, 0, 0},
        {"", "4", CondCheck::MonthWithoutYear, 0, 4},
        {"09", "", CondCheck::BadYear, 0, 0},
        {"20091", "", CondCheck::BadYear, 0, 0},
        {"0000", "", CondCheck::BadYear, 0, 0},
        {"abcd", "99", CondCheck::BadYear, 0, 0}, // the month is not looked at
        {"２００９", "", CondCheck::BadYear, 0, 0},
        {" 209", "", CondCheck::BadYear, 0, 0},
        {"1e10", "", CondCheck::BadYear, 0, 0}, // no exponents: nothing can overflow the 16-bit sets
        {"-123", "", CondCheck::BadYear, 0, 0},
        {"12.4", "", CondCheck::Ok, 12, 0},
        {"12.5", "", CondCheck::Ok, 13, 0},
        {"9999", "12", CondCheck::Ok, 9999, 12},
        {"2009", "0", CondCheck::BadMonth, 2009, 0},
        {"2009", "13", CondCheck::BadMonth, 2009, 0},
        {"2009", "004", CondCheck::BadMonth, 2009, 0},
        {"2009", "04", CondCheck::Ok, 2009, 4},
        {"2009", "-1", CondCheck::BadMonth, 2009, 0},
        {"2009", ".5", CondCheck::Ok, 2009, 1},
        {"2009", "x", CondCheck::BadMonth, 2009, 0},
    };
    for (const Case& c : cases) {
        const auto v = CheckCondition(QString::fromUtf8(c.year), QString::fromUtf8(c.month));
        EXPECT_EQ(v.check, c.check) << c.year << " / " << c.month;
        if (c.check != CondCheck::BadYear) {
            EXPECT_EQ(v.year, c.y) << c.year;
        }
        if (c.check == CondCheck::Ok || c.check == CondCheck::MonthWithoutYear) {
            EXPECT_EQ(v.month, c.m) << c.month;
        }
    }
}

TEST(ConditionDialog, LoadShowsTheReportAndTheCodeBoxOnlyWhereItHasOne) {
    struct Case {
        int loadOrder;
        const char* name;
        const char* codeCaption; // nullptr: hidden
    };
    const Case cases[] = {
        {6, "受注情報", nullptr},          {7, "商品別受注情報", "商品コード"}, {8, "顧客別受注情報", "顧客コード"},
        {9, "社員別受注情報", "社員コード"}, {11, "入金済み受注一覧", nullptr}, {12, "未入金受注一覧", nullptr},
        {14, "受注キャンセル情報", nullptr},
    };
    for (const Case& c : cases) {
        core::AppState s = stateFor(c.loadOrder, false);
        s.gCondAccepted = core::kTrue;
        ConditionDialog d(s);
        d.show();
        EXPECT_EQ(d.windowTitle(), "条件を入力して下さい");
        EXPECT_EQ(s.gCondAccepted, core::kFalse);
        EXPECT_EQ(d.lbT()->text(), QString::fromUtf8(c.name));
        EXPECT_EQ(d.txtC()->isVisible(), c.codeCaption != nullptr) << c.loadOrder;
        EXPECT_EQ(d.lc()->isVisible(), c.codeCaption != nullptr) << c.loadOrder;
        if (c.codeCaption) {
            EXPECT_EQ(d.lc()->text(), QString::fromUtf8(c.codeCaption));
        }
        EXPECT_EQ(d.focusWidget(), d.txtY());
        d.unload();
    }
}

TEST(ConditionDialog, AcceptedValuesGoToTheEntryOfTheReportKindInTheChosenSet) {
    struct Case {
        int loadOrder;
        bool forPrint;
        size_t kind;
    };
    const Case cases[] = {{6, true, 7},   {7, false, 8},  {8, true, 9},   {9, false, 10},
                          {11, true, 13}, {12, false, 14}, {14, true, 11}};
    for (const Case& c : cases) {
        Recording r;
        core::AppState s = stateFor(c.loadOrder, c.forPrint);
        ConditionDialog d(s);
        d.show();
        QTest::keyClicks(d.txtY(), "2009");
        QTest::keyClicks(d.txtM(), "04");
        if (d.txtC()->isVisible())
            QTest::keyClicks(d.txtC(), " A1 ");
        d.cmdOK()->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(s.gCondAccepted, core::kTrue);
        EXPECT_TRUE(r.rec.shown().empty());
        const auto& year = c.forPrint ? s.gCondYear : s.gViewCondYear;
        const auto& month = c.forPrint ? s.gCondMonth : s.gViewCondMonth;
        const auto& code = c.forPrint ? s.gCondCode : s.gViewCondCode;
        const bool hasCode = c.loadOrder >= 7 && c.loadOrder <= 9;
        for (size_t k = 0; k < 15; ++k) {
            EXPECT_EQ(year[k], k == c.kind ? 2009 : 0) << c.loadOrder << " kind " << k;
            EXPECT_EQ(month[k], k == c.kind ? 4 : 0) << c.loadOrder << " kind " << k;
            EXPECT_EQ(code[k], k == c.kind && hasCode ? QStringLiteral(" A1 ") : QString()) << c.loadOrder;
        }
        // The other set is untouched.
        const auto& otherYear = c.forPrint ? s.gViewCondYear : s.gCondYear;
        for (size_t k = 0; k < 15; ++k)
            EXPECT_EQ(otherYear[k], 0);
    }
}

TEST(ConditionDialog, EmptyBoxesSelectEverything) {
    Recording r;
    core::AppState s = stateFor(8, false);
    s.gViewCondYear[9] = 2001;
    s.gViewCondMonth[9] = 3;
    s.gViewCondCode[9] = "C1";
    ConditionDialog d(s);
    d.show();
    d.cmdOK()->click();
    EXPECT_EQ(s.gCondAccepted, core::kTrue);
    EXPECT_EQ(s.gViewCondYear[9], 0);
    EXPECT_EQ(s.gViewCondMonth[9], 0);
    EXPECT_EQ(s.gViewCondCode[9], "");
}

TEST(ConditionDialog, RejectedInputKeepsTheDialogOpenAndEmptiesTheBox) {
    struct Case {
        const char* year;
        const char* month;
        const char* message;
        bool monthBox; // which box is emptied and focused
    };
    const Case cases[] = {
        {"09", "4", "年が正しくありません。", false},
        {"abcd", "13", "年が正しくありません。", false},
        {"2009", "13", "月が正しくありません。", true},
        {"2009", "004", "月が正しくありません。", true},
        {"", "4", "年または月が正しくありません。", false},
    };
    for (const Case& c : cases) {
        Recording r;
        core::AppState s = stateFor(7, true);
        ConditionDialog d(s);
        d.show();
        QTest::keyClicks(d.txtY(), c.year);
        QTest::keyClicks(d.txtM(), c.month);
        d.cmdOK()->click();
        EXPECT_TRUE(d.isVisible()) << c.year << "/" << c.month;
        ASSERT_EQ(r.rec.shown().size(), 1u);
        EXPECT_EQ(r.rec.shown()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(r.rec.shown()[0].title, "Varnox");
        EXPECT_EQ(r.rec.shown()[0].buttons, ui::Buttons::Ok);
        EXPECT_TRUE(r.rec.shown()[0].beepBefore);
        QLineEdit* emptied = c.monthBox ? d.txtM() : d.txtY();
        QLineEdit* kept = c.monthBox ? d.txtY() : d.txtM();
        EXPECT_EQ(emptied->text(), "");
        EXPECT_EQ(kept->text(), QString::fromUtf8(c.monthBox ? c.year : c.month));
        EXPECT_EQ(d.focusWidget(), emptied);
        EXPECT_EQ(s.gCondAccepted, core::kFalse);

        // Cancel after the rejection stores nothing in either set.
        d.cmdCan()->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(s.gCondAccepted, core::kFalse);
        EXPECT_EQ(s.gCondYear[8], 0);
        EXPECT_EQ(s.gCondMonth[8], 0);
        EXPECT_EQ(s.gViewCondYear[8], 0);
    }
}

TEST(ConditionDialog, EnterInABoxAndEscapeDoNotCloseIt) {
    Recording r;
    core::AppState s = stateFor(6, false);
    ConditionDialog d(s);
    d.show();
    QTest::keyClicks(d.txtY(), "2009");
    QTest::keyClick(d.txtY(), Qt::Key_Return);
    QTest::keyClick(d.txtY(), Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.close());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(s.gCondAccepted, core::kFalse);
    // The focus order runs year, month, code, OK, cancel; Enter on the focused OK presses it.
    QTest::keyClick(d.txtY(), Qt::Key_Tab);
    EXPECT_EQ(d.focusWidget(), d.txtM());
    QTest::keyClick(d.txtM(), Qt::Key_Tab);
    EXPECT_EQ(d.focusWidget(), d.cmdOK()); // the code box is hidden for this report
    QTest::keyClick(d.cmdOK(), Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(s.gCondAccepted, core::kTrue);
    EXPECT_EQ(s.gViewCondYear[7], 2009);
}

TEST(ConditionDialog, EachOpeningStartsEmptyAndAnUnknownReportWritesNoEntry) {
    Recording r;
    core::AppState s = stateFor(9, true);
    {
        ConditionDialog d(s);
        d.show();
        QTest::keyClicks(d.txtY(), "2010");
        d.cmdOK()->click();
    }
    ConditionDialog again(s);
    EXPECT_EQ(again.txtY()->text(), "");
    EXPECT_EQ(again.txtM()->text(), "");

    core::AppState other = stateFor(3, true);
    ConditionDialog d(other);
    d.show();
    QTest::keyClicks(d.txtY(), "2010");
    d.cmdOK()->click();
    EXPECT_EQ(other.gCondAccepted, core::kTrue);
    for (size_t k = 0; k < 15; ++k)
        EXPECT_EQ(other.gCondYear[k], 0);
}

TEST(ConditionDialog, ModalRunThroughTheHelperAndTheRegistry) {
    Recording r;
    core::AppState s = stateFor(12, true);
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<ConditionDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->txtY()->setText("2011");
        d->cmdOK()->click();
    });
    EXPECT_TRUE(reports::runConditionDialog(s, nullptr));
    EXPECT_EQ(s.gCondYear[14], 2011);

    reports::registerSelectionDialogs();
    const frame::WindowFactory f = frame::windowFactory("frmCondition");
    ASSERT_TRUE(f);
    QWidget* w = f(s, nullptr);
    auto* dlg = qobject_cast<QDialog*>(w);
    ASSERT_NE(dlg, nullptr);
    QTimer::singleShot(0, [] { qobject_cast<ConditionDialog*>(QApplication::activeModalWidget())->cmdCan()->click(); });
    dlg->exec();
    EXPECT_EQ(s.gCondAccepted, core::kFalse);
    EXPECT_EQ(s.gCondYear[14], 2011);
    delete w;
}
