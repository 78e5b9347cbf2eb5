// Layout files: tokenizer, reader normalisation, validation with fallback, the built-in layouts.
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/ReportKind.h"
#include "reports/ReportState.h"
#include "support/TestEnv.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace reports;

namespace {

struct TokenCase {
    const char16_t* text;
    int kind;
    int posAfter; // -1: not checked
    const char16_t* sval;
    int nval; // -2: untouched (stays 77)
};

TEST(Tokenizer, OneTokenPerLine) {
    const TokenCase cases[] = {
        {u"[COMMON]\r\n", kTokCommon, 10, u"", -2},
        {u"[HEADER] words after it\r\n", kTokHeader, 25, u"", -2},
        {u"[HEADER2]\r\n", kTokHeader2, 11, u"", -2},
        {u"[DATA]\r\n", kTokData, 8, u"", -2},
        {u"[DATA2]\r\n", kTokData2, 9, u"", -2},
        {u"[FOOTER]\r\n", kTokFooter, 10, u"", -2},
        {u"[CENTER]\r\n", kTokCenter, 10, u"", -2},
        {u"[RIGHT]\r\n", kTokRight, 9, u"", -2},
        {u"[LEFT]\r\n", kTokLeft, 8, u"", -2},
        {u"[header]\r\n", kTokError, 1, u"", -2},
        {u" [HEADER]\r\n", kTokError, 1, u"", -2},
        {u"MAXLINE=20\r\n", kTokMaxLine, 12, u"", 20},
        {u"MAXLINE=0\r\n", kTokMaxLine, 11, u"", 0},
        {u"MAXLINE=12 lines a page\r\n", kTokMaxLine, 25, u"", 12},
        {u"MAXLINE= 20\r\n", kTokError, 1, u"", -1},
        {u"MAXLINE=\r\n", kTokError, 1, u"", -1},
        {u"MAXLINE=-3\r\n", kTokError, 1, u"", -1},
        {u"MAXLINE=１２\r\n", kTokError, 1, u"", -1},
        {u"MAXLINE=2147483647\r\n", kTokMaxLine, 20, u"", 2147483647},
        {u"MAXLINE=2147483648\r\n", kTokError, 1, u"", -1},
        {u"FONTSIZE=9\r\n", kTokFontSize, 12, u"", 9},
        {u"CRLF=2\r\n", kTokCrLf, 8, u"", 2},
        {u"SPACE=3\r\n", kTokSpace, 9, u"", 3},
        {u"HEADER=xx\"a\"\"b\"yy\r\n", kTokHeaderText, 19, u"a\"b", -2},
        {u"HEADER=\"\"\r\n", kTokHeaderText, 11, u"", -2},
        {u"HEADER=\"\"\"\r\n", kTokError, 1, u"", -2},
        {u"HEADER=abc\r\n", kTokError, 1, u"", -2},
        {u"HEADER=\"abc\r\n", kTokError, 1, u"", -2},
        {u"HEADER=\"商品\"   \r\n", kTokHeaderText, 16, u"商品", -2},
        {u"FORMAT=\"\"\r\n", kTokFormat, 11, u"", -2},
        {u"FORMAT=\"a\"\"b\"\r\n", kTokFormat, 15, u"a", -2},
        {u"FORMAT=x\"#,##0\"  \r\n", kTokFormat, 19, u"#,##0", -2},
        {u"FORMAT=\"abc\r\n", kTokError, 1, u"", -2},
        {u"FORMAT=abc\r\n", kTokError, 1, u"", -2},
        {u"\r[DATA]\r\n", kTokEmptyLine, 2, u"", -2},
        {u"\n", kTokEnd, 1, u"", -2},
        {u"format=\"x\"\r\n", kTokError, 1, u"", -2},
        {u"", kTokError, -1, u"", -2},
    };
    for (const TokenCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        int pos = 99;
        QString sval = QStringLiteral("old");
        int nval = 77;
        const int kind = FrmtNextToken(text, true, pos, sval, nval);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(kind, c.kind);
        if (c.posAfter >= 0) {
            EXPECT_EQ(pos, c.posAfter);
        }
        EXPECT_EQ(sval, QString::fromUtf16(c.sval));
        EXPECT_EQ(nval, c.nval == -2 ? 77 : c.nval);
    }
}

TEST(Tokenizer, WalksAWholeTextAndStaysAtItsEnd) {
    const QString text = QStringLiteral("[COMMON]\rMAXLINE=5\r\r[DATA]\rFORMAT=\"0\"\r\n");
    int pos = 0;
    QString sval;
    int nval = 0;
    std::vector<int> kinds;
    for (bool first = true;; first = false) {
        const int k = FrmtNextToken(text, first, pos, sval, nval);
        kinds.push_back(k);
        if (k == kTokEnd || k == kTokError)
            break;
    }
    EXPECT_EQ(kinds, (std::vector<int>{kTokCommon, kTokMaxLine, kTokEmptyLine, kTokData, kTokFormat, kTokEnd}));
    EXPECT_EQ(FrmtNextToken(text, false, pos, sval, nval), kTokEnd);
    EXPECT_EQ(text[pos - 1], QLatin1Char('\n'));
    int bad = 0;
    EXPECT_EQ(FrmtNextToken(text, false, bad, sval, nval), kTokError); // position below 1
}

TEST(Tokenizer, SkipLineAndReadNumber) {
    const QString text = QStringLiteral("ab\rcd\r\n");
    int pos = 1;
    FrmtSkipLine(text, pos);
    EXPECT_EQ(pos, 4);
    FrmtSkipLine(text, pos);
    EXPECT_EQ(pos, 7);
    FrmtSkipLine(text, pos); // stays on the final LF
    EXPECT_EQ(pos, 7);

    const QString nums = QStringLiteral("123x");
    pos = 1;
    EXPECT_EQ(FrmtReadNumber(nums, pos), 123);
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(FrmtReadNumber(nums, pos), -1);
    EXPECT_EQ(pos, 4);
}

class ReaderTest : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes) {
        const QString path = dir.path(QStringLiteral("x.FRMT"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        return path;
    }
    testenv::TempFolder dir;
};

TEST_F(ReaderTest, NormalisesLineEnds) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {QByteArray("A\r\n\r\nB"), QStringLiteral("A\rB\r\n")},
        {QByteArray("\r\nA\r\n"), QStringLiteral("\rA\r\n")},
        {QByteArray("A\0B\r\n", 5), QStringLiteral("AB\r\n")},
        {QByteArray("\0\r\nA", 4), QStringLiteral("\rA\r\n")},
        {QByteArray("A\rB"), QStringLiteral("A\rB\r\n")},
        // A lone LF is a line end like CR (the usual line end on this system).
        {QByteArray("A\nB\n"), QStringLiteral("A\rB\r\n")},
        {QByteArray("A\n\n\nB"), QStringLiteral("A\rB\r\n")},
        {text::toCp932(QStringLiteral("HEADER=\"商品\"\r\n")), QStringLiteral("HEADER=\"商品\"\r\n")},
    };
    for (const Case& c : cases) {
        QString text;
        EXPECT_TRUE(FrmtReadFile(write(c.bytes), text)) << c.bytes.toStdString();
        EXPECT_EQ(text, c.text) << c.bytes.toStdString();
    }
}

