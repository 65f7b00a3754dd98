#pragma once
// The disaster recovery file drinfo.dat: header, date, time and item count, then
// one triple (folder, old name, new name) per renamed item. The rename run keeps
// it current while it runs (RecoveryJournal), so a crash leaves a file from which
// the next start restores every name that had changed.

#include "engine/PreviewItem.h"
#include "platform/ProgramFiles.h"
#include "renaming/RenameResult.h"

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <vector>

namespace quelt {

inline const QString RecoveryFileHeader = QStringLiteral("#Quelt Disaster Recovery File v1.0");
inline const QString RecoveryFileName = QStringLiteral("drinfo.dat");

/// Path of drinfo.dat in the program folder.
QString RecoveryFilePath();

/// Appends the triples of a running rename run to drinfo.dat as each rename
/// succeeds, with no buffering in the program. Every SyncEvery triples a sync to
/// disk is started on a helper thread, so the run does not wait for the disk
/// (on ext4 the sync also commits the renames made so far); finish() syncs and
/// waits.
class RecoveryJournal {
public:
    static constexpr int SyncEvery = 1000;

    RecoveryJournal();
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    /// Replaces drinfo.dat with the header lines and `itemCount`. False when it
    /// cannot be written (the run then goes on without a journal).
    bool begin(const QString& path, int itemCount);
    bool isOpen() const { return file_.isOpen(); }
    /// Records one renamed item right after its rename succeeded.
    void recordRenamed(const QString& folder, const QString& oldName, const QString& newName);
    /// The same with the three lines given as their bytes (platform::EncodeName).
    void recordRenamedBytes(QByteArrayView folder, QByteArrayView oldName, QByteArrayView newName);
    /// Syncs and closes the file.
    void finish();

private:
    class Syncer;
    platform::TextAppender file_;
    std::unique_ptr<Syncer> syncer_;
    int sinceSync_ = 0;
};

/// The first four lines (header, current date and time, item count), CR LF ended.
QByteArray RecoveryFileStart(int itemCount);
/// One triple: folder, old name, new name, each written as its own bytes
/// (platform::EncodeName), CR LF ended.
QByteArray RecoveryFileTriple(const RecoveryEntry& entry);
QByteArray RecoveryFileTriple(QByteArrayView folder, QByteArrayView oldName, QByteArrayView newName);
/// Replaces the file at `path` atomically with the start lines and the triples.
bool WriteRecoveryFile(const QString& path, int itemCount, const std::vector<RecoveryEntry>& entries);

/// What a recovery file holds, as read.
struct RecoveryFileContent {
    /// Missing: no file. Unreadable: it cannot be read, is empty, or ends before
    /// the time line. BadHeader: the first line is not RecoveryFileHeader.
    /// NoItemCount: it ends before the count line. TooManyTriples: more complete
    /// triples than the count. BadTriple: a triple that is no item path (a folder
    /// that is not absolute or does not end in "/", an empty name, a name with "/",
    /// "." or "..", a NUL anywhere).
    enum class Status { Ok, Missing, Unreadable, BadHeader, NoItemCount, TooManyTriples, BadTriple };
    Status status = Status::Missing;
    QString date;
    QString time;
    int itemCount = 0;
    /// One item per complete triple, in file order, with renameDone, selected and
    /// included set. A torn last triple (cut by a crash: fewer than three lines, or
    /// a last line without its line end) is left out. Empty when the count is not
    /// above 0: such a file restores nothing.
    PreviewArray items;
    /// True when a torn last triple was left out.
    bool tornTail = false;
};

/// Parses the bytes of a recovery file: any line ends, a UTF-8 BOM skipped; each
/// line decodes as a name does (platform::DecodeName), so bytes that are not
/// UTF-8 come back as the same bytes on disk. The count line is read as its
/// leading number (spaces around it do no harm). Never reads past the buffer.
RecoveryFileContent ParseRecoveryFile(QByteArrayView bytes);
RecoveryFileContent ReadRecoveryFile(const QString& path);

} // namespace quelt
