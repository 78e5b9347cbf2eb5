// Whether a connection still reads the file at its path as it last saw it. The engine trusts the pages it
// cached while the header's change count stays the same; a program that is not SQLite (a copy put over the
// file in place, a restore) can change the pages without changing the count. The file's look (size and
// times) tells that something happened: then the connection forgets what it cached and reads the file as
// it is. Only another file refuses: the file moved, renamed over or deleted, or, for a connection that
// shows the user what it read, an earlier copy of the file put in its place (the count went down).
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

namespace db {

// The change count and what stat() shows of the file, read together while no one else can write.
struct FileLook {
    quint32 changes = 0;
    std::array<qint64, 2> identity{}; // device, inode
    std::array<qint64, 5> look{};     // size, modification and change times
    bool operator==(const FileLook&) const = default;
};

class FileIdentity {
  public:
    enum class Verdict {
        Same,     // the engine's own checks hold
        Freshen,  // the file changed under an unchanged count: forget what was cached, then go on
        Replaced, // another file: why() names it
    };
    struct Judgement {
        Verdict verdict;
        QString why;
    };

    // now: the look under a lock (none when it could not be read); moved: the engine's own word that the
    // path names another file or none; logged: the file is in WAL mode, where the header keeps no count.
    Judgement judge(const std::optional<FileLook>& now, bool moved, bool logged) const;
    // What the connection holds from now on; none when it could not be read (the next look then freshens).
    void keep(const std::optional<FileLook>& now) {
        seen_ = now;
        viewHeld_ = true;
    }
    // The connection shows nobody what it read (a kept connection between its readers): any copy of the
    // file at the path is simply read next, even an earlier one.
    void letGo() { viewHeld_ = false; }

    // Whether stat() shows the file at path just as when it was last kept: nothing wrote, moved or
    // touched it since. No lock is needed for this; a difference is then judged under one.
    bool unchangedAt(const QByteArray& nativePath) const;

    static std::optional<FileLook> lookAt(const QByteArray& nativePath, quint32 changes);

  private:
    std::optional<FileLook> seen_;
    bool viewHeld_ = false;
};

} // namespace db
