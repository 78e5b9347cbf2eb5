#include "ui/TextBoxes.h"

#include "text/Cp932.h"
#include "ui/MessageService.h"

#include <QLineEdit>

namespace ui {

void keepStoredForms(QLineEdit* box) {
    QObject::connect(box, &QLineEdit::textEdited, box, [box](const QString& typed) {
        const QString stored = text::toStoredForm(typed);
        if (stored == typed)
            return;
        // Same length: the cursor stays where it was.
        const int cursor = box->cursorPosition();
        box->setText(stored);
        box->setCursorPosition(cursor);
    });
}

bool refuseUnencodable(std::initializer_list<NamedBox> boxes) {
    for (const NamedBox& b : boxes) {
        const text::TypedText t = text::checkTyped(b.box->text());
        if (t.ok())
            continue;
        messages().error(text::unencodableMessage(QStringLiteral("「%1」").arg(b.name), t.bad));
        b.box->setFocus();
        b.box->setSelection(int(t.bad.index), int(t.bad.character.size()));
        return false;
    }
    return true;
}

QString storedText(const QLineEdit* box) { return text::toStoredForm(box->text()); }

} // namespace ui
