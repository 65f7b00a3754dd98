#pragma once
// The options of the program (options.ini in the program folder), the saved
// state of scan mode, and the program title.

#include <QString>

namespace quelt {

/// Caption of the main window and of most message boxes.
inline const QString ProgramTitle = QStringLiteral("Vantelo (Quelt) v" QUELT_VERSION);

/// One field per key of options.ini, named after the key; the initial values are
/// the defaults. Booleans are true/false here and -1/0 in the file; "check box"
/// fields hold 0 or 1 (2 for a grey box). Numbers are 16-bit unless noted.
/// Colours are 0x00BBGGRR. Window sizes and splitter positions are in twips
/// (15 twips are one pixel at 96 dpi; negative: not stored).
struct Settings {
    // [General]
    bool MaximizeWindow = false;
    bool SaveState = true;
    bool AskOnExit = true;
    bool SplashScreen = true;
    bool ShowTips = true;
    bool ShowTipsOnStatusBar = true;
    qint16 CycleTips = 30;          ///< seconds, 1 to 60
    bool ShowWizard = true;
    bool AutoSelectFiles = true;
    bool ConfirmRuleDeletion = false;
    bool RulesHelpMode = true;
    bool AlwaysOnTop = false;

    // [Instant Preview]
    qint16 OverloadTimeout = 30;    ///< seconds; 0 = sensor off
    qint16 DelayPreview = 2000;     ///< milliseconds; 0 = no wait
    bool MarkWithColors = true;
    qint32 ValidColor = 16711680;   ///< 0x00FF0000, blue
    qint32 InvalidColor = 255;      ///< red
    qint32 SkippedColor = 12632256; ///< 0x00C0C0C0, silver

    // [Renaming]
    bool AutoRefresh = true;        ///< kept and written back; nothing uses it
    bool CaseSensitive = false;
    bool WarnBeforeRename = true;
    bool ReplaceInvalidChars = false;
    QString ReplaceWith = QStringLiteral("_"); ///< always exactly one character (code point)
    bool RenameReadOnly = false;
    bool LongnameMode = false;
    QString AutoNumberDuplicated;   ///< format with "%number%"; empty = off; kept untrimmed

    // [State]
    qint16 ScanningMode = 1;        ///< 1 = list mode, 0 = scan mode
    QString Folder;                 ///< default: the program folder
    QString RulesFolder;            ///< default: the program folder
    qint16 RecursiveScan = 0;       ///< check box
    qint16 EnableAttrFilter = 0;    ///< check box
    qint16 ShowReadOnly = 0;        ///< check box: exclude read-only items
    qint16 ShowHidden = 0;          ///< check box: exclude hidden items
    qint16 ShowSystem = 0;          ///< check box: exclude system items
    qint16 ShowArchive = 0;         ///< check box: exclude items with the archive mark
    QString Filter = QStringLiteral("*.*");
    qint16 GetFolders = 0;          ///< check box: "Folders only"
    bool AdvancedRules = true;
    qint16 WindowState = 0;         ///< 2 = maximized
    qint16 WindowHeight = -1;       ///< twips
    qint16 WindowWidth = -1;        ///< twips
    qint16 Resizer1Left = -1;       ///< twips
    qint16 Resizer2Top = -1;        ///< twips
    qint16 InstantPreview = 1;      ///< check box

    // [Logging]
    bool EnableLogging = true;
    qint32 SizeLimit = 1000;        ///< KB of 1000 bytes; 0 = unlimited, else 100 to 10000
    qint16 WhenReachMax = 1;        ///< 1 = overwrite the old log, 2 = keep it as a backup

    // [Language]
    QString FontName = QStringLiteral("Arial");
    qint16 FontStyle = 400;         ///< 700 = bold, else regular
    qint16 FontCharSet = 1;         ///< kept and written back; has no effect

    // [Advanced]
    qint32 DoEventsTimeout = 500;   ///< milliseconds, 100 to 5000

    friend bool operator==(const Settings&, const Settings&) = default;
};

/// The settings of the program, for everyone to read (and for the options
/// window, the rule editor, file dialogs and shutdown to change).
Settings& AppSettings();

/// The state of scan mode kept while list mode is shown and from run to run.
struct ScanState {
    QString Folder;
    QString Filter = QStringLiteral("*.*");
    qint16 RecursiveScan = 0;
    qint16 EnableAttrFilter = 0;
    qint16 ShowReadOnly = 0;
    qint16 ShowHidden = 0;
    qint16 ShowSystem = 0;
    qint16 ShowArchive = 0;
    qint16 GetFolders = 0;

    friend bool operator==(const ScanState&, const ScanState&) = default;
};

/// The scan state of the program, filled from the settings at start.
ScanState& AppScanState();
/// The scan state stored in the settings.
ScanState ScanStateFromSettings(const Settings& settings);
/// Copies the scan state into the settings (at exit, before SaveSettings).
void StoreScanState(const ScanState& state, Settings& settings);

/// Reads options.ini of the program folder into AppSettings(); keys that are
/// missing or cannot be read keep their defaults. A `Folder` that does not exist
/// becomes `fallbackFolder` (the program folder when that is empty).
void LoadSettings(const QString& fallbackFolder);
/// Writes every key of AppSettings() to options.ini in the program folder. True
/// only when the file was written.
bool SaveSettings();

/// The path of options.ini in the program folder.
QString SettingsFilePath();
/// Reads settings from an INI file, with the corrections LoadSettings makes.
/// `defaultFolder` is the default of `Folder` and `RulesFolder`.
Settings ReadSettings(const QString& iniPath, const QString& defaultFolder,
                      const QString& fallbackFolder);
/// Writes the settings into an INI file: keys already in the file keep their place
/// (other keys and sections stay), new ones follow in the order of the table.
bool WriteSettings(const Settings& settings, const QString& iniPath);

} // namespace quelt
