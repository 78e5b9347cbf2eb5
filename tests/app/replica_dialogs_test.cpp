// VarnoxReplica's file choosers and the question they ask, as the program's start-up leaves them: Qt's own
// texts in Japanese, as in Varnox.
#include "support/MainRoad.h"
#include "support/TestEnv.h"

#include "replica/FileDialogs.h"
#include "replica/frmReplica.h"
#include "ui/ProgramStart.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

bool japanese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x7F; });
}

} // namespace

TEST(ReplicaDialogs, TheFileChoosersAndTheirOverwriteQuestionAreInJapanese) {
    ui::startProgram(QStringLiteral("VarnoxReplica")); // as its main does, before the window
    testenv::TempFolder tmp;
    const QString existing = tmp.path(QStringLiteral("dst.vrd"));
    QFile(existing).open(QIODevice::WriteOnly);
    replica::QtFileDialogService dialogs;
    replica::frmReplica w(dialogs);
    w.Op[0]->click(); // copy mode: both choosers

    struct Case {
        const char* what;
        QPushButton* button;
        bool save;
    };
    for (const Case& c : {Case{"source chooser", w.cmdFrom, false}, Case{"target chooser", w.cmdTo, true}}) {
        QStringList texts;
        QString question;
        QStringList answers;
        mainroad::onNextModalOf<QFileDialog>([&](QFileDialog& d) {
            for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                               QFileDialog::Accept, QFileDialog::Reject})
                texts << d.labelText(label);
            if (c.save) {
                // The existing name typed and taken: the dialog asks before replacing it.
                mainroad::onNextModalOf<QMessageBox>([&](QMessageBox& box) {
                    question = box.text();
                    for (QAbstractButton* b : box.buttons())
                        answers << b->text();
                    box.button(QMessageBox::No)->click();
                });
                d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(existing);
                static_cast<QDialog&>(d).accept(); // the dialog's own 保存, as a click gives it
            }
            d.reject();
        });
        c.button->click();
        ASSERT_EQ(texts.size(), 5) << c.what;
        for (const QString& t : texts)
            EXPECT_TRUE(japanese(t)) << c.what << ": " << t.toStdString();
        if (!c.save) continue;
        EXPECT_TRUE(question.contains(QStringLiteral("dst.vrd")) && japanese(question))
            << question.toStdString();
        ASSERT_EQ(answers.size(), 2);
        for (const QString& a : answers)
            EXPECT_TRUE(japanese(a)) << a.toStdString();
    }
}
