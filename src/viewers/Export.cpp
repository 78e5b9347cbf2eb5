#include "viewers/Export.h"

#include "text/AnsiFile.h"

#include <QFileDialog>
#include <stdexcept>

namespace viewers {

namespace {

QString realDialog(QWidget* parent, const SaveDialogRequest& r) {
    // The stored filter is "description| pattern"; the dialog wants "description (pattern)".
    const qsizetype bar = r.filter.indexOf(QLatin1Char('|'));
    const QString filter = bar < 0 ? r.filter.trimmed()
                                   : r.filter.left(bar).trimmed() + QStringLiteral(" (") +
                                         r.filter.mid(bar + 1).trimmed() + QLatin1Char(')');
    return QFileDialog::getSaveFileName(parent, r.title, r.fileName, filter);
}

SaveFileDialog& dialog() {
    static SaveFileDialog d = realDialog;
    return d;
}

} // namespace

void setSaveFileDialog(SaveFileDialog d) { dialog() = d ? std::move(d) : SaveFileDialog(realDialog); }

QString askSaveFileName(QWidget* parent, const SaveDialogRequest& request) { return dialog()(parent, request); }

void writeExportFile(const QString& path, const QString& text) {
    (void)text::toCp932(text); // refuses before anything is written
    text::AnsiWriter w(path);
    if (!w.isOpen())
        throw std::runtime_error(w.errorString().toStdString());
    w.write(text);
    if (!w.close())
        throw std::runtime_error("write failed");
}

} // namespace viewers
