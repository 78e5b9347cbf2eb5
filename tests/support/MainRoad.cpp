#include "support/MainRoad.h"
#include "support/ReplicaRoad.h"

#include "app/Program.h"
#include "masters/CompanySettingsDialog.h"
#include "masters/ImportCommand.h"
#include "orders/EntryGrid.h"
#include "orders/CalendarDialog.h"
#include "orders/CancelWindow.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"
#include "reports/ConditionDialog.h"
#include "reports/InvoiceScopeDialog.h"
#include "shell/CommandStates.h"
#include "shell/Startup.h"
#include "text/AnsiFile.h"
#include "ui/ProgramStart.h"
#include "viewers/Export.h"
#include "viewers/ListWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <stdexcept>

namespace mainroad {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool framed(const QWidget& w) {
    const QWindow* h = w.windowHandle();
    return h && !h->geometry().isEmpty() && h->frameMargins().top() > 0;
}

void onNextModal(std::function<void(QWidget*)> act, int ms) {
    onNextModalWhere([](QWidget*) { return true; }, std::move(act), ms);
}

// Polls from the event loop, so it also fires inside the modal dialog's own loop.
void onNextModalWhere(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act, int ms) {
    auto* timer = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, clock, matches = std::move(matches), act = std::move(act), ms] {
                         QWidget* w = QApplication::activeModalWidget();
                         const bool found = w != nullptr && w->isVisible() && matches(w);
                         if (!found && clock->elapsed() < ms)
                             return;
                         timer->stop();
                         timer->deleteLater();
                         delete clock;
                         if (found)
                             act(w);
                     });
    timer->start();
}

QString sqlite(const QString& db, const QString& sql) {
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {db, sql});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString joined(Program& p) { return p.messages().texts().join('|'); }

void giveFile(Program& p, Way way, const QString& file, const QString& target) {
    p.messages().clear();
    switch (way) {
    case Menu:
        p.nextPath(file);
        p.trigger(QStringLiteral("mnuFileOpen"));
        break;
    case CommandLine: p.window().openFromCommandLine(QLatin1Char('"') + file + QLatin1Char('"')); break;
    case ReplicaCopy: runReplica(file, target); break;
    case ReplicaClear: runReplica(file); break;
    }
}

HeldWrite::HeldWrite(const QString& db, bool read) {
    p_.start(QStringLiteral("sqlite3"), {db});
    p_.waitForStarted();
    p_.write(read ? "BEGIN;\nSELECT count(*) FROM 社員マスタ;\n"
                  : "BEGIN IMMEDIATE;\nUPDATE 社員マスタ SET 氏名 = 氏名 WHERE 0;\nSELECT 'held';\n");
    waitFor([&] { return p_.waitForReadyRead(50) || p_.bytesAvailable() > 0; }, 10000);
}

void HeldWrite::release() {
    if (p_.state() == QProcess::NotRunning)
        return;
    p_.write("ROLLBACK;\n.quit\n");
    p_.closeWriteChannel();
    p_.waitForFinished(10000);
}

bool copyWithSameHeader(const QString& from, const QString& over) {
    QFile in(from), out(over);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::ReadWrite)) return false;
    QByteArray bytes = in.readAll();
    bytes.replace(0, 100, out.read(100));
    return bytes.size() == out.size() && out.seek(0) && out.write(bytes) == bytes.size();
}

void answerCalendar(const QDate& day) {
    onNextModalOf<orders::CalendarDialog>([day](orders::CalendarDialog& d) {
        d.calendar()->setSelectedDate(day);
        d.okButton()->click();
    });
}

void answerReportDialog() {
    onNextModalWhere(
        [](QWidget* w) {
            return qobject_cast<reports::ConditionDialog*>(w) || qobject_cast<reports::InvoiceScopeDialog*>(w);
        },
        [](QWidget* w) {
            if (auto* c = qobject_cast<reports::ConditionDialog*>(w))
                c->cmdOK()->click();
            else if (auto* s = qobject_cast<reports::InvoiceScopeDialog*>(w))
                s->command1(reports::kScopeAll)->click();
        },
        2000);
}

