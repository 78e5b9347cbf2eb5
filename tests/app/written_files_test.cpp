// What Varnox writes, tried from the menus: a PDF that does not reach the disk whole leaves the earlier one
// and says so (and so does a print queue that refuses a document), the files it creates take the mode the
// umask gives, a password keeps its pair owner-only, and an import tells of texts cut to their field size.
#include "support/MainRoad.h"
#include "support/ReplicaRoad.h"

#include "core/ControlFile.h"
#include "masters/CompanySettingsDialog.h"
#include "os/FileModes.h"
#include "print/PageSetup.h"
#include "print/RecordingTarget.h"
#include "printing/PdfCheck.h"
#include "printing/PrintCommands.h"
#include "text/Cp932.h"
#include "viewers/Export.h"
#include "viewers/ListWindow.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <sys/stat.h>

using mainroad::Program;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString octal(int mode) { return QStringLiteral("0%1").arg(mode, 3, 8, QLatin1Char('0')); }
QString modeOf(const QString& path) { return octal(os::fileMode(path)); }

// The process's umask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : old_(::umask(mask)) {}
    ~Umask() { ::umask(old_); }

private:
    mode_t old_;
};

// What a machine with a print queue does when the queue refuses the document: it cannot run here.
class RefusingQueue : public printing::PrintDevice {
public:
    print::RecordingTarget page{11000, 16000};
    print::RenderTarget& target() override { return page; }
    bool finish() override { return false; }
    void abort() override {}
    QString destination() const override { return QStringLiteral("事務所のプリンタ"); }
};

// VarnoxReplica's 別ファイルに複製 from source to target, through its window.
bool copyWithReplica(const QString& source, const QString& target) {
    mainroad::runReplica(source, target);
    return QFileInfo::exists(target);
}

// Starts a menu item once a person could click it (a window just closed gives the menus back a moment later).
bool start(Program& p, const char* item) {
    const QString name = QString::fromLatin1(item);
    return mainroad::waitFor([&] { return p.reachable(name); }, 3000) && p.trigger(name);
}

viewers::ListWindow* openList(Program& p, const char* item) {
    if (!start(p, item))
        return nullptr;
    viewers::ListWindow* w = nullptr;
    mainroad::waitFor([&] {
        const auto found = p.window().findChildren<viewers::ListWindow*>();
        w = found.isEmpty() ? nullptr : found.front();
        return w != nullptr && w->loaded();
    });
    return w;
}

// More goods, imported through the menu, so the list runs to several pages.
void importGoods(Program& p, int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("%1\tP%1\t事務用品その%1\t1200\t1000\t800\t10\t5\t1\t文具").arg(100 + i);
    const QString file = p.path(QStringLiteral("more_goods.txt"));
    mainroad::writeCp932(file, lines);
    p.nextPath(file);
    ASSERT_TRUE(start(p, "mnuImpComm"));
}

const QString kNotSentTitle = QStringLiteral("印刷に失敗しました");

} // namespace

// A PDF written onto a full disk (a file-size limit here) never takes the name of the earlier, complete
// one: that stays byte for byte, nothing is left beside it, and the box and the status bar say it was not
// saved. The check that decides it is tried on the complete file, cut short and with bytes cut out of it.
TEST(WrittenFiles, APdfThatDoesNotReachTheDiskWholeLeavesTheEarlierOne) {
    if (print::PageSetup::hasPrintQueue())
        GTEST_SKIP() << "this machine prints to a queue";
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << p.messages().texts().join('|').toStdString();
    importGoods(p, 900);
    const QString folder = printing::PdfFallbackFolder();
    const QString path = QDir(folder).filePath(QStringLiteral("商品マスタ.pdf"));
    QFile::remove(path);
    p.messages().clear();
    ASSERT_TRUE(start(p, "mnuPrComm"));
    const QByteArray good = readBytes(path);
    ASSERT_TRUE(good.startsWith("%PDF")) << p.messages().texts().join('|').toStdString();
    ASSERT_TRUE(p.window().statusText(1).contains(QStringLiteral("に保存しました")));

    ASSERT_TRUE(printing::isWholePdf(good));
    const qsizetype xref = good.lastIndexOf("\nxref") + 1;
    ASSERT_GT(xref, 0);
    for (qsizetype at = 0; at < good.size() - 7; at += qMax<qsizetype>(1, good.size() / 97)) {
        EXPECT_FALSE(printing::isWholePdf(good.left(at))) << "cut at " << at;
        if (at < xref) {
            EXPECT_FALSE(printing::isWholePdf(QByteArray(good).remove(at, 7))) << "7 bytes missing at " << at;
        }
    }

    // Past 64 KB: the database's shared-memory file (32 KB) must still be written while the report reads.
    ASSERT_GT(good.size(), 80000);
    const qint64 limits[] = {65536, good.size() * 3 / 4, good.size() - 12};
    for (const qint64 limit : limits) {
        SCOPED_TRACE(limit);
        p.messages().clear();
        {
            testenv::FileSizeLimit full(limit);
            ASSERT_TRUE(start(p, "mnuPrComm"));
        }
        EXPECT_EQ(readBytes(path), good);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("商品マスタ.pdf")});
        ASSERT_EQ(p.messages().shown().size(), 1u) << p.messages().texts().join('|').toStdString();
        const auto& box = p.messages().shown().front();
        EXPECT_EQ(box.title, kNotSentTitle);
        EXPECT_TRUE(box.beepBefore);
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("商品マスタを ") + QDir::toNativeSeparators(path) +
                                        QStringLiteral(" に保存できませんでした。")))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QStringLiteral("前に保存したファイルは書き換えていません。")));
        EXPECT_TRUE(p.window().statusText(1).contains(QStringLiteral("保存できませんでした")))
            << p.window().statusText(1).toStdString();
    }

    // With room again the next print replaces it.
    p.messages().clear();
    ASSERT_TRUE(start(p, "mnuPrComm"));
    EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();
    EXPECT_TRUE(printing::isWholePdf(readBytes(path)));
    EXPECT_TRUE(p.window().statusText(1).contains(QStringLiteral("に保存しました")));
}

