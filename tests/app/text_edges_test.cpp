// Text at the program's edges, through the real main window: files brought from outside, text typed
// into the company dialog and the password prompt, exports that fail half way, widths in the lists.
#include "support/MainRoad.h"

#include "core/ControlFile.h"
#include "db/Database.h"
#include "masters/CompanySettingsDialog.h"
#include "masters/ImportCommand.h"
#include "shell/PasswordDialog.h"
#include "text/Cp932.h"
#include "viewers/Export.h"
#include "viewers/ListWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using mainroad::Program;
using masters::CompanySettingsDialog;

namespace {

const QString kExportError = QStringLiteral("上書き時に他のプログラムが使っているときに起こることがあります。");

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Types text into a box as a keyboard (or an input method) does, one character at a time.
void type(QLineEdit* box, const QString& text) {
    box->setFocus();
    for (qsizetype i = 0; i < text.size();) {
        const int n = text::charSize(text, i);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, n));
        QApplication::sendEvent(box, &press);
        i += n;
    }
}

QStringList rows(const QString& dbPath, const QString& sql) {
    db::Database d(dbPath);
    db::Query q = d.query(sql);
    QStringList out;
    while (q.next()) {
        QStringList cols;
        for (int i = 0; i < q.columnCount(); ++i)
            cols << q.value(i).toString();
        out << cols.join(QLatin1Char('|'));
    }
    return out;
}

using testenv::FileSizeLimit;

// The files of a folder, so a test can see that nothing was left behind.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

viewers::ListWindow* openList(Program& p, const QString& item) {
    p.trigger(item);
    viewers::ListWindow* w = nullptr;
    mainroad::waitFor([&] {
        const auto found = p.window().findChildren<viewers::ListWindow*>();
        w = found.isEmpty() ? nullptr : found.front();
        return w != nullptr;
    });
    if (w == nullptr)
        return nullptr;
    mainroad::waitFor([&] { return w->loaded(); });
    return w;
}

} // namespace

TEST(TextEdges, ImportRefusesUtf8AndBrokenBytesPlainlyAndTakesCp932Extensions) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"));
    ASSERT_FALSE(db.isEmpty());
    const QString file = p.path(QStringLiteral("社員.txt"));
    masters::setOpenFileDialog([&](QWidget*, const QString&, const QString&) { return file; });
    const QString utf8 = QStringLiteral("1\t東京\t佐藤\r\n2\tE2\t株式会社\r\n3\tE3\tx\r\n");
    struct Case {
        const char* what;
        QByteArray bytes;
        QString says; // "" for a file that imports
        QStringList rows;
    } cases[] = {
        {"UTF-8 without mark", utf8.toUtf8(), QStringLiteral("UTF-8で保存されています"), {}},
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + utf8.toUtf8(), QStringLiteral("UTF-8で保存されています"), {}},
        {"broken byte on line 3", text::toCp932(QStringLiteral("1\tE1\t佐藤\r\n2\tE2\t高橋\r\n")) + "3\tE3\t\xFD\r\n",
         QStringLiteral("3行目"), {}},
        {"CP932 with extension characters", text::toCp932(QStringLiteral("1\tE①\t髙橋～\r\n2\tE2\t①\r\n")), QString(),
         {QStringLiteral("E①|髙橋～"), QStringLiteral("E2|①")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        db::Database(db).execute(QStringLiteral("DELETE FROM 社員マスタ WHERE rowid > 1"));
        p.messages().clear();
        writeBytes(file, c.bytes);
        p.trigger(QStringLiteral("mnuImpEmp"));
        EXPECT_EQ(rows(db, QStringLiteral("SELECT 社員コード, 氏名 FROM 社員マスタ WHERE rowid > 1 ORDER BY 社員No")), c.rows);
        if (c.says.isEmpty()) {
            EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();
            continue;
        }
        ASSERT_EQ(p.messages().shown().size(), 1u);
        EXPECT_TRUE(p.messages().shown()[0].text.contains(c.says)) << p.messages().shown()[0].text.toStdString();
        EXPECT_TRUE(p.messages().shown()[0].text.contains(QStringLiteral("Shift_JIS（CP932）")));
        EXPECT_EQ(p.messages().shown()[0].title, QStringLiteral("Varnox"));
    }
    masters::setOpenFileDialog({});
}

