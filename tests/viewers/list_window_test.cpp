#include "ViewersTestDb.h"
#include "core/MainFrame.h"
#include "frame/WindowRegistry.h"
#include "reports/ReportKind.h"
#include "text/Cp932.h"
#include "ui/MessageService.h"
#include "viewers/Export.h"
#include "viewers/ListWindow.h"
#include "viewers/Register.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace viewers;
using viewerstest::ole;

namespace {

const QString kReadTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");
const QString kReadText = QStringLiteral("このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
                                         "またはVarnox以外のプログラムで他の人が使用している場合に起こることがあります。");
const QString kExportText = QStringLiteral("上書き時に他のプログラムが使っているときに起こることがあります。");

class FakeMain : public core::MainFrame {
public:
    void updateCommandStates() override { ++updates; }
    QWidget* window() override { return nullptr; }
    int updates = 0;
};

class ListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        viewerstest::makeDb(s, dir.path(QStringLiteral("shop.vrd")));
        s.gMainForm = &main;
        setSaveFileDialog([this](QWidget*, const SaveDialogRequest& r) {
            asked.push_back(r);
            return answer;
        });
        viewerstest::Filler f(s.gDbPath);
        f.employee(1, QStringLiteral("E01"), QStringLiteral("佐藤"));
        f.employee(2, QStringLiteral("E02"), QStringLiteral("高橋"));
    }
    void TearDown() override {
        // A closed window is deleted later; it must go while the state it points to still exists.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<ListWindow*>(w))
                delete w;
        setSaveFileDialog({});
        ui::setMessageService(nullptr);
    }

    // Opened as the main window's opener does: counted, then shown; the first resize builds.
    QPointer<ListWindow> open(const char* window) {
        ++s.gOpenDataCount;
        QPointer<ListWindow> w = new ListWindow(s, *listMember(QString::fromLatin1(window)));
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show(); // builds, letting events run: the window may be gone afterwards
        return w;
    }
    // Lets timers run until the window is gone or the time is up.
    static void waitClosed(QPointer<ListWindow>& w, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (w && t.elapsed() < ms)
            QTest::qWait(20);
    }

    testenv::TempFolder dir;
    ui::RecordingMessageService rec;
    core::AppState s;
    FakeMain main;
    std::vector<SaveDialogRequest> asked;
    QString answer;
};

} // namespace

TEST_F(ListWindowTest, BuildsOnShowAndClosesBackTheCounts) {
    QPointer<ListWindow> w = open("frmVEmp");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->loaded());
    EXPECT_TRUE(w->textBox()->isVisible());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("社員マスタ一覧"));
    EXPECT_TRUE(w->shownText().contains(QStringLiteral("高橋")));
    EXPECT_EQ(s.gProgressCount, -1);
    EXPECT_TRUE(core::isSet(s.gChildState[core::kChildVEmp].Open));
    EXPECT_TRUE(rec.shown().empty());

    s.gChildState[core::kChildVEmp].CloseRequest = core::kTrue;
    waitClosed(w);
    EXPECT_FALSE(w);
    EXPECT_FALSE(core::isSet(s.gChildState[core::kChildVEmp].Open));
    EXPECT_FALSE(core::isSet(s.gChildState[core::kChildVEmp].CloseRequest));
    EXPECT_EQ(s.gOpenDataCount, 0);
    EXPECT_GT(main.updates, 0);
}

TEST_F(ListWindowTest, EmptyListReportsAndClosesItself) {
    QPointer<ListWindow> w = open("frmVComm");
    waitClosed(w);
    EXPECT_FALSE(w);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("データが空です。"));
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Varnox"));
    EXPECT_TRUE(rec.shown()[0].beepBefore);
    EXPECT_EQ(s.gOpenDataCount, 0);
    EXPECT_FALSE(core::isSet(s.gChildState[core::kChildVComm].Open));
}

