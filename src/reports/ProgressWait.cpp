#include "reports/ProgressWait.h"

#include "core/MainFrame.h"
#include "print/PainterTarget.h"
#include "ui/WindowHelpers.h"

#include <QLabel>

namespace reports {

namespace {

constexpr int twips(int t) { return t / 15; } // at 96 DPI

QFont gothic(double points, bool bold = false) {
    QFont f(print::fixedPitchFamily());
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

frmEditWait::frmEditWait(core::AppState& state)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint), state_(state) {
    setObjectName(QStringLiteral("frmEditWait"));
    setAttribute(Qt::WA_QuitOnClose, false); // a helper window: it never keeps the program running
    setWindowTitle(QStringLiteral("データ編集中"));
    setFont(gothic(9));
    setFixedSize(twips(3700), twips(1150));

    label1_ = new QLabel(QStringLiteral("編集中です。お待ち下さい。"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setFont(gothic(12, true));
    label1_->setGeometry(twips(135), twips(240), twips(3345), twips(240) + 2);

    lblCount_ = new QLabel(this);
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    lblCount_->setFont(gothic(12));
    lblCount_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCount_->setGeometry(twips(420), twips(680), twips(720), twips(240) + 2);

    label2_ = new QLabel(QStringLiteral("行目編集中"), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setGeometry(twips(1200), twips(720), twips(900), twips(180) + 2);

    timer1_.setInterval(500);
    connect(&timer1_, &QTimer::timeout, this, &frmEditWait::tick);
}

frmEditWait::~frmEditWait() {
    if (loaded_ && state_.gMainForm)
        state_.gMainForm->setTopMenusEnabled(true);
}

QString frmEditWait::countText() const { return lblCount_->text(); }

void frmEditWait::load() {
    if (loaded_)
        return;
    loaded_ = true;
    ui::DisableCloseButton(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    lblCount_->setText(QString::number(state_.gProgressCount));
    if (state_.gMainForm)
        state_.gMainForm->setTopMenusEnabled(false);
    show();
    timer1_.start();
}

void frmEditWait::tick() {
    if (!loaded_)
        return;
    if (state_.gProgressCount >= 0) {
        lblCount_->setText(QString::number(state_.gProgressCount));
        return;
    }
    // A refresh of all windows keeps the window open across the rebuilds of every list.
    if (core::isSet(state_.gEditWaitCanClose))
        unload();
}

void frmEditWait::unload() {
    timer1_.stop();
    loaded_ = false;
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    ui::CloseByCode(this);
    hide();
    if (state_.gMainForm)
        state_.gMainForm->setTopMenusEnabled(true);
}

void ShowProgressWait(core::AppState& state) {
    state.gProgressCount = 0;
    frmEditWait* form = gEditWaitForm(state);
    if (!form) {
        form = new frmEditWait(state);
        state.progressWindow.reset(form);
    }
    form->load();
}

frmEditWait* gEditWaitForm(const core::AppState& state) { return qobject_cast<frmEditWait*>(state.progressWindow.get()); }

} // namespace reports