// Each company box refuses what CP932 cannot hold, naming the box, with the focus on it; the open
// database stays open and nothing is created.
TEST(TextEdges, NewRefusesCompanyTextCp932CannotHoldAndKeepsTheOpenDatabase) {
    Program p;
    const QString first = p.newDatabase(QStringLiteral("first.vrd"));
    ASSERT_FALSE(first.isEmpty());
    struct Case {
        QLineEdit* CompanySettingsDialog::*box;
        QString name;
        QString typed;
        QString character;
    } cases[] = {
        {&CompanySettingsDialog::txtMyName, QStringLiteral("社名"), QStringLiteral("Café Ünïcode"), QStringLiteral("é")},
        {&CompanySettingsDialog::txtMyAddr1, QStringLiteral("住所１"), QString::fromUtf16(u"\U00020BB7野家"),
         QString::fromUtf16(u"\U00020BB7")},
        {&CompanySettingsDialog::txtMyMail, QStringLiteral("E-Mail"), QString::fromUtf16(u"a\U0001F600@b.jp"),
         QString::fromUtf16(u"\U0001F600")},
        {&CompanySettingsDialog::txtPWD1, QStringLiteral("パスワード"), QStringLiteral("pé"), QStringLiteral("é")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        p.messages().clear();
        bool stayedOpen = false;
        bool focused = false;
        mainroad::onNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CompanySettingsDialog*>(w);
            ASSERT_NE(d, nullptr);
            d->txtCat->setText(QStringLiteral("食品"));
            d->cmdAdd->click();
            type(d->*c.box, c.typed);
            if (c.box == &CompanySettingsDialog::txtPWD1)
                type(d->txtPWD2, c.typed);
            d->cmdOK->click();
            stayedOpen = d->isVisible();
            focused = d->focusWidget() == d->*c.box && (d->*c.box)->selectedText() == c.character;
            d->cmdCancel->click();
        });
        p.nextPath(p.path(QStringLiteral("second.vrd")));
        p.trigger(QStringLiteral("mnuFileNew"));
        EXPECT_TRUE(stayedOpen);
        EXPECT_TRUE(focused);
        ASSERT_EQ(p.messages().shown().size(), 2u) << p.messages().texts().join('|').toStdString(); // close question, refusal
        const auto& refusal = p.messages().shown()[1];
        EXPECT_TRUE(refusal.text.contains(QStringLiteral("「") + c.name + QStringLiteral("」"))) << refusal.text.toStdString();
        EXPECT_TRUE(refusal.text.contains(c.character));
        EXPECT_TRUE(refusal.beepBefore);
        EXPECT_FALSE(QFile::exists(p.path(QStringLiteral("second.vrd"))));
        EXPECT_EQ(p.state().gOpenDbName, first);
    }
}

// What CP932 reads back as another character is kept in that form as it is typed, so the texts after
// reopening are the ones accepted and the password typed the same way opens the database.
TEST(TextEdges, TypedCharactersComeBackAfterReopeningAndThePasswordOpens) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"), [](CompanySettingsDialog& d) {
        d.txtMyName->clear();
        type(d.txtMyName, QStringLiteral("株式会社〜¥−"));
        type(d.txtMyAddr1, QStringLiteral("東京都‖—¢£¬‾"));
        type(d.txtPWD1, QStringLiteral("p〜"));
        type(d.txtPWD2, QStringLiteral("p〜"));
    });
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    const core::CompanyInfo accepted = p.state().gCompany;
    EXPECT_EQ(accepted.CompanyName, QStringLiteral("株式会社～\\－"));
    EXPECT_EQ(accepted.Address1, QStringLiteral("東京都∥―￠￡￢~"));
    EXPECT_EQ(accepted.Password, QStringLiteral("p～"));
    EXPECT_EQ(core::decodeControl(readBytes(core::controlPathFor(db))).company, accepted);

    p.trigger(QStringLiteral("mnuFileClose"));
    mainroad::onNextModal([](QWidget* w) {
        auto* d = qobject_cast<shell::PasswordDialog*>(w);
        ASSERT_NE(d, nullptr);
        type(d->Text1, QStringLiteral("p〜"));
        d->okButton->click();
    });
    p.nextPath(db);
    p.trigger(QStringLiteral("mnuFileOpen"));
    EXPECT_EQ(p.state().gOpenDbName, db) << p.messages().texts().join('|').toStdString();
    EXPECT_EQ(p.state().gCompany, accepted);
}

