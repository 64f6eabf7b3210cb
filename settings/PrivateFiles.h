#pragma once

#include <QByteArray>
#include <QString>

namespace sievra {

// Files that hold passwords and the addresses of people who wrote are the user's alone:
// every file Sievra creates is 0600 and every folder of its own 0700, whatever the umask,
// and files written in place of others never write through a symbolic link.

// Creates `folder` and any missing parent with mode 0700. With `tighten`, an existing
// `folder` is set to 0700 too (only for folders that are Sievra's own). Returns the reason
// it failed, or an empty text.
QString MakePrivateFolder(const QString& folder, bool tighten);

// Sets an existing file to 0600; a missing file is fine, and a file of another owner is left
// as it is. Follows links: a store the user linked elsewhere is still the user's store.
void TightenFile(const QString& path);

// Opens `path` with `flags` (O_CREAT allowed) but never through a symbolic link, creating it
// 0600 and tightening an existing one. Returns the descriptor, or -1 with errno set (ELOOP
// for a link).
int OpenPrivateNoFollow(const QString& path, int flags);

// Writes all of `bytes` to `fd`, going on after interruptions; false with errno set otherwise
// (ENOSPC when the disk takes nothing more).
bool WriteAll(int fd, const QByteArray& bytes);

// Flushes a folder's entries (a rename into it) to disk; false when that failed.
bool SyncFolder(const QString& folder);

// The reason for a failed open or write: "is a symbolic link" for ELOOP, else strerror.
QString FileErrorText(int error);

// Replaces `path` with `bytes` in one step: a new 0600 file beside it, flushed to disk, then
// renamed over `path` (a link there is replaced, never followed) and the folder synced.
// Returns the reason it failed, or an empty text; on failure `path` is unchanged.
QString WritePrivateFile(const QString& path, const QByteArray& bytes);

} // namespace sievra
