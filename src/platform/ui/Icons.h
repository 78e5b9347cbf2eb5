// Pictures of the program: its window icon, and toolbar icons whose disabled state is plainly grey.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace ui {

// The program's picture at the given size: a white V on a rounded square of the given colour.
QPixmap programPicture(int size, const QColor& colour = QColor(0x20, 0x4a, 0x87));

// The icon with disabled pictures made from its own: grey and faint, so a disabled button never looks
// like an enabled one, however dark its picture (the style's own greying keeps black nearly black). A pale
// picture gets dark lines for its enabled state, so it never looks like a disabled one either.
QIcon withPlainDisabled(const QIcon& icon, const QList<int>& sizes = {16, 22, 24, 32});

} // namespace ui