// 自社情報変更: refused text changes nothing; a control file that cannot be written leaves memory
// with what the file still holds.
TEST(TextEdges, CompanySettingsChangeKeepsMemoryAndFileTogether) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"));
    ASSERT_FALSE(db.isEmpty());
    const QString ctl = core::controlPathFor(db);
    const QByteArray before = readBytes(ctl);
    const core::CompanyInfo old = p.state().gCompany;
    const QStringList files = filesIn(p.path(QString()));

    struct Case {
        const char* what;
        QString address;
        QString category;
        bool fullDisk;
    } cases[] = {
        {"address CP932 cannot hold", QString::fromUtf16(u"\U00020BB7"), QString(), false},
        {"category CP932 cannot hold", QStringLiteral("東京"), QStringLiteral("Café"), false},
        {"control file cannot be written", QStringLiteral("大阪"), QStringLiteral("雑貨"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        p.messages().clear();
        std::unique_ptr<FileSizeLimit> limit;
        mainroad::onNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CompanySettingsDialog*>(w);
            ASSERT_NE(d, nullptr);
            type(d->txtMyAddr1, c.address);
            if (!c.category.isEmpty()) {
                type(d->txtCat, c.category);
                d->cmdAdd->click();
                if (!c.fullDisk) { // refused at 追加: kept in the box, not in the list
                    EXPECT_EQ(d->txtCat->text(), c.category);
                    EXPECT_EQ(d->catList->count(), 1);
                    d->cmdCancel->click();
                    return;
                }
            }
            if (c.fullDisk)
                limit = std::make_unique<FileSizeLimit>(16);
            d->cmdOK->click();
            if (d->isVisible())
                d->cmdCancel->click();
        });
        p.trigger(QStringLiteral("mnuMyNameChange"));
        limit.reset();
        ASSERT_FALSE(p.messages().shown().empty());
        EXPECT_EQ(readBytes(ctl), before);
        EXPECT_EQ(p.state().gCompany, old);
        EXPECT_EQ(p.state().categories.committed(), QStringList{QStringLiteral("食品")});
        EXPECT_EQ(filesIn(p.path(QString())), files);
    }
    // And a change that can be written lands in both.
    p.messages().clear();
    mainroad::onNextModal([](QWidget* w) {
        auto* d = qobject_cast<CompanySettingsDialog*>(w);
        ASSERT_NE(d, nullptr);
        type(d->txtMyAddr1, QStringLiteral("①髙～〜"));
        d->cmdOK->click();
    });
    p.trigger(QStringLiteral("mnuMyNameChange"));
    EXPECT_EQ(p.state().gCompany.Address1, QStringLiteral("①髙～～"));
    EXPECT_EQ(core::decodeControl(readBytes(ctl)).company, p.state().gCompany);
}

