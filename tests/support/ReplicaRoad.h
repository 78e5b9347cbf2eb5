// VarnoxReplica driven through its own window, its file choosers answered as a person would.
#pragma once

#include "replica/FileDialogs.h"
#include "replica/frmReplica.h"

#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <deque>

namespace mainroad {

// The replica's file dialogs, answered from a queue ("" = cancelled).
class ScriptedDialogs : public replica::FileDialogService {
public:
    std::deque<QString> answers;
    QString openFile(QWidget*, const QString&, const QString&) override { return next(); }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return next(); }

private:
    QString next() {
        if (answers.empty())
            return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
};

// VarnoxReplica's window: a copy of source into target, or, with no target, source cleared in place.
inline void runReplica(const QString& source, const QString& target = {}) {
    ScriptedDialogs dialogs;
    replica::frmReplica w(dialogs);
    w.Op[target.isEmpty() ? 1 : 0]->click();
    dialogs.answers = {source};
    w.cmdFrom->click();
    if (!target.isEmpty()) {
        dialogs.answers = {target};
        w.cmdTo->click();
    }
    w.cmdDone->click();
}

} // namespace mainroad
