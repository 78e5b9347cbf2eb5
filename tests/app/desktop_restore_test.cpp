// A print preview opened maximized and restored by a double click on its title bar, as a person does under
// a real window manager: the window comes back whole onto the screen, its title bar where the mouse can
// grab it again. Only a window manager restores a window, so this runs under Xvfb and openbox (at scale 1
// and 2) and is skipped headless.
#include "support/MainRoad.h"

#include "preview/PreviewWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

std::string rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// The X server's own input, through the XTest extension: the window manager sees a real mouse. Loaded at
// run time, so the test builds where the X libraries have no development files.
class XMouse {
public:
    XMouse() {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        display_ = x11 ? x11->display() : nullptr;
        tst_ = dlopen("libXtst.so.6", RTLD_NOW);
        x11lib_ = dlopen("libX11.so.6", RTLD_NOW);
        if (tst_ && x11lib_) {
            motion_ = reinterpret_cast<Motion>(dlsym(tst_, "XTestFakeMotionEvent"));
            button_ = reinterpret_cast<Button>(dlsym(tst_, "XTestFakeButtonEvent"));
            flush_ = reinterpret_cast<Flush>(dlsym(x11lib_, "XFlush"));
        }
    }
    bool usable() const { return display_ && motion_ && button_ && flush_; }

    // A double click with the left button at a point of the screen, in Qt's coordinates.
    void doubleClick(QPoint at, const QScreen* screen) {
        const double scale = screen->devicePixelRatio();
        // Timed by the server, each event the given ms after the one before: a slow test cannot part them.
        motion_(display_, -1, int(at.x() * scale), int(at.y() * scale), 0);
        for (int i = 0; i < 2; ++i) {
            button_(display_, 1, 1, i == 0 ? 100 : 60);
            button_(display_, 1, 0, 40);
        }
        flush_(display_);
    }

private:
    using Motion = int (*)(Display*, int, int, int, unsigned long);
    using Button = int (*)(Display*, unsigned int, int, unsigned long);
    using Flush = int (*)(Display*);
    Display* display_ = nullptr;
    void* tst_ = nullptr;
    void* x11lib_ = nullptr;
    Motion motion_ = nullptr;
    Button button_ = nullptr;
    Flush flush_ = nullptr;
};

} // namespace

TEST(DesktopRestore, APreviewRestoredFromMaximizedComesBackWholeOntoTheScreen) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    XMouse mouse;
    if (!mouse.usable())
        GTEST_SKIP() << "no XTest";
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty());
    p.trigger(QStringLiteral("mnuPvComm"));
    QPointer<preview::frmPreview> w;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<preview::frmPreview*>(top))
            w = f;
    ASSERT_TRUE(w);
    ASSERT_TRUE(waitFor([&] { return !w || (w->built() && w->isEnabled()); }));
    ASSERT_TRUE(w);
    // Framed by the manager and maximized: the title bar lies above the window's inside.
    ASSERT_TRUE(waitFor([&] { return w->isMaximized() && w->frameGeometry().top() < w->geometry().top(); }))
        << rectText(w->frameGeometry()) << " " << rectText(w->geometry());
    const QScreen* screen = w->screen();
    const QRect room = screen->availableGeometry();

    const QRect maximized = w->frameGeometry();
    const QPoint title(maximized.center().x(), (maximized.top() + w->geometry().top()) / 2);
    mouse.doubleClick(title, screen);
    ASSERT_TRUE(waitFor([&] { return !w->isMaximized(); })) << "the manager did not restore the window";
    // Once the manager has settled: the whole frame on the screen, title bar included, and the window usable.
    waitFor(
        [&] { return room.contains(w->frameGeometry()) && w->geometry().top() > w->frameGeometry().top(); });
    EXPECT_TRUE(room.contains(w->frameGeometry()))
        << rectText(w->frameGeometry()) << " on " << rectText(room);
    EXPECT_GE(w->frameGeometry().top(), room.top());
    EXPECT_GT(w->geometry().top(), w->frameGeometry().top()) << "no title bar";
    EXPECT_TRUE(w->visiblePage()->isVisible());
    if (const QString dir = qEnvironmentVariable("VARNOX_PICTURE_DIR"); !dir.isEmpty())
        w->screen()->grabWindow(0).save(dir + QStringLiteral("/restored-x%1.png").arg(screen->devicePixelRatio()));

    // The title bar can be grabbed again: a second double click maximizes it once more. Under load the manager
    // may still be placing the restored window, as a person would see, so a click that met nothing is tried again.
    bool again = false;
    for (int tries = 0; tries < 3 && !again; ++tries) {
        mouse.doubleClick(
            QPoint(w->frameGeometry().center().x(), (w->frameGeometry().top() + w->geometry().top()) / 2), screen);
        again = waitFor([&] { return w->isMaximized(); }, 5000);
    }
    EXPECT_TRUE(again) << rectText(w->frameGeometry()) << " " << rectText(w->geometry());
    w->cmdClose()->click();
    waitFor([&] { return !w; });
}
