// The whole program for tests: the real main window with every subsystem registered as Varnox registers
// them, a recording message service, and helpers that answer modal dialogs through their own widgets.
#pragma once

#include "core/AppState.h"
#include "db/Database.h"
#include "frame/ChildWindow.h"
#include "shell/MainWindow.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QDate>
#include <QHash>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <functional>
#include <memory>

namespace masters {
class CompanySettingsDialog;
}
namespace orders {
class OrderListWindow;
class PaymentWindow;
class CancelWindow;
}

namespace mainroad {

// Processes events until done() holds or ms have passed; returns done().
bool waitFor(const std::function<bool()>& done, int ms = 10000);

// Put in its frame by the window manager, as the window system tells it now.
bool framed(const QWidget& w);

// Runs act on the next modal dialog that comes up (of type T when given), from inside its own event
// loop, as a person would answer it. Give up after ms.
void onNextModal(std::function<void(QWidget*)> act, int ms = 10000);

// Runs act on the next modal dialog of type T (others that come up first are left alone).
void onNextModalWhere(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act, int ms = 10000);
template <class T> void onNextModalOf(std::function<void(T&)> act, int ms = 10000) {
    onNextModalWhere([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
                     [act = std::move(act)](QWidget* w) { act(*qobject_cast<T*>(w)); }, ms);
}

// The sqlite3 tool on a database file: another program, in another process. Its output, trimmed.
QString sqlite(const QString& db, const QString& sql);

// Writes the file `from` over `over` in place under the header of `over` (the same change count, page count
// and free list), as another company's file may have it; false when the sizes differ or it cannot.
bool copyWithSameHeader(const QString& from, const QString& over);

// Answers the next date picker with the day and 決定.
void answerCalendar(const QDate& day);

// Answers the next report dialog as a person wanting everything would: the condition dialog's OK (every
// year, every code), or every order in the invoice scope dialog.
void answerReportDialog();

class Program;

// Opens the list at menu position i (0 = 商品マスタ) from its データ表示 item as a person wanting everything
// would, and closes it once built: its text, or "" when it said why it could not be read.
QString readList(Program& p, int i);

// A click on the order's row of a payment or cancellation list; false when it is not listed.
bool clickOrder(orders::OrderListWindow* w, int orderNo);

// Types text into the focused box as a person does: ASCII by keys, the rest committed by the input method.
void type(QWidget* box, const QString& text);

// Opens the grid's editor on the cell and pastes the text over all it holds; false when no editor opened.
bool pasteIntoCell(QTableView* grid, const QModelIndex& at, const QString& text);

// Writes the lines as a CP932 text file, each ended by CR LF, with the program's own writer.
void writeCp932(const QString& path, const QStringList& lines);

// Presses the button with the given text on the widget (a dialog's OK, a chooser's button).
bool press(QWidget* w, const QString& text);

// A click as the queue holds it: handled at the next yield to the event loop, if the widget takes clicks
// then (a disabled one drops it).
void postClick(QWidget* w);

class Program {
public:
    Program();
    // The program as it starts after an earlier run left these settings (section "Settings", key to
    // value): the main window takes the placement it reads, as Varnox does.
    explicit Program(const QHash<QString, QString>& saved);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    core::AppState& state() { return state_; }
    shell::MainWindow& window() { return *window_; }
    ui::RecordingMessageService& messages() { return messages_; }
    QString path(const QString& name) const { return folder_.path(name); }

    // The next file chooser answers this path ("" = the person cancels).
    void nextPath(const QString& path) { nextPath_ = path; }
    // Where the last database or import file chooser opened (the import's: the file it offered, if any).
    QString dialogStart() const { return dialogStart_; }

    // Starts a menu item by name ("mnuFileNew") as a click on it does. An item a person cannot reach
    // (it, or a menu above it, is disabled or hidden) is not started: false.
    bool trigger(const QString& itemName);
    // Whether a person can click the item: it and every menu above it are enabled and shown.
    bool reachable(const QString& itemName) const;

    // ファイル > 新規作成 to the file name in the test folder, the company dialog filled by fill (after
    // the defaults: company name "テスト商事", one category "食品") and answered with ＯＫ.
    // Returns the database path; empty when no database is open afterwards.
    QString newDatabase(const QString& fileName,
                        const std::function<void(masters::CompanySettingsDialog&)>& fill = {});

    // The shop the walks start from, made through the front door: New with a second category "文具",
    // then the goods, clients and employees imported from CP932 files through their menu items.
    // Goods: G01..G05 in 食品 (G05 short of stock), G11, G12 in 文具; clients C01..C03; employees E01, E02.
    // Returns the database path; empty when something failed (the messages say what).
    // fill sets more of the company dialog (a password...) before ＯＫ.
    QString openShop(const QString& fileName = QStringLiteral("shop.vrd"),
                     const std::function<void(masters::CompanySettingsDialog&)>& fill = {});
    static const QStringList& shopGoods();
    static const QStringList& shopClients();
    static const QStringList& shopEmployees();

    // An order entered through 受注データ入力 and committed with 契約: the client and employee by
    // name, then (row, quantity) in the first category's grid. The window is closed with 終了.
    // Returns the committed order's number; 0 when it did not commit.
    struct OrderLine {
        int row;
        int qty;
    };
    // beforeCommit runs just before 契約 is pressed.
    int enterOrder(const QString& client, const QString& employee, const std::vector<OrderLine>& lines,
                   const QString& shipping = {}, const std::function<void()>& beforeCommit = {});

    // 入金処理 and キャンセル処理 on one order: the chooser answered "all orders", a click on the order's
    // row (the payment date picked in the calendar), the window closed with its end button.
    bool payOrder(int orderNo, const QDate& day);
    // 入金処理 or キャンセル処理 opened on all orders and left open; nullptr when it did not open.
    orders::PaymentWindow* openPayments();
    orders::CancelWindow* openCancels();
    bool toggleCancel(int orderNo);

    // The shop with three orders entered through the front door: 1 unpaid, 2 paid on 2024-06-28,
    // 3 cancelled (unpaid).
    QString openShopWithOrders(const QString& fileName = QStringLiteral("shop.vrd"));

    // One value from the open database.
    QVariant scalar(const QString& sql, const db::Params& params = {}) const;

    // The open work window of type T, if any.
    template <class T> T* work() const {
        for (QMdiSubWindow* sub : window_->mdiArea()->subWindowList())
            if (auto* w = qobject_cast<T*>(frame::workOf(sub)))
                return w;
        return nullptr;
    }
    int workCount() const { return int(window_->mdiArea()->subWindowList().size()); }
    // Waits until every work window has laid itself out after its last resize; false after ms.
    bool waitLaidOut(int ms = 10000);

private:
    Program(const QHash<QString, QString>& saved, const QSize& size);

    testenv::TempFolder folder_;
    ui::RecordingMessageService messages_;
    core::AppState state_;
    QString nextPath_;
    QString dialogStart_;
    std::unique_ptr<shell::MainWindow> window_;
};

// Every message shown so far in one line, for a failed check to print.
QString joined(Program& p);

// Another program in the middle of a write (or of a read, which keeps writers out as long): the sqlite3 tool
// holding the file's write lock (read lock) until release().
class HeldWrite {
public:
    explicit HeldWrite(const QString& db, bool read = false);
    ~HeldWrite() { release(); }
    HeldWrite(const HeldWrite&) = delete;
    HeldWrite& operator=(const HeldWrite&) = delete;
    void release();

private:
    QProcess p_;
};

// The ways a user gives Varnox or VarnoxReplica a database file.
enum Way { Menu, CommandLine, ReplicaCopy, ReplicaClear };
inline constexpr Way kWays[] = {Menu, CommandLine, ReplicaCopy, ReplicaClear};

// Gives the file one way, after clearing the messages, which then tell what happened; a copy goes to target.
void giveFile(Program& p, Way way, const QString& file, const QString& target = {});

} // namespace mainroad
