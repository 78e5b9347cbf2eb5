#include "preview/Register.h"

#include "frame/WindowRegistry.h"
#include "preview/PreviewWindow.h"
#include "reports/ProgressWait.h"
#include "reports/ReportKind.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QScreen>
#include <QGuiApplication>
#include <memory>

namespace preview {

namespace {

enum class Ask { Nothing, Condition, Invoice };

struct PreviewItem {
    const char* item;
    int kind;
    Ask ask;
};

// In menu order; the condition dialog takes the report's load-order number.
const PreviewItem kItems[] = {
    {"mnuPvComm", reports::kComm, Ask::Nothing},    {"mnuPvCli", reports::kCli, Ask::Nothing},
    {"mnuPvEmp", reports::kEmp, Ask::Nothing},      {"mnuPvRecG", reports::kRecG, Ask::Nothing},
    {"mnuPvRecD", reports::kRecD, Ask::Nothing},    {"mnuPvInv", reports::kInv, Ask::Invoice},
    {"mnuPvInfA", reports::kInfA, Ask::Condition},  {"mnuPvInfM", reports::kInfM, Ask::Condition},
    {"mnuPvInfC", reports::kInfC, Ask::Condition},  {"mnuPvInfS", reports::kInfS, Ask::Condition},
    {"mnuPvCncl", reports::kCncl, Ask::Condition},  {"mnuPvLack", reports::kLack, Ask::Nothing},
    {"mnuPvGetD", reports::kGetD, Ask::Condition},  {"mnuPvGetY", reports::kGetY, Ask::Condition},
};

// Shows a dialog registered by name modally; false when it is not there.
bool runDialog(core::AppState& s, QWidget* parent, const char* name) {
    const frame::WindowFactory make = frame::windowFactory(QString::fromLatin1(name));
    if (!make) {
        ui::messages().error(QStringLiteral("条件の入力画面を開けません。"));
        return false;
    }
    QPointer<QWidget> w = make(s, parent);
    auto* dialog = qobject_cast<QDialog*>(w.data());
    if (!dialog) {
        delete w;
        return false;
    }
    dialog->exec();
    if (w)
        w->deleteLater();
    return true;
}

bool askConditions(core::AppState& s, QWidget* parent, const PreviewItem& item) {
    switch (item.ask) {
    case Ask::Nothing:
        return true;
    case Ask::Condition:
        s.gCondReport = reports::LoadOrderFromKind(item.kind);
        s.gCondForPrint = core::kTrue;
        s.gCondAccepted = core::kFalse;
        return runDialog(s, parent, "frmCondition") && core::isSet(s.gCondAccepted);
    case Ask::Invoice:
        s.gInvPrintFlavour = core::kTrue;
        s.gInvPrintScope = 3;
        if (!runDialog(s, parent, "frmInvPrepP") || s.gInvPrintScope == 3)
            return false;
        if (s.gInvPrintScope == 2) {
            s.gInvPrintOrderNo = -1;
            if (!runDialog(s, parent, "frmInvPrep2") || s.gInvPrintOrderNo < 1)
                return false;
        }
        return true;
    }
    return false;
}

} // namespace

bool RunPreviewCommand(core::AppState& s, QWidget* parent, const QString& name) {
    const PreviewItem* item = nullptr;
    for (const PreviewItem& i : kItems)
        if (name == QLatin1String(i.item))
            item = &i;
    if (!item || !askConditions(s, parent, *item))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    reports::ShowProgressWait(s);
    ui::DoEvents();
    s.gReportName = reports::ReportName(item->kind);
    auto* w = new frmPreview(s);
    // Shown at the screen's size at once, so the pages are not built for a smaller window first.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w->setGeometry(screen->availableGeometry());
    w->showMaximized();
    return true;
}

void registerCommands() {
    for (const PreviewItem& i : kItems) {
        const QString name = QString::fromLatin1(i.item);
        frame::registerCommand(name, [name](core::AppState& s, QWidget* parent) { RunPreviewCommand(s, parent, name); });
    }
    frame::registerWindow(QStringLiteral("frmPreview"),
                          [](core::AppState& s, QWidget*) -> QWidget* { return new frmPreview(s); });
}

} // namespace preview