TEST_F(ReaderTest, FileWithoutDataIsDeleted) {
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\r\n\r\n", 4), QByteArray("\0\r\0\n", 4)}) {
        QString text = QStringLiteral("old");
        const QString path = write(bytes);
        EXPECT_FALSE(FrmtReadFile(path, text));
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST_F(ReaderTest, MissingOrUndecodableFileIsRefusedAndKept) {
    QString text;
    EXPECT_FALSE(FrmtReadFile(dir.path(QStringLiteral("none.FRMT")), text));
    const QString path = write(QByteArray("[COMMON]\r\n\x81"));
    EXPECT_FALSE(FrmtReadFile(path, text));
    EXPECT_TRUE(QFile::exists(path));
}

TEST(Validation, CountsAndLimits) {
    struct Case {
        QString text;
        bool valid;
        int count;
    };
    const QString many = QStringLiteral("SPACE=1\r").repeated(300);
    const Case cases[] = {
        {QStringLiteral("[COMMON]\r\n"), true, 1},
        {QStringLiteral("\r[COMMON]\rSPACE=1\r\n"), true, 2},
        {QStringLiteral("\r\n"), false, 0},
        {QStringLiteral("[COMMON]\rbad\r\n"), false, 1},
        {many + QStringLiteral("\n"), true, 300},
        {many + QStringLiteral("SPACE=1\r\n"), false, 301},
        {QStringLiteral("SPACE=1000\rCRLF=1000\rFONTSIZE=500\r\n"), true, 3},
        {QStringLiteral("SPACE=2000000000\r\n"), false, 0},
        {QStringLiteral("CRLF=99999999\r\n"), false, 0},
        {QStringLiteral("FONTSIZE=501\r\n"), false, 0},
        {QStringLiteral("MAXLINE=500\r\n"), true, 1},
        {QStringLiteral("MAXLINE=501\r\n"), false, 0},
        {QStringLiteral("MAXLINE=2000000000\r\n"), false, 0},
    };
    for (const Case& c : cases) {
        std::int32_t count = -1;
        EXPECT_EQ(FrmtValidate(c.text, count), c.valid) << c.text.left(40).toStdString();
        EXPECT_EQ(count, c.count) << c.text.left(40).toStdString();
    }
}

TEST(DefaultLayouts, EveryOneValidatesWithOneTokenPerLine) {
    const int lines[] = {0, 28, 22, 14, 32, 29, 86, 56, 29, 32, 32, 56, 28, 32, 32};
    for (int kind = 1; kind <= kReportCount; ++kind) {
        const QString text = DefaultLayoutText(kind);
        std::int32_t count = 0;
        EXPECT_TRUE(FrmtValidate(text, count)) << kind;
        EXPECT_EQ(count, lines[kind]) << kind;
        EXPECT_EQ(DefaultLayoutLines(kind), lines[kind]);
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        EXPECT_EQ(text.count(QLatin1Char('\n')), 1);
        EXPECT_EQ(text.count(QLatin1Char('\r')), lines[kind]);
        EXPECT_TRUE(text.startsWith(QStringLiteral("[COMMON]\r")));
    }
    const QString inv = DefaultLayoutText(kInv);
    EXPECT_TRUE(inv.endsWith(QStringLiteral("\rFORMAT=\"@@@@@@@@@@@@@@@@@@@@\"\r\n")));
    EXPECT_TRUE(inv.contains(QStringLiteral("\rHEADER=\"契約No. 　　：\" \r")));
    EXPECT_TRUE(DefaultLayoutText(kComm).contains(QStringLiteral("HEADER=\"商品マスタ一覧\"\r")));
    EXPECT_TRUE(DefaultLayoutText(kLack).contains(QStringLiteral("HEADER=\"在庫不足商品一覧\"\r")));
    EXPECT_TRUE(DefaultLayoutText(kGetD).contains(QStringLiteral("FORMAT=\"yyyy/mm/dd\" \rSPACE=2\r")));
}

TEST(DefaultLayouts, TrailingBlanksGiveTheSameTokens) {
    core::AppState app;
    ReportState rs(app);
    const QString withBlanks = DefaultLayoutText(kRecG);
    QString without = withBlanks;
    without.replace(QStringLiteral("\"  \r"), QStringLiteral("\"\r")).replace(QStringLiteral("\" \r"), QStringLiteral("\"\r"));
    ASSERT_NE(without, withBlanks);
    FrmtLoadTokens(rs, withBlanks, 32, 4);
    FrmtLoadTokens(rs, without, 32, 5);
    for (int row = 1; row <= 32; ++row) {
        EXPECT_EQ(rs.frmt.kind(row, 4), rs.frmt.kind(row, 5));
        EXPECT_EQ(rs.frmt.str(row, 4), rs.frmt.str(row, 5));
        EXPECT_EQ(rs.frmt.num(row, 4), rs.frmt.num(row, 5));
    }
}

class LoadAllTest : public ::testing::Test {
protected:
    void SetUp() override { ui::setMessageService(&rec); }
    void TearDown() override { ui::setMessageService(nullptr); }
    void writeFile(int kind, const QByteArray& bytes) {
        QFile f(dir.path(LayoutFileName(kind)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QString message(int kind) {
        return ReportName(kind) + QStringLiteral("の印字、表示フォーマットデータが存在しないか誤りがあります。");
    }
    ui::RecordingMessageService rec;
    testenv::TempFolder dir;
    core::AppState s;
};

TEST_F(LoadAllTest, NoFilesGiveFourteenMessagesInLoadOrder) {
    LoadAllLayouts(s, dir.path());
    ASSERT_EQ(rec.shown().size(), 14u);
    for (int order = 1; order <= 14; ++order) {
        const int kind = KindFromLoadOrder(order);
        EXPECT_EQ(rec.shown()[size_t(order - 1)].text, message(kind));
        EXPECT_EQ(rec.shown()[size_t(order - 1)].title, QStringLiteral("デフォルトのフォーマットを使用します"));
        EXPECT_EQ(rec.shown()[size_t(order - 1)].buttons, ui::Buttons::Ok);
        EXPECT_EQ(rec.shown()[size_t(order - 1)].icon, ui::Icon::None);
        EXPECT_EQ(s.gFrmtText[size_t(kind)], DefaultLayoutText(kind));
        EXPECT_EQ(s.gFrmtCount[size_t(kind)], DefaultLayoutLines(kind));
    }
    EXPECT_EQ(rec.shown().front().text, message(kComm));
    EXPECT_EQ(rec.shown().back().text, message(kCncl));
    EXPECT_EQ(rec.beeps(), 0);
}

TEST_F(LoadAllTest, InstalledFilesLoadWithoutMessages) {
    // The build writes the built-in layouts beside the programs, the tests included.
    LoadAllLayouts(s, QCoreApplication::applicationDirPath());
    EXPECT_TRUE(rec.shown().empty()) << rec.texts().join(QLatin1Char('\n')).toStdString();
    for (int kind = 1; kind <= kReportCount; ++kind) {
        EXPECT_EQ(s.gFrmtText[size_t(kind)], DefaultLayoutText(kind));
        EXPECT_EQ(s.gFrmtCount[size_t(kind)], DefaultLayoutLines(kind));
    }
}

TEST_F(LoadAllTest, BadFilesFallBackToTheirOwnDefault) {
    for (int kind = 1; kind <= kReportCount; ++kind) {
        QString text = DefaultLayoutText(kind);
        text.chop(1);
        writeFile(kind, text::toCp932(text.replace(QLatin1Char('\r'), QStringLiteral("\r\n"))));
    }
    writeFile(kInv, QByteArray("[COMMON]\r\nthis is no layout\r\n"));
    writeFile(kCncl, QByteArray("SPACE=2000000000\r\n"));
    // a page of two billion lines would lock the menus until it is built
    QString huge = DefaultLayoutText(kGetY);
    huge.replace(QStringLiteral("MAXLINE=20"), QStringLiteral("MAXLINE=2000000000")).chop(1);
    writeFile(kGetY, text::toCp932(huge.replace(QLatin1Char('\r'), QStringLiteral("\r\n"))));
    writeFile(kEmp, QByteArray("[COMMON]\r\n"));
    // LF-only line ends read as lines of their own.
    writeFile(kCli, QByteArray("[COMMON]\nMAXLINE=20\n[HEADER]\nHEADER=\"x\"\nCRLF=1\n[DATA]\nFORMAT=\"0\"\n"));
    writeFile(kRecD, QByteArray("\r\n\r\n"));
    LoadAllLayouts(s, dir.path());
    EXPECT_EQ(rec.texts(), (QStringList{message(kRecD), message(kGetY), message(kInv), message(kCncl)}));
    EXPECT_EQ(s.gFrmtText[kGetY], DefaultLayoutText(kGetY));
    EXPECT_EQ(s.gFrmtText[kInv], DefaultLayoutText(kInv));
    EXPECT_EQ(s.gFrmtCount[kInv], 86);
    EXPECT_EQ(s.gFrmtText[kCncl], DefaultLayoutText(kCncl));
    EXPECT_EQ(s.gFrmtCount[kEmp], 1);
    EXPECT_EQ(s.gFrmtCount[kCli], 7);
    EXPECT_FALSE(QFile::exists(dir.path(LayoutFileName(kRecD))));
    EXPECT_TRUE(QFile::exists(dir.path(LayoutFileName(kInv)))); // an invalid file is left as it is
}

// Layout files as editors save them: UTF-8 (which often decodes as CP932 into other characters) falls
// back with a message that says so; CP932 with extension characters loads as written.
TEST_F(LoadAllTest, Utf8FilesFallBackSayingSoAndCp932FilesLoad) {
    const QString layout = QStringLiteral("[COMMON]\r\nMAXLINE=20\r\n[HEADER]\r\nHEADER=\"ご請求書 ①髙～\"\r\n[DATA]\r\n");
    struct Case {
        const char* what;
        QByteArray bytes;
        enum { Loads, Utf8, Generic } outcome;
    } cases[] = {
        {"UTF-8 without mark", layout.toUtf8(), Case::Utf8},
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + layout.toUtf8(), Case::Utf8},
        {"UTF-8 with mark, ASCII only", QByteArray("\xEF\xBB\xBF[COMMON]\r\n"), Case::Utf8},
        {"CP932 with extension characters", text::toCp932(layout), Case::Loads},
        {"CP932 with a broken byte", text::toCp932(layout) + "HEADER=\"\x81\"\r\n", Case::Generic},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rec.clear();
        for (int kind = 1; kind <= kReportCount; ++kind)
            writeFile(kind, kind == kInv ? c.bytes : text::toCp932(QStringLiteral("[COMMON]\r\n")));
        LoadAllLayouts(s, dir.path());
        if (c.outcome == Case::Loads) {
            EXPECT_TRUE(rec.shown().empty());
            EXPECT_EQ(s.gFrmtText[kInv], QString(layout).remove(QLatin1Char('\n')) + QLatin1Char('\n'));
            continue;
        }
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_EQ(s.gFrmtText[kInv], DefaultLayoutText(kInv));
        EXPECT_EQ(rec.shown()[0].title, QStringLiteral("デフォルトのフォーマットを使用します"));
        if (c.outcome == Case::Utf8)
            EXPECT_EQ(rec.shown()[0].text, QStringLiteral("請求書の印字、表示フォーマットファイル「請求書.FRMT」はUTF-8で保存されています。\n"
                                                          "Shift_JIS（CP932）で保存し直して下さい。"));
        else
            EXPECT_EQ(rec.shown()[0].text, message(kInv));
        EXPECT_TRUE(QFile::exists(dir.path(LayoutFileName(kInv)))); // left for the person to save again
    }
}

TEST(TokenTables, LoadsExactlyTheCountedTokens) {
    core::AppState app;
    ReportState rs(app);
    // A file whose first line is empty still loads every counted token.
    const QString text = QStringLiteral("\r[COMMON]\rMAXLINE=3\r[DATA]\rFORMAT=\"#0\"\r\n");
    std::int32_t count = 0;
    ASSERT_TRUE(FrmtValidate(text, count));
    EXPECT_EQ(count, 4);
    FrmtLoadTokens(rs, text, count, kInv);
    EXPECT_EQ(rs.frmt.rows(kInv), 4);
    EXPECT_EQ(rs.frmt.kind(1, kInv), kTokCommon);
    EXPECT_EQ(rs.frmt.num(2, kInv), 3);
    EXPECT_EQ(rs.frmt.kind(4, kInv), kTokFormat);
    EXPECT_EQ(rs.frmt.str(4, kInv), QStringLiteral("#0"));
    EXPECT_EQ(rs.frmt.rows(kComm), 0); // other columns untouched

    // Loading twice gives the same contents; a default layout of n lines loads n rows.
    FrmtLoadTokens(rs, DefaultLayoutText(kRecG), 32, kRecG);
    FrmtLoadTokens(rs, DefaultLayoutText(kRecG), 32, kRecG);
    EXPECT_EQ(rs.frmt.rows(kRecG), 32);
    EXPECT_EQ(rs.frmt.kind(1, kRecG), kTokCommon);
    EXPECT_EQ(rs.frmt.kind(32, kRecG), kTokFormat);
    EXPECT_EQ(rs.frmt.rows(kInv), 4);

    // A count beyond the table never writes past it.
    const QString many = QStringLiteral("SPACE=1\r").repeated(400) + QStringLiteral("\n");
    FrmtLoadTokens(rs, many, 400, kGetY);
    EXPECT_EQ(rs.frmt.rows(kGetY), FrmtTables::kRows);
}

TEST(ReportKinds, TwoNumberings) {
    const int kindOfOrder[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 12, 13, 14, 6, 11};
    for (int order = 1; order <= 14; ++order) {
        EXPECT_EQ(KindFromLoadOrder(order), kindOfOrder[order]);
        EXPECT_EQ(LoadOrderFromKind(kindOfOrder[order]), order);
    }
    EXPECT_EQ(KindFromLoadOrder(15), 0);
    EXPECT_EQ(LayoutFileName(kInv), QStringLiteral("請求書.FRMT"));
    EXPECT_EQ(ReportTag(kGetY), QStringLiteral("GetY"));
}

} // namespace
