#pragma once
// Shared by the rename-run, undo and recovery-file tests: a fixture with its own
// program folder and event log, a progress view that records what it was told,
// and helpers that look at the disk without the code under test.

#include "app/Settings.h"
#include "platform/NameCodec.h"
#include "renaming/EventLog.h"
#include "renaming/RecoveryFile.h"
#include "renaming/RenameRun.h"
#include "renaming/Undo.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <dirent.h>
#include <functional>
#include <sys/stat.h>

namespace quelt::test {

inline std::string Native(const QString& path) { return platform::EncodeName(path).toStdString(); }

class RecordingView : public RenameProgressView {
public:
    void setProgress(int value, int maximum) override { lastValue = value, lastMaximum = maximum; }
    void setAction(const QString& text) override { actions.append(text); }
    void setPercent(const QString& text) override { percent = text; }
    void setTimeLeft(const QString& text) override { timeLeft = text; }
    void setStopEnabled(bool enabled) override { stopEnabled = enabled; }
    bool isWizard() const override { return wizard; }
    bool isRenamingWindow() const override { return !wizard; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield();
    }
    void showReport(const RenameResult& result, bool folders) override
    {
        ++reports;
        reportFolders = folders;
        reportRenamed = result.renamedCount;
    }
    void finishedRenaming() override { ++finished; }

    bool wizard = false;
    std::function<void()> onYield;
    QStringList actions;
    QString percent, timeLeft;
    int lastValue = -1, lastMaximum = -1;
    bool stopEnabled = true;
    int yields = 0, reports = 0, finished = 0, reportRenamed = -1;
    bool reportFolders = false;
};

/// Each test gets a fresh program folder (QUELT_HOME), an open event log in it,
/// default settings and a fresh rename state (as after a restart).
class RenamingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedHome_ = qgetenv("QUELT_HOME");
        qputenv("QUELT_HOME", platform::EncodeName(home_.path()));
        AppSettings() = Settings{};
        AppSettings().DoEventsTimeout = 5000;
        SetLogFolder(home_.path());
        OpenLog();
        RenameState() = RenameRunState{};
    }
    void TearDown() override
    {
        CloseLog();
        SetLogFolder({});
        AppSettings() = Settings{};
        RenameState() = RenameRunState{};
        qputenv("QUELT_HOME", savedHome_);
    }

    /// Forgets everything in memory, as a new start of the program does.
    void restart() { RenameState() = RenameRunState{}; }

    QString dir() const { return work_.path(); }
    QString path(const QString& relative) const { return work_.path() + relative; }
    void makeFile(const QString& relative, const QByteArray& content = {}) const
    {
        WriteBytes(Native(path(relative)), content.isEmpty() ? platform::EncodeName(relative) : content);
    }
    void makeFolder(const QString& relative) const { ::mkdir(Native(path(relative)).c_str(), 0755); }
    QByteArray content(const QString& relative) const { return ReadBytes(Native(path(relative))); }
    bool exists(const QString& relative) const
    {
        struct stat st {};
        return ::lstat(Native(path(relative)).c_str(), &st) == 0;
    }
    /// The names in a folder of the work folder, sorted.
    QStringList names(const QString& relative = {}) const
    {
        QStringList out;
        if (DIR* d = ::opendir(Native(path(relative)).c_str())) {
            while (dirent* e = ::readdir(d)) {
                const QByteArray n(e->d_name);
                if (n != "." && n != "..")
                    out.append(platform::DecodeName(n));
            }
            ::closedir(d);
        }
        out.sort();
        return out;
    }
    PreviewItem item(const QString& folder, const QString& oldName, const QString& newName, bool selected = true,
                     bool included = true) const
    {
        PreviewItem i;
        i.folder = path(folder);
        i.oldName = oldName;
        i.newName = newName;
        i.included = included;
        i.selected = selected;
        return i;
    }
    /// The texts of the log's "INFO" and "ERROR" lines, without level and time.
    QStringList logTexts() const
    {
        QStringList out;
        const QString text = platform::DecodeName(ReadBytes(Native(home_.file("events.log"))));
        for (const QString& line : text.split(QStringLiteral("\r\n"))) {
            const qsizetype end = line.indexOf(QStringLiteral("] "));
            if (line.startsWith(u'[') && end > 0)
                out.append(line.mid(end + 2));
        }
        return out;
    }
    QString recoveryFile() const { return home_.file(QStringLiteral("drinfo.dat")); }
    bool recoveryFileExists() const
    {
        struct stat st {};
        return ::lstat(Native(recoveryFile()).c_str(), &st) == 0;
    }
    QString home() const { return home_.path(); }

    void run(PreviewArray& items, RunOrigin origin = RunOrigin::FromPreviewWindow, bool folderMode = false,
             MainListHost* list = nullptr)
    {
        RenameRunContext context;
        context.prompt = &prompt;
        context.mainList = list ? list : &mainList;
        context.folderMode = folderMode;
        context.silent = silent;
        context.showReport = showReport;
        RunRename(items, int(items.size()), origin, view, context);
    }
    /// A launcher that runs the undo in a fresh recording view.
    UndoWindowLauncher undoWindow(MainListHost* list = nullptr)
    {
        return [this, list](UndoRecord& record) {
            RecordingView undoView;
            lastUndo = RunUndo(record, undoView, prompt, list ? list : &mainList);
            ++undoWindows;
        };
    }

    TempDir home_;
    TempDir work_;
    QByteArray savedHome_;
    RecordingView view;
    ScriptedPrompt prompt;
    BasicMainList mainList;
    bool silent = false;
    bool showReport = false;
    UndoOutcome lastUndo;
    int undoWindows = 0;
};

} // namespace quelt::test
