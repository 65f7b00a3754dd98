#pragma once
// The progress view of the preview engine (implemented by the windows that host
// a preview, by the console and by tests), and the meter through which the
// engine and the sorting rule update it at most once per DoEventsTimeout.

#include <QElapsedTimer>
#include <QString>

namespace quelt {

/// What a host offers a preview run. Each setter stands for one control of the
/// host: the action label lblProgress, the item bar pbrProgress, the total bar
/// pbrTotalProgress, the total percent label lblTotalProgress and the time-left
/// label lblTimeLeft. Bars get their value and maximum together (64-bit: the total
/// bar counts items times rules).
class PreviewProgressView {
public:
    virtual ~PreviewProgressView() = default;
    virtual void setLblProgress(const QString& text) = 0;
    virtual void setPbrProgress(qint64 value, qint64 maximum) = 0;
    virtual void setPbrTotalProgress(qint64 value, qint64 maximum) = 0;
    virtual void setLblTotalProgress(const QString& text) = 0;
    virtual void setLblTimeLeft(const QString& text) = 0;
    /// Busy pointer on or off.
    virtual void setBusy(bool busy) { (void)busy; }
    /// Lets the host process its input once (windows: QCoreApplication::processEvents);
    /// the host's Stop button sets the run's stop flag from here.
    virtual void yield() {}
    /// Called once at the end of a run that was stopped.
    virtual void DoAction() {}
};

/// A view that shows nothing (silent runs, benchmarks).
class NullPreviewProgressView : public PreviewProgressView {
public:
    void setLblProgress(const QString&) override {}
    void setPbrProgress(qint64, qint64) override {}
    void setPbrTotalProgress(qint64, qint64) override {}
    void setLblTotalProgress(const QString&) override {}
    void setLblTimeLeft(const QString&) override {}
};

/// Integer part of 100 * value / maximum; 0 for a maximum of 0 or below.
int ProgressPercent(qint64 value, qint64 maximum);

/// Seconds as "HH:MM:SS" (hours not limited to 24; a negative time is 00:00:00),
/// rounded to the nearest second.
QString FormatTimeLeft(double seconds);

/// The state of the progress display during one preview run: bar maxima and
/// values, the clock of the run and the time of the last update.
class PreviewMeter {
public:
    PreviewMeter(PreviewProgressView& view, int doEventsTimeout);

    PreviewProgressView& view() { return view_; }

    void setItemBar(qint64 value);
    void setItemMaximum(qint64 maximum);
    void setTotalBar(qint64 value);
    void setTotalMaximum(qint64 maximum);
    qint64 itemMaximum() const { return itemMaximum_; }
    qint64 itemValue() const { return itemValue_; }
    qint64 totalMaximum() const { return totalMaximum_; }
    qint64 totalValue() const { return totalValue_; }
    int itemPercent() const { return ProgressPercent(itemValue_, itemMaximum_); }
    int totalPercent() const { return ProgressPercent(totalValue_, totalMaximum_); }

    /// True when more than DoEventsTimeout ms have passed since the last update.
    bool due() const { return sinceUpdate_.elapsed() > timeout_; }
    /// Notes an update, then yields once.
    void updatedAndYield();
    void yield() { view_.yield(); }

    /// Seconds since the run's clock was (re)started.
    double elapsedSeconds() const { return double(clock_.nsecsElapsed()) / 1e9; }
    void restartClock() { clock_.restart(); }

    /// Items in the run and rules finished so far (for the total bar).
    qint64 itemCount = 0;
    qint64 rulesFinished = 0;

private:
    PreviewProgressView& view_;
    int timeout_;
    QElapsedTimer clock_;
    QElapsedTimer sinceUpdate_;
    qint64 itemMaximum_ = 0;
    qint64 itemValue_ = 0;
    qint64 totalMaximum_ = 0;
    qint64 totalValue_ = 0;
};

} // namespace quelt