TEST_F(ListWindowTest, ReadFailureMessageAndTheClientListsDoubledStop) {
    QFile::remove(s.gDbPath);
    for (const char* window : {"frmVEmp", "frmVCli"}) {
        rec.clear();
        QPointer<ListWindow> w = open(window);
        ASSERT_TRUE(w);
        w->resize(500, 400); // a resize while it closes does not build again
        waitClosed(w);
        EXPECT_FALSE(w) << window;
        ASSERT_EQ(rec.shown().size(), 1u);
        const bool cli = QLatin1String(window) == QLatin1String("frmVCli");
        EXPECT_EQ(rec.shown()[0].text, cli ? kReadText + QStringLiteral("。") : kReadText);
        EXPECT_EQ(rec.shown()[0].title, kReadTitle);
    }
    EXPECT_FALSE(QFile::exists(s.gDbPath));
    EXPECT_EQ(s.gOpenDataCount, 0);
}

TEST_F(ListWindowTest, ExportsWriteCp932FilesUnderTheProposedNames) {
    QPointer<ListWindow> w = open("frmVEmp");
    answer = dir.path(QStringLiteral("out_tab.txt"));
    w->cmdCSV_Click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Save txt(Tab) Format"));
    EXPECT_EQ(asked[0].filter, QStringLiteral(" Text(Tab) file(*.txt)| *.txt"));
    EXPECT_EQ(asked[0].fileName, dir.path(QStringLiteral("shop_社員_Tab.txt")));
    EXPECT_EQ(viewerstest::readBytes(answer), text::toCp932(QStringLiteral(" 1\tE01\t佐藤\t\r\n 2\tE02\t高橋\t\r\n")));
    EXPECT_EQ(s.gExportPath, answer);

    // The tab file is read afresh; the flat file is the list as shown.
    viewerstest::Filler(s.gDbPath).employee(3, QStringLiteral("E03"), QStringLiteral("伊藤"));
    w->cmdCSV_Click();
    EXPECT_TRUE(text::fromCp932(viewerstest::readBytes(answer)).contains(QStringLiteral("伊藤")));
    answer = dir.path(QStringLiteral("out_flat.txt"));
    w->cmdTXT_Click();
    EXPECT_EQ(asked.back().title, QStringLiteral("Save txt(Flat) Format"));
    EXPECT_EQ(asked.back().filter, QStringLiteral(" Text file(*.txt)| *.txt"));
    EXPECT_EQ(asked.back().fileName, dir.path(QStringLiteral("shop_社員_Flat.txt")));
    const QByteArray flat = viewerstest::readBytes(answer);
    EXPECT_EQ(flat, text::toCp932(w->shownText()));
    EXPECT_FALSE(text::fromCp932(flat).contains(QStringLiteral("伊藤")));
    EXPECT_TRUE(flat.endsWith("\r\n"));
    EXPECT_TRUE(rec.shown().empty());

    // Cancel: nothing written, the last name kept.
    const QString before = s.gExportPath;
    answer.clear();
    w->cmdTXT_Click();
    EXPECT_EQ(s.gExportPath, before);
    EXPECT_TRUE(rec.shown().empty());
    w->close();
}

TEST_F(ListWindowTest, ExportFailuresAreReportedAndKeepTheOldFile) {
    QPointer<ListWindow> w = open("frmVEmp");
    answer = dir.path(QStringLiteral("no/such/folder/x.txt"));
    w->cmdTXT_Click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text.section('\n', 0, 0), kExportText); // then the cause
    EXPECT_TRUE(rec.shown()[0].text.contains(QStringLiteral("フォルダが見つかりません"))) << rec.shown()[0].text.toStdString();
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("ファイル出力エラーです"));
    EXPECT_TRUE(w->isVisible());

    // A name CP932 cannot hold: the earlier file stays as it was.
    answer = dir.path(QStringLiteral("keep.txt"));
    w->cmdCSV_Click();
    const QByteArray old = viewerstest::readBytes(answer);
    viewerstest::Filler(s.gDbPath).employee(9, QStringLiteral("E09"), QStringLiteral("😀"));
    rec.clear();
    w->cmdCSV_Click();
    ASSERT_EQ(rec.shown().size(), 1u);
    // Not blamed on another program: the character and its line are named.
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("3行目の文字「😀」（U+1F600）は、Shift_JIS（CP932）のファイルに書けません。\n"
                                                  "ファイルは書き換えていません。"));
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("ファイル出力エラーです"));
    EXPECT_EQ(viewerstest::readBytes(answer), old);
    w->close();
}

