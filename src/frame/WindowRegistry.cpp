#include "frame/WindowRegistry.h"

#include <QHash>

namespace frame {

namespace {
QHash<QString, WindowFactory>& registry() {
    static QHash<QString, WindowFactory> r;
    return r;
}
QHash<QString, Command>& commands() {
    static QHash<QString, Command> c;
    return c;
}
} // namespace

void registerWindow(const QString& name, WindowFactory factory) { registry().insert(name, std::move(factory)); }

WindowFactory windowFactory(const QString& name) { return registry().value(name); }

void registerCommand(const QString& name, Command c) { commands().insert(name, std::move(c)); }

Command command(const QString& name) { return commands().value(name); }

} // namespace frame
