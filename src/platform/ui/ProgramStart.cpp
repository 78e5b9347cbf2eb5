#include "ui/ProgramStart.h"

#include "ui/DesktopBehaviour.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

void startProgram(const QString& applicationName) {
    QApplication::setOrganizationName(QStringLiteral("Varnox"));
    QApplication::setApplicationName(applicationName);
    installDesktopBehaviour();
    loadQtTranslation();
}

bool loadQtTranslation() {
    static QTranslator* installed = nullptr;
    if (installed) return true;
    auto* t = new QTranslator(qApp);
    if (!t->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    installed = t;
    return true;
}

} // namespace ui
