#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Wait, ZeroReturnsAtOnceAndEventsKeepRunning) {
    QElapsedTimer t;
    t.start();
    ui::Wait(0);
    EXPECT_LT(t.elapsed(), 3000); // not the 0.3 s below, even on a machine ten times slower

    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    t.restart();
    ui::Wait(0.3);
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_TRUE(fired);
}

TEST(DisableCloseButton, OnlyTheWindowsOwnCodeClosesIt) {
    QDialog d;
    d.show();
    ui::DisableCloseButton(&d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(d.close());
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(ui::CloseByCode(&d));
    EXPECT_FALSE(d.isVisible());
}

TEST(DisableCloseButton, WindowWithChildrenBeforeItIsShown) {
    QWidget w;
    new QWidget(&w); // a child must not be taken for the filter
    ui::DisableCloseButton(&w);
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(ui::CloseByCode(&w));
}

TEST(MessageService, RecordsTextTitleButtonsAndBeep) {
    ui::RecordingMessageService rec;
    ui::setMessageService(&rec);
    ui::messages().error("失敗しました。");
    rec.queueAnswer(ui::Answer::No);
    EXPECT_FALSE(ui::messages().ask("よろしいですか？", "確認"));
    EXPECT_TRUE(ui::messages().ask("もう一度？"));
    ui::setMessageService(nullptr);
    ASSERT_EQ(rec.shown().size(), 3u);
    EXPECT_EQ(rec.shown()[0].title, "Varnox");
    EXPECT_TRUE(rec.shown()[0].beepBefore);
    EXPECT_EQ(rec.shown()[0].buttons, ui::Buttons::Ok);
    EXPECT_EQ(rec.shown()[0].icon, ui::Icon::None);
    EXPECT_EQ(rec.shown()[1].title, "確認");
    EXPECT_FALSE(rec.shown()[1].beepBefore);
    EXPECT_EQ(rec.beeps(), 1);
}

TEST(DesktopBehaviour, AMessageBoxIsWideEnoughForItsTitle) {
    // Titles of the program's own boxes, the longest among them; the text is short. The person answering
    // is a timer that notes the box's width and presses OK.
    ui::QtMessageService screen;
    for (const char* title : {"Varnox", "データベース読み込み中にエラーが発生しました", "手動で行ってください"}) {
        int width = 0;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
                QTest::qWait(20);
                width = box->width();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start();
        screen.show(QStringLiteral("OK?"), QString::fromUtf8(title), ui::Buttons::Ok, ui::Icon::None);
        answer.stop();
        const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
        // Room for the caption, the window icon and three title-bar buttons.
        EXPECT_GE(width, fm.horizontalAdvance(QString::fromUtf8(title)) + 90) << title;
    }
}