TEST(WrittenFiles, APrintQueueThatRefusesTheDocumentIsReportedNotCalledSent) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << p.messages().texts().join('|').toStdString();
    const printing::PrintHooks saved = printing::printHooks();
    printing::printHooks().wait = [](double) {};
    printing::printHooks().device = [](const QString&) { return std::make_unique<RefusingQueue>(); };
    p.messages().clear();
    ASSERT_TRUE(start(p, "mnuPrComm"));
    printing::printHooks() = saved;
    ASSERT_EQ(p.messages().shown().size(), 1u) << p.messages().texts().join('|').toStdString();
    const auto& box = p.messages().shown().front();
    EXPECT_EQ(box.title, kNotSentTitle);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("商品マスタをプリンタ 事務所のプリンタ に送れませんでした。")))
        << box.text.toStdString();
    EXPECT_EQ(p.window().statusText(1), QStringLiteral("商品マスタをプリンタ 事務所のプリンタ に送れませんでした。"));
    EXPECT_TRUE(p.window().isEnabled());
}

// Under each umask the database, its control file, an export, a PDF and a replica copy get the mode a new
// file gets; with a password the control file and the database are the owner's alone, also after the
// settings are written again and in a copy.
TEST(WrittenFiles, NewFilesTakeTheUmasksModeAndAPasswordKeepsItsPairPrivate) {
    const bool pdf = !print::PageSetup::hasPrintQueue();
    for (const mode_t mask : {mode_t(022), mode_t(077), mode_t(002)}) {
        SCOPED_TRACE(octal(int(mask)).toStdString());
        const Umask umask(mask);
        const QString open = octal(int(0666 & ~mask));
        const QString owner = QStringLiteral("0600");
        Program p;
        const QString db = p.openShop();
        ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
        const QString ctl = core::controlPathFor(db);
        EXPECT_EQ(modeOf(db), open);
        EXPECT_EQ(modeOf(ctl), open);

        viewers::ListWindow* list = openList(p, "mnuVComm");
        ASSERT_NE(list, nullptr);
        const QString exported = p.path(QStringLiteral("goods.txt"));
        p.nextPath(exported);
        list->cmdTXT_Click();
        list->cmdClose_Click();
        EXPECT_EQ(modeOf(exported), open);

        if (pdf) {
            const QString printed = QDir(printing::PdfFallbackFolder()).filePath(QStringLiteral("商品マスタ.pdf"));
            QFile::remove(printed);
            EXPECT_TRUE(start(p, "mnuPrComm"));
            EXPECT_EQ(modeOf(printed), open);
        }
        ASSERT_TRUE(copyWithReplica(db, p.path(QStringLiteral("copy.vrd"))));
        EXPECT_EQ(modeOf(p.path(QStringLiteral("copy.vrd"))), open);
        EXPECT_EQ(modeOf(p.path(QStringLiteral("copy.vrk"))), open);

        // A password set in the dialog of New.
        ASSERT_TRUE(start(p, "mnuFileClose"));
        p.messages().clear();
        const QString locked = p.openShop(QStringLiteral("locked.vrd"), [](masters::CompanySettingsDialog& d) {
            mainroad::type(d.txtPWD1, QStringLiteral("kagi42"));
            mainroad::type(d.txtPWD2, QStringLiteral("kagi42"));
        });
        ASSERT_FALSE(locked.isEmpty()) << p.messages().texts().join('|').toStdString();
        const QString lockedCtl = core::controlPathFor(locked);
        EXPECT_EQ(modeOf(locked), owner);
        EXPECT_EQ(modeOf(lockedCtl), owner);

        // 自社情報変更 writes the control file again: an open pair (as an earlier program left it) closes.
        os::setFileMode(locked, 0644);
        os::setFileMode(lockedCtl, 0644);
        mainroad::onNextModalOf<masters::CompanySettingsDialog>([](masters::CompanySettingsDialog& d) {
            mainroad::type(d.txtPWD2, QStringLiteral("kagi42"));
            d.cmdOK->click();
        });
        p.messages().clear();
        ASSERT_TRUE(start(p, "mnuMyNameChange"));
        EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();
        EXPECT_EQ(modeOf(lockedCtl), owner);
        EXPECT_EQ(modeOf(locked), owner);

        ASSERT_TRUE(copyWithReplica(locked, p.path(QStringLiteral("locked_copy.vrd"))));
        EXPECT_EQ(modeOf(p.path(QStringLiteral("locked_copy.vrd"))), owner);
        EXPECT_EQ(modeOf(p.path(QStringLiteral("locked_copy.vrk"))), owner);
    }
}

