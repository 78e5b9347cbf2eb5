// The file associations: a freedesktop MIME type for .vrd and .vrk, a desktop entry that opens them
// with Varnox (shown in the application menu with its icon), Varnox as their default application, and
// the desktop's MIME and application caches brought up to date so a double-click takes effect.
#pragma once

#include <QPixmap>
#include <QString>

namespace shell {

struct FileTypePaths {
    QString mimePackage;  // <data>/mime/packages/varnox.xml
    QString desktopEntry; // <data>/applications/varnox.desktop
    QString icon;         // <data>/icons/hicolor/48x48/apps/varnox.png
    QString defaults;     // <config>/mimeapps.list
};

FileTypePaths fileTypePaths(const QString& dataHome, const QString& configHome);
QString mimePackageText();
// program: full path of the Varnox executable.
QString desktopEntryText(const QString& program);
// The mimeapps.list text with Varnox as the default for both types, the rest of the file kept.
QString defaultsText(const QString& existing);

// Writes the files and refreshes the caches where update-mime-database and update-desktop-database are
// installed (only when a file changed). A failure of the MIME file is silent; a failure of the desktop
// entry shows "ダブルクリックによる起動の準備に失敗しました。" titled "手動で行ってください". True when all were written.
bool RegisterFileTypes(const QString& program, const QString& dataHome = {}, const QString& configHome = {});

} // namespace shell
