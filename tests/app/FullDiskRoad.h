// The write paths of the full-disk road tests and the check they share: each path run from the menus onto
// a disk that fills at several points of the write (a file-size limit here).
#pragma once

#include "support/MainRoad.h"
#include "support/ReplicaRoad.h"

#include "masters/CompanySettingsDialog.h"
#include "masters/MasterGrid.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/EntryGrid.h"
#include "orders/StockChooser.h"
#include "orders/StockUpdateWindow.h"
#include "viewers/ListWindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;

namespace fulldisk {

const QString kFull = QStringLiteral("ディスクがいっぱい");


// The state of every file in the folder: a database by its content and its check as another program reads
// it, any other file by its bytes. The databases are read first: as any next reader does, that plays back
// a journal a failed write left (the file-size limit here also stops the engine's own playback in place,
// which a full disk does not), so what is listed after is what stays.
inline QString folderState(const QString& folder) {
    static QMap<QByteArray, QString> seen; // content and check by the file's bytes: the tool reads each once
    const auto bytesOf = [](const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
    };
    QMap<QString, QString> databases;
    for (const QFileInfo& f : QDir(folder).entryInfoList({QStringLiteral("*.vrd")}, QDir::Files)) {
        QByteArray bytes = bytesOf(f.filePath());
        if (QFileInfo::exists(f.filePath() + QStringLiteral("-journal")) || !seen.contains(bytes)) {
            const QString check = mainroad::sqlite(f.filePath(), QStringLiteral("PRAGMA integrity_check"));
            const QString dump = mainroad::sqlite(f.filePath(), QStringLiteral(".dump"));
            bytes = bytesOf(f.filePath()); // as the tool left it (a journal played back)
            seen[bytes] =
                (check == QLatin1String("ok") ? QStringLiteral(" ") : QStringLiteral(" NOT WHOLE ")) +
                QString::fromLatin1(
                    QCryptographicHash::hash(dump.toUtf8(), QCryptographicHash::Sha1).toHex());
        }
        databases[f.fileName()] = seen[bytes];
    }
    QStringList out;
    for (const QFileInfo& f : QDir(folder).entryInfoList(
             QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        QString line = f.fileName();
        if (f.isDir()) {
            line += QStringLiteral(" <folder>");
        } else if (databases.contains(f.fileName())) {
            line += databases[f.fileName()];
        } else if (!f.fileName().endsWith(QLatin1String("-lock"))) { // the lock file holds no data
            QFile file(f.filePath());
            file.open(QIODevice::ReadOnly);
            line += QStringLiteral(" ") +
                    QString::fromLatin1(
                        QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex());
        }
        out << line;
    }
    return out.join('\n');
}

// Temporaries and journals in the folder: what a failed write must not leave.
inline QStringList leftBeside(const QString& folder) {
    QStringList out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1String("-journal")) ||
            name.endsWith(QLatin1String("-wal")) ||
            QRegularExpression(QStringLiteral("\\.[A-Za-z0-9]{6}$")).match(name).hasMatch())
            out << name;
    return out;
}

// The boxes that told of a failure (the program's errors beep first).
inline QStringList failures(Program& p) {
    QStringList out;
    for (const auto& box : p.messages().shown())
        if (box.beepBefore || box.icon == ui::Icon::Critical || box.icon == ui::Icon::Exclamation)
            out << box.text;
    return out;
}

using mainroad::runReplica;

inline bool start(Program& p, const QString& item) {
    return mainroad::waitFor([&] { return p.reachable(item); }, 3000) && p.trigger(item);
}

