#include "viewers/Export.h"



#include <QFileDialog>
#include <cerrno>
#include <stdexcept>
#include <system_error>

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

namespace {

// Read at once after the failing call, so the message can name the cause (a full disk, a read-only folder).
[[noreturn]] void throwFileError(const QSaveFile& file) {
    const int err = errno;
    throw std::system_error(err, std::generic_category(), file.errorString().toStdString());
}

} // namespace

ExportWriter::ExportWriter(const QString& path) : file_(path) {
    // Unbuffered and counted: a buffered QSaveFile commits a short file when the disk fills on its
    // last flush.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throwFileError(file_);
}

ExportWriter::~ExportWriter() {
    if (file_.isOpen())
        file_.cancelWriting();
}

void ExportWriter::put(const QString& chunk) {
    QByteArray bytes;
    try {
        bytes = text::toCp932(chunk);
    } catch (const text::EncodingError&) {
        text::Unencodable bad = text::findUnencodable(chunk);
        bad.line += lines_;
        throw UnencodableExport(std::move(bad));
    }
    lines_ += int(chunk.count(QLatin1Char('\n')));
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file_.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            throwFileError(file_);
        done += n;
    }
    written_ += done;
}

void ExportWriter::commit() {
    errno = 0;
    if (file_.size() != written_ || !file_.commit())
        throwFileError(file_);
}

const QString& tabField(const QString& s) {
    if (const qsizetype at = text::findControl(s); at >= 0) throw ControlInExport(0, s[at]);
    return s;
}

namespace {

// The first control character that is not part of a CR LF line end; a tab keeps a flat file's lines.
void refuseControls(const QString& text) {
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++line;
            ++i;
        } else if ((c < 0x20 && c != u'\t') || c == 0x7f) {
            throw ControlInExport(line, text[i]);
        }
    }
}

} // namespace

void writeExportFile(const QString& path, const QString& text) {
    // Checked before the file is opened: a character CP932 cannot hold touches nothing.
    if (const text::Unencodable bad = text::findUnencodable(text); bad.found())
        throw UnencodableExport(bad);
    refuseControls(text);
    ExportWriter w(path);
    w.put(text);
    w.commit();
}

QString unencodableExportMessage(const text::Unencodable& bad) {
    return QStringLiteral("%1行目の文字「%2」（%3）は、Shift_JIS（CP932）のファイルに書けません。\n"
                          "ファイルは書き換えていません。")
        .arg(QString::number(bad.line), bad.character, bad.code());
}

QString controlExportMessage(const ControlInExport& bad) {
    return QStringLiteral("%1行目に制御文字（U+%"
                          "2）があります。書き出すと行や項目の区切りが崩れるため、書き出せません。\n"
                          "ファイルは書き換えていません。")
        .arg(QString::number(bad.line),
             QStringLiteral("%1").arg(bad.character.unicode(), 4, 16, QLatin1Char('0')).toUpper());
}

} // namespace viewers
