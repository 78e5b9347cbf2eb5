#include "MastersTestDb.h"
#include "db/Database.h"
#include "masters/MasterImport.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"

#include <gtest/gtest.h>

using masters::ImportKind;
using masters::importMasterFile;
using masterstest::writeBytes;
using masterstest::writeCp932;

namespace {

const QString kDup = QStringLiteral("番号かコードが重複しているのでスキップします。");
const QString kReserved = QStringLiteral("無効なコードなのでスキップします。");
const QString kCategory = QStringLiteral("カテゴリーが未定義なのでスキップします。");
const QString kFileErrorTitle = QStringLiteral("このエラーは該当ファイルを他の人が使用している場合に起こることがあります。");

class MasterImport : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        masterstest::makeDb(s, dir.path(QStringLiteral("co.vrd")), {QStringLiteral("文具"), QStringLiteral("事務用品"), QStringLiteral("ABCDEFGHIJKLMNOPQRST")});
    }
    void TearDown() override { ui::setMessageService(nullptr); }

    masters::ImportResult run(ImportKind kind, const QString& content) {
        const QString file = dir.path(QStringLiteral("in.txt"));
        writeCp932(file, content);
        return importMasterFile(s, kind, file);
    }

    // Rows of a table other than the seed row, as "No|code|rest..." texts in number order.
    QStringList rows(const QString& table) {
        db::Database d(s.gDbPath);
        QStringList out;
        db::Query q = d.query(QStringLiteral("SELECT * FROM %1 WHERE rowid > 1 ORDER BY 1").arg(db::Database::quoteIdent(table)));
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.columnCount(); ++i)
                cols << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
            out << cols.join(QLatin1Char('|'));
        }
        return out;
    }

    QStringList titles() const {
        QStringList t;
        for (const auto& m : rec.shown())
            t << m.title;
        return t;
    }

    testenv::TempFolder dir;
    ui::RecordingMessageService rec;
    core::AppState s;
};

} // namespace

TEST_F(MasterImport, ClientsWithJapaneseTextApostropheAndBothLineEnds) {
    const auto r = run(ImportKind::Clients,
                       QStringLiteral("1\tC001\tO'Neil & Co.\t100-0001\t東京都千代田区\t03-1111-2222\t03-1111-3333\ta@b.jp\r\n"
                                      "2\tC002\t山田商店\t\t大阪府\t06\n"
                                      "3\tC003\tｱｲｳ商会\t\t\t\t\t\r\n"));
    EXPECT_EQ(r.added, 3);
    EXPECT_TRUE(rec.shown().empty()) << rec.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rows(QStringLiteral("顧客マスタ")),
              (QStringList{QStringLiteral("1|C001|O'Neil & Co.|100-0001|東京都千代田区|03-1111-2222|03-1111-3333|a@b.jp"),
                           // an empty middle field is stored as a blank, not as its tab
                           QStringLiteral("2|C002|山田商店| |大阪府|06| | "),
                           QStringLiteral("3|C003|ｱｲｳ商会| | | | | ")}));
}

TEST_F(MasterImport, AutomaticNumbersTakeTheFirstFreeFromTheRowCount) {
    // Rows 0 (seed), 1 and 5: the row count is 3, so the free numbers are 3, 4, then 6.
    const auto r = run(ImportKind::Employees, QStringLiteral("1\tE1\ta\n5\tE5\tb\n\tE6\tc\nabc\tE7\td\n-3\tE8\te\n"));
    EXPECT_EQ(r.added, 5);
    QStringList numbers;
    for (const QString& row : rows(QStringLiteral("社員マスタ")))
        numbers << row.section(QLatin1Char('|'), 0, 1);
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("1|E1"), QStringLiteral("3|E6"), QStringLiteral("4|E7"),
                                    QStringLiteral("5|E5"), QStringLiteral("6|E8")}));
}

TEST_F(MasterImport, NumbersRoundHalfToEvenAndZeroIsAutomatic) {
    const auto r = run(ImportKind::Employees, QStringLiteral("2.5\tA\tx\n3.5\tB\tx\n0\tC\tx\n1,0\tD\tx\n"));
    EXPECT_EQ(r.added, 4);
    QStringList numbers;
    for (const QString& row : rows(QStringLiteral("社員マスタ")))
        numbers << row.section(QLatin1Char('|'), 0, 1);
    // 2.5 -> 2, 3.5 -> 4, 0 -> first free from count 3 = 3, "1,0" -> 10
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("2|A"), QStringLiteral("3|C"), QStringLiteral("4|B"), QStringLiteral("10|D")}));
}

