#include "shell/FileTypes.h"

#include "ui/Icons.h"
#include "ui/MessageService.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace shell {

namespace {

const QString kDesktopName = QStringLiteral("varnox.desktop");
const char* const kMimeTypes[] = {"application/x-vrd-auto-file", "application/x-vrk-auto-file"};

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

enum class Write { Unchanged, Written, Failed };

// Writes only when the content differs, so the caches are rebuilt only after a change.
Write writeBytes(const QString& path, const QByteArray& bytes) {
    if (QFileInfo(path).isFile() && readBytes(path) == bytes)
        return Write::Unchanged;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Write::Failed;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return Write::Failed;
    return f.write(bytes) == bytes.size() && f.commit() ? Write::Written : Write::Failed;
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

// Runs a cache tool when it is installed; a missing tool or a failure leaves the files for the next
// login of the desktop, which reads them itself.
void runTool(const QString& tool, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(exe, args);
    if (!p.waitForFinished(10000))
        p.kill(), p.waitForFinished(1000);
}

QByteArray pngBytes(const QPixmap& pm) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    pm.save(&buf, "PNG");
    return bytes;
}

} // namespace

FileTypePaths fileTypePaths(const QString& dataHome, const QString& configHome) {
    const QDir d(dataHome);
    return {d.filePath(QStringLiteral("mime/packages/varnox.xml")),
            d.filePath(QStringLiteral("applications/") + kDesktopName),
            d.filePath(QStringLiteral("icons/hicolor/48x48/apps/varnox.png")),
            QDir(configHome).filePath(QStringLiteral("mimeapps.list"))};
}

QString mimePackageText() {
    return QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-vrd-auto-file\">\n"
        "    <comment>Varnox database</comment>\n"
        "    <comment xml:lang=\"ja\">Varnox データベース</comment>\n"
        "    <generic-icon name=\"varnox\"/>\n"
        "    <glob pattern=\"*.vrd\"/>\n"
        "  </mime-type>\n"
        "  <mime-type type=\"application/x-vrk-auto-file\">\n"
        "    <comment>Varnox control file</comment>\n"
        "    <comment xml:lang=\"ja\">Varnox 管理ファイル</comment>\n"
        "    <generic-icon name=\"varnox\"/>\n"
        "    <glob pattern=\"*.vrk\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

QString desktopEntryText(const QString& program) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Varnox\n"
                          "Name[ja]=Varnox 受注・在庫・請求管理\n"
                          "GenericName=Sales orders, stock and invoices\n"
                          "GenericName[ja]=受注・在庫・請求管理\n"
                          "Comment=Sales orders, payments, stock and invoices\n"
                          "Comment[ja]=受注、入金、在庫と請求書の管理\n"
                          "Exec=%1 %f\n"
                          "Icon=varnox\n"
                          "MimeType=application/x-vrd-auto-file;application/x-vrk-auto-file;\n"
                          "Categories=Office;Finance;\n"
                          "Terminal=false\n")
        .arg(quoteExec(program));
}

QString defaultsText(const QString& existing) {
    QStringList lines = existing.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString header = QStringLiteral("[Default Applications]");
    qsizetype at = lines.indexOf(header);
    if (at < 0) {
        if (!lines.isEmpty())
            lines << QString();
        lines << header;
        at = lines.size() - 1;
    }
    // Our two keys go right under the header; older values of them in that section go.
    for (qsizetype i = at + 1; i < lines.size() && !lines[i].startsWith(QLatin1Char('['));) {
        bool ours = false;
        for (const char* type : kMimeTypes)
            ours = ours || lines[i].trimmed().startsWith(QLatin1String(type) + QLatin1Char('='));
        if (ours)
            lines.removeAt(i);
        else
            ++i;
    }
    for (int k = int(std::size(kMimeTypes)) - 1; k >= 0; --k)
        lines.insert(at + 1, QLatin1String(kMimeTypes[k]) + QLatin1Char('=') + kDesktopName);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool RegisterFileTypes(const QString& program, const QString& dataHome, const QString& configHome) {
    const QString data =
        dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : dataHome;
    const QString config =
        configHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : configHome;
    if (data.isEmpty())
        return false;
    const FileTypePaths paths = fileTypePaths(data, config);
    const Write mime = writeBytes(paths.mimePackage, mimePackageText().toUtf8());
    if (mime == Write::Failed)
        return false;
    const Write entry = writeBytes(paths.desktopEntry, desktopEntryText(program).toUtf8());
    if (entry == Write::Failed) {
        ui::messages().show(QStringLiteral("ダブルクリックによる起動の準備に失敗しました。"),
                            QStringLiteral("手動で行ってください"));
        return false;
    }
    const Write icon = writeBytes(paths.icon, pngBytes(ui::programPicture(48)));
    const Write defaults =
        config.isEmpty() ? Write::Failed
                         : writeBytes(paths.defaults, defaultsText(QString::fromUtf8(readBytes(paths.defaults))).toUtf8());
    const QDir d(data);
    if (mime == Write::Written || !QFileInfo::exists(d.filePath(QStringLiteral("mime/mime.cache"))))
        runTool(QStringLiteral("update-mime-database"), {d.filePath(QStringLiteral("mime"))});
    if (entry == Write::Written || !QFileInfo::exists(d.filePath(QStringLiteral("applications/mimeinfo.cache"))))
        runTool(QStringLiteral("update-desktop-database"), {d.filePath(QStringLiteral("applications"))});
    return icon != Write::Failed && defaults != Write::Failed;
}

} // namespace shell
