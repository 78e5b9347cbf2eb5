#include "shell/DbFiles.h"

#include "core/ControlFile.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "ui/MessageService.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace shell {

using namespace core;

namespace {

const QString kDbSuffix = QStringLiteral(".vrd");
const QString kCtlSuffix = QStringLiteral(".vrk");

void removeDatabaseFiles(const QString& path) {
    for (const QString& p : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        QFile::remove(p);
}

} // namespace

QString databasePathFromArgument(const QString& given) {
    QString name = given;
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    // Only the file's own suffix counts, not a ".vrd" inside a folder name.
    const QString file = QFileInfo(name).fileName();
    if (file.size() <= kDbSuffix.size())
        return {};
    if (file.endsWith(kDbSuffix))
        return name;
    if (file.endsWith(kCtlSuffix))
        return name.left(name.size() - kCtlSuffix.size()) + kDbSuffix;
    return {};
}

QString withDatabaseSuffix(const QString& chosen) {
    return chosen.endsWith(kDbSuffix) ? chosen : chosen + kDbSuffix;
}

QString databaseFileProblem(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile())
        return QStringLiteral("ＤＢファイルが見つかりません。");
    try {
        db::Database db(path);
        for (const QString& t : {kGoodsTable, kClientTable, kEmployeeTable, kOrderTable, kOrderLineTable})
            if (!db.hasTable(t))
                return QStringLiteral("VarnoxのＤＢではありません。");
    } catch (const db::DbError& e) {
        if (e.kind() == db::ErrorKind::Busy)
            return QStringLiteral("ＤＢが他で使用中です。");
        if (e.kind() == db::ErrorKind::Io)
            return QStringLiteral("ＤＢファイルを開けません。");
        return QStringLiteral("VarnoxのＤＢではないか、壊れています。");
    }
    return {};
}

bool createDatabase(AppState& s, const NewDatabaseSettings& settings, const QString& path) {
    s.gDbCreateFailed = kFalse;
    // Everything is built on a copy; the program's state takes it over only when database and
    // control file both exist.
    AppState next;
    next.categories = s.categories;
    next.gCtlReserved2 = s.gCtlReserved2;
    next.gDbPath = path;
    next.gFieldLen = settings.fieldLen;
    next.rebuildReservedCodes();
    next.gCompanyEdit = settings.company;
    next.gCompany = settings.company;
    next.categories.commitWorking();
    const QDate today = QDate::currentDate();
    next.gDbCreated = db::toOleDate(today);
    next.gCtlReserved1 = 1;

    auto fail = [&](const QString& text, bool removeFiles) {
        if (removeFiles)
            removeDatabaseFiles(path);
        s.gDbCreateFailed = kTrue;
        if (!text.isEmpty())
            ui::messages().error(text);
        return false;
    };

    if (QFileInfo::exists(path)) {
        removeDatabaseFiles(path);
        if (QFileInfo::exists(path))
            return fail(QStringLiteral("指定したＤＢはすでに存在し、削除できません。\n") + path, false);
    }
    try {
        CreateNewDatabase(next);
    } catch (const db::DbError&) {
        return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path, true);
    }
    try {
        CreateCompanyTables(next, today);
    } catch (const db::DbError& e) {
        return fail(QStringLiteral("ＤＢのテーブルを作成できません。\n") + e.detail(), true);
    }
    if (!WriteCtlFile(next)) // shows its own message
        return fail(QString(), true);

    s.gDbPath = path;
    s.gOpenDbName = path;
    s.gFieldLen = next.gFieldLen;
    s.gReservedCode = next.gReservedCode;
    s.gCompanyEdit = next.gCompanyEdit;
    s.gCompany = next.gCompany;
    s.categories.commitWorking();
    s.gDbCreated = next.gDbCreated;
    s.gCtlReserved1 = next.gCtlReserved1;
    return true;
}

bool openDatabase(AppState& s, const QString& path, const PasswordPrompt& prompt) {
    // The database itself is checked first, so a missing or foreign file changes nothing.
    if (const QString problem = databaseFileProblem(path); !problem.isEmpty()) {
        ui::messages().error(problem + QStringLiteral("\n") + path, QStringLiteral("ＤＢアクセスに失敗しました"));
        return false;
    }
    if (!ReadCtlFile(s, path))
        return false;
    if (!s.gCompanyEdit.Password.isEmpty()) {
        for (;;) {
            QString typed;
            if (!prompt || !prompt(typed))
                return false;
            if (typed == s.gCompanyEdit.Password)
                break;
            ui::messages().beep();
        }
    }
    s.gCompany = s.gCompanyEdit;
    s.gOpenDbName = path;
    s.gDbPath = path;
    return true;
}

} // namespace shell
