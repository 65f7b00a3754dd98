#pragma once
// Progress of scans, previews, rename and undo runs on the console: one line on
// stderr, rewritten in place, and only when stderr is a terminal.

#include "app/ScanFolder.h"
#include "engine/PreviewProgress.h"
#include "renaming/RenameResult.h"

#include <QString>
#include <cstdio>

namespace quelt {

class ConsoleProgress : public PreviewProgressView, public RenameProgressView, public ScanProgressView {
public:
    /// `showReport`: print the renaming report to stdout when a run asks for it.
    explicit ConsoleProgress(bool showReport, std::FILE* out = stderr, std::FILE* reportOut = stdout);
    ~ConsoleProgress() override;

    // Preview
    void setLblProgress(const QString& text) override;
    void setPbrProgress(qint64 value, qint64 maximum) override;
    void setPbrTotalProgress(qint64 value, qint64 maximum) override;
    void setLblTotalProgress(const QString& text) override;
    void setLblTimeLeft(const QString& text) override;

    // Rename and undo runs
    void setProgress(int value, int maximum) override;
    void setAction(const QString& text) override;
    void setPercent(const QString& text) override;
    void setTimeLeft(const QString& text) override;
    void setStopEnabled(bool) override {}
    void showReport(const RenameResult& result, bool folders) override;

    // Scans
    void scanYield(const QString& folder, const ScanCounters& counters) override;

    /// Ends the progress line, so the next output starts on a line of its own.
    void endLine();

private:
    void redraw();

    bool live_;
    bool showReport_;
    std::FILE* out_;
    std::FILE* reportOut_;
    QString action_;
    QString percent_;
    QString timeLeft_;
    bool lineOpen_ = false;
};

} // namespace quelt
