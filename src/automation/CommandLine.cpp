#include "automation/CommandLine.h"

#include <QHash>

namespace quelt {
namespace {

enum class Switch { Help, Folder, RulesFile, DisasterRecovery, QuickRename, DryRun, Json, Console, Yes,
                    Rules, Filter, IncludeSubFolders, RenameFolders, ShowReport };

struct SwitchSpec {
    Switch id;
    bool takesValue;
    bool quickRenameOnly; // a parameter of /quickrename
};

const QHash<QString, SwitchSpec>& Switches()
{
    static const QHash<QString, SwitchSpec> table = {
        {QStringLiteral("?"), {Switch::Help, false, false}},
        {QStringLiteral("h"), {Switch::Help, false, false}},
        {QStringLiteral("help"), {Switch::Help, false, false}},
        {QStringLiteral("folder"), {Switch::Folder, true, false}},
        {QStringLiteral("rulesfile"), {Switch::RulesFile, true, false}},
        {QStringLiteral("disasterrecovery"), {Switch::DisasterRecovery, false, false}},
        {QStringLiteral("quickrename"), {Switch::QuickRename, false, false}},
        {QStringLiteral("dry-run"), {Switch::DryRun, false, false}},
        {QStringLiteral("json"), {Switch::Json, false, false}},
        {QStringLiteral("console"), {Switch::Console, false, false}},
        {QStringLiteral("yes"), {Switch::Yes, false, false}},
        {QStringLiteral("rules"), {Switch::Rules, true, true}},
        {QStringLiteral("filter"), {Switch::Filter, true, true}},
        {QStringLiteral("include-subfolders"), {Switch::IncludeSubFolders, false, true}},
        {QStringLiteral("rename-folders"), {Switch::RenameFolders, false, true}},
        {QStringLiteral("show-report"), {Switch::ShowReport, false, true}},
    };
    return table;
}

bool IsHelpArgument(const QString& argument)
{
    static const QStringList forms = {QStringLiteral("/?"), QStringLiteral("/h"), QStringLiteral("/help"),
                                      QStringLiteral("-h"), QStringLiteral("--help")};
    return forms.contains(argument.toLower());
}

/// Splits "/name", "--name" or "--name=value" into name and inline value.
bool SplitSwitch(const QString& argument, QString& name, QString& value, bool& hasValue)
{
    qsizetype start;
    if (argument.startsWith(QLatin1String("--")))
        start = 2;
    else if (argument.startsWith(u'/') || argument == QLatin1String("-h"))
        start = 1;
    else
        return false;
    const qsizetype eq = argument.indexOf(u'=', start);
    hasValue = eq >= 0;
    name = argument.mid(start, hasValue ? eq - start : -1).toLower();
    value = hasValue ? argument.mid(eq + 1) : QString();
    return true;
}

QString Unquoted(const QString& value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2);
    return value;
}

QString DisplayName(const QString& argument)
{
    return QStringLiteral("\"%1\"").arg(argument);
}

} // namespace

void SetQuickRenameParameter(QuickRenameRequest& request, const QString& key, const QString& value)
{
    const QString k = key.trimmed().toLower();
    const bool on = value == QLatin1String("on");
    if (k == QLatin1String("folder"))
        request.folder = value;
    else if (k == QLatin1String("rules"))
        request.rulesFile = value;
    else if (k == QLatin1String("filter"))
        request.filter = value;
    else if (k == QLatin1String("showreport"))
        request.showReport = on;
    else if (k == QLatin1String("includesubfolders"))
        request.includeSubFolders = on;
    else if (k == QLatin1String("renamefolders"))
        request.renameFolders = on;
}

void ParseParameters(const QString& text, QuickRenameRequest& request)
{
    QString rest = text;
    for (qsizetype eq = rest.indexOf(u'='); eq >= 0; eq = rest.indexOf(u'=')) {
        const QString key = rest.left(eq);
        rest = rest.mid(eq + 1);
        // The first character of the rest is taken to be the opening quote.
        const qsizetype close = rest.indexOf(u'"', 1);
        const QString value = close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
        SetQuickRenameParameter(request, key, value);
        if (close < 0)
            break;
        rest = rest.mid(close + 2);
    }
}

