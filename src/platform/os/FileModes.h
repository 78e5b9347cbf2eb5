// The modes of the files we write: what the user's umask gives a new file, or owner-only for files that
// hold a secret.
#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace os {

constexpr mode_t kPrivateMode = 0600;

// The user's umask, read without changing it (other threads may be creating files meanwhile).
mode_t currentUmask();
// 0666 with the umask applied: the mode open(2) gives a new file.
mode_t newFileMode();

// The mode of the file at path (links followed only to a .vrd or .vrk); false when it fails (a missing
// file, one that is no regular file, or one this user may not read included).
bool setFileMode(const QString& path, mode_t mode);
// The open file's mode (fchmod(2)), so that nothing is written before the mode is right.
bool setFileMode(int fd, mode_t mode);
// The permission bits of the file at path; -1 when it cannot be read.
int fileMode(const QString& path);

// What a file put in place of another (a compaction, a copy, a new database, a lock file) could be given
// of the file it stands for.
enum class Shared { Same, NoGroup, NoMode, NoRights };
// Gives the open file the permission bits (within `bits`), the group and the extended attributes (its access
// control list naming other users, and the like) of the file at model, and as root its owner too, so that
// whoever could use that file can use this one: a user's own umask and primary group (in a folder without
// setgid) would take it from them. NoGroup when the group cannot be given (the user is no member of it),
// NoMode when the file system keeps no such mode (a mount that maps owners), NoRights when some attribute
// could not be given (its names in notKept); Same when there is no model.
Shared shareAs(int fd, const QString& model, mode_t bits = 07777, QStringList* notKept = nullptr);
Shared shareAs(const QString& path, const QString& model, mode_t bits = 07777,
               QStringList* notKept = nullptr);

} // namespace os