QString readList(Program& p, int i) {
    const QString item = QStringLiteral("mnuV") + QLatin1String(shell::kReportTags[size_t(i)]);
    waitFor([&] { return p.window().item(item)->isEnabled(); }); // the menus come back after the last list
    answerReportDialog();
    p.trigger(item);
    viewers::ListWindow* w = nullptr;
    waitFor([&] {
        w = p.work<viewers::ListWindow>();
        return (w && w->loaded()) || !p.messages().shown().empty();
    });
    const QString text = w && w->loaded() ? w->shownText() : QString();
    if (w && w->loaded())
        w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    waitFor([&] { return p.work<viewers::ListWindow>() == nullptr; });
    return text;
}

bool clickOrder(orders::OrderListWindow* w, int orderNo) {
    const int i = w->model()->indexOf(orderNo);
    if (i < 0)
        return false;
    QTableView* g = w->grid();
    const QModelIndex at = g->model()->index(i, 1);
    g->scrollTo(at);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(at).center());
    return true;
}

bool pasteIntoCell(QTableView* grid, const QModelIndex& at, const QString& text) {
    grid->setCurrentIndex(at);
    grid->edit(at);
    auto* box = qobject_cast<QLineEdit*>(grid->indexWidget(at));
    if (box == nullptr)
        return false;
    box->selectAll();
    box->insert(text);
    return true;
}

