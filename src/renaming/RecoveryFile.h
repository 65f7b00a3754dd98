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
#include <vector>

namespace quelt {

inline const QString RecoveryFileHeader = QStringLiteral("#Quelt Disaster Recovery File v1.0");
inline const QString RecoveryFileName = QStringLiteral("drinfo.dat");

/// Path of drinfo.dat in the program folder.
QString RecoveryFilePath();

/// Appends the triples of a running rename run to drinfo.dat as each rename
/// succeeds, with no buffering in the program; synced every SyncEvery triples
/// and at finish().
class RecoveryJournal {
public:
    static constexpr int SyncEvery = 1000;

    /// Replaces drinfo.dat with the header lines and `itemCount`. False when it
    /// cannot be written (the run then goes on without a journal).
    bool begin(const QString& path, int itemCount);
    bool isOpen() const { return file_.isOpen(); }
    /// Records one renamed item right after its rename succeeded.
    void recordRenamed(const QString& folder, const QString& oldName, const QString& newName);
    /// Syncs and closes the file.
    void finish();

private:
    platform::TextAppender file_;
    int sinceSync_ = 0;
};

/// What a recovery file holds, as read.
struct RecoveryFileContent {
    enum class Status { Ok, Missing, Unreadable, BadHeader, TooManyTriples };
    Status status = Status::Missing;
    QString date;
    QString time;
    int itemCount = 0;
    /// One item per complete triple, in file order, with renameDone, selected and
    /// included set. A torn last triple (cut by a crash) is left out.
    PreviewArray items;
};

/// Parses the bytes of a recovery file (any line ends, UTF-8 or Windows-1252).
RecoveryFileContent ParseRecoveryFile(QByteArrayView bytes);
RecoveryFileContent ReadRecoveryFile(const QString& path);

} // namespace quelt
