#include "replica/ReplicaPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace replica {

namespace {

// A file that may not exist yet is named by its folder's real path and its own name.
QString resolved(const QString& path) {
    const QFileInfo fi(path);
    if (fi.exists())
        return fi.canonicalFilePath();
    const QFileInfo dir(fi.absolutePath());
    const QString folder = dir.exists() ? dir.canonicalFilePath() : QDir::cleanPath(fi.absolutePath());
    return folder + QLatin1Char('/') + fi.fileName();
}

} // namespace

QString withDbExtension(const QString& path) {
    if (path.endsWith(QLatin1String(".vrd"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".vrd");
}

QString controlPathOf(const QString& dbPath) {
    const QString suffix = QFileInfo(dbPath).suffix();
    if (suffix.isEmpty())
        return dbPath + QStringLiteral(".vrk");
    return dbPath.chopped(suffix.size()) + QStringLiteral("vrk");
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino; // hard links too
    return resolved(a) == resolved(b);
}

} // namespace replica
