// The file associations: a freedesktop MIME type for .vrd and .vrk and a desktop entry that opens them
// with Varnox, written under the user's XDG data folder at every start.
#pragma once

#include <QString>

namespace shell {

struct FileTypePaths {
    QString mimePackage;  // <data>/mime/packages/varnox.xml
    QString desktopEntry; // <data>/applications/varnox.desktop
};

FileTypePaths fileTypePaths(const QString& dataHome);
QString mimePackageText();
// program: full path of the Varnox executable.
QString desktopEntryText(const QString& program);

// Writes both files. A failure of the MIME file is silent; a failure of the desktop entry shows
// "ダブルクリックによる起動の準備に失敗しました。" titled "手動で行ってください". Returns true when both were written.
bool RegisterFileTypes(const QString& program, const QString& dataHome = {});

} // namespace shell
