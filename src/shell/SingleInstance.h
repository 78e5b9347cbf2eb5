// One running Varnox per user: a lock file in the user's runtime folder, freed when the program ends
// (also after a crash, as the lock names a process that no longer runs).
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace shell {

class SingleInstance {
public:
    // Takes the lock; false when another running copy holds it.
    bool acquire(const QString& lockPath = defaultLockPath());
    static QString defaultLockPath();

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace shell