// Goods whose names CP932 stores in two bytes though Unicode calls them narrow: every column of the
// list is counted in CP932 bytes, on screen and in the flat file; a failed export leaves the old file.
TEST(TextEdges, GoodsListCountsColumnsInCp932BytesAndExportsReplaceFilesWhole) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"));
    ASSERT_FALSE(db.isEmpty());
    const QStringList names{QStringLiteral("×÷°±§"), QStringLiteral("¨´¶×ペン"), QStringLiteral("①∑髙～ﾉｰﾄ"),
                            QStringLiteral("plain notebook"), QStringLiteral("±0.5mm×10本入り§特価品です")};
    QString lines;
    for (int i = 0; i < names.size(); ++i)
        lines += QStringLiteral("%1\tG%1\t%2\t1200\t1000\t800\t10\t5\t1\t食品\r\n").arg(i + 1).arg(names[i]);
    const QString file = p.path(QStringLiteral("goods.txt"));
    writeBytes(file, text::toCp932(lines));
    masters::setOpenFileDialog([&](QWidget*, const QString&, const QString&) { return file; });
    p.trigger(QStringLiteral("mnuImpComm"));
    masters::setOpenFileDialog({});
    ASSERT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();

    ASSERT_EQ(rows(db, QStringLiteral("SELECT count(*) FROM 商品マスタ")), QStringList{QStringLiteral("6")});
    QPointer<viewers::ListWindow> w = openList(p, QStringLiteral("mnuVComm"));
    ASSERT_TRUE(w) << p.messages().texts().join('|').toStdString();
    ASSERT_TRUE(w->loaded()) << p.messages().texts().join('|').toStdString();
    const QStringList shown = w->shownText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QStringList data;
    for (const QString& l : shown)
        if (l.contains(QStringLiteral("食品")))
            data << l;
    ASSERT_EQ(data.size(), names.size()) << w->shownText().toStdString();
    // The category starts in the same column of every line (the CP932 byte offset of the flat file),
    // except where the name was cut before a two-column character, which leaves its field one short.
    auto categoryColumn = [](const QString& l) {
        return text::toCp932(l.left(l.indexOf(QStringLiteral("食品")))).size();
    };
    for (int i = 0; i < data.size(); ++i) {
        const bool cutShort = i == names.size() - 1;
        EXPECT_EQ(categoryColumn(data[i]), categoryColumn(data[0]) - (cutShort ? 1 : 0)) << data[i].toStdString();
    }
    EXPECT_TRUE(data.back().contains(QStringLiteral("±0.5mm×10本入り§ "))) << data.back().toStdString();
    EXPECT_FALSE(data.back().contains(QStringLiteral("特")));

    // On screen every character starts at the cell its bytes put it in: the picture of the list is
    // the picture of each character drawn alone at its cell.
    viewers::ListTextView* rch = w->textBox();
    const QImage picture = rch->viewport()->grab().toImage();
    QImage expected(picture.size(), picture.format());
    expected.setDevicePixelRatio(picture.devicePixelRatio());
    expected.fill(rch->viewport()->palette().color(QPalette::Base));
    {
        QPainter painter(&expected);
        QFont f = rch->font();
        f.setKerning(false);
        painter.setFont(f);
        painter.setPen(rch->palette().color(QPalette::Text));
        const QFontMetricsF fm(f);
        const qreal cell = fm.horizontalAdvance(QLatin1Char('0'));
        const int h = QFontMetrics(f).lineSpacing();
        int characters = 0;
        for (int i = 0; i < rch->lineCount() && i * h < picture.height(); ++i) {
            const QStringView line = rch->line(i);
            int cells = 0;
            for (qsizetype k = 0; k < line.size(); k += text::charSize(line, k)) {
                const QStringView ch = line.mid(k, text::charSize(line, k));
                painter.drawText(QPointF(cells * cell, i * h + QFontMetrics(f).ascent()), ch.toString());
                cells += text::displayWidth(ch);
                ++characters;
            }
        }
        EXPECT_GT(characters, 300);
    }
    EXPECT_TRUE(picture == expected);
    const QString pictures = qEnvironmentVariable("VARNOX_PICTURE_DIR");
    if (!pictures.isEmpty())
        w->grab().save(pictures + QStringLiteral("/frmVComm-widths.png"));

    // The flat file is the list as shown, in CP932.
    const QString out = p.path(QStringLiteral("goods_flat.txt"));
    viewers::setSaveFileDialog([&](QWidget*, const viewers::SaveDialogRequest&) { return out; });
    w->cmdTXT_Click();
    const QByteArray flat = readBytes(out);
    EXPECT_EQ(flat, text::toCp932(w->shownText()));

    // A full disk: the old file stays whole, no temporary is left, the message is the export error.
    const QStringList files = filesIn(p.path(QString()));
    p.messages().clear();
    {
        FileSizeLimit limit(64);
        w->cmdTXT_Click();
    }
    ASSERT_EQ(p.messages().shown().size(), 1u);
    EXPECT_EQ(p.messages().shown()[0].text.section('\n', 0, 0), kExportError); // then the cause
    EXPECT_TRUE(p.messages().shown()[0].text.contains(QStringLiteral("ディスクがいっぱい")));
    EXPECT_EQ(readBytes(out), flat);
    EXPECT_EQ(filesIn(p.path(QString())), files);

    // A name CP932 cannot hold (edited in elsewhere): the message names it and its line; nothing written.
    db::Database(db).execute(QStringLiteral("UPDATE 商品マスタ SET 商品名 = ? WHERE 商品No = 4"), {QStringLiteral("Café")});
    p.messages().clear();
    w->cmdCSV_Click();
    ASSERT_EQ(p.messages().shown().size(), 1u);
    EXPECT_EQ(p.messages().shown()[0].text,
              QStringLiteral("4行目の文字「é」（U+00E9）は、Shift_JIS（CP932）のファイルに書けません。\nファイルは書き換えていません。"));
    EXPECT_EQ(p.messages().shown()[0].title, QStringLiteral("ファイル出力エラーです"));
    EXPECT_EQ(readBytes(out), flat);
    viewers::setSaveFileDialog({});
    w->cmdClose_Click();
}
