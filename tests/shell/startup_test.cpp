#include "shell/AboutWindow.h"
#include "shell/FileTypes.h"
#include "shell/PasswordDialog.h"
#include "shell/Startup.h"

#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

using namespace shell;
using namespace core;

namespace {
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { ui::setMessageService(&rec); }
    void TearDown() override {
        ui::setMessageService(nullptr);
        setPrinterProbe({});
    }
    testenv::TempFolder tmp;
    ui::RecordingMessageService rec;
    AppState s;
};

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

TEST_F(StartupTest, SecondInstanceIsRefused) {
    const QString lock = tmp.path("varnox.lock");
    SingleInstance first;
    ASSERT_TRUE(ensureSingleInstance(first, lock));
    EXPECT_TRUE(rec.shown().empty());
    SingleInstance second;
    EXPECT_FALSE(ensureSingleInstance(second, lock));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("Varnoxは二重起動できません。"));
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Varnox"));
    EXPECT_EQ(rec.shown()[0].icon, ui::Icon::Exclamation);
    EXPECT_TRUE(rec.shown()[0].beepBefore);
}

TEST_F(StartupTest, DefaultLockLivesInTheRuntimeFolder) {
    EXPECT_TRUE(SingleInstance::defaultLockPath().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)));
}

TEST_F(StartupTest, FileTypesWrittenUnderTheDataFolder) {
    const QString data = tmp.path("data");
    ASSERT_TRUE(RegisterFileTypes(QStringLiteral("/opt/my apps/Varnox"), data));
    const QString mime = readAll(data + "/mime/packages/varnox.xml");
    EXPECT_TRUE(mime.contains(QStringLiteral("<glob pattern=\"*.vrd\"/>")));
    EXPECT_TRUE(mime.contains(QStringLiteral("<glob pattern=\"*.vrk\"/>")));
    const QString desktop = readAll(data + "/applications/varnox.desktop");
    EXPECT_TRUE(desktop.contains(QStringLiteral("Exec=\"/opt/my apps/Varnox\" %f\n")));
    EXPECT_TRUE(desktop.contains(QStringLiteral("MimeType=application/x-vrd-auto-file;application/x-vrk-auto-file;")));
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_TRUE(desktopEntryText(QStringLiteral("/usr/bin/Varnox")).contains(QStringLiteral("Exec=/usr/bin/Varnox %f")));
}

TEST_F(StartupTest, FileTypesTakeEffectOnTheDesktop) {
    const QString data = tmp.path("data");
    const QString config = tmp.path("config");
    QDir().mkpath(config);
    {
        QFile f(config + "/mimeapps.list");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Default Applications]\ntext/plain=gedit.desktop\napplication/x-vrd-auto-file=other.desktop\n\n"
                "[Added Associations]\nimage/png=eog.desktop;\n");
    }
    ASSERT_TRUE(RegisterFileTypes(QStringLiteral("/usr/bin/Varnox"), data, config));
    EXPECT_EQ(readAll(config + "/mimeapps.list"),
              QStringLiteral("[Default Applications]\napplication/x-vrd-auto-file=varnox.desktop\n"
                             "application/x-vrk-auto-file=varnox.desktop\ntext/plain=gedit.desktop\n\n"
                             "[Added Associations]\nimage/png=eog.desktop;\n"));

    // Shown in the application menu, in Japanese, with its icon.
    const QString entry = readAll(data + "/applications/varnox.desktop");
    EXPECT_FALSE(entry.contains(QStringLiteral("NoDisplay")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nName[ja]=Varnox 受注・在庫・請求管理\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nIcon=varnox\n")));
    const QImage icon(data + "/icons/hicolor/48x48/apps/varnox.png");
    EXPECT_EQ(icon.size(), QSize(48, 48));

    // The caches, where the desktop's tools are installed.
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
        EXPECT_TRUE(readAll(data + "/mime/globs2").contains(QStringLiteral("application/x-vrd-auto-file:*.vrd")));
        EXPECT_TRUE(readAll(data + "/mime/globs2").contains(QStringLiteral("application/x-vrk-auto-file:*.vrk")));
    }
    if (!QStandardPaths::findExecutable("update-desktop-database").isEmpty()) {
        EXPECT_TRUE(readAll(data + "/applications/mimeinfo.cache")
                        .contains(QStringLiteral("application/x-vrd-auto-file=varnox.desktop;")));
    }
    const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validate.isEmpty()) {
        QProcess v;
        v.setProcessChannelMode(QProcess::MergedChannels);
        v.start(validate, {data + "/applications/varnox.desktop"});
        ASSERT_TRUE(v.waitForFinished(10000));
        EXPECT_EQ(v.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(v.readAll()), QString());
    }

    // A second start with nothing changed rewrites nothing.
    const QDateTime before = QFileInfo(data + "/applications/varnox.desktop").lastModified();
    ASSERT_TRUE(RegisterFileTypes(QStringLiteral("/usr/bin/Varnox"), data, config));
    EXPECT_EQ(QFileInfo(data + "/applications/varnox.desktop").lastModified(), before);
}

