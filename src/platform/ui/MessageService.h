// Message boxes and beeps behind one interface, so tests can answer them without a screen.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QWidget;

namespace ui {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Answer { Ok, Cancel, Yes, No };

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual Answer show(const QString& text, const QString& title = QStringLiteral("Varnox"),
                        Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    virtual void beep() = 0;

    // The program's usual error: a beep, then the text with OK only and no icon.
    void error(const QString& text, const QString& title = QStringLiteral("Varnox"));
    // A question with Yes and No; true only for Yes.
    bool ask(const QString& text, const QString& title = QStringLiteral("Varnox"));
};

// Real message boxes on screen, parented to the active window.
class QtMessageService : public MessageService {
public:
    Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    void beep() override;
};

// Records every box and beep and answers from a queue (default: Ok, or Yes for a question).
class RecordingMessageService : public MessageService {
public:
    struct Shown {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
        bool beepBefore;
    };

    Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    void beep() override;

    void queueAnswer(Answer a) { answers_.push_back(a); }
    const std::vector<Shown>& shown() const { return shown_; }
    QStringList texts() const;
    int beeps() const { return beeps_; }
    void clear();

private:
    std::vector<Shown> shown_;
    std::deque<Answer> answers_;
    int beeps_ = 0;
    bool pendingBeep_ = false;
};

// The service the program uses; the program sets a QtMessageService at start, tests a recording one.
MessageService& messages();
void setMessageService(MessageService* service);

} // namespace ui