bool CommandLine::empty() const
{
    return !help && folder.isEmpty() && rulesFile.isEmpty() && !disasterRecovery && !quickRename;
}

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    if (arguments.size() == 1 && IsHelpArgument(arguments.front())) {
        line.help = true;
        return line;
    }
    auto fail = [&line](const QString& message) {
        if (line.error.isEmpty())
            line.error = message;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString name;
        QString value;
        bool hasValue = false;
        const bool isSwitch = SplitSwitch(argument, name, value, hasValue);
        const auto found = isSwitch ? Switches().constFind(name) : Switches().constEnd();

        if (found == Switches().constEnd()) {
            const qsizetype eq = argument.indexOf(u'=');
            if (line.quickRename && !isSwitch && eq > 0) {
                SetQuickRenameParameter(line.request, argument.left(eq), Unquoted(argument.mid(eq + 1)));
                continue;
            }
            fail(isSwitch ? QStringLiteral("unknown switch %1").arg(DisplayName(argument))
                          : QStringLiteral("unexpected argument %1").arg(DisplayName(argument)));
            continue;
        }
        if (found->id == Switch::Help) {
            fail(QStringLiteral("%1 stands alone on the command line").arg(DisplayName(argument)));
            continue;
        }
        if (found->quickRenameOnly && !line.quickRename) {
            fail(QStringLiteral("%1 is a parameter of /quickrename").arg(DisplayName(argument)));
            continue;
        }
        if (found->takesValue && !hasValue) {
            if (i + 1 >= arguments.size()) {
                fail(QStringLiteral("%1 needs a value").arg(DisplayName(argument)));
                continue;
            }
            value = arguments[++i];
        } else if (!found->takesValue && hasValue) {
            fail(QStringLiteral("%1 takes no value").arg(DisplayName(argument)));
            continue;
        }
        if (found->takesValue && value.isEmpty()) {
            fail(QStringLiteral("%1 needs a value").arg(DisplayName(argument)));
            continue;
        }

        switch (found->id) {
        case Switch::Folder:
            if (line.quickRename && argument.startsWith(QLatin1String("--")))
                line.request.folder = value;
            else
                line.folder = value;
            break;
        case Switch::RulesFile: line.rulesFile = value; break;
        case Switch::DisasterRecovery: line.disasterRecovery = true; break;
        case Switch::QuickRename: line.quickRename = true; break;
        case Switch::DryRun: line.dryRun = true; break;
        case Switch::Json: line.json = true; break;
        case Switch::Console: line.console = true; break;
        case Switch::Yes: line.yes = true; break;
        case Switch::Rules: line.request.rulesFile = value; break;
        case Switch::Filter: line.request.filter = value; break;
        case Switch::IncludeSubFolders: line.request.includeSubFolders = true; break;
        case Switch::RenameFolders: line.request.renameFolders = true; break;
        case Switch::ShowReport: line.request.showReport = true; break;
        case Switch::Help: break;
        }
    }
    if ((line.dryRun || line.json) && !line.quickRename)
        fail(QStringLiteral("--dry-run and --json go with /quickrename"));
    if (line.json && !line.dryRun)
        fail(QStringLiteral("--json goes with --dry-run"));
    return line;
}

QString HelpText()
{
    static const QStringList lines = {
        QStringLiteral("Available command line arguments:"),
        QString(),
        QStringLiteral("/folder folder_name\t    Loads the contents of folder_name into list."),
        QStringLiteral("/rulesfile rules_file\t    Loads set of rules from rules_file into the existing rules set"),
        QStringLiteral("/disasterrecovery\t    Undo last recorded renaming task"),
        QStringLiteral("/quickrename\t    Rename a folder without loading Quelt. (See below for more information)"),
        QString(),
        QStringLiteral("QuickRename parameters:"),
        QStringLiteral("folder=\"folder_name\" rules=\"rules_file\" [filter=\"filter\"] [includesubfolders=\"on/off\"] "
                       "[renamefolders=\"on/off\"] [showreport=\"on/off\"]"),
        QString(),
        QStringLiteral("QuickRename example line:"),
        QStringLiteral("/quickrename folder=\"/home/user/My Songs\" rules=\"/home/user/rules/mp3.rls\" filter=\"*.mp3\" "
                       "includesubfolders=\"on\""),
        QString(),
        QStringLiteral("Every switch may also be written with two dashes:"),
        QStringLiteral("--folder=folder_name, --rulesfile=rules_file, --disasterrecovery, --quickrename, -h, --help"),
        QStringLiteral("After /quickrename: --folder=folder_name --rules=rules_file --filter=filter"),
        QStringLiteral("    --include-subfolders --rename-folders --show-report"),
        QStringLiteral("--dry-run\t    With /quickrename: show the new names, rename nothing (--json: as JSON Lines)"),
        QStringLiteral("--console\t    Run without windows; --yes answers OK or Yes to every question"),
    };
    return lines.join(u'\n');
}

} // namespace quelt
