#include "core/ErrorTexts.h"
#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using core::Doing;
using K = db::ErrorKind;

// Each kind of error, and the file it concerns, in the one set of words every window and VarnoxReplica use.
TEST(ErrorTexts, EachKindHasItsOneText) {
    testenv::TempFolder tmp;
    const QString db = tmp.path(QStringLiteral("shop.vrd"));
    const QString fixed = db.chopped(4) + QStringLiteral("_修復.vrd");
    ASSERT_TRUE(testenv::makePipe(db + "-lock") && QFile::link(db, db + "-wal"));
    QFile journal(db + "-journal"), shm(db + "-shm");
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly) && shm.open(QIODevice::WriteOnly));
    ::chmod(QFile::encodeName(journal.fileName()).constData(), 0);
    const QString me = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    const QString notSaved = QStringLiteral("変更は保存されていません。");
    const struct {
        K kind;
        Doing doing;
        QString path, text;
    } rows[] = {
        {K::DuplicateKey,
         Doing::Writing,
         {},
         "ＤＢの項目の規則に合わない値のため、書き込めませんでした。" + notSaved + "\n(d)"},
        {K::TooLong,
         Doing::Reading,
         {},
         "ＤＢの項目の規則に合わない値のため、書き込めませんでした。" + notSaved + "\n(d)"},
        {K::Busy,
         Doing::Opening,
         {},
         "ＤＢを他のプログラムが使用中です。しばらくしてから、もう一度やり直してください。"},
        {K::Busy,
         Doing::Writing,
         {},
         "ＤＢを他のプログラムが使用中です。しばらくしてから、もう一度やり直してください。"},
        {K::NotADatabase, Doing::Reading, {}, "ＤＢファイルが壊れています。"},
        {K::NotADatabase, Doing::Opening, {}, "VarnoxのＤＢではないか、壊れています。"},
        {K::Io, Doing::Opening, {}, "ＤＢファイルを開けません。"},
        {K::Io, Doing::Reading, {}, "ＤＢファイルを読み書きできませんでした。"},
        {K::Other, Doing::Reading, {}, "ＤＢファイルを読み書きできませんでした。"},
        {K::Replaced,
         Doing::Reading,
         {},
         "読んでいる間に、ＤＢファイルが他のプログラムによって書き換えられました。もう一度表示してください"
         "。"},
        {K::ReadOnly,
         Doing::Writing,
         {},
         "ＤＢファイル「" + db + "」またはそのフォルダが読み取り専用のため、書き込めません。" + notSaved},
        {K::DiskFull, Doing::Writing, {}, "ディスクがいっぱいのため、ＤＢに書き込めません。" + notSaved},
        {K::TooBig,
         Doing::Writing,
         {},
         "ＤＢに、Varnoxで扱える大きさ（16384バイト）を超える値があります。\n" + notSaved},
        {K::BadLock, Doing::Reading, db + "-lock",
         "ＤＢのロックファイル「" + db +
             "-lock」がパイプのため、ＤＢを使えません。Varnoxの作るロックファイルは普通のファイルです。"},
        {K::BadSideFile, Doing::Writing, db + "-wal",
         "ＤＢのログファイル「" + db +
             "-wal」がリンクのため、ＤＢを使えません。Varnoxの作るログファイルは普通のファイルです。"},
        {K::BadSideFile, Doing::Opening, db + "-journal",
         "ＤＢのジャーナルファイル「" + db +
             "-journal」を開けないため、ＤＢを使えません。このファイルの持ち主は「" + me +
             "」で、権限は「---------"
             "」です。このＤＢを使う利用者が読み書きできる権限を、持ち主か管理者に付けてもらってください。"},
        {K::ForeignLog, Doing::Opening, db + "-wal",
         "ＤＢファイル「" + db + "」の横に、他のＤＢのログファイル「" + db +
             "-wal」があります。このＤＢはログファイルを使わないため、これを読むと他のＤＢの中身が混ざります"
             "。"
             "ＤＢファイルは壊れていません。\nこのＤＢを開いているVarnoxをすべて終了してから、「" +
             db + "-wal」と「" + db + "-shm」を別のフォルダに移してください。"},
        {K::LockNotShared, Doing::Opening, db + "-lock",
         "ロックファイル「" + db +
             "-lock」に、他の利用者も使える権限を付けられません。このままでは他の利用者がＤＢを使えなくなる"
             "ため、ＤＢを開けません。\n権限を付けられるフォルダにＤＢを置くか、管理者に相談してください。"},
        {K::LockUnmade, Doing::Opening, db + "-lock",
         "ロックファイル「" + db +
             "-lock」を作れないため（ディスクがいっぱいか、作れるファイルの数の上限です）、ＤＢに書き込め"
             "ません。ＤＢを読むことだけできます。\nロックファイルは、他の利用者のVarnoxReplicaが使用中のＤＢ"
             "を変えないためのものです。"},
        {K::NoMemory,
         Doing::Reading,
         {},
         "メモリが足りないため、処理を続けられませんでした。他のアプリケーションを終了してから、もう一度やり"
         "直してください。"},
        {K::Corrupt,
         Doing::Opening,
         {},
         "ＤＢファイルが壊れています（d）。このＤＢは使えません。\nバックアップから戻して下さい。バックアップ"
         "がない場合は、このＤＢを開いているVarnoxをすべて終了してから、端末で次のように実行すると、sqlite3 "
         "ツールで読める中身を新しいファイル「" +
             fixed + "」に取り出せます（読めなかった行は失われます）。\n  sqlite3 '" + db +
             "' .dump | sed 's/^ROLLBACK; -- due to errors$/COMMIT;/' | sqlite3 '" + fixed + "' && cp '" +
             db.chopped(4) + ".vrk' '" + fixed.chopped(4) + ".vrk'"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        EXPECT_EQ(core::errorText(r.kind, r.doing, db, r.path, QStringLiteral("d")), r.text);
    }
}
