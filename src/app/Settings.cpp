#include "app/Settings.h"
#include "platform/TextTrim.h"

#include "platform/FileSystem.h"
#include "platform/ProgramFiles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <variant>

namespace quelt {
namespace {

using platform::IniFile;

constexpr qint32 UnlimitedLogSize = 0;
constexpr qint32 MinLogSize = 100;
constexpr qint32 MaxLogSize = 10000;
constexpr qint16 MinCycleTips = 1;
constexpr qint16 MaxCycleTips = 60;
constexpr qint16 DefaultCycleTips = 30;
constexpr qint32 MinDoEventsTimeout = 100;
constexpr qint32 MaxDoEventsTimeout = 5000;

enum class Text { Trimmed, Untrimmed, OneCharacter };

using Field = std::variant<bool Settings::*, qint16 Settings::*, qint32 Settings::*,
                           QString Settings::*>;

struct Key {
    const char16_t* section;
    const char16_t* name;
    Field field;
    Text text = Text::Trimmed;
};

#define QUELT_KEY(section, name, ...) Key{u"" section, u"" #name, &Settings::name __VA_OPT__(,) __VA_ARGS__}

// Every key, in the order a new file gets them.
const Key Keys[] = {
    QUELT_KEY("General", MaximizeWindow),
    QUELT_KEY("General", SaveState),
    QUELT_KEY("General", AskOnExit),
    QUELT_KEY("General", SplashScreen),
    QUELT_KEY("General", ShowTips),
    QUELT_KEY("General", ShowTipsOnStatusBar),
    QUELT_KEY("General", CycleTips),
    QUELT_KEY("General", ShowWizard),
    QUELT_KEY("General", AutoSelectFiles),
    QUELT_KEY("General", ConfirmRuleDeletion),
    QUELT_KEY("General", RulesHelpMode),
    QUELT_KEY("General", AlwaysOnTop),
    QUELT_KEY("Instant Preview", OverloadTimeout),
    QUELT_KEY("Instant Preview", DelayPreview),
    QUELT_KEY("Instant Preview", MarkWithColors),
    QUELT_KEY("Instant Preview", ValidColor),
    QUELT_KEY("Instant Preview", InvalidColor),
    QUELT_KEY("Instant Preview", SkippedColor),
    QUELT_KEY("Renaming", AutoRefresh),
    QUELT_KEY("Renaming", CaseSensitive),
    QUELT_KEY("Renaming", WarnBeforeRename),
    QUELT_KEY("Renaming", ReplaceInvalidChars),
    QUELT_KEY("Renaming", ReplaceWith, Text::OneCharacter),
    QUELT_KEY("Renaming", RenameReadOnly),
    QUELT_KEY("Renaming", LongnameMode),
    QUELT_KEY("Renaming", AutoNumberDuplicated, Text::Untrimmed),
    QUELT_KEY("State", ScanningMode),
    QUELT_KEY("State", Folder),
    QUELT_KEY("State", RulesFolder),
    QUELT_KEY("State", RecursiveScan),
    QUELT_KEY("State", EnableAttrFilter),
    QUELT_KEY("State", ShowReadOnly),
    QUELT_KEY("State", ShowHidden),
    QUELT_KEY("State", ShowSystem),
    QUELT_KEY("State", ShowArchive),
    QUELT_KEY("State", Filter),
    QUELT_KEY("State", GetFolders),
    QUELT_KEY("State", AdvancedRules),
    QUELT_KEY("State", WindowState),
    QUELT_KEY("State", WindowHeight),
    QUELT_KEY("State", WindowWidth),
    QUELT_KEY("State", Resizer1Left),
    QUELT_KEY("State", Resizer2Top),
    QUELT_KEY("State", InstantPreview),
    QUELT_KEY("Logging", EnableLogging),
    QUELT_KEY("Logging", SizeLimit),
    QUELT_KEY("Logging", WhenReachMax),
    QUELT_KEY("Language", FontName),
    QUELT_KEY("Language", FontStyle),
    QUELT_KEY("Language", FontCharSet),
    QUELT_KEY("Advanced", DoEventsTimeout),
};

#undef QUELT_KEY

// The number at the start of the text (spaces before it are skipped, a fraction
// is rounded half to even); 0 when there is none or it does not fit in T.
template <typename T>
T LeadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    const qsizetype digits = i;
    while (i < n && text[i].unicode() >= u'0' && text[i].unicode() <= u'9')
        ++i;
    if (i == digits)
        return 0;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i].unicode() >= u'0' && text[i].unicode() <= u'9')
            ++i;
    }
    bool ok = false;
    const double value = std::nearbyint(text.mid(start, i - start).toDouble(&ok));
    if (!ok || value < double(std::numeric_limits<T>::min())
        || value > double(std::numeric_limits<T>::max()))
        return 0;
    return T(value);
}

