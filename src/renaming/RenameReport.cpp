#include "renaming/RenameReport.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <initializer_list>

namespace quelt {
namespace {

const QString SupportAddress = QStringLiteral("quelt-support@example.org");

struct ExplanationRow {
    std::initializer_list<int> codes; // empty: every other code
    const char* error;
    const char* reason;
    const char* solution;
};

// "{item}" stands for the item word, "{code}" for the code.
const std::array<ExplanationRow, 8>& ExplanationTable()
{
    static const std::array<ExplanationRow, 8> table = {{
        {{53, 76}, "The {item} cannot be found (error #{code})",
         "The {item} has been deleted from disk, moved to another location or renamed.",
         "Make sure the {item} exists in the specified location and try again."},
        {{75}, "Cannot access {item} (error #{code})",
         "The target {item} is write protected or being used/locked by another program.",
         "Remove write protection if possible, close all programs that may use it and try again."},
        {{70}, "Access denied (error #{code})",
         "You do not have permission to modify the target {item}'s name.",
         "Edit the {item}'s security properties to make sure you have sufficient permissions to change it's name and try again."},
        {{57}, "Device I/O error (error #{code})",
         "The target {item} is located on some bad or corrupted device and an I/O error has been occurred during the renaming process.",
         "Make sure the target device is working properly, doesn't contain bad blocks and it's file system isn't fragmented and try again."},
        {{58}, "File name already exists (error #{code})",
         "The generated new name already exists on the the target device.",
         "Modify the rule set to generate a different name or move the conflicting {item} to other location and try again."},
        {{52, 68, 71}, "Device unavailable (error #{code})",
         "The target device is either not available or cannot be accessed.",
         "Make sure the target device is online and responsive and try again."},
        {{31001}, "Out of memory (error #{code})",
         "You system has low memory and the renaming process cannot be done.",
         "Free enough memory by closing all opened windows and try again."},
        {{}, "Unknown error (error #{code})",
         "This is an unknown error and a possible reason cannot be determined.",
         "Please contact me at {support} and supply the error code, system details and a description of the renaming task you tried to accomplish."},
    }};
    return table;
}

QString Fill(const char* pattern, const QString& item, int code)
{
    return QString::fromUtf8(pattern)
        .replace(QLatin1String("{item}"), item)
        .replace(QLatin1String("{code}"), QString::number(code))
        .replace(QLatin1String("{support}"), SupportAddress);
}

} // namespace

QString ReportItemWord(bool folders)
{
    return folders ? QStringLiteral("folder") : QStringLiteral("file");
}

FailureExplanation ExplainFailure(int code, bool folders)
{
    const auto& table = ExplanationTable();
    const ExplanationRow* row = &table.back();
    for (const ExplanationRow& candidate : table) {
        if (std::find(candidate.codes.begin(), candidate.codes.end(), code) != candidate.codes.end()) {
            row = &candidate;
            break;
        }
    }
    const QString item = ReportItemWord(folders);
    return {Fill(row->error, item, code), Fill(row->reason, item, code), Fill(row->solution, item, code)};
}

ReportSummary SummarizeReport(const RenameResult& result, bool folders)
{
    ReportSummary s;
    s.typeOfItems = folders ? QStringLiteral("Folders") : QStringLiteral("Files");
    s.renamed = result.renamedCount;
    s.failed = result.failedCount;
    s.totalSelected = s.renamed + s.failed;
    s.success = s.failed == 0;
    if (s.success) {
        s.resultLine = QStringLiteral("The renaming process has been successfully completed!");
        s.helpLine = QStringLiteral("The operation has been recorded and an undo information created. If for any "
                                    "reason, you want to discard changes, press the Undo button...");
    } else {
        s.resultLine = QStringLiteral("The renaming process has been completed with errors!");
        s.helpLine = QStringLiteral("To view the failed items and a detailed description of the errors and possible "
                                    "solutions, please press the More Details button...");
    }
    return s;
}

QString FormatReportText(const RenameResult& result, bool folders)
{
    const ReportSummary s = SummarizeReport(result, folders);
    QStringList lines = {
        s.resultLine,
        QStringLiteral("Type of Items: %1").arg(s.typeOfItems),
        QStringLiteral("Total Selected Items: %1").arg(s.totalSelected),
        QStringLiteral("Successfully Renamed: %1").arg(s.renamed),
        QStringLiteral("Failed to Rename: %1").arg(s.failed),
    };
    const int count = std::min<int>(result.failedCount, int(result.failures.size()));
    for (int i = 0; i < count; ++i) {
        const RenameFailure& f = result.failures[size_t(i)];
        const FailureExplanation e = ExplainFailure(f.code, folders);
        lines << QString();
        lines << QStringLiteral("%1%2  [%3 %4]").arg(f.folder, f.name, f.date, f.time);
        lines << QStringLiteral("  Error: %1").arg(e.error);
        lines << QStringLiteral("  Reason: %1").arg(e.reason);
        lines << QStringLiteral("  Solution: %1").arg(e.solution);
    }
    return lines.join(u'\n') + u'\n';
}

} // namespace quelt
