#include "support/TestEnv.h"
#include "text/AnsiFile.h"
#include "text/Cp932.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>

using namespace text;

TEST(Cp932, RoundTripAndWidths) {
    struct Case {
        QString s;
        int bytes; // 0: CP932 cannot hold it
        int width;
    } cases[] = {
        {"abc", 3, 3},
        {"株式会社", 8, 8},
        {"ｱｲｳ", 3, 3},            // half-width katakana: one byte, one column
        {"①髙～", 6, 6},          // NEC and IBM extensions, the wave dash as Windows maps it
        {"×÷°±§¨´¶", 16, 16},     // narrow in Unicode, two bytes in CP932
        {"é", 0, 2},               // not in CP932: counted as a wide character
        {QString::fromUtf16(u"\U00020BB7"), 0, 2}, // 𠮷, outside the BMP: two halves of one column each
        {QString(QChar(0xD842)) + QStringLiteral("a"), 0, 2}, // lone halves, as a broken paste leaves them
        {QStringLiteral("a") + QChar(0xDFB7), 0, 2},
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

// Every character of the BMP that CP932 encodes: its stored form encodes, decodes to itself, and
// takes as many columns as bytes. Only the nine known characters have another stored form.
TEST(Cp932, EveryEncodableCharacterComesBackInItsStoredForm) {
    const QString nine = QString::fromUtf16(u"\u301C\u00A5\u2212\u203E\u2016\u2014\u00A2\u00A3\u00AC");
    int encodable = 0;
    QString changed;
    for (char32_t u = 1; u < 0x10000; ++u) {
        const QChar c{char16_t(u)};
        if (c.isSurrogate())
            continue;
        QByteArray bytes;
        try {
            bytes = toCp932(QString(c));
        } catch (const EncodingError&) {
            EXPECT_EQ(displayWidth(c), 2) << std::hex << unsigned(u);
            EXPECT_TRUE(findUnencodable(QString(c)).found()) << std::hex << unsigned(u);
            continue;
        }
        ++encodable;
        const QChar stored = storedForm(c);
        if (stored != c)
            changed += c;
        const QByteArray storedBytes = toCp932(QString(stored));
        ASSERT_EQ(fromCp932(storedBytes), QString(stored)) << std::hex << unsigned(u);
        EXPECT_EQ(storedBytes, bytes) << std::hex << unsigned(u);
        EXPECT_EQ(displayWidth(c), bytes.size()) << std::hex << unsigned(u);
        EXPECT_TRUE(checkTyped(QString(c)).ok()) << std::hex << unsigned(u);
    }
    EXPECT_GT(encodable, 9000);
    QString sortedNine = nine;
    std::sort(sortedNine.begin(), sortedNine.end());
    EXPECT_EQ(changed, sortedNine);
}

// The longest prefix that fits, never splitting a surrogate pair, over generated texts of every kind of
// character (ASCII, half-width kana, kanji, characters CP932 cannot hold, pairs and lone halves).
TEST(Cp932, FittingLengthIsTheLongestWholePrefixWithinTheWidth) {
    const char16_t pool[] = {u'a', u'0', u' ', u'ｱ', u'株', u'髙', u'①', u'\u00e9', 0xD83D,
                             0xDE00, 0xD83D, 0xDE00, u'\t', 0x3000};
    std::uint32_t seed = 12345;
    auto rnd = [&seed](std::uint32_t n) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % n;
    };
    for (int round = 0; round < 3000; ++round) {
        QString s;
        const int len = int(rnd(12));
        for (int i = 0; i < len; ++i)
            s += QChar(pool[rnd(std::size(pool))]);
        const int width = int(rnd(26));
        qsizetype expected = 0;
        for (qsizetype i = 0; i < s.size();) {
            const qsizetype next = i + charSize(s, i);
            if (displayWidth(QStringView(s).left(next)) > width)
                break;
            expected = i = next;
        }
        ASSERT_EQ(fittingLength(s, width), expected) << s.toStdString() << " in " << width;
    }
}

TEST(Cp932, TypedTextIsKeptInItsStoredFormOrRefusedAtItsFirstBadCharacter) {
    struct Case {
        QString typed;
        QString kept;
        qsizetype badIndex;
        QString badCode;
    } cases[] = {
        {"p〜", "p～", -1, ""},
        {"¥100−50", "\\100－50", -1, ""},
        {"A—B‖C‾¢£¬", "A―B∥C~￠￡￢", -1, ""},
        {"①髙～株式会社", "①髙～株式会社", -1, ""},
        {"Café Ünïcode", "Café Ünïcode", 3, "U+00E9"},
        {QString::fromUtf16(u"x\U00020BB7"), QString::fromUtf16(u"x\U00020BB7"), 1, "U+20BB7"},
        {QString::fromUtf16(u"ok\U0001F600"), QString::fromUtf16(u"ok\U0001F600"), 2, "U+1F600"},
    };
    for (const auto& c : cases) {
        const TypedText t = checkTyped(c.typed);
        EXPECT_EQ(t.text, c.kept) << c.typed.toStdString();
        EXPECT_EQ(t.bad.index, c.badIndex) << c.typed.toStdString();
        EXPECT_EQ(t.bad.code(), c.badCode) << c.typed.toStdString();
        if (t.ok()) {
            EXPECT_EQ(fromCp932(toCp932(t.text)), t.text);
        } else {
            EXPECT_TRUE(unencodableMessage("社名", t.bad).contains(t.bad.character));
        }
    }
}

TEST(Cp932, UnencodableCharacterNamesItsLine) {
    const Unencodable bad = findUnencodable(QStringLiteral("一\r\n二\nthree\rfouré"));
    EXPECT_EQ(bad.line, 4);
    EXPECT_EQ(bad.character, "é");
    EXPECT_FALSE(findUnencodable(QStringLiteral("一\r\n二")).found());
}

TEST(Cp932, OutsideFilesInUtf8AreRecognisedAndBrokenBytesNamed) {
    const QByteArray cp932 = toCp932("東京\t①髙～\r\n佐藤\r\n");
    struct Case {
        const char* name;
        QByteArray bytes;
        OutsideText::Problem problem;
        int line;
    } cases[] = {
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + QString("東京").toUtf8(), OutsideText::Problem::Utf8, 0},
        {"UTF-8 without mark", QString("東京\r\n佐藤\r\n株式会社\r\n").toUtf8(), OutsideText::Problem::Utf8, 0},
        {"UTF-8 mark alone", QByteArray("\xEF\xBB\xBF"), OutsideText::Problem::Utf8, 0},
        {"CP932 with extensions", cp932, OutsideText::Problem::None, 0},
        {"ASCII", "a\tb\r\n", OutsideText::Problem::None, 0},
        {"broken byte on line 3", cp932 + "ok\x82\r\nmore\r\n", OutsideText::Problem::BadByte, 3},
        {"broken byte after LF lines", "a\nb\n\xA0\xFD\n", OutsideText::Problem::BadByte, 3},
        {"lead byte at the very end", "a\r\n\x82", OutsideText::Problem::BadByte, 2},
    };
    for (const auto& c : cases) {
        const OutsideText t = decodeOutside(c.bytes);
        EXPECT_EQ(t.problem, c.problem) << c.name;
        EXPECT_EQ(t.line, c.line) << c.name;
        if (t.ok()) {
            EXPECT_EQ(toCp932(t.text), c.bytes) << c.name;
        }
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