TEST(FileTypeDefaults, OursGoUnderTheDefaultsAndTheRestStays) {
    const QString ours = QStringLiteral("application/x-vrd-auto-file=varnox.desktop\n"
                                        "application/x-vrk-auto-file=varnox.desktop\n");
    const struct {
        const char* given;
        QString expected;
    } cases[] = {
        {"", QStringLiteral("[Default Applications]\n") + ours},
        {"[Added Associations]\nimage/png=eog.desktop;\n",
         QStringLiteral("[Added Associations]\nimage/png=eog.desktop;\n\n[Default Applications]\n") + ours},
        {"[Default Applications]\napplication/x-vrk-auto-file=old.desktop\ntext/plain=a.desktop",
         QStringLiteral("[Default Applications]\n") + ours + QStringLiteral("text/plain=a.desktop\n")},
        {"[Default Applications]\napplication/x-vrd-auto-file=varnox.desktop\napplication/x-vrk-auto-file=varnox.desktop\n",
         QStringLiteral("[Default Applications]\n") + ours},
        // A key of ours in another section is that section's business.
        {"[Removed Associations]\napplication/x-vrd-auto-file=varnox.desktop\n",
         QStringLiteral("[Removed Associations]\napplication/x-vrd-auto-file=varnox.desktop\n\n"
                        "[Default Applications]\n") + ours},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(defaultsText(QString::fromUtf8(c.given)), c.expected) << c.given;
        EXPECT_EQ(defaultsText(c.expected), c.expected) << c.given; // a second start changes nothing
    }
}

TEST_F(StartupTest, FileTypeFailures) {
    // The desktop entry cannot be written: the message, start-up goes on.
    const QString data = tmp.path("data");
    QDir().mkpath(data + "/mime/packages");
    QFile blocker(data + "/applications");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    EXPECT_FALSE(RegisterFileTypes(QStringLiteral("/usr/bin/Varnox"), data));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("ダブルクリックによる起動の準備に失敗しました。"));
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("手動で行ってください"));

    // The MIME type cannot be written: silent.
    rec.clear();
    const QString other = tmp.path("other");
    QDir().mkpath(other);
    QFile block2(other + "/mime");
    ASSERT_TRUE(block2.open(QIODevice::WriteOnly));
    block2.close();
    EXPECT_FALSE(RegisterFileTypes(QStringLiteral("/usr/bin/Varnox"), other));
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(StartupTest, SplashProbesThePrinter) {
    SplashWindow splash(s);
    splash.activate();
    EXPECT_EQ(s.gPrinterReady, kTrue);
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_TRUE(splash.lblProductName->isVisibleTo(&splash));
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("Version 1.0.0"));

    setPrinterProbe([] { return false; });
    SplashWindow again(s);
    again.activate();
    EXPECT_EQ(s.gPrinterReady, kFalse);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("プリンタがシステムに設定されていません。"));
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("印刷は出来ません"));
}

TEST_F(StartupTest, PasswordPromptOutcomes) {
    PasswordDialog ok(s);
    EXPECT_EQ(ok.windowTitle(), QStringLiteral("パスワード入力"));
    EXPECT_EQ(ok.Text1->echoMode(), QLineEdit::Password);
    ok.show();
    ok.Text1->setText(QStringLiteral("pw"));
    ok.okButton->click();
    EXPECT_EQ(s.gPwdEntered, kTrue);
    EXPECT_EQ(s.gPwdInput, QStringLiteral("pw"));
    EXPECT_FALSE(ok.isVisible());

    PasswordDialog cancel(s);
    EXPECT_EQ(s.gPwdEntered, kFalse);
    cancel.show();
    cancel.close(); // no close box
    EXPECT_TRUE(cancel.isVisible());
    cancel.Text1->setText(QStringLiteral("typed"));
    cancel.cancelButton->click();
    EXPECT_EQ(s.gPwdEntered, kFalse);
    EXPECT_FALSE(cancel.isVisible());

    const QString out = qEnvironmentVariable("VARNOX_GRAB_DIR");
    PasswordDialog grab(s);
    grab.Text1->setText(QStringLiteral("secret"));
    grab.show();
    if (!out.isEmpty())
        grab.grab().save(out + "/password.png");
}

TEST_F(StartupTest, AboutWindowSysInfoAndCreditsGesture) {
    AboutWindow about(s);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Varnoxについて"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    about.findSysInfo = [] { return QString(); };
    about.cmdSysInfo->click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("System Information Is Unavailable At This Time"));

    int credits = 0;
    about.showCredits = [&] { ++credits; };
    about.show();
    const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    // Toolbar shown: the gesture does nothing, and the label then neither.
    s.gShowToolbar = kTrue;
    s.gShowStatusBar = kFalse;
    QTest::mouseClick(about.picIcon, Qt::RightButton, all);
    QTest::mouseClick(about.Label1, Qt::RightButton, all);
    EXPECT_FALSE(about.creditsArmed());
    EXPECT_EQ(credits, 0);
    // Both bars hidden: icon then label opens the credits; wrong keys do not.
    s.gShowToolbar = kFalse;
    QTest::mouseClick(about.picIcon, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_FALSE(about.creditsArmed());
    QTest::mouseClick(about.picIcon, Qt::RightButton, all);
    EXPECT_TRUE(about.creditsArmed());
    QTest::mouseClick(about.Label1, Qt::LeftButton, all);
    EXPECT_EQ(credits, 0);
    QTest::mouseClick(about.Label1, Qt::RightButton, all);
    QTest::mouseClick(about.Label1, Qt::RightButton, all);
    EXPECT_EQ(credits, 2);
}
