#include "ui/MessageService.h"

#include "ui/DesktopBehaviour.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

void MessageService::error(const QString& text, const QString& title) {
    beep();
    show(text, title, Buttons::Ok, Icon::None);
}

bool MessageService::ask(const QString& text, const QString& title) {
    return show(text, title, Buttons::YesNo, Icon::Question) == Answer::Yes;
}

Answer QtMessageService::show(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // The box sizes itself anew whenever it lays out, so its width for the caption goes in as a spacer
    // (last: setting the icon or the buttons builds the layout anew).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(captionWidth(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

void QtMessageService::beep() { QApplication::beep(); }

Answer RecordingMessageService::show(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    shown_.push_back({text, title, buttons, icon, pendingBeep_});
    pendingBeep_ = false;
    if (!answers_.empty()) {
        Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

void RecordingMessageService::beep() {
    ++beeps_;
    pendingBeep_ = true;
}

QStringList RecordingMessageService::texts() const {
    QStringList out;
    for (const auto& s : shown_)
        out << s.text;
    return out;
}

void RecordingMessageService::clear() {
    shown_.clear();
    answers_.clear();
    beeps_ = 0;
    pendingBeep_ = false;
}

namespace {
QtMessageService gQtService;
MessageService* gService = &gQtService;
} // namespace

MessageService& messages() { return *gService; }

void setMessageService(MessageService* service) { gService = service ? service : &gQtService; }

} // namespace ui
