#include "MastersTestDb.h"
#include "db/Database.h"
#include "frame/WindowRegistry.h"
#include "masters/ImportCommand.h"
#include "masters/Register.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <gtest/gtest.h>

namespace {

class ImportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        masterstest::makeDb(s, dir.path(QStringLiteral("co.vrd")), {QStringLiteral("文具")});
        masters::registerWindows();
        masters::setOpenFileDialog([this](QWidget*, const QString& filter, const QString& preset) {
            filters << filter;
            presets << preset;
            if (throwNext)
                throw std::runtime_error("dialog failed");
            return answer;
        });
    }
    void TearDown() override {
        masters::setOpenFileDialog({});
        ui::setMessageService(nullptr);
    }
    int rows(const QString& table) {
        db::Database d(s.gDbPath);
        return d.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(db::Database::quoteIdent(table))).toInt();
    }

    testenv::TempFolder dir;
    ui::RecordingMessageService rec;
    core::AppState s;
    QStringList filters, presets;
    QString answer;
    bool throwNext = false;
};

} // namespace

TEST_F(ImportCommand, EachMenuCommandImportsItsTableWithItsFilter) {
    struct Case {
        const char* command;
        QString filter;
        QString table;
        QString line;
    };
    const std::vector<Case> cases{
        {"mnuImpCli", QStringLiteral("顧客マスタ(Tab区切り)テキストファイル (*.txt)"), core::kClientTable,
         QStringLiteral("1\tC1\t山田商店\t100-0001\t東京都\t03\t\t")},
        {"mnuImpComm", QStringLiteral("商品マスタ(Tab区切り)テキストファイル (*.txt)"), core::kGoodsTable,
         QStringLiteral("1\tG1\tペン\t100\t80\t60\t10\t5\t1\t文具")},
        {"mnuImpEmp", QStringLiteral("社員マスタ(Tab区切り)テキストファイル (*.txt)"), core::kEmployeeTable,
         QStringLiteral("1\tE1\t佐藤")},
    };
    for (const Case& c : cases) {
        filters.clear();
        answer = dir.path(QString::fromLatin1(c.command) + QStringLiteral(".txt"));
        masterstest::writeCp932(answer, c.line + QStringLiteral("\r\n"));
        frame::command(QString::fromLatin1(c.command))(s, nullptr);
        EXPECT_EQ(filters, QStringList{c.filter}) << c.command;
        EXPECT_EQ(rows(c.table), 2) << c.command;
    }
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ImportCommand, CancelOrAFailingDialogDoesNothing) {
    answer.clear();
    masters::runImportCommand(s, masters::ImportKind::Clients, nullptr);
    throwNext = true;
    masters::runImportCommand(s, masters::ImportKind::Clients, nullptr);
    EXPECT_EQ(filters.size(), 2);
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(rows(core::kClientTable), 1);
}

TEST_F(ImportCommand, OnlyATextFileNameIsOfferedAgain) {
    answer = dir.path(QStringLiteral("a.TXT")); // missing: the file error, and not offered again
    masters::runImportCommand(s, masters::ImportKind::Employees, nullptr);
    answer = dir.path(QStringLiteral("b.txt"));
    masterstest::writeCp932(answer, QStringLiteral("1\tE1\tx\r\n"));
    masters::runImportCommand(s, masters::ImportKind::Employees, nullptr);
    answer.clear();
    masters::runImportCommand(s, masters::ImportKind::Employees, nullptr);
    ASSERT_EQ(presets.size(), 3);
    EXPECT_EQ(presets[1], QFileInfo(s.gDbPath).absolutePath()); // no file to offer: the database's folder
    EXPECT_EQ(presets[2], dir.path(QStringLiteral("b.txt")));
    EXPECT_EQ(rec.shown().size(), 1u);
}

namespace {
// Notes the progress window that is up when a refusal box comes.
class ProgressSpy : public ui::RecordingMessageService {
public:
    ui::Answer show(const QString& text, const QString& title, ui::Buttons b, ui::Icon i) override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
                label = p->labelText();
                value = p->value();
                const QString grabs = qEnvironmentVariable("VARNOX_GRAB_DIR");
                if (!grabs.isEmpty())
                    p->grab().save(grabs + QStringLiteral("/progress.png"));
            }
        return RecordingMessageService::show(text, title, b, i);
    }
    QString label;
    int value = -1;
};
} // namespace

TEST_F(ImportCommand, LongFilesShowProgressAndLeaveNoWindowBehind) {
    ProgressSpy spy;
    ui::setMessageService(&spy);
    QString content;
    for (int i = 1; i <= masters::kProgressLines + 500; ++i)
        content += QStringLiteral("%1\tE%1\t社員%1\r\n").arg(i);
    content += QStringLiteral("1\tdup\tx\r\n");
    answer = dir.path(QStringLiteral("long.txt"));
    masterstest::writeCp932(answer, content);
    masters::runImportCommand(s, masters::ImportKind::Employees, nullptr);
    EXPECT_EQ(spy.label, QStringLiteral("社員マスタをインポートしています。"));
    EXPECT_GE(spy.value, masters::kProgressLines);
    EXPECT_EQ(spy.shown().size(), 1u);
    EXPECT_EQ(rows(core::kEmployeeTable), masters::kProgressLines + 501);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QProgressDialog*>(w) && w->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