TEST_F(MasterImport, RefusalsShowOneBoxEachWithTheirTitles) {
    struct Case {
        QString line;
        QString title;
    };
    const QString nul = QString(QChar(0)) + QStringLiteral("\tZ1\tz");
    const std::vector<Case> cases{
        {QStringLiteral("1\tE2\ttaken number"), kDup},
        {QStringLiteral("7\tE1\ttaken code"), kDup},
        {QStringLiteral("8\tXXXXXXXXXX\treserved code"), kReserved},
        {QStringLiteral("9\tE1234567890\tsame code after the cut"), kDup},
        {QStringLiteral("99999999999\tE9\tnumber beyond 32 bits"), kDup},
        {QStringLiteral("2147483647.5\tE10\tnumber rounding beyond 32 bits"), kDup},
        {nul, kDup},
    };
    QString content = QStringLiteral("1\tE1\tfirst\n2\tE123456789\tcut to ten\n");
    for (const Case& c : cases)
        content += c.line + QLatin1Char('\n');
    const auto r = run(ImportKind::Employees, content);
    EXPECT_EQ(r.added, 2);
    EXPECT_EQ(r.refused, int(cases.size()));
    ASSERT_EQ(rec.shown().size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(rec.shown()[i].title, cases[i].title) << i;
        EXPECT_EQ(rec.shown()[i].text, QStringLiteral("エラーデータ=　") + cases[i].line) << i;
        EXPECT_TRUE(rec.shown()[i].beepBefore) << i;
        EXPECT_EQ(rec.shown()[i].buttons, ui::Buttons::Ok);
        EXPECT_EQ(rec.shown()[i].icon, ui::Icon::None);
    }
    EXPECT_EQ(rows(QStringLiteral("社員マスタ")),
              (QStringList{QStringLiteral("1|E1|first"), QStringLiteral("2|E123456789|cut to ten")}));
}

