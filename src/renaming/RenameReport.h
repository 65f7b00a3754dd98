#pragma once
// The content of the renaming report: totals, the item word and the plain-language
// explanation of every failure code. The report window and the console show it.

#include "renaming/RenameResult.h"

#include <QString>

namespace quelt {

struct FailureExplanation {
    QString error;
    QString reason;
    QString solution;
};

/// "folder" when the run worked on folders, else "file".
QString ReportItemWord(bool folders);
/// The explanation of a failure code, with the item word filled in.
FailureExplanation ExplainFailure(int code, bool folders);

struct ReportSummary {
    QString typeOfItems; // "Files" or "Folders"
    int totalSelected = 0;
    int renamed = 0;
    int failed = 0;
    bool success = true;
    QString resultLine;
    QString helpLine;
};

ReportSummary SummarizeReport(const RenameResult& result, bool folders);

/// The whole report as plain text, for the console.
QString FormatReportText(const RenameResult& result, bool folders);

} // namespace quelt