// Texts longer than their field size are cut, as the import always did, and one box at the end says how
// many stored lines lost text, naming the first line and field.
TEST(WrittenFiles, AnImportTellsHowManyLinesHadATextCutToItsFieldSize) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << p.messages().texts().join('|').toStdString();
    struct Case {
        const char* what;
        const char* item;
        QStringList lines;
        QStringList refusals; // titles of the refusal boxes, in turn
        QString says;         // the box at the end; "" for none
        QString stored;       // a value the import stored, as SQL "query|value"
    } cases[] = {
        {"client mail and name",
         "mnuImpCli",
         {QStringLiteral("21\tC21\t山田商事\t100-0001\t東京都\t03-1\t03-2\tyamada@example.jp"),
          QStringLiteral("22\tC22\t山田商事\t100-0001\t東京都\t03-1\t03-2\tinfo@yamada-shoji.co.jp"),
          QStringLiteral("23\tC23\t%1\t100-0001\t東京都\t03-1\t03-2\tsales@yamada-shoji.co.jp").arg(QString(61, QChar(0x6771)))},
         {},
         QStringLiteral("2行のデータで、文字列が項目の長さを超えていたため、長さまで切り詰めて登録しました。\n"
                        "最初は2行目の「E-Mail」です（長さ20文字）。"),
         QStringLiteral("SELECT [E-Mail] FROM 顧客マスタ WHERE 顧客No = 22|info@yamada-shoji.co")},
        {"employee code cut, the second line then taken for the same code",
         "mnuImpEmp",
         {QStringLiteral("\tEMPLOYEE-001\t佐藤"), QStringLiteral("\tEMPLOYEE-002\t高橋")},
         {QStringLiteral("番号かコードが重複しているのでスキップします。")},
         QStringLiteral("1行のデータで、文字列が項目の長さを超えていたため、長さまで切り詰めて登録しました。\n"
                        "最初は1行目の「社員コード」です（長さ10文字）。"),
         QStringLiteral("SELECT count(*) FROM 社員マスタ WHERE 社員コード = 'EMPLOYEE-0'|1")},
        {"goods within their sizes",
         "mnuImpComm",
         {QStringLiteral("31\tG31\t%1\t100\t80\t60\t10\t5\t1\t文具").arg(QString(50, QChar(0x7b46)))},
         {},
         QString(),
         QStringLiteral("SELECT length(商品名) FROM 商品マスタ WHERE 商品No = 31|50")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = p.path(QStringLiteral("import.txt"));
        mainroad::writeCp932(file, c.lines);
        p.messages().clear();
        p.nextPath(file);
        ASSERT_TRUE(start(p, c.item));
        QStringList titles;
        QString last;
        for (const auto& box : p.messages().shown()) {
            if (box.text.startsWith(QStringLiteral("エラーデータ=")))
                titles << box.title;
            else
                last = box.text;
        }
        EXPECT_EQ(titles, c.refusals);
        if (c.says.isEmpty()) {
            EXPECT_TRUE(last.isEmpty()) << last.toStdString();
        } else {
            EXPECT_TRUE(last.startsWith(c.says)) << last.toStdString();
            ASSERT_FALSE(p.messages().shown().empty());
            EXPECT_TRUE(p.messages().shown().back().text.startsWith(c.says)); // after every refusal
        }
        const QStringList stored = c.stored.split(QLatin1Char('|'));
        EXPECT_EQ(p.scalar(stored[0]).toString(), stored[1]);
    }
}