TEST_F(MasterImport, CodesCompareExactlyWithoutPatterns) {
    const auto r = run(ImportKind::Employees,
                       QStringLiteral("1\tA1\tx\n2\tA_\tpattern one\n3\tA%\tpattern any\n4\tA[\tbad pattern\n5\ta1\tother case\n"));
    EXPECT_EQ(r.added, 5);
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(MasterImport, EmptyAndBlankLines) {
    // An empty line is a row of blanks with a number; a second one collides on the code " ";
    // a line of blanks is passed over without a message.
    const auto r = run(ImportKind::Clients, QStringLiteral("\r\n   \r\n\r\n"));
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(titles(), QStringList{kDup});
    EXPECT_EQ(rows(QStringLiteral("顧客マスタ")), QStringList{QStringLiteral("1| | | | | | | ")});
}

TEST_F(MasterImport, GoodsValuesAndCategories) {
    const QString longCat = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY"); // 25 characters
    const auto r = run(ImportKind::Goods,
                       QStringLiteral("1\tG1\tペン\t1,234\t1000.5\t800\t10\t12.5\t13.5\t文具\n"
                                      "2\tG2\t紙\tabc\t-5\t\t8.25\t\t\t事務用品\n"
                                      "3\tG3\tのり\t0\t0\t0\t0\t0\t0\t未定義\n"
                                      "4\tG4\t糊\n"
                                      "5\tG5\tはさみ\t1\t1\t1\t1\t2147483648\t0\t文具\n"
                                      "6\tG6\t定規\t99999999999\t1\t1\t1\t1\t0\t文具\n") +
                           QStringLiteral("7\tG7\tテープ\t1\t1\t1\t1\t1\t1\t") + longCat + QLatin1Char('\n') +
                           QStringLiteral("8\tG8\t箱\t1\t1\t1\t1\t1\t1\tABCDEFGHIJKLMNOPQRSxUVWXY\n"));
    EXPECT_EQ(titles(), (QStringList{kCategory, kCategory, kDup, kDup, kCategory}));
    EXPECT_EQ(r.added, 3);
    // Money is stored in ten-thousandths; stock rounds half to even.
    EXPECT_EQ(rows(QStringLiteral("商品マスタ")),
              (QStringList{QStringLiteral("1|G1|ペン|12340000|10005000|8000000|10|12|14|文具"),
                           QStringLiteral("2|G2|紙|0|0|0|8.25|0|0|事務用品"),
                           QStringLiteral("7|G7|テープ|10000|10000|10000|1|1|1|") + longCat.left(20)}));
    // The numbers and codes of the refused lines stay free.
    rec.clear();
    run(ImportKind::Goods, QStringLiteral("3\tG3\tのり\t0\t0\t0\t0\t0\t0\t文具\n"));
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(MasterImport, FileErrorsChangeNothing) {
    struct Case {
        const char* what;
        std::function<QString()> prepare;
    };
    const std::vector<Case> cases{
        {"missing file", [&] { return dir.path(QStringLiteral("none.txt")); }},
        {"a folder", [&] { return dir.path(); }},
    };
    for (const Case& c : cases) {
        rec.clear();
        const auto r = importMasterFile(s, ImportKind::Employees, c.prepare());
        EXPECT_TRUE(r.fileError) << c.what;
        ASSERT_EQ(rec.shown().size(), 1u) << c.what;
        EXPECT_EQ(rec.shown()[0].text, QStringLiteral("ファイル読み込み中にエラーが発生しました。"));
        EXPECT_EQ(rec.shown()[0].title, kFileErrorTitle);
        EXPECT_TRUE(rec.shown()[0].beepBefore);
    }
    EXPECT_TRUE(rows(QStringLiteral("社員マスタ")).isEmpty());
}

// Files as editors write them: UTF-8 is refused as such and a byte CP932 cannot read is named by its
// line; neither reaches the table. CP932 with the extension characters lands exactly.
TEST_F(MasterImport, FilesInOtherEncodingsAreRefusedPlainlyBeforeAnythingIsWritten) {
    const QString utf8Lines = QStringLiteral("1\t東京\t佐藤\r\n2\tC2\t株式会社\r\n3\tC3\tx\r\n");
    struct Case {
        const char* what;
        QByteArray bytes;
        QString says; // part of the message; "" for a file that imports
        QStringList rows;
    } cases[] = {
        {"UTF-8 without mark", utf8Lines.toUtf8(), QStringLiteral("UTF-8で保存されています"), {}},
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + utf8Lines.toUtf8(), QStringLiteral("UTF-8で保存されています"), {}},
        {"broken byte on line 2", QByteArray("1\tE1\tok\r\n2\tE2\t\x81\x20\r\n3\tE3\tok\r\n"),
         QStringLiteral("ファイルの2行目に、Shift_JIS（CP932）として読めないバイトがあります。"), {}},
        {"CP932 with extension characters", text::toCp932(QStringLiteral("1\tE①\t髙橋～\r\n2\tE2\t①②\r\n")), QString(),
         {QStringLiteral("1|E①|髙橋～"), QStringLiteral("2|E2|①②")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        db::Database(s.gDbPath).execute(QStringLiteral("DELETE FROM 社員マスタ WHERE rowid > 1"));
        rec.clear();
        const QString file = dir.path(QStringLiteral("in.txt"));
        writeBytes(file, c.bytes);
        const auto r = importMasterFile(s, ImportKind::Employees, file);
        EXPECT_EQ(rows(QStringLiteral("社員マスタ")), c.rows);
        if (c.says.isEmpty()) {
            EXPECT_FALSE(r.fileError);
            EXPECT_TRUE(rec.shown().empty());
            continue;
        }
        EXPECT_TRUE(r.fileError);
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_TRUE(rec.shown()[0].text.contains(c.says)) << rec.shown()[0].text.toStdString();
        EXPECT_TRUE(rec.shown()[0].text.contains(file));
        EXPECT_NE(rec.shown()[0].title, kFileErrorTitle); // nobody else is using the file
        EXPECT_TRUE(rec.shown()[0].beepBefore);
    }
}

TEST_F(MasterImport, NoDatabaseGivesTheFileError) {
    s.gDbPath.clear();
    const auto r = run(ImportKind::Clients, QStringLiteral("1\tC1\tx\n"));
    EXPECT_TRUE(r.fileError);
    EXPECT_EQ(titles(), QStringList{kFileErrorTitle});
}

TEST_F(MasterImport, ManyLinesLandAcrossBatchesWithProgress) {
    QString content;
    for (int i = 1; i <= 12000; ++i)
        content += QStringLiteral("%1\tE%1\tname %1\r\n").arg(i);
    content += QStringLiteral("5\tdup\tx\r\n");
    const QString file = dir.path(QStringLiteral("many.txt"));
    writeCp932(file, content);
    int calls = 0, lastDone = -1, lastTotal = -1;
    const auto r = importMasterFile(s, ImportKind::Employees, file, [&](int done, int total) {
        ++calls;
        lastDone = done;
        lastTotal = total;
    });
    EXPECT_EQ(r.added, 12000);
    EXPECT_EQ(titles(), QStringList{kDup});
    EXPECT_GT(calls, 10);
    EXPECT_EQ(lastDone, 12001);
    EXPECT_EQ(lastTotal, 12001);
    EXPECT_EQ(masters::countLines(file), 12001);
    db::Database d(s.gDbPath);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT count(*) FROM 社員マスタ")).toInt(), 12001);
}
