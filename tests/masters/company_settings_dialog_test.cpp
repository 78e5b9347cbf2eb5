#include "masters/CompanySettingsDialog.h"

#include "core/ControlFile.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace masters;
using namespace core;

namespace {

class CompanySettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        InitFieldLimits(s);
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    std::unique_ptr<CompanySettingsDialog> newMode() {
        s.gCatDialogMode = kFalse;
        return std::make_unique<CompanySettingsDialog>(s);
    }
    void addCategory(CompanySettingsDialog& d, const QString& name) {
        d.txtCat->setText(name);
        d.cmdAdd->click();
    }

    ui::RecordingMessageService rec;
    AppState s;
};

} // namespace

TEST_F(CompanySettingsTest, NewModeStartsFromDesignDefaults) {
    s.categories.gCatCount = 3;
    auto d = newMode();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("ＤＢ作成"));
    EXPECT_EQ(d->txtMyWeb->text(), QStringLiteral("http://"));
    EXPECT_EQ(d->txtTax->text(), QStringLiteral("5"));
    EXPECT_TRUE(d->rdo[0]->isChecked());
    EXPECT_FALSE(d->txtTax->isVisibleTo(d.get()));
    EXPECT_FALSE(d->txtPWD2->isVisibleTo(d.get()));
    EXPECT_FALSE(d->cmdDel->isEnabled());
    EXPECT_EQ(s.categories.gCatCount, 0);
    EXPECT_EQ(d->txtLen[kLenClientName]->text(), QStringLiteral("60"));
    EXPECT_EQ(s.gCatDialogOk, kFalse);
}

TEST_F(CompanySettingsTest, OkChecksInOrderWithTheirMessages) {
    struct Case {
        const char* what;
        std::function<void(CompanySettingsDialog&)> input;
        QString message;
        bool beep;
    };
    const std::vector<Case> cases = {
        {"password without confirmation",
         [](CompanySettingsDialog& d) { d.txtPWD1->setText("abc"); },
         "パスワードが違います。", true},
        {"size not numeric", [](CompanySettingsDialog& d) { d.txtLen[3]->setText("abc"); }, "桁数は数値をセットして下さい。",
         true},
        {"size zero", [](CompanySettingsDialog& d) { d.txtLen[0]->setText("0"); }, "数値は0以上をセットして下さい。", true},
        {"size rounding to zero", [](CompanySettingsDialog& d) { d.txtLen[0]->setText("0.4"); },
         "数値は0以上をセットして下さい。", true},
        {"size above the engine's limit", [](CompanySettingsDialog& d) { d.txtLen[5]->setText("256"); },
         "数値は255以下をセットして下さい。", true},
        {"size far too large", [](CompanySettingsDialog& d) { d.txtLen[5]->setText("40000"); },
         "数値は255以下をセットして下さい。", true},
        {"rate refused",
         [](CompanySettingsDialog& d) {
             d.rdo[1]->click();
             d.txtTax->setText("x");
         },
         "税率の指定が間違っています。", false},
        {"rate above 100",
         [](CompanySettingsDialog& d) {
             d.rdo[1]->click();
             d.txtTax->setText("100.5");
         },
         "税率の指定が間違っています。", false},
        {"no category", [](CompanySettingsDialog&) {}, "少なくとも一つはカテゴリをセットして下さい。", true},
    };
    for (const Case& c : cases) {
        rec.clear();
        auto d = newMode();
        if (QString(c.what) != "no category")
            addCategory(*d, "食品");
        c.input(*d);
        d->cmdOK->click();
        ASSERT_EQ(rec.shown().size(), 1u) << c.what;
        EXPECT_EQ(rec.shown()[0].text, c.message) << c.what;
        EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Varnox")) << c.what;
        EXPECT_EQ(rec.shown()[0].beepBefore, c.beep) << c.what;
        EXPECT_EQ(s.gCatDialogOk, kFalse) << c.what;
    }
}

