// The order entry window (frmGetOrder): client and employee, the goods of one category at a time with
// price and quantity typed per line, the shipping charge, the running totals and tax, and the commit.
#pragma once

#include "frame/ChildWindow.h"
#include "orders/EntryGrid.h"
#include "orders/OrderCalc.h"
#include "orders/OrderStore.h"

#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace db {
class UseLock;
}

namespace orders {

class GetOrderWindow : public frame::ChildWindow {
    Q_OBJECT
public:
    explicit GetOrderWindow(core::AppState& state, QWidget* parent = nullptr);
    ~GetOrderWindow() override;

    // The size the window is designed at, its buttons at the right of the top band: the largest of the
    // work windows, so the main window's first size is made for it.
    static QSize designSize() { return {940, 560}; }
    QSize sizeHint() const override { return designSize(); }

    // For the owner and for tests.
    EntryGrid* grid() const { return msfG_; }
    QComboBox* clientPicker() const { return dbcClient_; }
    QComboBox* employeePicker() const { return dbcEmployee_; }
    QComboBox* categoryBox() const { return cmbCat_; }
    QLineEdit* shippingBox() const { return txtOther_; }
    QLabel* orderNoLabel() const { return lblOrderNo_; }
    QLabel* totalLabel() const { return lblTotal_; }
    QPushButton* okButton() const { return cmdOK_; }
    QPushButton* cancelButton() const { return cmdCancel_; }
    QPushButton* endButton() const { return cmdEnd_; }
    std::int32_t orderNo() const { return m_OrderNo_; }
    bool hasPendingOrder() const { return pendingPresent_; }
    const OrderTotals& totals() const { return totals_; }
    int currentRow() const { return curRow_; }
    int currentCol() const { return curCol_; }
    bool repaintPending() const { return tmScroll_.isActive(); } // a scroll or category switch not yet shown

    // The commit of the 契約 button.
    void commitOrder();

protected:
    bool buildContents() override;
    void layoutContents() override;
    void reloadData() override;
    void onUnload() override;

private:
    void createControls();
    void load();
    bool build();
    void rebuild();
    bool failBuild(const QString& text, const QString& title = QStringLiteral("Varnox"));
    bool newPendingOrder(bool keepChoices = false);
    void deletePendingOrder(bool quiet);
    QString causeOf(const std::exception& e);
    void commitOnce();

    void paintRows();
    void recalcOrder(int c, int j);
    void clearEntries();
    void cellEdit(const QString& text);
    void noteEditStart(const EntryLine& line, int j);
    void storeCellValue(EntryLine& line, int j, db::Currency value);
    void restoreEditStart();
    void priceColumnClicked(int R, int C);
    void gridCellChanged();
    void scrollTick();
    void categoryChanged();
    void shippingChanged(const QString& text);
    void shippingFinished();
    void restoreShipping();
    void showHugeNumber();
    QString shownText(const QString& stored, int lenEntry);
    bool eventFilter(QObject* watched, QEvent* e) override;
    void errorBox(const QString& text, const QString& title = QStringLiteral("Varnox"));

    db::Database& database();
    std::optional<QString> chosenCode(QComboBox* picker) const;
    bool isReserved(const QString& code, int field);
    EntryLine* lineAt(int c, int j);
    int goodsCount(int c) const;

    // Controls.
    QComboBox* dbcClient_ = nullptr;
    QComboBox* dbcEmployee_ = nullptr;
    QComboBox* cmbCat_ = nullptr;
    EntryGrid* msfG_ = nullptr;
    QLineEdit* txtOther_ = nullptr;
    QLabel* lblOrderNo_ = nullptr;
    QLabel* lblTotal_ = nullptr;
    QLabel* label_[7] = {};
    QFrame* line1_ = nullptr;
    QFrame* frame1_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdEnd_ = nullptr;
    QTimer tmScroll_;
    std::unique_ptr<db::Database> db_;
    std::shared_ptr<db::UseLock> holdFile_; // from the first pending number to the close

    // Window state; categories and lines are indexed from 1 in the calls, stored from 0.
    std::int32_t m_OrderNo_ = 0;
    double pendingSince_ = 0; // HeldOrder::since of the number
    QStringList catNames_;
    std::vector<std::vector<EntryLine>> lines_;
    std::vector<int> catTop_;
    std::vector<int> catMax_;
    std::vector<PartyRow> clients_;
    std::vector<PartyRow> employees_;
    OrderTotals totals_;
    int curCat_ = 1;
    int curRow_ = 1;
    int curCol_ = 5;
    bool usable_ = true;
    bool pendingPresent_ = false;
    qint32 justSaved_ = 0; // the order stored by the 契約 being finished, told of if what follows fails
    bool ready_ = false;
    bool scrollPending_ = false;
    bool inCatChange_ = false;
    bool unloaded_ = false;
    bool committing_ = false; // 契約 is saving and rebuilding
    int builds_ = 0;          // builds so far, to tell whether one ran during a yield

    // The cell being edited and its value when the editor came to it: a number too large puts that
    // value back. Reset whenever the editor moves to another cell or another goods scrolls under it.
    struct EditStart {
        int cat = 0, j = 0, col = 0;
        db::Currency value;
    };
    std::optional<EditStart> editStart_;
    db::Currency shippingStart_; // 送料 when the box's edit began
};

} // namespace orders