using platform::TrimmedOfSpaces;

QString UpToNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString FirstCharacter(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral(" "); // a one-character field with nothing in it holds a space
    const bool pair = text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate();
    return text.left(pair ? 2 : 1);
}

QString ReadText(const QString& raw, Text kind)
{
    const QString text = UpToNul(raw);
    switch (kind) {
    case Text::Untrimmed:
        return text;
    case Text::OneCharacter:
        return FirstCharacter(TrimmedOfSpaces(text));
    case Text::Trimmed:
        break;
    }
    return TrimmedOfSpaces(text);
}

void ReadKey(const Key& key, const QString& raw, Settings& s)
{
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, bool>)
                s.*member = LeadingNumber<qint16>(raw) != 0;
            else if constexpr (std::is_same_v<T, QString>)
                s.*member = ReadText(raw, key.text);
            else
                s.*member = LeadingNumber<T>(raw);
        },
        key.field);
}

QString WrittenValue(const Key& key, const Settings& s)
{
    return std::visit(
        [&](auto member) -> QString {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, bool>)
                return s.*member ? QStringLiteral("-1") : QStringLiteral("0");
            else if constexpr (std::is_same_v<T, QString>)
                return key.text == Text::Untrimmed ? s.*member : TrimmedOfSpaces(s.*member);
            else
                return QString::number(s.*member);
        },
        key.field);
}

void Correct(Settings& s, const QString& fallbackFolder)
{
    if (s.CycleTips < MinCycleTips || s.CycleTips > MaxCycleTips)
        s.CycleTips = DefaultCycleTips;
    if (s.SizeLimit != UnlimitedLogSize)
        s.SizeLimit = std::clamp(s.SizeLimit, MinLogSize, MaxLogSize);
    s.DoEventsTimeout = std::clamp(s.DoEventsTimeout, MinDoEventsTimeout, MaxDoEventsTimeout);
    if (!platform::PathExists(s.Folder))
        s.Folder = fallbackFolder;
}

} // namespace

Settings& AppSettings()
{
    static Settings settings;
    return settings;
}

ScanState& AppScanState()
{
    static ScanState state;
    return state;
}

ScanState ScanStateFromSettings(const Settings& s)
{
    return {s.Folder,     s.Filter,     s.RecursiveScan, s.EnableAttrFilter, s.ShowReadOnly,
            s.ShowHidden, s.ShowSystem, s.ShowArchive,   s.GetFolders};
}

void StoreScanState(const ScanState& state, Settings& s)
{
    s.Folder = state.Folder;
    s.Filter = state.Filter;
    s.RecursiveScan = state.RecursiveScan;
    s.EnableAttrFilter = state.EnableAttrFilter;
    s.ShowReadOnly = state.ShowReadOnly;
    s.ShowHidden = state.ShowHidden;
    s.ShowSystem = state.ShowSystem;
    s.ShowArchive = state.ShowArchive;
    s.GetFolders = state.GetFolders;
}

QString SettingsFilePath() { return platform::ProgramFolder() + QStringLiteral("options.ini"); }

Settings ReadSettings(const QString& iniPath, const QString& defaultFolder,
                      const QString& fallbackFolder)
{
    IniFile ini;
    ini.load(iniPath);
    Settings s;
    s.Folder = defaultFolder;
    s.RulesFolder = defaultFolder;
    for (const Key& key : Keys) {
        const QString section = QString::fromUtf16(key.section);
        const QString name = QString::fromUtf16(key.name);
        if (ini.contains(section, name))
            ReadKey(key, ini.value(section, name), s);
    }
    Correct(s, fallbackFolder.isEmpty() ? defaultFolder : fallbackFolder);
    return s;
}

bool WriteSettings(const Settings& settings, const QString& iniPath)
{
    IniFile ini;
    ini.load(iniPath);
    for (const Key& key : Keys)
        ini.setValue(QString::fromUtf16(key.section), QString::fromUtf16(key.name),
                     WrittenValue(key, settings));
    return ini.save(iniPath);
}

void LoadSettings(const QString& fallbackFolder)
{
    const QString programFolder = platform::ProgramFolder();
    AppSettings() = ReadSettings(programFolder + QStringLiteral("options.ini"), programFolder, fallbackFolder);
}

bool SaveSettings() { return WriteSettings(AppSettings(), SettingsFilePath()); }

} // namespace quelt