void type(QWidget* box, const QString& text) {
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (ascii) {
        QTest::keyClicks(box, text);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

void writeCp932(const QString& path, const QStringList& lines) {
    text::AnsiWriter w(path);
    if (!w.isOpen())
        throw std::runtime_error("cannot write " + path.toStdString());
    for (const QString& l : lines)
        w.writeLine(l);
    if (!w.close())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void postClick(QWidget* w) {
    const QPointF at = QRectF(w->rect()).center();
    const QPointF global = w->mapToGlobal(at);
    QCoreApplication::postEvent(
        w, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(
        w, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, {}));
}

bool press(QWidget* w, const QString& text) {
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->text().remove(QLatin1Char('&')) == text && b->isEnabled()) {
            b->click();
            return true;
        }
    return false;
}

Program::Program() : Program(QHash<QString, QString>{}, QSize(1024, 768)) {}

Program::Program(const QHash<QString, QString>& saved) : Program(saved, QSize()) {}

Program::Program(const QHash<QString, QString>& saved, const QSize& size) {
    {
        QSettings settings(QStringLiteral("Varnox"), QStringLiteral("Varnox"));
        settings.clear();
        settings.beginGroup(QStringLiteral("Settings"));
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }
    app::registerSubsystems();
    ui::loadQtTranslation();
    ui::setMessageService(&messages_);
    shell::prepareState(state_, QCoreApplication::applicationDirPath());
    state_.gPrinterReady = core::kTrue;
    shell::MainWindowHooks hooks = shell::defaultHooks();
    // Only the file choosers stand in for the person; every other dialog is the program's own.
    hooks.saveDatabasePath = [this](QWidget*, const QString& folder) {
        dialogStart_ = folder;
        return std::exchange(nextPath_, QString());
    };
    hooks.openDatabasePath = [this](QWidget*, const QString& folder) {
        dialogStart_ = folder;
        return std::exchange(nextPath_, QString());
    };
    masters::setOpenFileDialog([this](QWidget*, const QString&, const QString& preset) {
        dialogStart_ = preset;
        return std::exchange(nextPath_, QString());
    });
    viewers::setSaveFileDialog([this](QWidget*, const viewers::SaveDialogRequest&) { return std::exchange(nextPath_, QString()); });
    hooks.animateUnload = false;
    window_ = std::make_unique<shell::MainWindow>(state_, hooks);
    if (size.isValid())
        window_->resize(size);
    window_->updateCommandStates();
    window_->show();
}

Program::~Program() {
    window_.reset();
    masters::setOpenFileDialog({});
    viewers::setSaveFileDialog({});
    ui::setMessageService(nullptr);
}

namespace {
bool actionReachable(const QAction* a) {
    if (!a->isEnabled() || !a->isVisible())
        return false;
    for (QObject* o : a->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o))
            if (!actionReachable(menu->menuAction()))
                return false;
    return true;
}
} // namespace

bool Program::reachable(const QString& itemName) const {
    const QAction* a = window_->item(itemName);
    if (a == nullptr)
        throw std::runtime_error("no menu item " + itemName.toStdString());
    return actionReachable(a);
}

bool Program::trigger(const QString& itemName) {
    if (!reachable(itemName))
        return false;
    window_->item(itemName)->trigger();
    return true;
}

bool Program::waitLaidOut(int ms) {
    return waitFor(
        [this] {
            QApplication::processEvents(); // a resize still queued arms its layout first
            for (QMdiSubWindow* sub : window_->mdiArea()->subWindowList())
                if (auto* w = qobject_cast<frame::ChildWindow*>(frame::workOf(sub)); w && w->layoutPending())
                    return false;
            return true;
        },
        ms);
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

const QStringList& Program::shopGoods() {
    static const QStringList lines{
        QStringLiteral("1\tG01\t緑茶　静岡産\t1200\t900\t700\t8\t40\t10\t食品"),
        QStringLiteral("2\tG02\t玄米（５ｋｇ）\t3500\t2800\t2100\t8\t25\t5\t食品"),
        QStringLiteral("3\tG03\t梅干し\t800\t600\t450\t8\t60\t20\t食品"),
        QStringLiteral("4\tG04\tだし醤油\t450\t330\t250\t8\t100\t30\t食品"),
        QStringLiteral("5\tG05\t海苔①\t980\t700\t520\t8\t3\t10\t食品"),
        QStringLiteral("6\tG11\tボールペン黒\t150\t100\t70\t10\t200\t50\t文具"),
        QStringLiteral("7\tG12\tノート　Ａ４\t300\t210\t150\t10\t80\t40\t文具"),
    };
    return lines;
}

const QStringList& Program::shopClients() {
    static const QStringList lines{
        QStringLiteral("1\tC01\t㈱山田商店\t100-0001\t東京都千代田区千代田１－１\t03-1111-2222\t03-1111-2223\tyamada@example.jp"),
        QStringLiteral("2\tC02\t髙橋食品\t530-0001\t大阪府大阪市北区梅田２－２\t06-3333-4444\t\t"),
        QStringLiteral("3\tC03\tO'Brien 商会\t060-0001\t北海道札幌市中央区\t011-555-6666\t\t"),
    };
    return lines;
}

const QStringList& Program::shopEmployees() {
    static const QStringList lines{QStringLiteral("1\tE01\t佐藤一郎"), QStringLiteral("2\tE02\t鈴木花子")};
    return lines;
}

QString Program::openShop(const QString& fileName,
                          const std::function<void(masters::CompanySettingsDialog&)>& fill) {
    const QString db = newDatabase(fileName, [fill](masters::CompanySettingsDialog& d) {
        d.txtCat->setText(QStringLiteral("文具"));
        d.cmdAdd->click();
        if (fill)
            fill(d);
    });
    if (db.isEmpty())
        return {};
    const std::pair<const char*, const QStringList*> files[] = {
        {"mnuImpComm", &shopGoods()}, {"mnuImpCli", &shopClients()}, {"mnuImpEmp", &shopEmployees()}};
    for (const auto& [item, lines] : files) {
        const QString file = path(QLatin1String(item) + QStringLiteral(".txt"));
        writeCp932(file, *lines);
        nextPath(file);
        trigger(QLatin1String(item));
    }
    return messages().shown().empty() ? db : QString();
}

int Program::enterOrder(const QString& client, const QString& employee, const std::vector<OrderLine>& lines,
                        const QString& shipping, const std::function<void()>& beforeCommit) {
    waitFor([this] { return reachable(QStringLiteral("mnuOrder")); }); // the menus come back after a list
    trigger(QStringLiteral("mnuOrder"));
    orders::GetOrderWindow* w = nullptr;
    if (!waitFor([&] {
            w = work<orders::GetOrderWindow>();
            return w && core::isSet(state_.gChildState[core::kChildGetOrder].Open);
        }))
        return 0;
    waitLaidOut();
    for (auto [picker, name] : {std::pair{w->clientPicker(), client}, std::pair{w->employeePicker(), employee}}) {
        const int i = picker->findText(name);
        if (i < 0)
            return 0;
        picker->setCurrentIndex(i);
    }
    QTableWidget* t = w->grid()->table();
    for (const OrderLine& l : lines) {
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(l.row - 1, 6)).center());
        QLineEdit* e = w->grid()->editor();
        e->selectAll();
        type(e, QString::number(l.qty));
    }
    if (!shipping.isEmpty())
        QTest::keyClicks(w->shippingBox(), shipping);
    const int no = w->orderNo();
    if (beforeCommit)
        beforeCommit();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    const bool committed = w->orderNo() != no;
    QTest::mouseClick(w->endButton(), Qt::LeftButton);
    waitFor([this] { return work<orders::GetOrderWindow>() == nullptr; });
    return committed ? no : 0;
}

