#include "frame/WindowRegistry.h"

#include <QHash>

namespace frame {

namespace {
QHash<QString, WindowFactory>& registry() {
    static QHash<QString, WindowFactory> r;
    return r;
}
} // namespace

void registerWindow(const QString& name, WindowFactory factory) { registry().insert(name, std::move(factory)); }

WindowFactory windowFactory(const QString& name) { return registry().value(name); }

} // namespace frame