TEST_F(CompanySettingsTest, OkReturnsValuesWithoutTouchingSharedSizes) {
    auto d = newMode();
    d->txtMyName->setText("テスト商事");
    d->txtPWD1->setText("pw");
    d->txtPWD2->setText("pw");
    d->txtLen[0]->setText("12.5"); // halves to the even neighbour
    d->txtLen[1]->setText("1e2");
    d->txtLen[2]->setText("11.5");
    d->rdo[1]->click();
    d->txtTax->setText("8");
    addCategory(*d, "食品");
    d->cmdOK->click();
    EXPECT_TRUE(rec.shown().empty());
    ASSERT_EQ(s.gCatDialogOk, kTrue);
    const CompanySettings& r = d->result();
    EXPECT_EQ(r.company.CompanyName, QStringLiteral("テスト商事"));
    EXPECT_EQ(r.company.Password, QStringLiteral("pw"));
    EXPECT_EQ(r.company.Web, QStringLiteral("http://"));
    EXPECT_EQ(r.company.TaxPerLine, kFalse);
    EXPECT_FLOAT_EQ(r.company.TaxRate, 8.0f);
    EXPECT_EQ(r.fieldLen[0], 12);
    EXPECT_EQ(r.fieldLen[1], 100);
    EXPECT_EQ(r.fieldLen[2], 12);
    // The program's sizes change only when the database has been created.
    EXPECT_EQ(s.gFieldLen, kDefaultFieldLen);
    EXPECT_EQ(s.gCompanyEdit, CompanyInfo());
}

TEST_F(CompanySettingsTest, PerLineTaxStoresRateZeroAndEmptyTotalRateIsZero) {
    auto d = newMode();
    d->txtTax->setText("8");
    addCategory(*d, "食品");
    d->cmdOK->click();
    EXPECT_EQ(d->result().company.TaxPerLine, kTrue);
    EXPECT_EQ(d->result().company.TaxRate, 0.0f);

    auto e = newMode();
    e->rdo[1]->click();
    e->txtTax->clear();
    addCategory(*e, "食品");
    e->cmdOK->click();
    EXPECT_EQ(s.gCatDialogOk, kTrue);
    EXPECT_EQ(e->result().company.TaxRate, 0.0f);
}

TEST_F(CompanySettingsTest, CategoriesAddOnceRefuseReservedAndDelete) {
    auto d = newMode();
    addCategory(*d, "A");
    addCategory(*d, "B");
    addCategory(*d, "A");
    addCategory(*d, "");
    EXPECT_EQ(s.categories.gCatCount, 2);
    addCategory(*d, kReservedCategory);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("無効なカテゴリです。"));
    EXPECT_EQ(d->txtCat->maxLength(), 20);

    rec.clear();
    d->catList->setCurrentRow(0);
    rec.queueAnswer(ui::Answer::No);
    d->cmdDel->click();
    EXPECT_EQ(s.categories.gCatCount, 2);
    d->cmdDel->click(); // Yes
    ASSERT_EQ(rec.shown().size(), 2u);
    EXPECT_EQ(rec.shown()[1].text, QStringLiteral("削除してよろしいか？"));
    EXPECT_EQ(rec.shown()[1].title, QStringLiteral("カテゴリ定義"));
    EXPECT_FALSE(rec.shown()[1].beepBefore);
    EXPECT_EQ(s.categories.gCatCount, 1);
    QString first;
    s.categories.CatGet(1, first);
    EXPECT_EQ(first, QStringLiteral("B"));
    d->catList->setCurrentRow(0);
    d->cmdDel->click();
    EXPECT_FALSE(d->cmdDel->isEnabled());
}

TEST_F(CompanySettingsTest, ChangeModeNeedsTheStoredPasswordAndKeepsSizes) {
    s.gCompany.CompanyName = "旧社名";
    s.gCompany.Password = "Secret";
    s.gCompany.TaxPerLine = kFalse;
    s.gCompany.TaxRate = 0.5f;
    s.gFieldLen[0] = 8;
    s.categories.setCommittedFromFile({"食品", "雑貨"});
    s.categories.loadWorkingFromCommitted();
    s.gCatDialogMode = kTrue;
    CompanySettingsDialog d(s);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("自社情報変更"));
    EXPECT_FALSE(d.txtPWD1->isEnabled());
    EXPECT_TRUE(d.txtPWD2->isVisibleTo(&d));
    EXPECT_TRUE(d.rdo[1]->isChecked());
    EXPECT_EQ(d.txtTax->text(), QStringLiteral(".5"));
    EXPECT_EQ(d.catList->count(), 2);
    EXPECT_FALSE(d.txtLen[0]->isEnabled());
    EXPECT_EQ(d.txtLen[0]->text(), QStringLiteral("8"));

    d.txtMyName->setText("新社名");
    d.cmdOK->click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("パスワードが違います。"));
    EXPECT_EQ(d.txtPWD1->text(), QStringLiteral("Secret")); // only the confirmation is cleared
    d.txtPWD2->setText("Secret");
    d.cmdOK->click();
    EXPECT_EQ(s.gCatDialogOk, kTrue);
    EXPECT_EQ(d.result().company.CompanyName, QStringLiteral("新社名"));
    EXPECT_EQ(d.result().fieldLen[0], 8);
}