orders::PaymentWindow* Program::openPayments() {
    onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    trigger(QStringLiteral("mnuReceipt"));
    orders::PaymentWindow* w = nullptr;
    return waitFor([&] { return (w = work<orders::PaymentWindow>()) && core::isSet(state_.gChildState[core::kChildPayment].Open); })
               ? w
               : nullptr;
}

orders::CancelWindow* Program::openCancels() {
    onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    trigger(QStringLiteral("mnuCancel"));
    orders::CancelWindow* w = nullptr;
    return waitFor([&] { return (w = work<orders::CancelWindow>()) && core::isSet(state_.gChildState[core::kChildCancel].Open); })
               ? w
               : nullptr;
}

bool Program::payOrder(int orderNo, const QDate& day) {
    orders::PaymentWindow* w = openPayments();
    if (w == nullptr)
        return false;
    answerCalendar(day);
    const bool clicked = clickOrder(w, orderNo);
    w->endButton()->click();
    return waitFor([this] { return work<orders::PaymentWindow>() == nullptr; }) && clicked;
}

bool Program::toggleCancel(int orderNo) {
    orders::CancelWindow* w = openCancels();
    if (w == nullptr)
        return false;
    const bool clicked = clickOrder(w, orderNo);
    w->endButton()->click();
    return waitFor([this] { return work<orders::CancelWindow>() == nullptr; }) && clicked;
}

QString Program::openShopWithOrders(const QString& fileName) {
    const QString db = openShop(fileName);
    if (db.isEmpty())
        return {};
    const bool ok = enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}, {3, 4}, {5, 1}}) == 1 &&
                    enterOrder(QStringLiteral("髙橋食品"), QStringLiteral("鈴木花子"), {{2, 1}, {4, 6}}, QStringLiteral("800")) == 2 &&
                    enterOrder(QStringLiteral("O'Brien 商会"), QStringLiteral("佐藤一郎"), {{1, 1}}) == 3 &&
                    payOrder(2, QDate(2024, 6, 28)) && toggleCancel(3);
    return ok && messages().shown().empty() ? db : QString();
}

QVariant Program::scalar(const QString& sql, const db::Params& params) const {
    db::Database d(state_.gDbPath);
    return d.scalar(sql, params);
}

} // namespace mainroad
