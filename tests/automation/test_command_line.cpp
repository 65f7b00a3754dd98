#include "automation/CommandLine.h"

#include <gtest/gtest.h>

using namespace quelt;

namespace {
QStringList Args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out << QString::fromUtf8(a);
    return out;
}
} // namespace

TEST(CommandLineParse, HelpOnlyWhenAlone)
{
    for (const char* form : {"/?", "/h", "/HELP", "-h", "--help"})
        EXPECT_TRUE(ParseCommandLine(Args({form})).help) << form;
    const CommandLine withMore = ParseCommandLine(Args({"/help", "now"}));
    EXPECT_FALSE(withMore.help);
    EXPECT_FALSE(withMore.error.isEmpty());
}

TEST(CommandLineParse, SwitchesInBothFormsWithWholeValues)
{
    const CommandLine a = ParseCommandLine(Args({"/RulesFile", "/tmp/my rules/a.rls", "/folder", "/home/me/My Music"}));
    EXPECT_TRUE(a.error.isEmpty()) << a.error.toStdString();
    EXPECT_EQ(a.rulesFile, QStringLiteral("/tmp/my rules/a.rls"));
    EXPECT_EQ(a.folder, QStringLiteral("/home/me/My Music"));

    const CommandLine b = ParseCommandLine(Args({"--folder=/a b/c", "--rulesfile=/r=1.rls", "--DisasterRecovery"}));
    EXPECT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    EXPECT_EQ(b.folder, QStringLiteral("/a b/c"));
    EXPECT_EQ(b.rulesFile, QStringLiteral("/r=1.rls"));
    EXPECT_TRUE(b.disasterRecovery);
}

TEST(CommandLineParse, QuickRenameParameters)
{
    const CommandLine a = ParseCommandLine(
        Args({"/quickrename", "folder=/music/My Songs", "rules=\"/r/mp3.rls\"", "filter=*.mp3", "includesubfolders=on",
              "renamefolders=On", "showreport=\"on\"", "unknown=1"}));
    EXPECT_TRUE(a.error.isEmpty()) << a.error.toStdString();
    EXPECT_TRUE(a.quickRename);
    EXPECT_EQ(a.request.folder, QStringLiteral("/music/My Songs"));
    EXPECT_EQ(a.request.rulesFile, QStringLiteral("/r/mp3.rls"));
    EXPECT_EQ(a.request.filter, QStringLiteral("*.mp3"));
    EXPECT_TRUE(a.request.includeSubFolders);
    EXPECT_FALSE(a.request.renameFolders) << "only \"on\" written so turns a switch on";
    EXPECT_TRUE(a.request.showReport);

    const CommandLine b = ParseCommandLine(Args({"--quickrename", "--folder=/x", "--rules", "/y.rls", "--filter=*.jpg",
                                                 "--include-subfolders", "--rename-folders", "--show-report",
                                                 "--dry-run", "--json"}));
    EXPECT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    EXPECT_EQ(b.request.folder, QStringLiteral("/x"));
    EXPECT_TRUE(b.folder.isEmpty());
    EXPECT_EQ(b.request.rulesFile, QStringLiteral("/y.rls"));
    EXPECT_EQ(b.request.filter, QStringLiteral("*.jpg"));
    EXPECT_TRUE(b.request.includeSubFolders && b.request.renameFolders && b.request.showReport);
    EXPECT_TRUE(b.dryRun && b.json);
}

TEST(CommandLineParse, ErrorsNameWhatWasWrong)
{
    struct Case { std::initializer_list<const char*> args; const char* mentions; };
    const Case cases[] = {
        {{"/bogus"}, "/bogus"},
        {{"/folder"}, "/folder"},
        {{"--rulesfile="}, "--rulesfile="},
        {{"stray"}, "stray"},
        {{"--filter=*.x"}, "--filter=*.x"},
        {{"--dry-run"}, "--dry-run"},
        {{"/disasterrecovery=1"}, "/disasterrecovery=1"},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(Args(c.args));
        EXPECT_TRUE(line.error.contains(QString::fromUtf8(c.mentions))) << c.mentions << ": " << line.error.toStdString();
    }
}

TEST(QuickRenameParameterText, ParsesQuotedPairs)
{
    QuickRenameRequest r;
    ParseParameters(QStringLiteral("folder=\"c:\\my songs\" rules=\"c:\\r\\mp3.rls\" filter=\"*.mp3\" includesubfolders=\"On\""), r);
    EXPECT_EQ(r.folder, QStringLiteral("c:\\my songs"));
    EXPECT_EQ(r.rulesFile, QStringLiteral("c:\\r\\mp3.rls"));
    EXPECT_EQ(r.filter, QStringLiteral("*.mp3"));
    EXPECT_FALSE(r.includeSubFolders);

    QuickRenameRequest cut;
    ParseParameters(QStringLiteral("folder=\"unclosed"), cut);
    EXPECT_EQ(cut.folder, QStringLiteral("unclosed"));
}

TEST(CommandLineHelp, StartsWithTheSwitchList)
{
    const QStringList lines = HelpText().split(u'\n');
    ASSERT_GE(lines.size(), 12);
    EXPECT_EQ(lines[0], QStringLiteral("Available command line arguments:"));
    EXPECT_EQ(lines[2], QStringLiteral("/folder folder_name\t    Loads the contents of folder_name into list."));
    EXPECT_EQ(lines[7], QStringLiteral("QuickRename parameters:"));
    EXPECT_TRUE(HelpText().contains(QStringLiteral("--dry-run")));
}
