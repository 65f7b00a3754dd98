#pragma once
// Pieces the rename run and the undo run share: the throttled progress display
// with its time-left estimate, and the folder-path correction of folder mode.

#include "engine/PreviewItem.h"
#include "renaming/RenameResult.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <vector>

namespace quelt {

/// The time left of a phase as "HH:MM:SS": (count - handled) * elapsed / handled
/// seconds, shown as a time of day (so it wraps after 24 hours).
QString FormatTimeLeft(qint64 count, qint64 handled, double elapsedSeconds);
/// "N%" with N the integer part of 100 * value / maximum (0 when maximum is 0).
QString FormatPercent(qint64 value, qint64 maximum);

/// Updates a progress view at most once per DoEventsTimeout milliseconds and
/// yields to the host's message loop once per update.
class PhaseProgress {
public:
    explicit PhaseProgress(RenameProgressView& view);

    /// Restarts the phase clock (for the estimate) and the update clock.
    void restart();
    /// True when more than DoEventsTimeout ms have passed since the last update.
    bool due() const { return sinceUpdate_.elapsed() > timeoutMs_; }
    /// Shows value of maximum, the action and the estimate after `handled` items,
    /// then yields once.
    void show(qint64 value, qint64 maximum, qint64 handled, const QString& action);

private:
    RenameProgressView& view_;
    qint64 timeoutMs_;
    QElapsedTimer phase_;
    QElapsedTimer sinceUpdate_;
};

/// Finds the items that lie inside a folder by their folder path, so a renamed
/// folder costs a look at each distinct folder rather than at every item.
class FolderIndex {
public:
    /// Indexes the first `count` items; an empty index when `enabled` is false.
    FolderIndex(const PreviewArray& items, qsizetype count, bool enabled);

    /// For every item except `self` whose folder begins with `from` (exact
    /// comparison), replaces that beginning by `to`.
    void replacePrefix(PreviewArray& items, qsizetype self, const QString& from, const QString& to);

private:
    QHash<QString, std::vector<qsizetype>> byFolder_;
};

} // namespace quelt
