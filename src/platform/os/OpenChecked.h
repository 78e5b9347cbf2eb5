// The one door to the files of a company folder: every open of a path there goes through it, so that what is
// checked is the descriptor then used, never a look at the path taken before (another program may put a pipe,
// a link or a folder there in between). A pipe is never waited on, a link of our own naming never followed.
#pragma once

#include <QString>
#include <sys/types.h>

namespace os {

enum class Links {
    Refuse, // a name Varnox or the engine makes: a link there is someone else's
    Follow, // a .vrd or .vrk the user chose may be a link to their file
};

// What an open gave: a descriptor of a regular file (O_CLOEXEC, blocking as usual), or why not.
struct Opened {
    int fd = -1;
    int error = 0;   // errno of the refusal; 0 when fd is valid
    mode_t kind = 0; // S_IFMT of what lies there when that is why it was refused (a link, a pipe, a folder, a
                     // device…); 0 for another cause (none there, no right)
    explicit operator bool() const { return fd >= 0; }
};

// open(2) with O_NONBLOCK and O_CLOEXEC (O_NOFOLLOW unless links are followed), then fstat(2) on what was
// opened: anything but a regular file is closed again and refused, with errno set as in error.
Opened openChecked(const char* path, int flags, mode_t mode = 0, Links links = Links::Refuse);
Opened openChecked(const QString& path, int flags, mode_t mode = 0, Links links = Links::Refuse);

// A folder opened to flush it after a file in it was made, renamed or removed: only a folder is opened.
Opened openFolder(const char* path);
Opened openFolder(const QString& path);

// Links are followed only for the database and control file themselves (".vrd", ".vrk"), never for the
// names made beside them (journals, logs, temporaries, lock files).
Links linksFor(const char* path);

} // namespace os