// The goods list opened from its menu item and exported by the given button, then closed.
inline void exportGoods(Program& p, bool tab, const QString& target) {
    if (!start(p, QStringLiteral("mnuVComm"))) return;
    viewers::ListWindow* w = nullptr;
    mainroad::waitFor([&] {
        const auto found = p.window().findChildren<viewers::ListWindow*>();
        w = found.isEmpty() ? nullptr : found.front();
        return w != nullptr && w->loaded();
    });
    if (w == nullptr) return;
    p.nextPath(target);
    if (tab)
        w->cmdCSV_Click();
    else
        w->cmdTXT_Click();
    w->cmdClose_Click();
    mainroad::waitFor([&] { return p.window().findChildren<viewers::ListWindow*>().isEmpty(); }, 3000);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

// A database pair put in place of another, as a person copies files.
inline void copyPair(const QString& from, const QString& to) {
    for (const char* suffix : {".vrd", ".vrk"}) {
        QFile::remove(to + QLatin1String(suffix));
        QFile::copy(from + QLatin1String(suffix), to + QLatin1String(suffix));
    }
}

// The shop open again (after a path that closed it).
inline void reopenShop(Program& p, const QString& shop) {
    if (!p.state().gOpenDbName.isEmpty() && p.state().gDbPath == shop) return;
    if (!p.state().gOpenDbName.isEmpty()) start(p, QStringLiteral("mnuFileClose"));
    p.nextPath(shop);
    start(p, QStringLiteral("mnuFileOpen"));
}

// One write path. ready(p) puts in place, with room to spare, what the run will replace (something else
// each time, so a run that writes leaves a change); run(p, turn) starts the write from the menus, the
// turn making each run a change of its own.
struct WritePath {
    const char* name;
    std::function<void(Program&)> ready;
    std::function<void(Program&, int)> run;
};

inline QString named(Program& p, const char* base) {
    return p.path(QString::fromUtf8(base));
}

// The paths that write the open database or its control file.
inline std::vector<WritePath> databaseWritePaths() {
    return {
        {"契約",
         {},
         [](Program& p, int) {
             p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}, {2, 2}});
         }},
        {"入金処理", {}, [](Program& p, int turn) { p.payOrder(1, QDate(2024, 7, 1).addDays(turn)); }},
        {"キャンセル処理", {}, [](Program& p, int) { p.toggleCancel(1); }},
        {"商品マスタの読み込み",
         [](Program& p) {
             static int turn = 0;
             QStringList lines;
             ++turn;
             for (int i = 0; i < 40; ++i)
                 lines << QStringLiteral("%1\tN%1\t追加の品その%1\t500\t400\t300\t10\t5\t1\t文具")
                              .arg(1000 + turn * 100 + i);
             mainroad::writeCp932(named(p, "add.txt"), lines);
         },
         [](Program& p, int) {
             p.nextPath(named(p, "add.txt"));
             start(p, QStringLiteral("mnuImpComm"));
         }},
        {"自社情報変更",
         {},
         [](Program& p, int turn) {
             mainroad::onNextModalOf<masters::CompanySettingsDialog>(
                 [turn](masters::CompanySettingsDialog& d) {
                     d.txtMyName->setText(QStringLiteral("テスト商事%1").arg(turn));
                     d.txtMyAddr1->setText(QString(40, QChar(0x6771)));
                     d.cmdOK->click();
                 });
             start(p, QStringLiteral("mnuMyNameChange"));
         }},
        {"在庫更新",
         {},
         [](Program& p, int turn) {
             mainroad::onNextModalOf<orders::StockChooser>(
                 [](orders::StockChooser& c) { c.cmd[1]->click(); });
             start(p, QStringLiteral("mnuStockUp"));
             orders::StockUpdateWindow* w = nullptr;
             if (!mainroad::waitFor([&] { return (w = p.work<orders::StockUpdateWindow>()) != nullptr; }))
                 return;
             p.waitLaidOut();
             QTableWidget* t = w->grid()->table();
             QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(0, 6)).center());
             QLineEdit* e = w->grid()->editor();
             e->selectAll();
             QTest::keyClicks(e, QString::number(50 + turn));
             QTest::keyClick(e, Qt::Key_Down);
             w->okButton()->click();
             w->endButton()->click();
             mainroad::waitFor([&] { return p.work<orders::StockUpdateWindow>() == nullptr; }, 3000);
         }},
        {"商品マスタメンテナンスの更新",
         {},
         [](Program& p, int turn) {
             start(p, QStringLiteral("mnuManComm"));
             masters::MasterWindow* w = nullptr;
             if (!mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) != nullptr; })) return;
             const QModelIndex at = w->model()->index(0, 2);
             w->grid()->setCurrentIndex(at);
             w->grid()->edit(at);
             for (QLineEdit* e : w->grid()->viewport()->findChildren<QLineEdit*>())
                 if (e->isVisible()) {
                     e->selectAll();
                     mainroad::type(e, QStringLiteral("緑茶その%1").arg(turn));
                 }
             w->button(QStringLiteral("cmdUpdate"))->click();
             w->button(QStringLiteral("cmdClose"))->click();
             mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; }, 3000);
         }},
    };
}

