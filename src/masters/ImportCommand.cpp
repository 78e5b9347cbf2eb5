#include "masters/ImportCommand.h"

#include "ui/FileDialogFolder.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <memory>

namespace masters {

namespace {

QString realDialog(QWidget* parent, const QString& filter, const QString& preset) {
    return QFileDialog::getOpenFileName(parent, QString(), preset, filter);
}

OpenFileDialog& dialog() {
    static OpenFileDialog d = realDialog;
    return d;
}

// The dialog remembers the last file; only a text file name is offered again.
QString& lastFileName() {
    static QString name;
    return name;
}

} // namespace

void setOpenFileDialog(OpenFileDialog d) { dialog() = d ? std::move(d) : OpenFileDialog(realDialog); }

void runImportCommand(core::AppState& s, ImportKind kind, QWidget* parent) {
    QString preset = lastFileName();
    if (!(preset.size() > 4 && preset.endsWith(QLatin1String(".txt"))))
        preset = ui::dialogStartFolder(s.gDbPath);
    QString path;
    try {
        path = dialog()(parent, importFilter(kind), preset);
    } catch (...) {
        return;
    }
    if (path.isEmpty())
        return;
    lastFileName() = path;
    ui::rememberDialogChoice(path);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString dbPath = s.gDbPath;
    ui::DoEvents();
    // A click waiting in the queue may have closed the database or opened another one meanwhile: the
    // file was chosen for the database open before, so nothing is imported then.
    if (s.gDbPath != dbPath) {
        QApplication::restoreOverrideCursor();
        return;
    }

    std::unique_ptr<QProgressDialog> bar;
    if (countLines(path) >= kProgressLines) {
        bar = std::make_unique<QProgressDialog>(parent);
        bar->setWindowTitle(QStringLiteral("Varnox"));
        bar->setLabelText(importTable(kind) + QStringLiteral("をインポートしています。"));
        bar->setCancelButton(nullptr);
        bar->setWindowModality(Qt::ApplicationModal);
        // Shown at once: it is modal, so the events run for its sake cannot start another command.
        bar->setMinimumDuration(0);
        bar->setAutoClose(false);
        bar->show();
    }
    importMasterFile(s, kind, path, [&](int done, int total) {
        if (!bar)
            return;
        bar->setMaximum(total);
        bar->setValue(done);
        ui::DoEvents();
    });
    bar.reset();
    QApplication::restoreOverrideCursor();
}

} // namespace masters
