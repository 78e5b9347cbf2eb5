#include "os/Desktop.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace os {

namespace {
// How long xdg-open may take to find that there is no browser.
constexpr int kGiveUpMs = 15000;
} // namespace

void openUrl(const QUrl& url, QObject* context, std::function<void()> failed) {
    const auto fail = [context = QPointer<QObject>(context), failed = std::move(failed)] {
        if (context && failed)
            failed();
    };
    // Qt starts xdg-open and forgets it, so a desktop that has xdg-open but no browser would say nothing:
    // we start it ourselves and hear how it ends.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url))
            fail();
        return;
    }
    // No parent: a browser that xdg-open waits on outlives us, rather than being killed with us.
    auto* p = new QProcess;
    p->setProgram(opener);
    p->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    // Nothing of ours for the browser to wait on: no input, its output straight to ours.
    p->setStandardInputFile(QProcess::nullDevice());
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(p, &QProcess::errorOccurred, p, [p, fail](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        fail();
        p->deleteLater();
    });
    // xdg-open may run the browser and wait for it: one that ran for a while and then ended badly was
    // started all the same.
    QObject::connect(p, &QProcess::finished, p,
                     [p, fail, since = QDeadlineTimer(kGiveUpMs)](int code, QProcess::ExitStatus status) {
                         if ((status != QProcess::NormalExit || code != 0) && !since.hasExpired())
                             fail();
                         p->deleteLater();
                     });
    p->start();
}

} // namespace os
