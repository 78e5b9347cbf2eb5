#include "ui/DesktopBehaviour.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <algorithm>

namespace ui {

namespace {

constexpr const char* kInstalledName = "varnoxDesktopBehaviour";
// Set by DisableCloseButton: such a window is a dialog whatever its class.
constexpr const char* kNoCloseProperty = "varnoxNoClose";

bool pressFocusedButton(QObject* receiver, const QKeyEvent* key) {
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    // The key comes to a button only when it has the keyboard focus.
    auto* button = qobject_cast<QPushButton*>(receiver);
    if (!button || !button->isEnabled() || !button->isVisible())
        return false;
    // A held key presses once: one order, not one per repeat.
    if (!key->isAutoRepeat())
        button->click();
    return true;
}

void keepOnScreen(QWidget* window, const QWindowStateChangeEvent* change) {
    const bool dialog = qobject_cast<QDialog*>(window) != nullptr;
    if (!dialog && !window->property(kNoCloseProperty).toBool())
        return;
    const Qt::WindowStates now = window->windowState();
    const Qt::WindowStates before = change->oldState();
    Qt::WindowStates wanted = now;
    if (now & Qt::WindowMinimized)
        wanted = before & ~Qt::WindowMinimized;
    if (dialog && (wanted & Qt::WindowMaximized) && !(before & Qt::WindowMaximized))
        wanted &= ~Qt::WindowMaximized;
    if (wanted == now)
        return;
    // After the change has been dealt with: the manager may still be iconifying the owner.
    QTimer::singleShot(0, window, [w = QPointer<QWidget>(window), wanted] {
        if (!w || !w->isVisible())
            return;
        w->setWindowState(wanted);
        w->show();
        w->raise();
        w->activateWindow();
    });
}

// A window that the manager restores from maximized comes back whole onto its screen, title bar included.
// A window shown maximized at once has no size of its own to go back to but the screen's, and the frame
// put around that size would reach above the screen, where its title bar cannot be grabbed.
void wholeAfterRestore(QWidget* window, const QWindowStateChangeEvent* change) {
    static const Qt::WindowStates large = Qt::WindowMaximized | Qt::WindowFullScreen;
    if ((change->oldState() & large) && !(window->windowState() & (large | Qt::WindowMinimized)))
        keepWholeOnScreen(window);
}

// A dialog narrower than its caption widens once shown (a message box sizes itself as it shows), about
// its middle, so the title bar shows the whole caption.
void fitCaption(QWidget* window) {
    QTimer::singleShot(0, window, [w = QPointer<QWidget>(window)] {
        if (!w || !w->isVisible())
            return;
        const int need = captionWidth(w->windowTitle());
        if (w->width() >= need)
            return;
        const int grow = need - w->width();
        if (w->minimumWidth() == w->maximumWidth())
            w->setFixedWidth(need);
        else
            w->resize(need, w->height());
        w->move(w->x() - grow / 2, w->y());
    });
}

// The rest of a double click whose first click closed a dialog: its second press, double click and
// release go nowhere, so they cannot act on the window that is now under the pointer.
class ClosingClick {
public:
    bool swallow(QObject* watched, QEvent* event) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            return false;
        QWidget* window = w->window();
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
            if (swallowing_) {
                swallowing_ = armed_ = false;
                return true;
            }
            if (qobject_cast<QDialog*>(window)) {
                released_ = window;
                releasedAt_ = static_cast<const QMouseEvent*>(event)->timestamp();
            }
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (armed_ && window != released_ &&
                static_cast<const QMouseEvent*>(event)->timestamp() - releasedAt_ <=
                    quint64(QApplication::doubleClickInterval())) {
                swallowing_ = true;
                return true;
            }
            armed_ = false;
            return false;
        case QEvent::Hide:
            if (w == released_ && w->isWindow())
                armed_ = true;
            return false;
        default:
            return false;
        }
    }

private:
    QPointer<QWidget> released_; // the dialog the last click ended on
    quint64 releasedAt_ = 0;
    bool armed_ = false, swallowing_ = false;
};

class DesktopBehaviour : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            return closingClick_.swallow(watched, event);
        case QEvent::KeyPress:
            return pressFocusedButton(watched, static_cast<QKeyEvent*>(event));
        case QEvent::Show:
            if (auto* d = qobject_cast<QDialog*>(watched); d && d->isWindow())
                fitCaption(d);
            return false;
        case QEvent::Hide:
            return closingClick_.swallow(watched, event);
        case QEvent::WindowStateChange:
            if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow()) {
                keepOnScreen(w, static_cast<QWindowStateChangeEvent*>(event));
                wholeAfterRestore(w, static_cast<QWindowStateChangeEvent*>(event));
            }
            return false;
        default:
            return false;
        }
    }

private:
    ClosingClick closingClick_;
};

} // namespace

void installDesktopBehaviour() {
    if (!qApp || qApp->findChild<QObject*>(QLatin1String(kInstalledName), Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new DesktopBehaviour(qApp);
    filter->setObjectName(QLatin1String(kInstalledName));
    qApp->installEventFilter(filter);
}

QRect wholeOnScreen(const QRect& inner, const QMargins& frame, const QScreen& screen) {
    const QRect free = screen.availableGeometry().marginsRemoved(frame);
    QRect fitted(inner.topLeft(), inner.size().boundedTo(free.size()));
    const int right = std::max(free.left(), free.right() + 1 - fitted.width());
    const int bottom = std::max(free.top(), free.bottom() + 1 - fitted.height());
    fitted.moveTopLeft(
        QPoint(std::clamp(fitted.left(), free.left(), right), std::clamp(fitted.top(), free.top(), bottom)));
    return fitted;
}

void keepWholeOnScreen(QWidget* window) {
    static const Qt::WindowStates notNormal =
        Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
    // The manager frames and places the window when it gets to it, which on a busy machine takes seconds,
    // and may put it back where it was after it had come whole onto the screen: look for five seconds.
    auto* look = new QTimer(window);
    look->setInterval(50);
    QObject::connect(look, &QTimer::timeout, window, [w = window, look, looks = 0]() mutable {
        if (++looks >= 100 || (w->windowState() & notNormal)) look->deleteLater();
        const QScreen* screen = w->screen();
        if (!screen || !w->isVisible() || (w->windowState() & notNormal)) return;
        const QRect inner = w->geometry(), outer = w->frameGeometry();
        if (screen->availableGeometry().contains(outer)) return;
        const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                             outer.right() - inner.right(), outer.bottom() - inner.bottom());
        QRect fitted = wholeOnScreen(inner, frame, *screen);
        fitted.setSize(fitted.size().expandedTo(w->minimumSize()));
        if (fitted != inner) w->setGeometry(fitted);
    });
    look->start();
}

int captionWidth(const QString& caption) {
    // The font Qt itself takes for a title bar, with room to spare: managers draw theirs bold and larger,
    // beside an icon and up to three buttons that some of them draw whatever the window asks.
    const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
    return fm.horizontalAdvance(caption) * 3 / 2 + 100;
}

} // namespace ui
