#include "shell/FileTypes.h"

#include "ui/MessageService.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace shell {

namespace {

bool writeText(const QString& path, const QString& text) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    return f.write(bytes) == bytes.size() && f.commit();
}

// Quoting of an Exec argument in a desktop entry.
QString quoteExec(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs = false;
    for (QChar c : program)
        needs = needs || reserved.contains(c);
    if (!needs)
        return program;
    QString q = program;
    q.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    for (const char* c : {"\"", "`", "$"})
        q.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    // The desktop file itself unescapes backslashes once more.
    q.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

FileTypePaths fileTypePaths(const QString& dataHome) {
    const QDir d(dataHome);
    return {d.filePath(QStringLiteral("mime/packages/varnox.xml")),
            d.filePath(QStringLiteral("applications/varnox.desktop"))};
}

QString mimePackageText() {
    return QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-vrd-auto-file\">\n"
        "    <comment>Varnox database</comment>\n"
        "    <glob pattern=\"*.vrd\"/>\n"
        "  </mime-type>\n"
        "  <mime-type type=\"application/x-vrk-auto-file\">\n"
        "    <comment>Varnox control file</comment>\n"
        "    <glob pattern=\"*.vrk\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

QString desktopEntryText(const QString& program) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Varnox\n"
                          "Exec=%1 %f\n"
                          "MimeType=application/x-vrd-auto-file;application/x-vrk-auto-file;\n"
                          "NoDisplay=true\n"
                          "Terminal=false\n")
        .arg(quoteExec(program));
}

bool RegisterFileTypes(const QString& program, const QString& dataHome) {
    const QString home =
        dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : dataHome;
    if (home.isEmpty())
        return false;
    const FileTypePaths paths = fileTypePaths(home);
    if (!writeText(paths.mimePackage, mimePackageText()))
        return false;
    if (!writeText(paths.desktopEntry, desktopEntryText(program))) {
        ui::messages().show(QStringLiteral("ダブルクリックによる起動の準備に失敗しました。"),
                            QStringLiteral("手動で行ってください"));
        return false;
    }
    return true;
}

} // namespace shell
