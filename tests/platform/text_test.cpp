#include "support/TestEnv.h"
#include "text/AnsiFile.h"
#include "text/Cp932.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace text;

TEST(Cp932, RoundTripAndWidths) {
    struct Case {
        QString s;
        int bytes;
        int width;
    } cases[] = {
        {"abc", 3, 3},
        {"株式会社", 8, 8},
        {"ｱｲｳ", 3, 3},          // half-width katakana: one byte, one column
        {"①～", 4, 4},           // NEC extension and wave dash as Windows maps them
        {"é", 0, 1},              // Latin-1 letter: one column, but not in CP932
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displayWidth(c.s), c.width) << c.s.toStdString();
        if (c.bytes == 0) {
            EXPECT_THROW(toCp932(c.s), EncodingError);
            EXPECT_FALSE(isCp932(c.s));
            continue;
        }
        const QByteArray b = toCp932(c.s);
        EXPECT_EQ(b.size(), c.bytes) << c.s.toStdString();
        EXPECT_EQ(fromCp932(b), c.s);
    }
}

TEST(Cp932, InvalidBytesAreAnErrorNotGarbage) {
    for (const QByteArray& bad : {QByteArray("\x82"), QByteArray("a\x81\x20"), QByteArray("\xA0\xFD")})
        EXPECT_THROW(fromCp932(bad), EncodingError) << bad.toHex().toStdString();
}

TEST(AnsiFile, ReadsEveryLineEnd) {
    testenv::TempFolder dir;
    QFile f(dir.path("in.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(toCp932("一\r\n二\nthree\rfour\r\n\r\nlast"));
    f.close();
    EXPECT_EQ(readAnsiLines(dir.path("in.txt")), (QStringList{"一", "二", "three", "four", "", "last"}));
}

TEST(AnsiFile, BadLineNamesItsNumber) {
    testenv::TempFolder dir;
    QFile f(dir.path("bad.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ok\r\nbad\x82\r\n");
    f.close();
    AnsiReader r(dir.path("bad.txt"));
    EXPECT_EQ(*r.nextLine(), "ok");
    try {
        r.nextLine();
        FAIL();
    } catch (const EncodingError& e) {
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos);
    }
}

TEST(AnsiFile, WriterRefusesUnencodableTextBeforeWriting) {
    testenv::TempFolder dir;
    {
        AnsiWriter w(dir.path("out.txt"));
        w.writeLine("株式会社");
        EXPECT_THROW(w.write("é"), EncodingError);
        EXPECT_TRUE(w.close());
    }
    QFile f(dir.path("out.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), toCp932("株式会社\r\n"));
}
