#include "core/FileReplaced.h"

#include "db/DbError.h"
#include "ui/MessageService.h"

namespace core {

bool isFileReplaced(const std::exception& e) {
    const auto* d = dynamic_cast<const db::DbError*>(&e);
    return d && d->kind() == db::ErrorKind::Replaced;
}

bool tellIfReplaced(const std::exception& e) {
    if (!isFileReplaced(e))
        return false;
    ui::messages().error(kReopenText);
    return true;
}

QString causeText(const std::exception& e) { return isFileReplaced(e) ? kReopenText : QString::fromUtf8(e.what()); }

} // namespace core
