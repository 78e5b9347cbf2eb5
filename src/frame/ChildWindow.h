// Base of every work window inside the main window: the watcher that answers close and refresh
// requests, the open flag in gChildState, auto focus, and building on the first resize.
#pragma once

#include "core/AppState.h"

#include <QEventLoop>
#include <QPointer>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>

class QMdiSubWindow;

namespace frame {

// Holds a window's watcher while a message box or dialog waits on the user: a close request answered
// inside that box's event loop would take the window away under the code that showed it.
class WatchPause {
public:
    explicit WatchPause(QTimer& t) : t_(t), active_(t.isActive()) { t_.stop(); }
    ~WatchPause() {
        if (active_)
            t_.start();
    }
    WatchPause(const WatchPause&) = delete;
    WatchPause& operator=(const WatchPause&) = delete;

private:
    QTimer& t_;
    bool active_;
};

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    // Master-table windows answer a close and a refresh request in the same tick; all others answer a
    // refresh only in a tick without a close request, and restore themselves from minimized first.
    enum class WatchForm { Master, Other };

    ChildWindow(core::AppState& state, int childIndex, int formId, WatchForm form, QWidget* parent = nullptr);

    core::AppState& state() { return state_; }
    int childIndex() const { return childIndex_; }
    int formId() const { return formId_; }

    // Closes the window from its own code (inside an MDI sub-window, the sub-window closes).
    void unloadWindow();

    // Holds the window's timers while one of its handlers waits in an event loop (a yield, a message
    // box): the watcher (close and refresh requests), the layout and every timer whose tick asks
    // timersHeld() wait for the next tick, so the handler finds its rows as it left them.
    class TimerHold {
    public:
        explicit TimerHold(ChildWindow* w) : w_(w) {
            if (w_)
                ++w_->held_;
        }
        ~TimerHold() {
            if (w_)
                --w_->held_;
        }
        TimerHold(const TimerHold&) = delete;
        TimerHold& operator=(const TimerHold&) = delete;

    private:
        QPointer<ChildWindow> w_;
    };
    bool timersHeld() const { return held_ > 0; }
    // A resize whose layout has not run yet (it waits for the layout timer's ticks).
    bool layoutPending() const { return layoutTimer_.isActive(); }

    // The size the window was designed at. The MDI area sizes a new window, and cascading sizes every
    // window, from the size hint; a window without a layout would otherwise shrink to its title bar.
    void setDesignSize(const QSize& size) { designSize_ = size; }
    QSize sizeHint() const override { return designSize_.isValid() ? designSize_ : QWidget::sizeHint(); }
    // Below this size the window's holder scrolls instead of squeezing it: a window placed by hand keeps
    // its design size, one with a layout the least its layout needs.
    QSize minimumSizeHint() const override;

signals:
    void unloaded();

protected:
    // Builds the contents on the first resize; false closes the window through the layout timer.
    virtual bool buildContents() = 0;
    // Lays the contents out again after a later resize (100 ms timer, one extra tick).
    virtual void layoutContents() {}
    // Reloads the data, as the window's own refresh command does.
    virtual void reloadData() = 0;
    // Undoes what the opener did (menu entries, counts); runs during unload.
    virtual void onUnload() {}

    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

    // Arms the layout as a later resize does (the window lays itself out after the timer's extra tick).
    void armLayout();

    core::ChildStateRec& rec() { return state_.gChildState[size_t(childIndex_)]; }
    QTimer tmWatch;

private:
    void watchTick();
    void layoutTick();
    void noteActive();
    void mouseMoved();

    core::AppState& state_;
    int childIndex_;
    int formId_;
    WatchForm form_;
    bool built_ = false;
    bool buildFailed_ = false;
    bool unloadedOnce_ = false;
    int layoutTicks_ = 0;
    int held_ = 0;
    QSize designSize_;
    QTimer layoutTimer_;
};

// Holds a work window inside its MDI sub-window. A sub-window smaller than the window's smallest whole
// size (tiled, dragged small) scrolls the window instead of cutting off what lies past its edges, so every
// control stays reachable; a larger one gives the window all its room. The work window keeps its title
// and its close: closing the sub-window closes the work window first, and a work window that closes
// itself takes the sub-window with it.
class ChildHost : public QScrollArea {
    Q_OBJECT
public:
    explicit ChildHost(QWidget* work, QWidget* parent = nullptr);
    QWidget* work() const { return widget(); }
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool closing_ = false;
};

// The sub-window around a work window (none for a window shown on its own), and the work window a
// sub-window holds.
QMdiSubWindow* subWindowOf(const QWidget* work);
QWidget* workOf(const QMdiSubWindow* sub);

// Lets pending events run once from inside a handler of the work window that holds w, with that window's
// timers held (see TimerHold). Without a work window around w it is a plain yield.
void YieldHeld(QWidget* w, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

} // namespace frame
