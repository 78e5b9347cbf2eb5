#include "db/FileIdentity.h"

#include <QFile>
#include <sys/stat.h>

namespace db {

std::optional<FileLook> FileIdentity::lookAt(const QByteArray& nativePath, quint32 changes) {
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0) return std::nullopt;
    FileLook l;
    l.changes = changes;
    l.identity = {qint64(st.st_dev), qint64(st.st_ino)};
    l.look = {qint64(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec,
              st.st_ctim.tv_nsec};
    return l;
}

bool FileIdentity::unchangedAt(const QByteArray& nativePath) const {
    const std::optional<FileLook> now = lookAt(nativePath, 0);
    return now && seen_ && now->identity == seen_->identity && now->look == seen_->look;
}

FileIdentity::Judgement FileIdentity::judge(const std::optional<FileLook>& now, bool moved,
                                            bool logged) const {
    if (moved || (now && seen_ && now->identity != seen_->identity))
        return {Verdict::Replaced, QStringLiteral("the database file was moved or deleted")};
    if (!now || !seen_) return {Verdict::Freshen, {}}; // cannot tell: reading the file afresh is always right
    // A rollback of another program's transaction gives the count back as it was, never a lower one.
    if (viewHeld_ && now->changes < seen_->changes)
        return {Verdict::Replaced,
                QStringLiteral("an earlier copy of the database file was put in its place")};
    // A file in WAL mode keeps its count in the log; the engine checks the log itself.
    if (!logged && now->changes == seen_->changes && now->look != seen_->look) return {Verdict::Freshen, {}};
    return {Verdict::Same, {}};
}

} // namespace db
