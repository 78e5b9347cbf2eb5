#include "reports/InvoiceScopeDialog.h"

#include "ui/DesktopBehaviour.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace reports {

namespace {

QRadioButton* option(QGroupBox* frame, const QString& name, const QString& caption, int left, int width) {
    auto* o = new QRadioButton(caption, frame);
    o->setObjectName(name);
    o->setGeometry(twips(left), twips(240), twips(width), twips(255));
    return o;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, int top) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    f->setGeometry(twips(2280), twips(top), twips(2175), twips(615));
    return f;
}

} // namespace

InvoiceScopeDialog::InvoiceScopeDialog(core::AppState& state, Variant variant, QWidget* parent)
    : ButtonOnlyDialog(parent), s_(state), variant_(variant) {
    const bool pages = variant == Variant::ScopeAndPages;
    setObjectName(pages ? QStringLiteral("frmInvPrepP") : QStringLiteral("frmInvPrep"));
    setFont(dialogFont(9));
    const QString caption =
        core::isSet(s_.gInvPrintFlavour) ? QStringLiteral("請求書出力準備") : QStringLiteral("請求書表示準備");
    setWindowTitle(caption);
    // The scope-only dialog is narrower than its caption: it widens, and its buttons with it.
    const int width = pages ? twips(4680) : std::max(twips(2175), ui::captionWidth(caption));
    setFixedSize(width, pages ? twips(1560) : twips(1440));

    static const char* const kCaptions[] = {"未入金のみ", "全て", "一覧から選択", "キャンセル"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(kCaptions[i]), this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setFont(dialogFont(11.25, true));
        b->setGeometry(0, twips(360 * i), pages ? twips(2175) : width, twips(375));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        command1_[size_t(i)] = b;
    }

    if (pages) {
        QGroupBox* frame1 = frame(this, QStringLiteral("Frame1"), QStringLiteral("ヘッダー"), 0);
        QGroupBox* frame2 = frame(this, QStringLiteral("Frame2"), QStringLiteral("フッター"), 720);
        option1_ = {option(frame1, QStringLiteral("Option1_0"), QStringLiteral("一回だけ"), 120, 1095),
                    option(frame1, QStringLiteral("Option1_1"), QStringLiteral("毎回"), 1320, 735)};
        option2_ = {option(frame2, QStringLiteral("Option2_0"), QStringLiteral("書く"), 120, 735),
                    option(frame2, QStringLiteral("Option2_1"), QStringLiteral("書かない"), 960, 1095)};
        // A fresh dialog every time: header once and footer on are preselected.
        option1_[0]->setChecked(true);
        option2_[0]->setChecked(true);
        setTabOrder(command1_[3], option1_[0]);
        setTabOrder(option1_[0], option1_[1]);
        setTabOrder(option1_[1], option2_[0]);
        setTabOrder(option2_[0], option2_[1]);
    }

    command1_[0]->setFocus();
}

void InvoiceScopeDialog::Command1_Click(int index) {
    if (core::isSet(s_.gInvPrintFlavour))
        s_.gInvPrintScope = index;
    else
        s_.gInvViewScope = index;
    if (variant_ == Variant::ScopeAndPages) {
        // Every button stores the page options, キャンセル included.
        s_.gInvHeaderOnce = core::vbool(option1_[0]->isChecked());
        s_.gInvFooterOn = core::vbool(option2_[0]->isChecked());
    }
    unload();
}

namespace {

std::int32_t runScope(core::AppState& state, InvoiceScopeDialog::Variant variant, QWidget* parent) {
    InvoiceScopeDialog dialog(state, variant, parent);
    dialog.exec();
    return core::isSet(state.gInvPrintFlavour) ? state.gInvPrintScope : state.gInvViewScope;
}

} // namespace

std::int32_t runInvoiceScopeDialog(core::AppState& state, QWidget* parent) {
    return runScope(state, InvoiceScopeDialog::Variant::Scope, parent);
}

std::int32_t runInvoicePrintScopeDialog(core::AppState& state, QWidget* parent) {
    return runScope(state, InvoiceScopeDialog::Variant::ScopeAndPages, parent);
}

} // namespace reports
