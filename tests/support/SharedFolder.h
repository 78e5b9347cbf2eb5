// A folder of another file system type mounted for a test: bindfs (FUSE) stands in for a shared network
// folder (the kernel reports it as a FUSE file system, as it does sshfs and the like), optionally read-only.
#pragma once

#include <QString>

namespace testenv {

class SharedFolder {
public:
    // Mounts `real` at `at` (both folders must exist); ok() is false where bindfs or FUSE is missing.
    SharedFolder(const QString& real, const QString& at, bool readOnly = false);
    ~SharedFolder();
    SharedFolder(const SharedFolder&) = delete;
    SharedFolder& operator=(const SharedFolder&) = delete;
    bool ok() const { return mounted_; }

private:
    void unmount();
    QString at_;
    bool mounted_ = false;
};

} // namespace testenv