TEST_F(CompanySettingsTest, ChangeModeWithoutPasswordNeedsNone) {
    s.gCompany.TaxPerLine = kTrue;
    s.categories.setCommittedFromFile({"食品"});
    s.categories.loadWorkingFromCommitted();
    s.gCatDialogMode = kTrue;
    CompanySettingsDialog d(s);
    EXPECT_FALSE(d.txtPWD2->isVisibleTo(&d));
    EXPECT_EQ(d.txtTax->text(), QStringLiteral("5"));
    d.cmdOK->click();
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(s.gCatDialogOk, kTrue);
}

TEST_F(CompanySettingsTest, CancelCommitsNothing) {
    s.categories.setCommittedFromFile({"食品"});
    s.categories.loadWorkingFromCommitted();
    s.gCatDialogMode = kTrue;
    CompanySettingsDialog d(s);
    addCategory(d, "雑貨");
    d.cmdCancel->click();
    EXPECT_EQ(s.gCatDialogOk, kFalse);
    EXPECT_EQ(s.categories.CategoryCount, 1);
}

TEST_F(CompanySettingsTest, GrabDialog) {
    auto d = newMode();
    addCategory(*d, "食品");
    d->txtPWD1->setText("x");
    d->show();
    const QString out = qEnvironmentVariable("VARNOX_GRAB_DIR");
    if (!out.isEmpty())
        d->grab().save(out + "/company_settings.png");
    EXPECT_FALSE(d->grab().isNull());
}

// The dialog stores no more than a control file may hold, so what it makes always opens again: the
// company texts end at the file's limit, and a category past the last one is refused with the typed
// name kept; one already there is still no second entry.
TEST_F(CompanySettingsTest, NothingBeyondWhatTheControlFileHoldsCanBeStored) {
    QStringList names;
    for (int i = 0; i < kMaxCategories - 1; ++i)
        names << QString::number(i);
    s.categories.setCommittedFromFile(names);
    s.categories.loadWorkingFromCommitted();
    s.gCatDialogMode = kTrue;
    CompanySettingsDialog d(s);
    for (QLineEdit* box : {d.txtMyName, d.txtMyZip, d.txtMyAddr1, d.txtMyAddr2, d.txtMyAddr3, d.txtMyTel,
                           d.txtMyFax, d.txtMyWeb, d.txtMyMail})
        box->setText(QString(kMaxCompanyTextLength + 1, QChar(0x3042)));
    EXPECT_EQ(d.txtCat->maxLength(), kMaxCategoryLength);
    addCategory(d, "最後");
    EXPECT_TRUE(rec.shown().empty());
    addCategory(d, "最後");
    addCategory(d, "一つ多い");
    ASSERT_EQ(rec.texts(), QStringList{QStringLiteral("カテゴリはこれ以上追加できません（32767個まで）。")});
    EXPECT_EQ(d.txtCat->text(), QStringLiteral("一つ多い"));
    EXPECT_EQ(s.categories.gCatCount, kMaxCategories);
    EXPECT_EQ(d.catList->count(), kMaxCategories);
    d.cmdOK->click();
    ASSERT_EQ(s.gCatDialogOk, kTrue);
    s.categories.commitWorking();
    ControlData made = controlDataOf(s);
    made.company = d.result().company;
    const ControlData back = decodeControl(encodeControl(made)); // the reader's limit, not the text box's
    EXPECT_EQ(back.categories.size(), kMaxCategories);
    EXPECT_EQ(back.company.Mail.size(), kMaxCompanyTextLength);
}
