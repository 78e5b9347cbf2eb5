#include "support/MainRoad.h"

#include "app/Program.h"
#include "masters/CompanySettingsDialog.h"
#include "shell/Startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

namespace mainroad {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void onNextModal(std::function<void(QWidget*)> act, int ms) {
    // Polls from the event loop, so it also fires inside the modal dialog's own loop.
    auto* timer = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act = std::move(act), ms] {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr && clock->elapsed() < ms)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (w != nullptr)
            act(w);
    });
    timer->start();
}

bool press(QWidget* w, const QString& text) {
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->text().remove(QLatin1Char('&')) == text && b->isEnabled()) {
            b->click();
            return true;
        }
    return false;
}

Program::Program() {
    QSettings(QStringLiteral("Varnox"), QStringLiteral("Varnox")).clear();
    app::registerSubsystems();
    ui::setMessageService(&messages_);
    shell::prepareState(state_, QCoreApplication::applicationDirPath());
    state_.gPrinterReady = core::kTrue;
    shell::MainWindowHooks hooks = shell::defaultHooks();
    // Only the file choosers stand in for the person; every other dialog is the program's own.
    hooks.saveDatabasePath = [this](QWidget*) { return std::exchange(nextPath_, QString()); };
    hooks.openDatabasePath = [this](QWidget*) { return std::exchange(nextPath_, QString()); };
    hooks.openUrl = [](const QUrl&) {};
    hooks.animateUnload = false;
    window_ = std::make_unique<shell::MainWindow>(state_, hooks);
    window_->resize(1024, 768);
    window_->updateCommandStates();
    window_->show();
}

Program::~Program() {
    window_.reset();
    ui::setMessageService(nullptr);
}

void Program::trigger(const QString& itemName) {
    QAction* a = window_->item(itemName);
    if (a == nullptr)
        throw std::runtime_error("no menu item " + itemName.toStdString());
    a->trigger();
}

QString Program::newDatabase(const QString& fileName,
                             const std::function<void(masters::CompanySettingsDialog&)>& fill) {
    onNextModal([fill](QWidget* w) {
        auto* dlg = qobject_cast<masters::CompanySettingsDialog*>(w);
        if (dlg == nullptr)
            return;
        dlg->txtMyName->setText(QStringLiteral("テスト商事"));
        dlg->txtCat->setText(QStringLiteral("食品"));
        dlg->cmdAdd->click();
        if (fill)
            fill(*dlg);
        dlg->cmdOK->click();
    });
    nextPath(path(fileName));
    trigger(QStringLiteral("mnuFileNew"));
    return state_.gOpenDbName.isEmpty() ? QString() : state_.gDbPath;
}

} // namespace mainroad
