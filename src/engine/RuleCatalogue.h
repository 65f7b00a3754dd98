#pragma once
// The rule catalogue: the six categories, every rule with its template and its
// parameters (default value, editing kind, allowed values, description, key
// filter), and the data operations the rule editor drives: loading a rule's
// parameter table, the parameter list, and composing a rule line.
//
// Everything here is plain data; the editor dialog owns the widgets.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>
#include <vector>

namespace quelt {

/// How the editor lets the user set a parameter's value (codes as stored).
enum class EditorKind : int {
    VariableText = 0,  ///< text box with the variables menu
    PlainText = 1,     ///< text box
    FilePath = 2,      ///< text box with a browse button; a file may be dropped on it
    DropDownList = 3,  ///< list of the allowed values, no typing
    OptionButtons = 4, ///< one option button per allowed value (at most three)
};

/// Which typed characters a value box accepts (codes as stored).
enum class KeyFilter : int {
    AnyKey = 0,
    LettersOnly = 1,   ///< A-Z, a-z
    DigitsOnly = 2,    ///< 0-9; the value is also kept within 1..10000
    NameChars = 4,     ///< all but / \ : * ? " < > |
    LettersDigits = 8, ///< A-Z, a-z, 0-9
    HexDigits = 16,    ///< 0-9, A-F; a-f become upper case
    UpperLetters = 32, ///< A-Z; a-z become upper case
};

/// Range a DigitsOnly value is kept in.
inline constexpr int DigitsValueMinimum = 1;
inline constexpr int DigitsValueMaximum = 10000;

/// The character a value box receives for the typed character `key` under
/// `filter`, or nothing when the key is refused. Control characters (below 32)
/// always pass, so editing keys keep working.
std::optional<char32_t> FilterKey(KeyFilter filter, char32_t key);

/// Runs every code point of `text` through FilterKey and keeps what passes
/// (for pasted or dropped text, and for a validator of the value box).
QString FilterKeys(KeyFilter filter, QStringView text);

/// A DigitsOnly value brought into 1..10000 and written as a number:
/// the leading numeric part of the text, "1" below 1, "10000" above 10000.
QString ClampDigitsValue(QStringView value);

/// One parameter of a catalogue rule, fields in catalogue order.
struct ParamSpec {
    QStringView name;          ///< as written in the rule line
    QStringView defaultValue;  ///< offered when the rule is picked
    EditorKind editor = EditorKind::PlainText;
    QStringView allowedValues; ///< "A; B; C;" for list and option editors, else empty
    QStringView description;   ///< tooltip text; lines joined by CR LF
    KeyFilter filter = KeyFilter::AnyKey;
};

/// One catalogue entry.
struct RuleSpec {
    QStringView category;
    QStringView name;
    bool advanced = false;          ///< offered only with "View Advanced Rules" on
    QStringView ruleTemplate;       ///< "Name: <Param> <Param>"
    std::span<const ParamSpec> params;
};

/// The six categories in catalogue order.
std::span<const QStringView> Categories();

/// Every rule of the catalogue, categories in order, rules in catalogue order.
std::span<const RuleSpec> Catalogue();

/// The rules of `category` in catalogue order; advanced rules only when wanted.
/// The first rule is the one the editor selects. Empty for an unknown category.
std::vector<const RuleSpec*> CategoryRules(QStringView category, bool advancedWanted);

/// The catalogue entry of `ruleName` in `category`, or nullptr.
const RuleSpec* FindRuleSpec(QStringView category, QStringView ruleName);

/// The catalogue entry of `ruleName` in any category, or nullptr.
const RuleSpec* FindRuleSpec(QStringView ruleName);

/// The values of an allowed-values text: split at each ";", each piece trimmed,
/// text after the last ";" is not a value.
QStringList SplitAllowedValues(QStringView allowedValues);

/// Allowed values of "Sorting Type" while the main window lists folders only.
inline constexpr QStringView FoldersOnlySortingTypes =
    u"Name (Ascending); Name (Descending); Modified (Ascending); Modified (Descending); "
    u"Numeric Value (Ascending); Numeric Value (Descending);";

/// The editor's parameter table of the picked rule.
struct EditorParamTable {
    int count = 0;
    QString ruleTemplate;
    std::vector<ParamSpec> params; ///< filters may be changed by the editor (numbering types)
};

/// One row of the editor's parameter list.
struct ParamRow {
    QString name;
    QString value;
};
using ParamList = std::vector<ParamRow>;

/// Loaders, one per category: fill `table` from the catalogue entry `ruleName`
/// of that category and return true; a name the category does not hold leaves
/// `table` as it was and returns false.
bool LoadFileTitleParams(QStringView ruleName, EditorParamTable& table);
bool LoadAutoNumberingParams(QStringView ruleName, EditorParamTable& table);
bool LoadLettersParams(QStringView ruleName, EditorParamTable& table);
/// With `foldersOnly`, "Sorting Type" offers FoldersOnlySortingTypes.
bool LoadSortingParams(QStringView ruleName, EditorParamTable& table, bool foldersOnly = false);
bool LoadSpacesParams(QStringView ruleName, EditorParamTable& table);
bool LoadMiscParams(QStringView ruleName, EditorParamTable& table);

/// The loader of `category` applied to `ruleName`; false for an unknown category or rule.
bool LoadCategoryParams(QStringView category, QStringView ruleName, EditorParamTable& table,
                        bool foldersOnly = false);

/// The editor's parameter list for `table`: one row per parameter, holding its
/// name and default value.
ParamList CreateParamsList(const EditorParamTable& table);

/// Refreshes the rows against `table`: the value of each DigitsOnly parameter is
/// brought into 1..10000 and written as a number; other values stay as typed.
void UpdateParameters(ParamList& rows, const EditorParamTable& table);

/// The rule line for `ruleTemplate` and the rows' values: for each row in order,
/// the first "<Name>" of the template not yet filled (exact, case-sensitive match)
/// becomes "<Name=value>". Values are never searched, so a value that holds the
/// text "<Name>" of a later parameter cannot capture it.
QString PreviewRule(QStringView ruleTemplate, const ParamList& rows);

} // namespace quelt
