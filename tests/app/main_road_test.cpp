// The real main window with every subsystem registered, driven through its menus.
#include "support/MainRoad.h"

#include "core/ControlFile.h"
#include "masters/CompanySettingsDialog.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using mainroad::Program;

TEST(MainRoad, NewDatabaseThroughTheCompanyDialogWritesBothFilesAndCloseReleasesIt) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"), [](masters::CompanySettingsDialog& d) {
        d.txtMyTel->setText("03-1234-5678");
        d.txtMyAddr1->setText(QStringLiteral("東京都港区芝公園４－２－８"));
        d.txtCat->setText(QStringLiteral("文具"));
        d.cmdAdd->click();
    });
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    EXPECT_EQ(db, p.path("shop.vrd"));
    EXPECT_TRUE(QFileInfo::exists(p.path("shop.vrk")));
    EXPECT_EQ(p.state().gCompany.CompanyName, QStringLiteral("テスト商事"));
    EXPECT_EQ(p.state().categories.committed(), (QStringList{QStringLiteral("食品"), QStringLiteral("文具")}));
    EXPECT_EQ(p.window().statusText(1), QStringLiteral("開いているＤＢ＝") + db);

    // The control file holds what the dialog was given.
    core::AppState read;
    core::InitFieldLimits(read);
    ASSERT_TRUE(core::ReadCtlFile(read, db));
    EXPECT_EQ(read.gCompanyEdit.CompanyName, QStringLiteral("テスト商事"));
    EXPECT_EQ(read.gCompanyEdit.Tel, QStringLiteral("03-1234-5678"));
    EXPECT_EQ(read.gCompanyEdit.Address1, QStringLiteral("東京都港区芝公園４－２－８"));
    EXPECT_EQ(read.categories.committed(), p.state().categories.committed());

    // Each table holds its reserved row only.
    for (const char* table : {"商品マスタ", "顧客マスタ", "社員マスタ", "受注データ", "受注個別データ"})
        EXPECT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(db::Database::quoteIdent(QString::fromUtf8(table)))).toInt(), 1)
            << table;
    EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();

    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
    EXPECT_TRUE(p.window().item(QStringLiteral("mnuFileNew"))->isEnabled());
    EXPECT_FALSE(p.window().item(QStringLiteral("mnuOrder"))->isEnabled());
}
