#include "replica/frmReplica.h"

#include "replica/FileDialogs.h"
#include "replica/ReplicaPaths.h"
#include "ui/Icons.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace replica {

namespace {

const QString kTitle = QStringLiteral("VarnoxReplica");
const QString kFilter = QStringLiteral("Varnox DB Files (*.vrd)");

constexpr int px(int twips) { return twips / 15; } // 15 twips per pixel at 96 DPI
QRect twipRect(int left, int top, int width, int height) { return {px(left), px(top), px(width), px(height)}; }

QLabel* pathLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette p = l->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) { // window background and text colours
        p.setColor(g, QPalette::Window, p.color(g, QPalette::Base));
        p.setColor(g, QPalette::WindowText, p.color(g, QPalette::Text));
    }
    l->setPalette(p);
    l->setAutoFillBackground(true);
    return l;
}

} // namespace

frmReplica::frmReplica(FileDialogService& dialogs, QWidget* parent) : QWidget(parent), mDialogs(dialogs) {
    setObjectName(QStringLiteral("frmReplica"));
    setWindowTitle(kTitle);
    // Varnox's picture in green, so the two programs are told apart in the window list.
    setWindowIcon(QIcon(ui::programPicture(32, QColor(0x2e, 0x7d, 0x32))));
    setFont(QFont(QStringLiteral("IPAGothic"), 9));
    setFixedSize(px(4680), px(3690));

    cmdFrom = new QPushButton(QStringLiteral("ソースDB"), this);
    cmdFrom->setGeometry(twipRect(240, 120, 1815, 375));
    lbFrom = pathLabel(this);
    lbFrom->setGeometry(twipRect(240, 600, 4215, 495));

    Frame1 = new QGroupBox(QStringLiteral("処理種別"), this);
    Frame1->setGeometry(twipRect(240, 1200, 3975, 735));
    Op[0] = new QRadioButton(QStringLiteral("別ファイルに複製"), Frame1);
    Op[0]->setGeometry(twipRect(120, 240, 1920, 300)); // wider than designed: the caption needs it here
    Op[1] = new QRadioButton(QStringLiteral("受注情報クリア"), Frame1);
    Op[1]->setGeometry(twipRect(2040, 240, 1815, 300));
    Op[0]->setChecked(true);

    cmdTo = new QPushButton(QStringLiteral("ターゲットDB"), this);
    cmdTo->setGeometry(twipRect(240, 2040, 1815, 375));
    lbTo = pathLabel(this);
    lbTo->setGeometry(twipRect(240, 2520, 4215, 495));

    cmdDone = new QPushButton(QStringLiteral("作成"), this);
    cmdDone->setGeometry(twipRect(240, 3120, 1815, 375));
    cmdEnd = new QPushButton(QStringLiteral("終了"), this);
    cmdEnd->setGeometry(twipRect(2400, 3120, 1815, 375));

    setTabOrder(cmdFrom, Op[0]);
    setTabOrder(Op[0], Op[1]);
    setTabOrder(Op[1], cmdTo);
    setTabOrder(cmdTo, cmdDone);
    setTabOrder(cmdDone, cmdEnd);
    cmdFrom->setFocus();

    for (QRadioButton* op : Op)
        connect(op, &QRadioButton::clicked, this, &frmReplica::Op_Click);
    connect(cmdFrom, &QPushButton::clicked, this, &frmReplica::cmdFrom_Click);
    connect(cmdTo, &QPushButton::clicked, this, &frmReplica::cmdTo_Click);
    connect(cmdDone, &QPushButton::clicked, this, &frmReplica::cmdDone_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &QWidget::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool frmReplica::copyMode() const { return Op[0]->isChecked(); }

void frmReplica::setPathLabel(QLabel* label, const QString& path) {
    label->setText(path);
    label->setToolTip(path);
}

void frmReplica::Op_Click() {
    const bool copy = copyMode();
    cmdTo->setEnabled(copy);
    lbTo->setEnabled(copy);
    lbTo->setAutoFillBackground(copy); // opaque in copy mode, transparent when clearing in place
    cmdDone->setText(copy ? QStringLiteral("作成") : QStringLiteral("受注情報クリア"));
}

void frmReplica::cmdFrom_Click() {
    const QString file = mDialogs.openFile(this, QStringLiteral("ソースDB"), kFilter);
    if (file.isEmpty())
        return;
    mSourcePath = file;
    setPathLabel(lbFrom, mSourcePath);
}

void frmReplica::cmdTo_Click() {
    const QString file = mDialogs.saveFile(this, QStringLiteral("ターゲットDB"), kFilter, QStringLiteral("vrd"));
    if (file.isEmpty())
        return;
    mTargetPath = file;
    setPathLabel(lbTo, mTargetPath);
}

void frmReplica::cmdDone_Click() {
    if (mSourcePath.isEmpty())
        return;
    const bool copy = copyMode();
    QString target;
    if (copy) {
        if (mTargetPath.isEmpty()) {
            ui::messages().show(QStringLiteral("ターゲットDBが指定されていません。"), kTitle);
            return;
        }
        // The dialog asked about the name as typed; the file written may be that name with ".vrd".
        target = withDbExtension(mTargetPath);
        if (target != mTargetPath && QFileInfo::exists(target) &&
            !ui::messages().ask(QStringLiteral("「%1」は既に存在します。上書きしますか？").arg(target), kTitle))
            return;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RunResult result = copy ? copyAndClear(mSourcePath, target, mOptions) : clearOrderData(mSourcePath, mOptions);
    QApplication::restoreOverrideCursor();
    if (!result.ok()) {
        ui::messages().error(result.message, kTitle); // the paths stay, so the user can put it right and retry
        return;
    }
    ui::messages().show(copy ? QStringLiteral("DBを初期化して複製しました。") : QStringLiteral("DBを初期化しました。"),
                        kTitle);
    mSourcePath.clear();
    mTargetPath.clear();
    setPathLabel(lbFrom, {});
    setPathLabel(lbTo, {});
}

} // namespace replica
