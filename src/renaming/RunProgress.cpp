#include "renaming/RunProgress.h"

#include "app/Settings.h"

#include <QTime>
#include <QtGlobal>
#include <cmath>

namespace quelt {

namespace {
constexpr qint64 MinDoEventsTimeout = 100;
constexpr qint64 MaxDoEventsTimeout = 5000;
constexpr qint64 SecondsPerDay = 24 * 60 * 60;
} // namespace

QString FormatTimeLeft(qint64 count, qint64 handled, double elapsedSeconds)
{
    qint64 seconds = 0;
    if (handled > 0 && count > handled && elapsedSeconds > 0)
        seconds = qint64(std::floor(double(count - handled) * elapsedSeconds / double(handled)));
    return QTime(0, 0).addSecs(int(seconds % SecondsPerDay)).toString(QStringLiteral("HH:mm:ss"));
}

QString FormatPercent(qint64 value, qint64 maximum)
{
    const qint64 percent = maximum > 0 ? 100 * value / maximum : 0;
    return QString::number(percent) + u'%';
}

PhaseProgress::PhaseProgress(RenameProgressView& view)
    : view_(view),
      timeoutMs_(qBound(MinDoEventsTimeout, qint64(AppSettings().DoEventsTimeout), MaxDoEventsTimeout))
{
    restart();
}

void PhaseProgress::restart()
{
    phase_.start();
    sinceUpdate_.start();
}

void PhaseProgress::show(qint64 value, qint64 maximum, qint64 handled, const QString& action)
{
    view_.setProgress(int(value), int(maximum));
    view_.setPercent(FormatPercent(value, maximum));
    view_.setAction(action);
    view_.setTimeLeft(FormatTimeLeft(maximum, handled, double(phase_.nsecsElapsed()) / 1e9));
    sinceUpdate_.start();
    view_.yield();
}

FolderIndex::FolderIndex(const PreviewArray& items, qsizetype count, bool enabled)
{
    if (!enabled)
        return;
    for (qsizetype j = 0; j < count; ++j)
        byFolder_[items[std::size_t(j)].folder].push_back(j);
}

void FolderIndex::replacePrefix(PreviewArray& items, qsizetype self, const QString& from, const QString& to)
{
    QStringList inside;
    for (auto it = byFolder_.cbegin(); it != byFolder_.cend(); ++it) {
        if (it.key().startsWith(from))
            inside.append(it.key());
    }
    for (const QString& folder : inside) {
        std::vector<qsizetype> members = byFolder_.take(folder);
        const QString corrected = to + folder.mid(from.size());
        for (qsizetype j : members) {
            if (j != self)
                items[std::size_t(j)].folder = corrected;
        }
        std::vector<qsizetype>& target = byFolder_[corrected];
        target.insert(target.end(), members.begin(), members.end());
    }
}

} // namespace quelt
