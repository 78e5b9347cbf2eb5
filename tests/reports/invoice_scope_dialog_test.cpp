#include "reports/InvoiceScopeDialog.h"
#include "reports/SelectionDialogs.h"

#include "frame/WindowRegistry.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using reports::InvoiceScopeDialog;
using Variant = reports::InvoiceScopeDialog::Variant;

namespace {

// Marks every answer global so a test can see which ones a dialog wrote.
core::AppState untouchedState(bool printFlavour) {
    core::AppState s;
    s.gInvPrintFlavour = core::vbool(printFlavour);
    s.gInvPrintScope = 99;
    s.gInvViewScope = 99;
    s.gInvHeaderOnce = 7;
    s.gInvFooterOn = 7;
    return s;
}

} // namespace

TEST(InvoiceScopeDialog, CaptionsButtonsAndPreselectedOptions) {
    struct Case {
        Variant variant;
        bool printFlavour;
        const char* caption;
    };
    const Case cases[] = {{Variant::Scope, false, "請求書表示準備"},
                          {Variant::Scope, true, "請求書出力準備"},
                          {Variant::ScopeAndPages, true, "請求書出力準備"},
                          {Variant::ScopeAndPages, false, "請求書表示準備"}};
    for (const Case& c : cases) {
        core::AppState s = untouchedState(c.printFlavour);
        InvoiceScopeDialog d(s, c.variant);
        d.show();
        EXPECT_EQ(d.windowTitle(), QString::fromUtf8(c.caption));
        EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        const QStringList captions{"未入金のみ", "全て", "一覧から選択", "キャンセル"};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(d.command1(i)->text(), captions[i]);
        if (c.variant == Variant::ScopeAndPages) {
            EXPECT_TRUE(d.option1(0)->isChecked());
            EXPECT_FALSE(d.option1(1)->isChecked());
            EXPECT_TRUE(d.option2(0)->isChecked());
            EXPECT_FALSE(d.option2(1)->isChecked());
        } else {
            EXPECT_EQ(d.option1(0), nullptr);
        }
        d.unload();
    }
}

TEST(InvoiceScopeDialog, EachButtonStoresItsIndexInTheScopeOfTheFlavourOnly) {
    for (const Variant variant : {Variant::Scope, Variant::ScopeAndPages}) {
        for (const bool printFlavour : {false, true}) {
            for (int index = 0; index < 4; ++index) {
                core::AppState s = untouchedState(printFlavour);
                InvoiceScopeDialog d(s, variant);
                d.show();
                d.command1(index)->click();
                EXPECT_FALSE(d.isVisible());
                EXPECT_EQ(s.gInvPrintScope, printFlavour ? index : 99);
                EXPECT_EQ(s.gInvViewScope, printFlavour ? 99 : index);
                if (variant == Variant::Scope) {
                    EXPECT_EQ(s.gInvHeaderOnce, 7); // the list dialog has no page options
                    EXPECT_EQ(s.gInvFooterOn, 7);
                } else {
                    EXPECT_EQ(s.gInvHeaderOnce, core::kTrue); // also stored for キャンセル
                    EXPECT_EQ(s.gInvFooterOn, core::kTrue);
                }
            }
        }
    }
}

TEST(InvoiceScopeDialog, PageOptionsAreStoredAndForgottenAtTheNextOpening) {
    core::AppState s = untouchedState(true);
    {
        InvoiceScopeDialog d(s, Variant::ScopeAndPages);
        d.show();
        QTest::mouseClick(d.option1(1), Qt::LeftButton);
        QTest::mouseClick(d.option2(1), Qt::LeftButton);
        EXPECT_FALSE(d.option1(0)->isChecked());
        d.command1(1)->click();
    }
    EXPECT_EQ(s.gInvPrintScope, 1);
    EXPECT_EQ(s.gInvHeaderOnce, core::kFalse);
    EXPECT_EQ(s.gInvFooterOn, core::kFalse);

    InvoiceScopeDialog again(s, Variant::ScopeAndPages);
    EXPECT_TRUE(again.option1(0)->isChecked());
    EXPECT_TRUE(again.option2(0)->isChecked());
}

TEST(InvoiceScopeDialog, OnlyAButtonEndsIt) {
    core::AppState s = untouchedState(false);
    InvoiceScopeDialog d(s, Variant::ScopeAndPages);
    d.show();
    EXPECT_FALSE(d.close());
    QTest::keyClick(&d, Qt::Key_Escape);
    d.option1(1)->setFocus();
    QTest::keyClick(d.option1(1), Qt::Key_Return); // no default button behind the options
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(s.gInvViewScope, 99);
    d.command1(2)->setFocus();
    QTest::keyClick(d.command1(2), Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(s.gInvViewScope, 2);
}

TEST(InvoiceScopeDialog, ModalRunThroughTheHelpersAndTheRegistry) {
    core::AppState s = untouchedState(false);
    QTimer::singleShot(0, [] { qobject_cast<InvoiceScopeDialog*>(QApplication::activeModalWidget())->command1(3)->click(); });
    EXPECT_EQ(reports::runInvoiceScopeDialog(s, nullptr), 3);

    s.gInvPrintFlavour = core::kTrue;
    QTimer::singleShot(0, [] { qobject_cast<InvoiceScopeDialog*>(QApplication::activeModalWidget())->command1(0)->click(); });
    EXPECT_EQ(reports::runInvoicePrintScopeDialog(s, nullptr), 0);
    EXPECT_EQ(s.gInvHeaderOnce, core::kTrue);

    reports::registerSelectionDialogs();
    for (const char* name : {"frmInvPrep", "frmInvPrepP"}) {
        QWidget* w = frame::windowFactory(QString::fromUtf8(name))(s, nullptr);
        ASSERT_NE(qobject_cast<InvoiceScopeDialog*>(w), nullptr);
        EXPECT_EQ(w->objectName(), QString::fromUtf8(name));
        delete w;
    }
}
