#include "ReplicaFixture.h"
#include "db/Compact.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QStringList dumpAll(const QString& path) {
    QStringList out = fixture::dumpKept(path);
    out << fixture::dumpTable(path, core::kOrderTable) << fixture::dumpTable(path, core::kOrderLineTable);
    return out;
}

} // namespace

// The compacted file has the same data, the original's permissions, and nothing is left beside it;
// a link to the database stays a link, and a leftover file of a crashed run does not get in the way.
// A name as long as the engine's journal allows is compacted as well.
TEST(CompactDatabase, ReplacesTheFileSafely) {
    for (const QString& name : {QStringLiteral("a"), QString(80, QChar(0x8CA9))}) {
        testenv::TempFolder tmp;
        const QString path = tmp.path(name + QStringLiteral(".vrd"));
        fixture::makeCompanyDb(path, 300);
        db::Database(path).execute(QStringLiteral("DELETE FROM 受注個別データ WHERE 個別No > 100"));
        const QStringList data = dumpAll(path);
        const qint64 before = QFileInfo(path).size();
        QFile::setPermissions(path,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        ASSERT_TRUE(QFile::link(path, tmp.path(QStringLiteral("link.vrd"))));
        QFile stale(tmp.path(QStringLiteral(".a.vrd.left")));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.close();

        db::compactDatabase(tmp.path(QStringLiteral("link.vrd")));

        EXPECT_TRUE(QFileInfo(tmp.path(QStringLiteral("link.vrd"))).isSymLink());
        EXPECT_LT(QFileInfo(path).size(), before);
        EXPECT_EQ(dumpAll(path), data);
        const QFile::Permissions rw =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup;
        EXPECT_EQ(QFile::permissions(path) & (rw | QFile::ReadOther | QFile::WriteOther), rw);
        QStringList left{QStringLiteral(".a.vrd.left"), name + QStringLiteral(".vrd"),
                         name + QStringLiteral(".vrk"), QStringLiteral("link.vrd")};
        left.sort();
        EXPECT_EQ(fixture::entries(tmp.path()), left);
    }
}

TEST(CompactDatabase, FailsWhileAnotherConnectionHasTheFileAndKeepsIt) {
    testenv::TempFolder tmp;
    const QString path = tmp.path(QStringLiteral("a.vrd"));
    fixture::makeCompanyDb(path, 50);
    const QStringList data = dumpAll(path);
    {
        db::Database other(path);
        other.scalar(QStringLiteral("SELECT count(*) FROM 商品マスタ"));
        try {
            db::compactDatabase(path);
            ADD_FAILURE() << "compacted a file that is in use";
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.kind(), db::ErrorKind::Busy);
        }
    }
    EXPECT_EQ(dumpAll(path), data);
    EXPECT_EQ(fixture::entries(tmp.path()), (QStringList{QStringLiteral("a.vrd"), QStringLiteral("a.vrk")}));
}