// The paths that write files the person names, or a whole database pair.
inline std::vector<WritePath> fileWritePaths() {
    return {
        {"TXT(Tab)出力", [](Program& p) { writeFile(named(p, "goods.txt"), "earlier export\r\n"); },
         [](Program& p, int) { exportGoods(p, true, named(p, "goods.txt")); }},
        {"TXT(Flat)出力", [](Program& p) { writeFile(named(p, "goods.txt"), "earlier export\r\n"); },
         [](Program& p, int) { exportGoods(p, false, named(p, "goods.txt")); }},
        {"ＤＢ作成", [](Program& p) { copyPair(named(p, "master"), named(p, "other")); },
         [](Program& p, int) {
             const QString shop = p.state().gDbPath;
             start(p, QStringLiteral("mnuFileClose"));
             p.newDatabase(QStringLiteral("other.vrd"));
             reopenShop(p, shop);
         }},
        {"DBを初期化して複製", [](Program& p) { copyPair(named(p, "master"), named(p, "copy")); },
         [](Program& p, int) { runReplica(p.state().gDbPath, named(p, "copy.vrd")); }},
        {"受注情報のクリア", [](Program& p) { copyPair(named(p, "master"), named(p, "spare")); },
         [](Program& p, int) { runReplica(named(p, "spare.vrd"), {}); }},
    };
}

// Each path with the disk full at several points of the write: either the write is whole and nothing said
// it failed, or the folder is as it was (databases by content and check) with nothing beside, and a box
// says the disk is full. With room again the command works.
inline void checkOnAFullDisk(const std::vector<WritePath>& paths, const std::vector<long long>& limits) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    // The shop with its orders: what the pair-replacing paths replace.
    copyPair(p.state().gDbPath.chopped(4), named(p, "master"));
    int turn = 0;
    for (const WritePath& path : paths) {
        SCOPED_TRACE(path.name);
        for (const long long limit : limits) {
            SCOPED_TRACE(limit);
            if (path.ready) path.ready(p);
            const QString before = folderState(p.path(QString()));
            p.messages().clear();
            {
                testenv::FileSizeLimit full(limit);
                path.run(p, ++turn);
            }
            const QStringList failed = failures(p);
            const QString after = folderState(p.path(QString()));
            EXPECT_FALSE(after.contains(QStringLiteral("NOT WHOLE"))) << after.toStdString();
            EXPECT_EQ(leftBeside(p.path(QString())), QStringList())
                << "half-written files beside the targets";
            // Orders cleared but the file not compacted says so: a whole write, reported as such.
            const bool partly = failed.join('|').contains(QStringLiteral("しましたが"));
            if (failed.isEmpty() || partly) {
                EXPECT_NE(after, before) << "nothing was written, and nothing said so";
            } else {
                EXPECT_EQ(after, before) << failed.join('|').toStdString();
            }
            if (!failed.isEmpty()) {
                EXPECT_TRUE(failed.join('|').contains(kFull)) << failed.join('|').toStdString();
            }
        }
        p.messages().clear();
        if (path.ready) path.ready(p);
        const QString before = folderState(p.path(QString()));
        path.run(p, ++turn);
        EXPECT_TRUE(failures(p).isEmpty()) << joined(p).toStdString();
        EXPECT_NE(folderState(p.path(QString())), before);
    }
}

} // namespace fulldisk
