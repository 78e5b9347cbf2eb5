#include "shell/Startup.h"

#include "shell/AboutWindow.h"
#include "shell/FileTypes.h"
#include "shell/MainWindow.h"
#include "reports/Layout.h"

#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace shell {

namespace {
std::function<bool()>& printerProbe() {
    // Without a print queue, printing goes to a PDF file, so a printer is always at hand.
    static std::function<bool()> probe = [] { return true; };
    return probe;
}
} // namespace

void setPrinterProbe(std::function<bool()> probe) { printerProbe() = probe ? std::move(probe) : [] { return true; }; }

bool probePrinter() { return printerProbe()(); }

SplashWindow::SplashWindow(core::AppState& state, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), state_(state) {
    auto* fraMainFrame = new QFrame(this);
    fraMainFrame->setFrameShape(QFrame::Box);
    lblProductName = new QLabel(QStringLiteral("Varnox"), fraMainFrame);
    QFont big = lblProductName->font();
    big.setPointSize(big.pointSize() + 10);
    big.setBold(true);
    lblProductName->setFont(big);
    lblVersion = new QLabel(versionText(), fraMainFrame);
    lblPlatform = new QLabel(QStringLiteral("for Linux"), fraMainFrame);
    lblCompanyProduct = new QLabel(QStringLiteral("受注・在庫・請求管理"), fraMainFrame);
    lblNotice1 = new QLabel(QStringLiteral("起動しています..."), fraMainFrame);
    lblNotice2 = new QLabel(QStringLiteral("しばらくお待ち下さい。"), fraMainFrame);
    auto* inner = new QVBoxLayout(fraMainFrame);
    for (QLabel* l : {lblCompanyProduct, lblProductName, lblPlatform, lblVersion, lblNotice1, lblNotice2}) {
        l->setAlignment(Qt::AlignCenter);
        inner->addWidget(l);
        l->setVisible(false);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(fraMainFrame);
    resize(0, 0);
}

void SplashWindow::activate() {
    const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 1024, 768);
    // Grows to 4800 x 7800 twips (320 x 520 pixels at 96 dpi), centred.
    for (int i = 0; i <= 50; ++i) {
        const int h = 96 * i / 15;
        const int w = 156 * i / 15;
        setGeometry(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2, w, h);
    }
    for (QLabel* l : {lblCompanyProduct, lblProductName, lblPlatform, lblVersion, lblNotice1, lblNotice2})
        l->setVisible(true);
    state_.gPrinterReady = core::kFalse;
    ui::DoEvents();
    if (probePrinter())
        state_.gPrinterReady = core::kTrue;
    else
        ui::messages().show(QStringLiteral("プリンタがシステムに設定されていません。"), QStringLiteral("印刷は出来ません"));
}

bool ensureSingleInstance(SingleInstance& instance, const QString& lockPath) {
    if (instance.acquire(lockPath))
        return true;
    ui::messages().beep();
    ui::messages().show(QStringLiteral("Varnoxは二重起動できません。"), QStringLiteral("Varnox"), ui::Buttons::Ok,
                        ui::Icon::Exclamation);
    return false;
}

void prepareState(core::AppState& state, const QString& layoutFolder) {
    state.gActiveFormId = core::kFormNone;
    reports::LoadAllLayouts(state, layoutFolder);
    core::InitFieldLimits(state);
}

QString startArgumentPath(const QString& argument, const QString& startFolder) {
    QString name = argument;
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    if (name.isEmpty())
        return name;
    return QDir::cleanPath(QDir(startFolder).absoluteFilePath(name));
}

int Main(QApplication& app) {
    static ui::QtMessageService screenMessages;
    ui::setMessageService(&screenMessages);
    core::AppState state;
    SingleInstance instance;
    if (!ensureSingleInstance(instance))
        return 1;
    // A relative path on the command line means the folder the program was started from.
    const QStringList args = QCoreApplication::arguments();
    const QString startPath = args.size() > 1 ? startArgumentPath(args.at(1), QDir::currentPath()) : QString();
    // Report layouts are opened by bare name beside the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QApplication::setOverrideCursor(Qt::WaitCursor);

    auto* splash = new SplashWindow(state);
    splash->show();
    ui::DoEvents();
    splash->activate();
    splash->repaint();
    prepareState(state);
    ui::Wait(1);

    MainWindow main(state);
    RegisterFileTypes(QCoreApplication::applicationFilePath());
    main.updateCommandStates();
    splash->close();
    delete splash;
    main.show();
    QApplication::restoreOverrideCursor();

    if (!startPath.isEmpty())
        main.openFromCommandLine(startPath);
    return app.exec();
}

} // namespace shell
