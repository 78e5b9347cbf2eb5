#include "support/SharedFolder.h"

#include "db/UseLock.h"

#include <QProcess>
#include <QStandardPaths>

namespace testenv {

SharedFolder::SharedFolder(const QString& real, const QString& at, bool readOnly) : at_(at) {
    if (QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty())
        return;
    QStringList args;
    if (readOnly)
        args << QStringLiteral("-o") << QStringLiteral("ro");
    args << real << at;
    QProcess p;
    p.start(QStringLiteral("bindfs"), args);
    mounted_ = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (mounted_ && !db::onSharedFileSystem(at)) // mounted, but not as another file system
        unmount();
}

SharedFolder::~SharedFolder() { unmount(); }

void SharedFolder::unmount() {
    if (!mounted_)
        return;
    for (const char* tool : {"fusermount", "fusermount3"})
        if (QProcess::execute(QString::fromLatin1(tool), {QStringLiteral("-u"), at_}) == 0)
            break;
    mounted_ = false;
}

} // namespace testenv
