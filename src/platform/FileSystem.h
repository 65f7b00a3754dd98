#pragma once
// File-system services for item paths. Paths are QStrings in the program (see
// NameCodec.h for how bytes map to them) and become bytes only in this layer;
// item paths never go through QFile or QDir.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <string>
#include <vector>

namespace quelt::platform {

/// FailureCode values this layer reports (the renaming report groups them).
constexpr int FailureNotFound = 53;
constexpr int FailureIoError = 57;
constexpr int FailureAlreadyExists = 58;
constexpr int FailureDeviceUnavailable = 68;
constexpr int FailureAccessDenied = 70;
constexpr int FailureCannotAccess = 75;
constexpr int FailureOutOfMemory = 31001;
/// A code of the "unknown error" class, for errno values with no better match.
constexpr int FailureUnknown = 51;

/// Outcome of a file-system change: 0 or a FailureCode, with strerror's text.
struct OpResult {
    int code = 0;
    QString description;
    bool ok() const { return code == 0; }
};

/// Maps an errno value to the program's FailureCode numbering
/// (53 not found, 58 exists, 70 permission, 75 path/access, 57 I/O, 68 device,
/// 31001 out of memory, anything else FailureUnknown).
int FailureCodeFromErrno(int err);
/// OpResult for an errno value (code and strerror text).
OpResult ResultFromErrno(int err);

/// True when something is at the path (lstat: a dangling symlink exists).
bool PathExists(const QString& path);
/// True when the path is a folder (stat: a symlink to a folder counts); false for
/// an empty path or one of spaces only.
bool FolderExists(const QString& path);

struct DirEntry {
    enum class Type : std::uint8_t { Unknown, File, Directory, Symlink, Other };
    QString name;
    Type type = Type::Unknown; // from d_type; Unknown when the file system does not say
};

/// Lists a folder's entries (without "." and ".."), in readdir order, into
/// `entries` (replacing what it held). Names decode losslessly (NameCodec.h); no
/// entry is stat'ed. Returns false, and sets *error to the errno value, when the
/// folder cannot be opened or read (entries then holds what was read); *error is
/// 0 on success.
bool ListFolder(const QString& folder, std::vector<DirEntry>& entries, int* error = nullptr);

/// Windows-style name filter: "*" and "?", letters compared without regard to
/// case, and "*.*" matches every name, also one without a dot.
bool MatchesNameFilter(QStringView name, QStringView pattern);

/// A name filter prepared once (the pattern case folded) for matching many names,
/// with the rules of MatchesNameFilter.
class NameFilter {
public:
    explicit NameFilter(QStringView pattern);
    bool matches(QStringView name) const;

private:
    std::u32string pattern_;
    std::u32string withoutDotStar_; // the pattern without a trailing ".*", else empty
    bool hasDotStar_ = false;
};

/// Renames without ever replacing an existing target (RENAME_NOREPLACE, with the
/// link/unlink and check-then-rename fallbacks where the flag is refused); an
/// existing target gives 58 and both items stay as they were. A change of letter
/// case only, where the file system finds the old item under the new name
/// (case-insensitive), goes through a temporary name in the same folder, because
/// renaming an item onto itself does nothing there. The same path twice is no
/// change (53 when nothing is there). Symlinks are renamed, not their targets.
OpResult RenameNoReplace(const QString& from, const QString& to);

/// Deletes a file (or an empty folder).
OpResult DeletePath(const QString& path);

/// Size in bytes (64-bit) of a file (a symlink's target), 0 for a folder, or -1
/// when the path cannot be read.
std::int64_t FileSize(const QString& path);

/// Attribute bits, in the Windows numbering the rest of the program uses.
enum Attribute : unsigned {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrDirectory = 0x10,
    AttrArchive = 0x20,
};

struct AttributeInfo {
    bool ok = false;          // false when the path cannot be read
    unsigned attributes = 0;  // Attribute bits that are on
    unsigned changeable = 0;  // Attribute bits this item's file system lets us change
};

/// Reads read-only (owner's write permission), hidden (leading "." or the FAT
/// hidden bit), system and archive (FAT only), directory.
AttributeInfo ReadAttributes(const QString& path);
/// What a rename checks first, from one stat (and an lstat only when that fails).
struct ItemPresence {
    bool exists = false;   // something is at the path (a dangling symlink is)
    bool readOnly = false; // the AttrReadOnly bit ReadAttributes reports
};

/// Whether an item exists and is read-only, with the results of PathExists and of
/// ReadAttributes' read-only bit (the owner's write permission of the item, or of a
/// symlink's target; on FAT the kernel shows the read-only bit in those permissions),
/// at the cost of one system call for an item that exists.
ItemPresence ReadItemPresence(const QString& path);

/// A folder opened once for calls on many of its items by name: each call looks
/// up one name instead of walking the folder's whole path again. Names are given
/// as their bytes (EncodeName). The results are those of ReadItemPresence and
/// RenameNoReplace on folder + name; a name that is not a single path component,
/// and every failed rename, go through those functions on the full paths. The
/// handle stays on the folder it opened, also when that folder is renamed: open a
/// new one after renaming a folder above it.
class FolderHandle {
public:
    FolderHandle() = default;
    /// `folder` ends in "/". A folder that cannot be opened gives a handle whose
    /// calls all take the full paths.
    explicit FolderHandle(const QString& folder);
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    const QString& folder() const { return folder_; }
    /// The folder path as its bytes.
    const QByteArray& folderBytes() const { return folderBytes_; }
    ItemPresence presence(const QByteArray& name) const;
    OpResult renameNoReplace(const QByteArray& from, const QByteArray& to) const;

private:
    QString folder_;
    QByteArray folderBytes_;
    int fd_ = -1;
};

/// Sets the bits of `mask` to their value in `attributes`; others stay. A bit that
/// already has the asked value is no change. Changing a bit outside `changeable`
/// changes nothing and fails: with 75 and the reason as description where the file
/// system does not have the bit (hidden outside FAT: a rename is not an attribute
/// change), with 70 where only the owner may change it. Read-only set removes every
/// write permission bit; cleared, it adds the owner's.
OpResult SetAttributes(const QString& path, unsigned attributes, unsigned mask);

/// A point in time with nanoseconds, seconds since the Unix epoch (UTC).
struct FileTime {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

struct FileTimes {
    bool ok = false;
    FileTime created;   // birth time where kept, else the modification time
    FileTime modified;
    FileTime accessed;
    bool hasBirthTime = false;
};

/// Reads the times (following a symlink); ok is false when the path cannot be read.
FileTimes ReadFileTimes(const QString& path);
/// Sets the given times with nanoseconds (nullptr leaves one unchanged). A created
/// time cannot be set on Linux: asking for a value other than the one ReadFileTimes
/// reports fails with 75 and "the file system does not allow setting the creation
/// time", and changes nothing.
OpResult SetFileTimes(const QString& path, const FileTime* created, const FileTime* modified,
                      const FileTime* accessed);

} // namespace quelt::platform
