// Text boxes whose text ends up in CP932 files: what they keep is what a reopened file gives back.
#pragma once

#include <QString>
#include <initializer_list>

class QLineEdit;

namespace ui {

// Puts the characters CP932 reads back as others (〜 ¥ − ...) into their stored form as they are typed.
void keepStoredForms(QLineEdit* box);

struct NamedBox {
    QLineEdit* box;
    QString name; // as its label names it, without the colon
};

// The first box whose text CP932 cannot hold is refused: beep, a message naming the box and the
// character, focus on the box with the character selected. False then; true when every box is fine.
bool refuseUnencodable(std::initializer_list<NamedBox> boxes);

// The box's text in its stored form.
QString storedText(const QLineEdit* box);

} // namespace ui
