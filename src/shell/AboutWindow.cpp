#include "shell/AboutWindow.h"

#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

namespace shell {

namespace {
constexpr auto kAllModifiers = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

QFrame* line(QWidget* parent) {
    auto* l = new QFrame(parent);
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}
} // namespace

QString versionText() {
    return QStringLiteral("Version %1.%2.%3").arg(1).arg(0).arg(0);
}

QString findSystemInformationProgram() {
    for (const char* name : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

AboutWindow::AboutWindow(core::AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setModal(true);
    setWindowTitle(QStringLiteral("Varnoxについて"));
    picIcon = new QLabel(this);
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    picIcon->setFixedSize(56, 56);
    lblTitle = new QLabel(QStringLiteral("Varnox"), this);
    QFont big = lblTitle->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(versionText(), this);
    Label1 = new QLabel(QStringLiteral("受注・入金・在庫・請求書を一つのデータベースで管理します。"), this);
    Label1->setWordWrap(true);
    lblDisclaimer = new QLabel(QStringLiteral("このプログラムの使用によって生じた損害について、作者は責任を負いません。"),
                               this);
    lblDisclaimer->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdOK->setDefault(true);

    auto* head = new QHBoxLayout;
    head->addWidget(picIcon, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->addWidget(lblTitle);
    titles->addWidget(lblVersion);
    titles->addWidget(Label1);
    head->addLayout(titles, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(line(this));
    layout->addLayout(bottom);
    setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutWindow::StartSysInfo);
    picIcon->installEventFilter(this);
    Label1->installEventFilter(this);
    findSysInfo = findSystemInformationProgram;
    showCredits = [this] {
        AuthorWindow author(this);
        author.exec();
    };
    ui::DisableCloseButton(this);
}

void AboutWindow::StartSysInfo() {
    const QString program = findSysInfo ? findSysInfo() : QString();
    if (program.isEmpty() || !QProcess::startDetached(program, {})) {
        ui::messages().show(QStringLiteral("System Information Is Unavailable At This Time"));
    }
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        const bool gesture = me->button() == Qt::RightButton && (me->modifiers() & kAllModifiers) == kAllModifiers;
        // The gesture is armed only while the main window shows neither toolbar nor status bar.
        if (watched == picIcon && gesture && !core::isSet(state_.gShowToolbar) &&
            !core::isSet(state_.gShowStatusBar))
            creditsArmed_ = true;
        else if (watched == Label1 && gesture && creditsArmed_ && showCredits)
            showCredits();
    }
    return QDialog::eventFilter(watched, e);
}

AuthorWindow::AuthorWindow(QWidget* parent) : QDialog(parent) {
    setModal(true);
    setWindowTitle(QStringLiteral("Author"));
    auto* Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    auto* Label1 = new QLabel(QStringLiteral("Varnox\n企画・設計・プログラム: Varnox 開発チーム"), this);
    auto* Command1 = new QPushButton(QStringLiteral("OK"), this);
    auto* row = new QHBoxLayout;
    row->addWidget(Image1);
    row->addWidget(Label1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(Command1, 0, Qt::AlignRight);
    connect(Command1, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    ui::DisableCloseButton(this);
}

} // namespace shell