TEST_F(ListWindowTest, ClientListExportFailureEndsWithADoubledStop) {
    viewerstest::Filler(s.gDbPath).client(1, QStringLiteral("C01"), QStringLiteral("山田"));
    QPointer<ListWindow> w = open("frmVCli");
    answer = dir.path(QStringLiteral("no/such/x.txt"));
    w->cmdCSV_Click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text.section('\n', 0, 0), kExportText + QStringLiteral("。"));
    w->close();
}

TEST_F(ListWindowTest, RefreshRebuildsFromTheDatabaseAndReportsDone) {
    QPointer<ListWindow> w = open("frmVEmp");
    viewerstest::Filler(s.gDbPath).employee(3, QStringLiteral("E03"), QStringLiteral("伊藤"));
    s.gChildState[core::kChildVEmp].RefreshRequest = core::kTrue;
    QElapsedTimer t;
    t.start();
    while (!core::isSet(s.gChildState[core::kChildVEmp].RefreshDone) && t.elapsed() < 10000)
        QTest::qWait(20);
    EXPECT_TRUE(core::isSet(s.gChildState[core::kChildVEmp].RefreshDone));
    EXPECT_FALSE(core::isSet(s.gChildState[core::kChildVEmp].RefreshRequest));
    EXPECT_TRUE(w->shownText().contains(QStringLiteral("伊藤")));
    EXPECT_TRUE(w->loaded());

    // A refresh that finds the list empty ends like an empty build: done, message, closed.
    viewerstest::Filler(s.gDbPath).db().execute(QStringLiteral("DELETE FROM 社員マスタ WHERE 社員No <> 0"));
    s.gChildState[core::kChildVEmp].RefreshDone = core::kFalse;
    s.gChildState[core::kChildVEmp].RefreshRequest = core::kTrue;
    waitClosed(w);
    EXPECT_FALSE(w);
    EXPECT_TRUE(core::isSet(s.gChildState[core::kChildVEmp].RefreshDone));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("データが空です。"));
}

TEST_F(ListWindowTest, ATooSmallWindowBuildsAtTheFirstUsableSize) {
    ++s.gOpenDataCount;
    auto* w = new ListWindow(s, *listMember(QStringLiteral("frmVEmp")));
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->resize(300, 10);
    w->show();
    EXPECT_FALSE(w->loaded());
    w->resize(400, 300);
    QTest::qWait(10);
    EXPECT_TRUE(w->loaded());
    w->close();
}

TEST_F(ListWindowTest, EveryListIsRegisteredByName) {
    registerWindows();
    for (const ListMember& m : listMembers())
        EXPECT_TRUE(frame::windowFactory(m.window)) << m.window.toStdString();
    EXPECT_EQ(listMembers().size(), 14u);
}

TEST_F(ListWindowTest, PictureOfAnOrderList) {
    viewerstest::Filler f(s.gDbPath);
    for (int i = 1; i <= 30; ++i)
        f.order(i, QStringLiteral("C%1").arg(i % 4, 2, 10, QLatin1Char('0')), QStringLiteral("E01"),
                ole(2009, 4, i % 28 + 1), i % 3 ? 0 : ole(2009, 5, 1), i % 7 ? QStringLiteral(" ") : QStringLiteral("X"));
    s.gViewCondYear[reports::kGetY] = 2009;
    s.gViewCondMonth[reports::kGetY] = 4;
    QPointer<ListWindow> w = open("frmVGetY");
    w->resize(900, 420);
    QTest::qWait(50);
    const QString png = qEnvironmentVariable("VARNOX_PICTURE_DIR");
    if (!png.isEmpty())
        w->grab().save(png + QStringLiteral("/frmVGetY.png"));
    EXPECT_TRUE(w->shownText().startsWith(QStringLiteral(" 2009年度 4月分　\r\n")));
    w->close();
}
