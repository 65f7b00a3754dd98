#include "engine/PreviewProgress.h"

#include <cmath>

namespace quelt {

int ProgressPercent(qint64 value, qint64 maximum)
{
    if (maximum <= 0)
        return 0;
    return int((value * 100) / maximum);
}

QString FormatTimeLeft(double seconds)
{
    const qint64 total = std::isfinite(seconds) && seconds > 0 ? qint64(std::llround(seconds)) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg((total / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

PreviewMeter::PreviewMeter(PreviewProgressView& view, int doEventsTimeout) : view_(view), timeout_(doEventsTimeout)
{
    clock_.start();
    sinceUpdate_.start();
}

void PreviewMeter::setItemBar(qint64 value)
{
    itemValue_ = value;
    view_.setPbrProgress(itemValue_, itemMaximum_);
}

void PreviewMeter::setItemMaximum(qint64 maximum)
{
    itemMaximum_ = maximum;
    view_.setPbrProgress(itemValue_, itemMaximum_);
}

void PreviewMeter::setTotalBar(qint64 value)
{
    totalValue_ = value;
    view_.setPbrTotalProgress(totalValue_, totalMaximum_);
}

void PreviewMeter::setTotalMaximum(qint64 maximum)
{
    totalMaximum_ = maximum;
    view_.setPbrTotalProgress(totalValue_, totalMaximum_);
}

void PreviewMeter::updatedAndYield()
{
    sinceUpdate_.restart();
    view_.yield();
}

} // namespace quelt
