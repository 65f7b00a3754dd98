#pragma once
// Pieces of RenameNoReplace that the tests call directly, because the file
// systems that need them (no RENAME_NOREPLACE, case-insensitive) are not at hand
// where the tests run. Not for use outside the platform layer.

#include "platform/FileSystem.h"

#include <QByteArray>

namespace quelt::platform::internal {

/// Rename for a file system that refuses RENAME_NOREPLACE: a folder goes through
/// RenameAfterCheck, anything else through RenameByLink.
OpResult RenameWithoutNoReplaceFlag(const QByteArray& from, const QByteArray& to);

/// Links the new name (which fails when it exists), then unlinks the old one.
/// Where the file system has no hard links, falls back to RenameAfterCheck.
OpResult RenameByLink(const QByteArray& from, const QByteArray& to);

/// Fails with 58 when the target exists, else renames. Not atomic: the best a
/// file system offers that has neither the flag nor hard links.
OpResult RenameAfterCheck(const QByteArray& from, const QByteArray& to);

/// True when `to` names the same item as `from` in the same folder with only the
/// letter case changed (a case-insensitive file system finds one through the other).
bool IsCaseChangeOfSameItem(const QByteArray& from, const QByteArray& to);

/// Renames through a fresh temporary name in the same folder, so that a change of
/// letter case takes effect on a case-insensitive file system (renaming an item
/// onto itself would be a no-op there). Never replaces; on failure the item keeps
/// its old name.
OpResult RenameThroughTemporary(const QByteArray& from, const QByteArray& to);

/// ReadItemPresence of `path`, taken relative to the open folder `folder`
/// (AT_FDCWD: the working folder).
ItemPresence PresenceAt(int folder, const char* path);

} // namespace quelt::platform::internal
