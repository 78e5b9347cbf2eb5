// The real main window with every subsystem registered, driven through its menus.
#include "support/MainRoad.h"

#include "masters/CompanySettingsDialog.h"

#include <QFileInfo>
#include <QLineEdit>
#include <gtest/gtest.h>

using mainroad::Program;

TEST(MainRoad, NewDatabaseThroughTheCompanyDialogOpensItAndCloseReleasesIt) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"),
                                     [](masters::CompanySettingsDialog& d) { d.txtMyTel->setText("03-1234-5678"); });
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    EXPECT_TRUE(QFileInfo::exists(p.path("shop.vrd")));
    EXPECT_TRUE(QFileInfo::exists(p.path("shop.vrk")));
    EXPECT_EQ(p.state().gCompany.CompanyName, QStringLiteral("テスト商事"));
    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
    EXPECT_TRUE(p.window().item(QStringLiteral("mnuFileNew"))->isEnabled());
}
