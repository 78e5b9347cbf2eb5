// frmStockUp "在庫更新": the goods of one category at a time in the entry grid; the user types new stock
// counts into the 在庫数 column and "更新" writes the changed ones back.
#pragma once

#include "frame/ChildWindow.h"
#include "orders/StockStore.h"

#include <QTimer>
#include <optional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace orders {

class EntryGrid;

class StockUpdateWindow : public frame::ChildWindow {
    Q_OBJECT
public:
    struct StockLine {
        StockGoods goods;
        qint32 loaded = 0; // the count as read, to tell what the user changed
    };
    struct StockCategory {
        QString name;
        std::vector<StockLine> lines;
        int maxScroll = 0;
        int top = 0; // goods scrolled past, kept per category
    };

    explicit StockUpdateWindow(core::AppState& state, QWidget* parent = nullptr);
    ~StockUpdateWindow() override;

    // The size the window opens with, also inside the main window's work area.
    QSize sizeHint() const override { return {820, 460}; }

    EntryGrid* grid() const { return grid_; }
    QComboBox* categoryBox() const { return cmbCat; }
    QPushButton* okButton() const { return cmdOK; }
    QPushButton* cancelButton() const { return cmdCancel; }
    QPushButton* endButton() const { return cmdEnd; }
    const std::vector<StockCategory>& categories() const { return cats_; }
    int currentCategory() const { return cur_; } // index into categories()
    int currentRow() const { return row_; }
    int currentColumn() const { return col_; }
    bool repaintPending() const { return tmScroll.isActive(); } // a scroll or category switch not yet shown

    // "更新": writes the counts the user changed, then reloads.
    void Set_tblDetail_and_Update_Stock_count();

protected:
    bool buildContents() override;
    void layoutContents() override;
    void reloadData() override;
    void onUnload() override;

private:
    bool loadStockList();
    bool failBuild(const QString& text, const QString& title);
    void reload();
    void paintRows();
    void paintRow(int r);
    void scrollTick();
    void onCellChanged();
    void onEditorChanged(const QString& text);
    void onEditorKey(int key, int shift);
    void onCategoryText(const QString& text);
    void onGridMouseMove(QPoint pos);
    void armScroll();
    StockLine* lineAt(int r);
    bool saveChanged();
    void saveOrReload(bool save);
    void errorBox(const QString& text, const QString& title);

    std::vector<StockCategory> cats_;
    int cur_ = 0;
    int row_ = 1;
    int col_ = 6;
    bool usable_ = true;
    bool ready_ = false;
    bool scrollPending_ = false;
    bool pointerInside_ = false;
    bool busy_ = false; // 更新 or キャンセル is running (it yields)
    bool unloaded_ = false;
    // The goods being edited and its count when the editor came to it (a number too large puts it back).
    struct EditStart {
        int cat = 0, j = 0;
        qint32 count = 0;
    };
    std::optional<EditStart> editStart_;

    EntryGrid* grid_;
    QLabel* Label1;
    QComboBox* cmbCat;
    QFrame* Frame1;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdEnd;
    QTimer tmScroll;
};

} // namespace orders
