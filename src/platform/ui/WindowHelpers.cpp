#include "ui/WindowHelpers.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

constexpr const char* kClosingByCode = "varnoxClosingByCode";
constexpr const char* kNoCloseFilterName = "varnoxNoCloseFilter";
// Read by the desktop behaviour, which keeps such windows from being minimized.
constexpr const char* kNoCloseProperty = "varnoxNoClose";

class NoCloseFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            return false;
        if (event->type() == QEvent::Close && !w->property(kClosingByCode).toBool()) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && qobject_cast<QDialog*>(w)) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
                return true;
        }
        return false;
    }
};

} // namespace

void Wait(double seconds) {
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::processEvents();
    const qint64 total = qint64(seconds * 1000.0);
    while (clock.elapsed() < total) {
        QEventLoop loop;
        QTimer::singleShot(int(total - clock.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void DoEvents() { QCoreApplication::processEvents(); }

void DisableCloseButton(QWidget* window) {
    // Found by name: the filter class has no meta-object of its own, so a search by type would take any
    // child for it and skip windows that already have children.
    if (!window || window->findChild<QObject*>(QLatin1String(kNoCloseFilterName), Qt::FindDirectChildrenOnly))
        return;
    const bool visible = window->isVisible();
    // Only a title: the window manager is told the window offers no close, minimize or maximize. Without
    // CustomizeWindowHint an X11 window that lists no button at all is taken to allow every one.
    Qt::WindowFlags flags = window->windowFlags();
    flags &= ~(Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
               Qt::WindowContextHelpButtonHint);
    window->setWindowFlags(flags | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setProperty(kNoCloseProperty, true);
    if (visible)
        window->show(); // changing flags hides a shown window
    auto* filter = new NoCloseFilter(window);
    filter->setObjectName(QLatin1String(kNoCloseFilterName));
    window->installEventFilter(filter);
}

bool CloseByCode(QWidget* window) {
    if (!window)
        return false;
    QPointer<QWidget> guard(window);
    window->setProperty(kClosingByCode, true);
    const bool closed = window->close();
    if (guard)
        guard->setProperty(kClosingByCode, false);
    return closed;
}

} // namespace ui
