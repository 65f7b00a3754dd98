#pragma once
// Byte access to the contents of users' files (songs, pictures, documents) by
// item path, for the metadata readers and writers.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace quelt::platform {

class ItemFile {
public:
    enum class Mode { Read, ReadWrite };

    ItemFile() = default;
    ~ItemFile();
    ItemFile(ItemFile&& other) noexcept;
    ItemFile& operator=(ItemFile&& other) noexcept;
    ItemFile(const ItemFile&) = delete;
    ItemFile& operator=(const ItemFile&) = delete;

    /// Opens an existing regular file (following symlinks). On failure returns false
    /// and error() holds the FailureCode (53 when it does not exist, 70 when it may
    /// not be opened, 75 for a folder, FIFO or device, ...).
    bool open(const QString& path, Mode mode = Mode::Read);
    bool isOpen() const { return fd_ >= 0; }
    void close();

    int error() const { return error_; }
    std::int64_t size() const;

    /// Reads up to `length` bytes at `offset`; fewer at the end of the file.
    QByteArray read(std::int64_t offset, std::int64_t length);
    /// Writes all bytes at `offset`. False (and error()) on failure.
    bool write(std::int64_t offset, const QByteArray& bytes);
    bool truncate(std::int64_t length);
    bool sync();

    /// Creates an empty temporary file in the same folder as `path` (as the file a
    /// symlink names, its folder), with the permissions of `path`; tempPath() names it.
    /// A temporary made before by this object is deleted first.
    bool createTemporaryBeside(const QString& path);
    const QString& tempPath() const { return tempPath_; }
    /// Syncs and closes this temporary file and renames it over `path` (over the
    /// file a symlink names, so the link stays). On failure the temporary is deleted
    /// and `path` is left as it was.
    bool replace(const QString& path);
    /// Closes and deletes the temporary file (when replace() was not called).
    void discardTemporary();

private:
    int fd_ = -1;
    int error_ = 0;
    QString tempPath_;
};

/// Reads at most `maxBytes` from the start of a file; empty when it cannot be read.
QByteArray ReadFileStart(const QString& path, std::int64_t maxBytes);

} // namespace quelt::platform
