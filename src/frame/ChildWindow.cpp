#include "frame/ChildWindow.h"

#include "core/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace frame {

using core::isSet;
using core::kFalse;
using core::kTrue;

ChildWindow::ChildWindow(core::AppState& state, int childIndex, int formId, WatchForm form, QWidget* parent)
    : QWidget(parent), state_(state), childIndex_(childIndex), formId_(formId), form_(form) {
    tmWatch.setInterval(500);
    connect(&tmWatch, &QTimer::timeout, this, &ChildWindow::watchTick);
    tmWatch.start();
    layoutTimer_.setInterval(100);
    connect(&layoutTimer_, &QTimer::timeout, this, &ChildWindow::layoutTick);
    setMouseTracking(true);
    qApp->installEventFilter(this);
}

void ChildWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!built_ && !buildFailed_ && width() > 0) {
        // Some platforms show without a resize; build all the same.
        QResizeEvent re(size(), size());
        resizeEvent(&re);
    }
}

void ChildWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (buildFailed_)
        return;
    if (!built_) {
        built_ = true;
        if (buildContents()) {
            rec().Open = kTrue;
            rec().RefreshDone = kFalse;
        } else {
            buildFailed_ = true;
            layoutTicks_ = 0;
            layoutTimer_.start();
        }
        return;
    }
    layoutTicks_ = 0;
    layoutTimer_.start();
}

void ChildWindow::armLayout() {
    layoutTicks_ = 0;
    layoutTimer_.start();
}

void ChildWindow::layoutTick() {
    if (timersHeld())
        return;
    // One extra tick lets the window manager finish the resize before the layout.
    if (++layoutTicks_ < 2)
        return;
    layoutTimer_.stop();
    if (buildFailed_)
        unloadWindow();
    else
        layoutContents();
}

void ChildWindow::watchTick() {
    if (timersHeld()) // asked again at the next tick, once the handler has finished
        return;
    core::ChildStateRec& r = rec();
    if (form_ == WatchForm::Master) {
        if (isSet(r.CloseRequest)) {
            unloadWindow();
            return;
        }
        if (isSet(r.RefreshRequest)) {
            r.RefreshRequest = kFalse;
            reloadData();
            r.RefreshDone = kTrue;
        }
        return;
    }
    if (isSet(r.CloseRequest)) {
        unloadWindow();
        return;
    }
    if (isSet(r.RefreshRequest)) {
        QWidget* top = subWindowOf(this);
        if (!top)
            top = parentWidget() ? parentWidget() : this;
        if (top->isMinimized())
            top->showNormal();
        r.RefreshRequest = kFalse;
        reloadData();
        r.RefreshDone = kTrue;
    }
}

void ChildWindow::unloadWindow() {
    if (QMdiSubWindow* sub = subWindowOf(this))
        sub->close();
    else
        close();
}

void ChildWindow::closeEvent(QCloseEvent* e) {
    if (unloadedOnce_) {
        e->accept();
        return;
    }
    unloadedOnce_ = true;
    tmWatch.stop();
    layoutTimer_.stop();
    core::ChildStateRec& r = rec();
    if (built_ && !buildFailed_)
        r.Open = kFalse;
    if (!isSet(r.CloseRequest))
        QApplication::restoreOverrideCursor();
    r.CloseRequest = kFalse;
    onUnload();
    if (state_.gMainForm)
        state_.gMainForm->updateCommandStates();
    e->accept();
    emit unloaded();
}

void ChildWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        noteActive();
}

void ChildWindow::noteActive() { state_.gActiveFormId = formId_; }

void ChildWindow::mouseMoved() {
    if (isSet(state_.gAutoFocus) && state_.gActiveFormId != formId_) {
        if (QMdiSubWindow* sub = subWindowOf(this); sub && sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        setFocus();
        state_.gActiveFormId = formId_;
    }
}

bool ChildWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseMove || e->type() == QEvent::FocusIn) {
        auto* w = qobject_cast<QWidget*>(watched);
        // The holder's scroll bars count as the window's own.
        const QWidget* outer = subWindowOf(this);
        if (w && (w == this || isAncestorOf(w) || (outer && outer->isAncestorOf(w)))) {
            if (e->type() == QEvent::MouseMove)
                mouseMoved();
            else
                noteActive();
        }
    }
    return QWidget::eventFilter(watched, e);
}

QSize ChildWindow::minimumSizeHint() const { return layout() ? QWidget::minimumSizeHint() : sizeHint(); }

ChildHost::ChildHost(QWidget* work, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus); // the focus belongs to the work window's controls
    setWidgetResizable(true);
    setWidget(work);
    setWindowTitle(work->windowTitle());
    work->installEventFilter(this);
    // A work window deleted on its own leaves nothing to hold.
    connect(work, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
                sub->close();
        });
    });
}

QSize ChildHost::sizeHint() const {
    // The work window's design size whole, not bounded as a scroll area bounds its hint.
    const int f = 2 * frameWidth();
    return widget() ? widget()->sizeHint() + QSize(f, f) : QScrollArea::sizeHint();
}

bool ChildHost::eventFilter(QObject* watched, QEvent* e) {
    if (watched == widget() && e->type() == QEvent::WindowTitleChange)
        setWindowTitle(widget()->windowTitle());
    if (watched == widget() && e->type() == QEvent::Close && !closing_) {
        // Looked at once the close has been decided: the window may refuse it.
        QTimer::singleShot(0, this, [this] {
            auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
            if (sub && widget() && widget()->isHidden())
                sub->close();
        });
    }
    return QScrollArea::eventFilter(watched, e);
}

void ChildHost::closeEvent(QCloseEvent* e) {
    if (closing_ || !widget()) {
        e->accept();
        return;
    }
    closing_ = true;
    const bool closed = widget()->close();
    closing_ = false;
    if (closed)
        e->accept();
    else
        e->ignore();
}

QMdiSubWindow* subWindowOf(const QWidget* work) {
    QWidget* parent = work ? work->parentWidget() : nullptr;
    // Held: the work window sits in the holder's viewport, the holder in the sub-window.
    auto* host = qobject_cast<ChildHost*>(parent ? parent->parentWidget() : nullptr);
    if (host && host->work() == work)
        return qobject_cast<QMdiSubWindow*>(host->parentWidget());
    return qobject_cast<QMdiSubWindow*>(parent);
}

QWidget* workOf(const QMdiSubWindow* sub) {
    QWidget* w = sub ? sub->widget() : nullptr;
    if (auto* host = qobject_cast<ChildHost*>(w))
        return host->work();
    return w;
}

void YieldHeld(QWidget* w, QEventLoop::ProcessEventsFlags flags) {
    ChildWindow* owner = nullptr;
    for (QWidget* p = w; p && !owner; p = p->parentWidget())
        owner = qobject_cast<ChildWindow*>(p);
    const ChildWindow::TimerHold hold(owner);
    QCoreApplication::processEvents(flags);
}

} // namespace frame
