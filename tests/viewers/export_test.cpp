#include "support/TestEnv.h"
#include "text/Cp932.h"
#include "viewers/Export.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace viewers;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

using testenv::FileSizeLimit;

} // namespace

// Every way an export can end: written whole, or the old file left byte for byte with nothing beside it.
TEST(Export, WritesWholeOrLeavesTheOldFile) {
    QString big;
    for (int i = 0; i < 400; ++i)
        big += QStringLiteral("%1\t商品①髙～×÷\r\n").arg(i);
    struct Case {
        const char* what;
        QString text;
        rlim_t limit; // 0: none
        enum { Written, Unencodable, Failed } outcome;
        int badLine;
    } cases[] = {
        {"CP932 with extensions", big, 0, Case::Written, 0},
        {"empty list", QString(), 0, Case::Written, 0},
        {"character CP932 cannot hold", QStringLiteral("a\r\nb\r\nCafé\r\n"), 0, Case::Unencodable, 3},
        {"emoji on the first line", QString::fromUtf16(u"\U0001F600\r\n"), 0, Case::Unencodable, 1},
        {"full disk", big, 512, Case::Failed, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::TempFolder dir;
        const QString path = dir.path(QStringLiteral("shop_商品_Flat.txt"));
        const QByteArray old = text::toCp932(QStringLiteral("old export\r\n").repeated(100));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        try {
            std::unique_ptr<FileSizeLimit> limit;
            if (c.limit != 0)
                limit = std::make_unique<FileSizeLimit>(c.limit);
            writeExportFile(path, c.text);
            EXPECT_EQ(c.outcome, Case::Written);
        } catch (const UnencodableExport& e) {
            EXPECT_EQ(c.outcome, Case::Unencodable);
            EXPECT_EQ(e.bad.line, c.badLine);
            EXPECT_TRUE(unencodableExportMessage(e.bad).contains(e.bad.character));
        } catch (const std::runtime_error&) {
            EXPECT_EQ(c.outcome, Case::Failed);
        }
        EXPECT_EQ(readBytes(path), c.outcome == Case::Written ? text::toCp932(c.text) : old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("shop_商品_Flat.txt")});
    }
}
