#include "viewers/Register.h"

#include "frame/WindowRegistry.h"
#include "viewers/ListWindow.h"

namespace viewers {

void registerWindows() {
    for (const ListMember& m : listMembers()) {
        const ListMember* member = &m;
        frame::registerWindow(m.window, [member](core::AppState& state, QWidget* parent) -> QWidget* {
            return new ListWindow(state, *member, parent);
        });
    }
}

} // namespace viewers
