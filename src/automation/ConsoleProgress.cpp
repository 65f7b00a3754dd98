#include "automation/ConsoleProgress.h"

#include "automation/ConsolePrompt.h"
#include "renaming/RenameReport.h"

namespace quelt {
namespace {

// Longest progress line written, so that it fits a common terminal width.
constexpr qsizetype MaxLineWidth = 79;

} // namespace

ConsoleProgress::ConsoleProgress(bool showReport, std::FILE* out, std::FILE* reportOut)
    : live_(IsTerminal(out)), showReport_(showReport), out_(out), reportOut_(reportOut)
{
}

ConsoleProgress::~ConsoleProgress()
{
    endLine();
}

void ConsoleProgress::setLblProgress(const QString& text) { action_ = text; redraw(); }
void ConsoleProgress::setPbrProgress(qint64, qint64) {}
void ConsoleProgress::setPbrTotalProgress(qint64, qint64) {}
void ConsoleProgress::setLblTotalProgress(const QString& text) { percent_ = text; redraw(); }
void ConsoleProgress::setLblTimeLeft(const QString& text) { timeLeft_ = text; redraw(); }
void ConsoleProgress::setProgress(int, int) {}
void ConsoleProgress::setAction(const QString& text) { action_ = text; redraw(); }
void ConsoleProgress::setPercent(const QString& text) { percent_ = text; redraw(); }
void ConsoleProgress::setTimeLeft(const QString& text) { timeLeft_ = text; redraw(); }

void ConsoleProgress::scanYield(const QString& folder, const ScanCounters& counters)
{
    action_ = QStringLiteral("Scanning %1 (%2 found)").arg(folder).arg(counters.foundItems);
    percent_.clear();
    timeLeft_.clear();
    redraw();
}

void ConsoleProgress::showReport(const RenameResult& result, bool folders)
{
    if (!showReport_)
        return;
    endLine();
    std::fputs(FormatReportText(result, folders).toUtf8().constData(), reportOut_);
    std::fflush(reportOut_);
}

void ConsoleProgress::redraw()
{
    if (!live_)
        return;
    QString line = action_.simplified();
    if (!percent_.isEmpty())
        line += QStringLiteral("  ") + percent_;
    if (!timeLeft_.isEmpty())
        line += QStringLiteral("  ") + timeLeft_;
    if (line.size() > MaxLineWidth)
        line = line.left(MaxLineWidth - 3) + QStringLiteral("...");
    std::fprintf(out_, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(out_);
    lineOpen_ = true;
}

void ConsoleProgress::endLine()
{
    if (lineOpen_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        lineOpen_ = false;
    }
}

} // namespace quelt
