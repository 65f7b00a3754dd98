#include "renaming/RenameReport.h"

#include <gtest/gtest.h>

using namespace quelt;

TEST(RenameReport, ExplanationByCodeClass)
{
    struct Case { int code; bool folders; const char* error; const char* solutionStart; };
    const Case cases[] = {
        {53, false, "The file cannot be found (error #53)", "Make sure the file exists"},
        {76, true, "The folder cannot be found (error #76)", "Make sure the folder exists"},
        {75, false, "Cannot access file (error #75)", "Remove write protection"},
        {70, false, "Access denied (error #70)", "Edit the file's security properties"},
        {57, false, "Device I/O error (error #57)", "Make sure the target device is working"},
        {58, true, "File name already exists (error #58)",
         "Modify the rule set to generate a different name or move the conflicting folder to other location and try again."},
        {52, false, "Device unavailable (error #52)", "Make sure the target device is online"},
        {68, false, "Device unavailable (error #68)", "Make sure the target device is online"},
        {71, false, "Device unavailable (error #71)", "Make sure the target device is online"},
        {31001, false, "Out of memory (error #31001)", "Free enough memory"},
        {5, false, "Unknown error (error #5)", "Please contact me at "},
    };
    for (const Case& c : cases) {
        const FailureExplanation e = ExplainFailure(c.code, c.folders);
        EXPECT_EQ(e.error, QString::fromUtf8(c.error)) << c.code;
        EXPECT_TRUE(e.solution.startsWith(QString::fromUtf8(c.solutionStart))) << c.code << e.solution.toStdString();
        EXPECT_FALSE(e.reason.isEmpty()) << c.code;
    }
    EXPECT_TRUE(ExplainFailure(1, false).solution.endsWith(
        QStringLiteral(" and supply the error code, system details and a description of the renaming task you tried to accomplish.")));
}

TEST(RenameReport, TotalsCountProcessedItemsOnly)
{
    RenameResult result;
    result.renamedCount = 4;
    result.failedCount = 1;
    result.failures.resize(10);
    result.failures[0] = {QStringLiteral("/music/"), QStringLiteral("a.mp3"), 58, QStringLiteral("10:00:00"),
                          QStringLiteral("12/11/26")};
    const ReportSummary s = SummarizeReport(result, false);
    EXPECT_EQ(s.totalSelected, 5);
    EXPECT_FALSE(s.success);
    EXPECT_EQ(s.resultLine, QStringLiteral("The renaming process has been completed with errors!"));
    EXPECT_EQ(s.typeOfItems, QStringLiteral("Files"));

    const QString text = FormatReportText(result, false);
    EXPECT_TRUE(text.contains(QStringLiteral("/music/a.mp3")));
    EXPECT_TRUE(text.contains(QStringLiteral("File name already exists (error #58)")));
    EXPECT_EQ(text.count(QStringLiteral("Error: ")), 1) << "only recorded failures are listed";

    const ReportSummary clean = SummarizeReport(RenameResult{{}, 3, 0}, true);
    EXPECT_TRUE(clean.success);
    EXPECT_EQ(clean.typeOfItems, QStringLiteral("Folders"));
    EXPECT_EQ(clean.resultLine, QStringLiteral("The renaming process has been successfully completed!"));
}
