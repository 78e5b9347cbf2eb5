// A file written whole onto a target that cannot take it, from the menus: what was there stays, the
// user is told why, and the same command onto a good target works.
#include "FullDiskRoad.h"

#include "support/SharedFolder.h"

using namespace fulldisk;

// The paths that write a file of a name the person chooses, onto a target that cannot take it: a folder
// of that name, a folder that is gone, a read-only folder (a read-only share). Each says why, and changes
// nothing; the same command onto a good target then works.
TEST(FullDiskTargets, ATargetThatCannotBeWrittenChangesNothingAndSaysWhy) {
    Program p;
    const QString shop = p.openShopWithOrders();
    ASSERT_FALSE(shop.isEmpty()) << joined(p).toStdString();
    const QString real = p.path(QStringLiteral("real"));
    const QString ro = p.path(QStringLiteral("ro"));
    QDir().mkpath(real);
    QDir().mkpath(ro);
    QDir().mkpath(p.path(QStringLiteral("gone")));
    writeFile(real + QStringLiteral("/goods.txt"), "earlier export\r\n");
    copyPair(shop.chopped(4), real + QStringLiteral("/other"));
    copyPair(shop.chopped(4), real + QStringLiteral("/copy"));
    testenv::SharedFolder share(real, ro, true);
    QDir().rmdir(p.path(QStringLiteral("gone")));

    struct Target {
        const char* what;
        QString folder; // where the file goes
        QString cause;  // what the box says of it (a pattern)
    };
    std::vector<Target> targets = {
        {"a folder of that name", p.path(QStringLiteral("taken")), QStringLiteral("フォルダ")},
        {"a folder that is gone", p.path(QStringLiteral("gone")), QStringLiteral("見つかりません")},
    };
    if (share.ok())
        targets.push_back({"a read-only folder", ro, QStringLiteral("読み取り専用|書き込めません")});
    struct Row {
        const char* name;
        const char* file;
        std::function<void(Program&, const QString&)> run;
    };
    const Row rows[] = {
        {"TXT(Tab)出力", "goods.txt", [](Program& q, const QString& to) { exportGoods(q, true, to); }},
        {"TXT(Flat)出力", "goods.txt", [](Program& q, const QString& to) { exportGoods(q, false, to); }},
        {"ＤＢ作成", "other.vrd",
         [shop](Program& q, const QString& to) {
             start(q, QStringLiteral("mnuFileClose"));
             q.newDatabase(QDir(q.path(QString())).relativeFilePath(to));
             reopenShop(q, shop);
         }},
        {"DBを初期化して複製", "copy.vrd", [shop](Program&, const QString& to) { runReplica(shop, to); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const Target& t : targets) {
            SCOPED_TRACE(t.what);
            const QString to = t.folder + QLatin1Char('/') + QString::fromUtf8(row.file);
            QDir().mkpath(p.path(QStringLiteral("taken/")) + QString::fromUtf8(row.file));
            const QString before = folderState(p.path(QString())) + folderState(real);
            p.messages().clear();
            row.run(p, to);
            const QStringList failed = failures(p);
            ASSERT_FALSE(failed.isEmpty()) << joined(p).toStdString();
            EXPECT_TRUE(failed.join('|').contains(QRegularExpression(t.cause)))
                << failed.join('|').toStdString();
            EXPECT_EQ(folderState(p.path(QString())) + folderState(real), before);
            EXPECT_EQ(leftBeside(real) + leftBeside(p.path(QStringLiteral("taken"))), QStringList());
            EXPECT_EQ(p.state().gDbPath, shop);
        }
        // The same command onto a good target.
        p.messages().clear();
        const QString good = p.path(QStringLiteral("good_")) + QString::fromUtf8(row.file);
        row.run(p, good);
        EXPECT_TRUE(failures(p).isEmpty()) << joined(p).toStdString();
        EXPECT_TRUE(QFileInfo(good).isFile());
    }
}
