// The table window of one master or order table: a grid over the table with a new-record row, the
// navigation bar with its record caption and the five buttons. One design, configured per table.
#pragma once

#include "frame/ChildWindow.h"

#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;
class QToolButton;

namespace db {
class Database;
class DbError;
}

namespace masters {

class MasterTableModel;
class MasterGrid;

struct MasterSpec {
    QString name;    // "frmGoodsM"
    QString caption; // "商品マスタ"
    QString table;
    int formId;
    int childIndex;
    int keyColumn = 1; // the column that names a row to the user: the code, or the order's number
    QStringList numbers = {}; // order and line numbers: taken only from 1 to 2147483647, as orders count them
};

// The five windows, in menu order of their openers.
const std::vector<MasterSpec>& masterSpecs();
const MasterSpec* masterSpec(const QString& name);

// The maintenance message, then the stored values back on screen (DbMaintError).
void DbMaintError(MasterTableModel* model, bool showMessage);

class MasterWindow : public frame::ChildWindow {
    Q_OBJECT
public:
    MasterWindow(core::AppState& state, const MasterSpec& spec, QWidget* parent = nullptr);
    ~MasterWindow() override;

    const MasterSpec& spec() const { return spec_; }

    // The buttons' commands.
    void cmdAdd_Click();
    void cmdDelete_Click();
    void cmdRefresh_Click();
    void cmdUpdate_Click();
    void cmdClose_Click();

    // The navigation bar.
    enum class Move { First, Previous, Next, Last };
    void navigate(Move m);

    QTableView* grid() const;
    MasterTableModel* model() const { return model_.get(); }
    QString positionCaption() const;
    bool locked() const { return locked_; }
    QPushButton* button(const QString& objectName) const;

protected:
    bool buildContents() override;
    void reloadData() override;
    void onUnload() override;

private:
    void currentRowChanged(int row, int previous);
    bool savePending(bool showMessage);
    // Stores a held edit, then reads the rows again and stays on the current one.
    void refreshRows();
    void setCurrent(int row);
    void updateCaption();
    void lockAfterDataError(const QString& text);
    void maintError(bool showMessage);
    // The message for a save the file refused for now (MasterTableModel::keepsEditOnRefusal). On the way
    // out it names every typed value that was not stored instead.
    QString keptEditText(const db::DbError& e);
    // Runs a way out that cannot keep a held edit (a close, the refresh of every window): the edit is
    // stored if the file takes it, else the user is told which values were not.
    void leaveEdits(const std::function<void()>& out);
    QString rowName(int row) const;
    // Commits an open editor; false when its text was refused (then shown and given back to edit).
    bool commitEditor();
    // Shows a refused text's message and, when reopen, puts the text back into its cell's editor;
    // false when nothing was refused.
    bool giveBackRefused(bool reopen);

    struct Refusal {
        QPersistentModelIndex at;
        QString message, stored;
        int from = 0, length = 0;
    };
    std::optional<Refusal> refusal_;

    MasterSpec spec_;
    std::unique_ptr<db::Database> db_;
    std::unique_ptr<MasterTableModel> model_;
    MasterGrid* grd_ = nullptr;
    QLabel* caption_ = nullptr;
    QWidget* nav_ = nullptr;
    QPushButton* cmdAdd_ = nullptr;
    QPushButton* cmdDelete_ = nullptr;
    QPushButton* cmdRefresh_ = nullptr;
    QPushButton* cmdUpdate_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    bool locked_ = false;
    bool leaving_ = false;
    QStringList lostTyped_; // texts typed beside a held edit on the way out, not stored
};

} // namespace masters
