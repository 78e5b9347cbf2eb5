// ファイル > 新規作成 over files that already exist, through the real main window.
#include "support/MainRoad.h"

#include "db/Database.h"
#include "masters/CompanySettingsDialog.h"
#include "support/SharedFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

using mainroad::Program;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int goodsRows(db::Database& d) { return d.scalar(QStringLiteral("SELECT count(*) FROM 商品マスタ")).toInt(); }

} // namespace

// Another program holds the chosen database: New says so and leaves both files as they were.
TEST(NewDatabase, OverADatabaseInUseElsewhereChangesNothing) {
    Program p;
    const QString path = p.newDatabase(QStringLiteral("shop.vrd"));
    ASSERT_FALSE(path.isEmpty()) << p.messages().texts().join('|').toStdString();
    {
        db::Database d(path);
        for (int i = 1; i <= 2; ++i)
            d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?, ?, ?, 1000000, 800000, 600000, 10.0, 50, 20, '食品')"),
                      {i, QStringLiteral("G%1").arg(i), QStringLiteral("鉛筆%1").arg(i)});
    }
    p.trigger(QStringLiteral("mnuFileClose"));
    const QByteArray ctl = bytesOf(p.path(QStringLiteral("shop.vrk")));

    db::Database other(path); // the other program, reading
    ASSERT_EQ(goodsRows(other), 3);
    p.messages().clear();
    EXPECT_TRUE(p.newDatabase(QStringLiteral("shop.vrd")).isEmpty());
    EXPECT_TRUE(p.messages().texts().join('|').contains(QStringLiteral("指定したＤＢはすでに存在します。")))
        << p.messages().texts().join('|').toStdString();
    EXPECT_EQ(goodsRows(other), 3);
    EXPECT_EQ(bytesOf(p.path(QStringLiteral("shop.vrk"))), ctl);
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
    EXPECT_FALSE(p.window().item(QStringLiteral("mnuFileClose"))->isEnabled());
    EXPECT_TRUE(QDir(p.path(QString())).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden).isEmpty());

    // Once the other program let go, the same New replaces the pair.
    other.close();
    const QString again = p.newDatabase(QStringLiteral("shop.vrd"));
    ASSERT_EQ(again, path) << p.messages().texts().join('|').toStdString();
    db::Database fresh(path);
    EXPECT_EQ(goodsRows(fresh), 1);
}

// The save box's name keeps its own suffix in any letter case; the control file sits beside it.
TEST(NewDatabase, SuffixInCapitalsIsNotDoubled) {
    Program p;
    const QString path = p.newDatabase(QStringLiteral("E.VRD"));
    ASSERT_EQ(path, p.path(QStringLiteral("E.VRD"))) << p.messages().texts().join('|').toStdString();
    EXPECT_TRUE(QFileInfo(p.path(QStringLiteral("E.VRD"))).isFile());
    EXPECT_FALSE(QFileInfo::exists(p.path(QStringLiteral("E.VRD.vrd"))));
    EXPECT_TRUE(QFileInfo(p.path(QStringLiteral("E.vrk"))).isFile());
}

// A name typed without ".vrd" over an existing shop.vrd: the save box had nothing to ask about, so New
// asks before replacing it; No leaves the pair byte for byte and opens nothing, Yes replaces it.
TEST(NewDatabase, ANameWithoutTheSuffixAsksBeforeReplacingTheDatabaseOfThatName) {
    for (const ui::Answer answer : {ui::Answer::No, ui::Answer::Yes}) {
        SCOPED_TRACE(answer == ui::Answer::Yes ? "yes" : "no");
        Program p;
        const QString path = p.newDatabase(QStringLiteral("shop.vrd"));
        ASSERT_FALSE(path.isEmpty()) << p.messages().texts().join('|').toStdString();
        {
            db::Database d(path);
            d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (1, 'G1', '鉛筆', 1000000, 800000, 600000, 10.0, 50, 20, '食品')"));
        }
        p.trigger(QStringLiteral("mnuFileClose"));
        const QByteArray db = bytesOf(path);
        const QByteArray ctl = bytesOf(p.path(QStringLiteral("shop.vrk")));
        p.messages().clear();
        p.messages().queueAnswer(answer);
        const QString made = p.newDatabase(QStringLiteral("shop"));
        ASSERT_EQ(p.messages().shown().size(), 1u) << p.messages().texts().join('|').toStdString();
        EXPECT_TRUE(p.messages().shown()[0].text.contains(QStringLiteral("上書きしますか")));
        if (answer == ui::Answer::No) {
            EXPECT_TRUE(made.isEmpty());
            EXPECT_EQ(bytesOf(path), db);
            EXPECT_EQ(bytesOf(p.path(QStringLiteral("shop.vrk"))), ctl);
        } else {
            ASSERT_EQ(made, path);
            db::Database fresh(path);
            EXPECT_EQ(goodsRows(fresh), 1); // the seed row alone
        }
        EXPECT_FALSE(QFileInfo::exists(p.path(QStringLiteral("shop"))));
    }
}

// ＤＢ作成 into a read-only folder (a read-only share) says so and what to do, of no earlier file; the next
// ＤＢ作成 shows what was typed, and another folder makes the database of it.
TEST(NewDatabase, IntoAReadOnlyFolderKeepsWhatWasTyped) {
    Program p;
    QDir().mkpath(p.path(QStringLiteral("real")));
    QDir().mkpath(p.path(QStringLiteral("ro")));
    testenv::SharedFolder share(p.path(QStringLiteral("real")), p.path(QStringLiteral("ro")), true);
    if (!share.ok()) GTEST_SKIP() << "bindfs or FUSE is missing: no read-only share to make";
    EXPECT_TRUE(p.newDatabase(QStringLiteral("ro/shop.vrd"), [](masters::CompanySettingsDialog& d) {
                     d.txtMyAddr1->setText(QStringLiteral("東京都千代田区"));
                     d.txtCat->setText(QStringLiteral("文具"));
                     d.cmdAdd->click();
                 }).isEmpty());
    EXPECT_TRUE(
        mainroad::joined(p).contains(QStringLiteral("読み取り専用です。別のフォルダを選んでください。")))
        << mainroad::joined(p).toStdString();
    QStringList shown;
    mainroad::onNextModalOf<masters::CompanySettingsDialog>([&](masters::CompanySettingsDialog& d) {
        shown << d.txtMyName->text() << d.txtMyAddr1->text();
        for (int i = 0; i < d.catList->count(); ++i)
            shown << d.catList->item(i)->text();
        d.cmdOK->click();
        if (d.isVisible()) d.cmdCancel->click(); // refused as empty
    });
    p.nextPath(p.path(QStringLiteral("shop.vrd")));
    p.trigger(QStringLiteral("mnuFileNew"));
    EXPECT_EQ(shown, (QStringList{"テスト商事", "東京都千代田区", "食品", "文具"}));
    EXPECT_EQ(p.state().gDbPath, p.path(QStringLiteral("shop.vrd"))) << mainroad::joined(p).toStdString();
    EXPECT_EQ(p.state().categories.committed(), (QStringList{"食品", "文具"}));
}
