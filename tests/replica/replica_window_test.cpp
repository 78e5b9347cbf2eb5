#include "ReplicaFixture.h"
#include "replica/FileDialogs.h"
#include "replica/frmReplica.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <deque>
#include <gtest/gtest.h>

using namespace replica;

namespace {

// Answers the file dialogs from a queue ("" = cancelled) and records their titles.
class ScriptedDialogs : public FileDialogService {
public:
    std::deque<QString> answers;
    QStringList titles;
    QString openFile(QWidget*, const QString& title, const QString& filter) override {
        titles << title;
        EXPECT_EQ(filter, QStringLiteral("Varnox DB Files (*.vrd)"));
        return next();
    }
    QString saveFile(QWidget*, const QString& title, const QString&, const QString&) override {
        titles << title;
        return next();
    }

private:
    QString next() {
        if (answers.empty())
            return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
};

class ReplicaWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        fixture::makeCompanyDb(src, 10);
    }
    void TearDown() override { ui::setMessageService(nullptr); }
    void choose(QPushButton* button, const QString& file) {
        dialogs.answers.push_back(file);
        button->click();
    }

    testenv::TempFolder tmp;
    QString src = tmp.path(QStringLiteral("src.vrd"));
    ui::RecordingMessageService rec;
    ScriptedDialogs dialogs;
    frmReplica w{dialogs};
};

} // namespace

TEST_F(ReplicaWindow, StartsInCopyModeAndSwitchesModes) {
    EXPECT_EQ(w.windowTitle(), QStringLiteral("VarnoxReplica"));
    EXPECT_FALSE(w.windowIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(w.size(), QSize(312, 246));
    EXPECT_EQ(w.cmdFrom->text(), QStringLiteral("ソースDB"));
    EXPECT_EQ(w.Frame1->title(), QStringLiteral("処理種別"));
    EXPECT_EQ(w.Op[0]->text(), QStringLiteral("別ファイルに複製"));
    EXPECT_EQ(w.Op[1]->text(), QStringLiteral("受注情報クリア"));
    EXPECT_EQ(w.cmdEnd->text(), QStringLiteral("終了"));
    EXPECT_TRUE(w.Op[0]->isChecked());

    choose(w.cmdTo, tmp.path(QStringLiteral("t.vrd")));
    w.Op[1]->click();
    EXPECT_FALSE(w.cmdTo->isEnabled());
    EXPECT_FALSE(w.lbTo->isEnabled());
    EXPECT_EQ(w.cmdDone->text(), QStringLiteral("受注情報クリア"));
    w.Op[0]->click();
    EXPECT_TRUE(w.cmdTo->isEnabled());
    EXPECT_TRUE(w.lbTo->isEnabled());
    EXPECT_EQ(w.cmdDone->text(), QStringLiteral("作成"));
    EXPECT_EQ(w.targetPath(), tmp.path(QStringLiteral("t.vrd"))); // a chosen target stays
    EXPECT_EQ(w.lbTo->text(), tmp.path(QStringLiteral("t.vrd")));
    EXPECT_EQ(dialogs.titles, (QStringList{QStringLiteral("ターゲットDB")}));

    if (!qEnvironmentVariableIsEmpty("VARNOX_GRAB_DIR")) {
        choose(w.cmdFrom, src);
        w.show();
        w.grab().save(qEnvironmentVariable("VARNOX_GRAB_DIR") + QStringLiteral("/frmReplica.png"));
        w.Op[1]->click();
        w.grab().save(qEnvironmentVariable("VARNOX_GRAB_DIR") + QStringLiteral("/frmReplica_clear.png"));
    }
}

TEST_F(ReplicaWindow, RunWithoutChoicesSaysNothingOrAsksForTheTarget) {
    w.cmdDone->click();
    EXPECT_TRUE(rec.shown().empty());
    choose(w.cmdFrom, QString()); // cancelled: nothing chosen
    EXPECT_TRUE(w.sourcePath().isEmpty());
    choose(w.cmdFrom, src);
    EXPECT_EQ(w.lbFrom->text(), src);
    w.cmdDone->click();
    EXPECT_EQ(rec.texts(), (QStringList{QStringLiteral("ターゲットDBが指定されていません。")}));
    EXPECT_EQ(rec.shown().back().title, QStringLiteral("VarnoxReplica"));
    EXPECT_EQ(w.sourcePath(), src);
}

TEST_F(ReplicaWindow, SuccessfulRunsReportAndClearTheChoices) {
    struct Case {
        bool copy;
        const char* message;
    };
    for (const Case c : {Case{true, "DBを初期化して複製しました。"}, Case{false, "DBを初期化しました。"}}) {
        rec.clear();
        w.Op[c.copy ? 0 : 1]->click();
        choose(w.cmdFrom, src);
        if (c.copy)
            choose(w.cmdTo, tmp.path(QStringLiteral("copy")));
        w.cmdDone->click();
        ASSERT_EQ(rec.texts(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(rec.shown().back().title, QStringLiteral("VarnoxReplica"));
        EXPECT_EQ(rec.shown().back().buttons, ui::Buttons::Ok);
        EXPECT_TRUE(w.sourcePath().isEmpty() && w.targetPath().isEmpty());
        EXPECT_TRUE(w.lbFrom->text().isEmpty() && w.lbTo->text().isEmpty());
        EXPECT_EQ(fixture::rowCount(c.copy ? tmp.path(QStringLiteral("copy.vrd")) : src, core::kOrderTable), 1);
        w.cmdDone->click(); // nothing chosen any more
        EXPECT_EQ(rec.shown().size(), 1u);
    }
}

TEST_F(ReplicaWindow, FailuresAreNeverReportedAsSuccess) {
    w.Op[1]->click();
    choose(w.cmdFrom, src);
    {
        db::Database other(src);
        w.cmdDone->click();
    }
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.contains(QStringLiteral("使用中")));
    EXPECT_TRUE(rec.shown()[0].beepBefore);
    EXPECT_EQ(w.sourcePath(), src); // kept for a second try

    rec.clear();
    ResetOptions o;
    o.compact = [](const QString&) { throw db::DbError(db::ErrorKind::Io, QStringLiteral("no space")); };
    w.setResetOptions(o);
    w.cmdDone->click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.contains(QStringLiteral("最適化に失敗")));
    EXPECT_FALSE(rec.texts().contains(QStringLiteral("DBを初期化しました。")));
}

// A name typed without ".vrd" was not what the save dialog asked about: ask before replacing it.
TEST_F(ReplicaWindow, AsksBeforeReplacingTheFileTheExtensionPointsAt) {
    const QString existing = tmp.path(QStringLiteral("old.vrd"));
    fixture::makeCompanyDb(existing, 4);
    choose(w.cmdFrom, src);
    choose(w.cmdTo, tmp.path(QStringLiteral("old")));
    rec.queueAnswer(ui::Answer::No);
    w.cmdDone->click();
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(fixture::rowCount(existing, core::kOrderTable), 5);
}
