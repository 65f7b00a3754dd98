#include "engine/RuleCatalogue.h"

#include "engine/RuleLine.h"

#include <algorithm>
#include <array>

namespace quelt {

namespace {

constexpr ParamSpec ApplyToParam{
    u"Apply To", u"Title", EditorKind::OptionButtons, u"Title; Extension; Title & Extension;",
    u"Determine on which part of the name this rule will be applied.", KeyFilter::AnyKey};

// Create a new name
constexpr ParamSpec CreateANewNameParams[] = {
    {u"New Text", u"", EditorKind::VariableText, u"",
     u"This text will replace the current title or extension.",
     KeyFilter::NameChars},
    ApplyToParam,
};

// Find and replace text
constexpr ParamSpec FindAndReplaceTextParams[] = {
    {u"Find What", u"", EditorKind::PlainText, u"",
     u"This is the text you want to replace.",
     KeyFilter::NameChars},
    {u"Replace With", u"", EditorKind::VariableText, u"",
     u"This will be the replacement text.\r\nLeave it empty to remove the text you find.",
     KeyFilter::NameChars},
    ApplyToParam,
};

// Find and replace text (Advanced)
constexpr ParamSpec FindAndReplaceTextAdvancedParams[] = {
    {u"Maximum Replacements", u"1", EditorKind::PlainText, u"",
     u"Determines the maximum instances to replace.",
     KeyFilter::DigitsOnly},
    {u"Find What", u"", EditorKind::PlainText, u"",
     u"This is the text you want to replace.",
     KeyFilter::NameChars},
    {u"Replace With", u"", EditorKind::VariableText, u"",
     u"This will be the replacement text.\r\nLeave it empty to remove the text you find.",
     KeyFilter::NameChars},
    {u"Search Direction", u"Left to Right", EditorKind::OptionButtons, u"Left to Right; Right to Left;",
     u"Decide whether you want to start the search\r\nfrom the left or from the right of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Find and replace using Regular Expression
constexpr ParamSpec FindAndReplaceUsingRegularExpressionParams[] = {
    {u"Search Pattern", u"", EditorKind::PlainText, u"",
     u"A Regular Expression pattern being searched for.\r\n\r\nNOTE: Uses VBScript RegEx engine. Requires IE 5.0 and up.",
     KeyFilter::AnyKey},
    {u"Replace With", u"", EditorKind::VariableText, u"",
     u"This will be the replacement text.\r\nLeave it empty to remove the text you find.\r\n\r\nNOTE: Uses VBScript RegEx engine. Requires IE 5.0 and up.",
     KeyFilter::AnyKey},
    {u"Replace All", u"True", EditorKind::OptionButtons, u"True; False;",
     u"Set to False to replace the first matching text only, else leave as True.\r\n\r\nNOTE: Uses VBScript RegEx engine. Requires IE 5.0 and up.",
     KeyFilter::NameChars},
    ApplyToParam,
};

// Attach text to edge of name
constexpr ParamSpec AttachTextToEdgeOfNameParams[] = {
    {u"Insert This", u"", EditorKind::VariableText, u"",
     u"The text you want to insert.",
     KeyFilter::NameChars},
    {u"Insert Where", u"Start", EditorKind::OptionButtons, u"Start; End;",
     u"Determines where to locate the new text,\r\nat the start or in the end of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Add text at position
constexpr ParamSpec AddTextAtPositionParams[] = {
    {u"New Text", u"", EditorKind::VariableText, u"",
     u"The new text to add.",
     KeyFilter::NameChars},
    {u"Position", u"1", EditorKind::PlainText, u"",
     u"The position where you would like to add the new text.\r\nCounted as characters from the start of the name,\r\nrelative to the search direction.",
     KeyFilter::DigitsOnly},
    {u"Search Direction", u"Left to Right", EditorKind::OptionButtons, u"Left to Right; Right to Left;",
     u"Decide from where you want to start counting characters for the\r\nposition counter, from the left or from the right of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Remove characters from position
constexpr ParamSpec RemoveCharactersFromPositionParams[] = {
    {u"Starting Position", u"1", EditorKind::PlainText, u"",
     u"The starting position from where you want to remove the characters.",
     KeyFilter::DigitsOnly},
    {u"Length", u"1", EditorKind::PlainText, u"",
     u"The number of characters you want to remove after the starting position.",
     KeyFilter::DigitsOnly},
    {u"Removal Direction", u"Left to Right", EditorKind::OptionButtons, u"Left to Right; Right to Left;",
     u"Decide whether you want to start the removal\r\nfrom the left or from the right of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Remove characters from edge of name
constexpr ParamSpec RemoveCharactersFromEdgeOfNameParams[] = {
    {u"Number of Characters", u"1", EditorKind::PlainText, u"",
     u"The maximum characters you want to remove.",
     KeyFilter::DigitsOnly},
    {u"Remove From", u"Start", EditorKind::OptionButtons, u"Start; End;",
     u"Determines from where you want to remove characters,\r\nfrom the start or from the end of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Remove characters (Advanced)
constexpr ParamSpec RemoveCharactersAdvancedParams[] = {
    {u"Number of Characters", u"1", EditorKind::PlainText, u"",
     u"The maximum characters you want to remove.",
     KeyFilter::DigitsOnly},
    {u"Find What", u"", EditorKind::PlainText, u"",
     u"The characters will be removed before or after this text.",
     KeyFilter::NameChars},
    {u"Remove From", u"Before", EditorKind::OptionButtons, u"Before; After;",
     u"Determine from where you would like to remove the characters,\r\nbefore or after the found text.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Clear text between margins
constexpr ParamSpec ClearTextBetweenMarginsParams[] = {
    {u"Left Margin", u"", EditorKind::PlainText, u"",
     u"This text will be the left margin.\r\nText after this one and before the right margin text will be removed.\r\nLeave it empty to remove text from the start of the name.",
     KeyFilter::NameChars},
    {u"Remove Left Margin", u"False", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if you want to remove\r\nalso the left margin from the name.",
     KeyFilter::AnyKey},
    {u"Right Margin", u"", EditorKind::PlainText, u"",
     u"This text will be the right margin.\r\nText before this one and after the left margin text will be removed.\r\nLeave it empty to remove text to the end of the name.",
     KeyFilter::NameChars},
    {u"Remove Right Margin", u"False", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if you want to remove\r\nalso the right margin from the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Replace text between margins
constexpr ParamSpec ReplaceTextBetweenMarginsParams[] = {
    {u"Left Margin", u"", EditorKind::PlainText, u"",
     u"This text will be the left margin.\r\nText after this one and before the right margin text will be replaced with new text.\r\nLeave it empty to remove text from the start of the name.",
     KeyFilter::NameChars},
    {u"Remove Left Margin", u"False", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if you want to remove\r\nalso the left margin from the name.",
     KeyFilter::AnyKey},
    {u"Right Margin", u"", EditorKind::PlainText, u"",
     u"This text will be the right margin.\r\nText before this one and after the left margin text will be replaced with new text.\r\nLeave it empty to remove text to the end of the name.",
     KeyFilter::NameChars},
    {u"Remove Right Margin", u"False", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if you want to remove also the right margin from the name.",
     KeyFilter::AnyKey},
    {u"Insert This", u"", EditorKind::VariableText, u"",
     u"This is the text you want to insert between the two margins.",
     KeyFilter::NameChars},
    ApplyToParam,
};

// Set as line from text file
constexpr ParamSpec SetAsLineFromTextFileParams[] = {
    {u"Filename", u"", EditorKind::FilePath, u"",
     u"The name of the text file to read from.",
     KeyFilter::AnyKey},
    {u"Line Number", u"1", EditorKind::PlainText, u"",
     u"The first line to read from.",
     KeyFilter::DigitsOnly},
    {u"Start From", u"1", EditorKind::PlainText, u"",
     u"The first character position in the line to read from.",
     KeyFilter::DigitsOnly},
    {u"Length", u"999", EditorKind::PlainText, u"",
     u"The total characters to read.\r\n\r\nLength can't be more than the total characters in the line.\r\nIn this case, all remaining characters in line are retrieved.",
     KeyFilter::DigitsOnly},
    ApplyToParam,
};

// Set title as auto-number
constexpr ParamSpec SetTitleAsAutoNumberParams[] = {
    {u"Numbering Type", u"Decimal", EditorKind::OptionButtons, u"Decimal; Hexadecimal; Alphabetical;",
     u"Select the numbering format:\r\n    Decimal=0..9\r\n    Hexadecimal=0..F\r\n    Alphabetical=A..Z",
     KeyFilter::NameChars},
    {u"Start With", u"1", EditorKind::PlainText, u"",
     u"Set the first number in the sequence according to\r\nthe numbering format you have selected.",
     KeyFilter::LettersDigits},
    {u"Increment By", u"1", EditorKind::PlainText, u"",
     u"Set the steps between each number in the sequence.",
     KeyFilter::LettersDigits},
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width (in digits) of the generated numbers.",
     KeyFilter::LettersDigits},
    {u"Reset on Path Change", u"True", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if want to reset the counter on every path change.",
     KeyFilter::AnyKey},
};

// Insert auto-number at position
constexpr ParamSpec InsertAutoNumberAtPositionParams[] = {
    {u"Numbering Type", u"Decimal", EditorKind::OptionButtons, u"Decimal; Hexadecimal; Alphabetical;",
     u"Select the numbering format:\r\n    Decimal=0..9\r\n    Hexadecimal=0..F\r\n    Alphabetical=A..Z",
     KeyFilter::NameChars},
    {u"Start With", u"1", EditorKind::PlainText, u"",
     u"Set the first number in the sequence according\r\nto the numbering format you have selected.",
     KeyFilter::LettersDigits},
    {u"Increment By", u"1", EditorKind::PlainText, u"",
     u"Set the steps between each number in the sequence.",
     KeyFilter::LettersDigits},
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width (in digits) of the generated numbers.",
     KeyFilter::LettersDigits},
    {u"Reset on Path Change", u"True", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if want to reset the counter on every path change.",
     KeyFilter::AnyKey},
    {u"Find What", u"", EditorKind::PlainText, u"",
     u"This is the text you want to find.\r\nThe numbering will be inserted before or after this text.",
     KeyFilter::NameChars},
    {u"Insert Where", u"Before", EditorKind::OptionButtons, u"Before; After;",
     u"Determines where to locate the numbering, before or after the found text.",
     KeyFilter::AnyKey},
};

// Insert auto-number at edge of title
constexpr ParamSpec InsertAutoNumberAtEdgeOfTitleParams[] = {
    {u"Numbering Type", u"Decimal", EditorKind::OptionButtons, u"Decimal; Hexadecimal; Alphabetical;",
     u"Select the numbering format: Decimal=0..9; Hexadecimal=0..F; Alphabetical=A..Z;",
     KeyFilter::NameChars},
    {u"Start With", u"1", EditorKind::PlainText, u"",
     u"Set the first number in the sequence according to the numbering format you have selected.",
     KeyFilter::LettersDigits},
    {u"Increment By", u"1", EditorKind::PlainText, u"",
     u"Set the steps between each number in the sequence.",
     KeyFilter::LettersDigits},
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width (in digits) of the generated numbers.",
     KeyFilter::LettersDigits},
    {u"Reset on Path Change", u"True", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if want to reset the counter on every path change.",
     KeyFilter::AnyKey},
    {u"Insert Where", u"Start", EditorKind::OptionButtons, u"Start; End;",
     u"Determines where to locate the auto-number, at the start or in the end of the title.",
     KeyFilter::AnyKey},
};

// Replace text with auto-number
constexpr ParamSpec ReplaceTextWithAutoNumberParams[] = {
    {u"Numbering Type", u"Decimal", EditorKind::OptionButtons, u"Decimal; Hexadecimal; Alphabetical;",
     u"Select the numbering format:\r\n    Decimal=0..9\r\n    Hexadecimal=0..F\r\n    Alphabetical=A..Z",
     KeyFilter::NameChars},
    {u"Start With", u"1", EditorKind::PlainText, u"",
     u"Set the first number in the sequence according to the\r\nnumbering format you have selected.",
     KeyFilter::LettersDigits},
    {u"Increment By", u"1", EditorKind::PlainText, u"",
     u"Set the steps between each number in the sequence.",
     KeyFilter::LettersDigits},
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width (in digits) of the generated numbers.",
     KeyFilter::LettersDigits},
    {u"Reset on Path Change", u"True", EditorKind::OptionButtons, u"False; True;",
     u"Set this value to True if want to reset the counter on every path change.",
     KeyFilter::AnyKey},
    {u"Find What", u"", EditorKind::PlainText, u"",
     u"This is the text you want to find. The numbering will replace this text.",
     KeyFilter::NameChars},
};

// Add zero padding to numbers
constexpr ParamSpec AddZeroPaddingToNumbersParams[] = {
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width, in digits, of the new numbers.",
     KeyFilter::DigitsOnly},
    {u"Maximum Replacements", u"1", EditorKind::PlainText, u"",
     u"Set the maximum numbers to update.",
     KeyFilter::DigitsOnly},
    {u"Search Direction", u"Left to Right", EditorKind::OptionButtons, u"Left to Right; Right to Left;",
     u"Decide whether you want to start the search from the\r\nleft or from the right of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Add custom padding to numbers
constexpr ParamSpec AddCustomPaddingToNumbersParams[] = {
    {u"Pad With", u"_", EditorKind::PlainText, u"",
     u"Set a character to pad the numbers with.\r\nCan also include more than one character.",
     KeyFilter::NameChars},
    {u"Pad Where", u"Left", EditorKind::OptionButtons, u"Left; Right; Left & Right;",
     u"Specify where do you want to apply the padding.\r\nFrom the left of the numbers, from the right or from both sides.",
     KeyFilter::NameChars},
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width, in digits, of the new numbers.",
     KeyFilter::DigitsOnly},
    {u"Maximum Replacements", u"1", EditorKind::PlainText, u"",
     u"Set the maximum numbers to update.",
     KeyFilter::DigitsOnly},
    {u"Search Direction", u"Left to Right", EditorKind::OptionButtons, u"Left to Right; Right to Left;",
     u"Decide whether you want to start the search from the\r\nleft or from the right of the name.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Auto-number duplicated names
constexpr ParamSpec AutoNumberDuplicatedNamesParams[] = {
    {u"Numbering Type", u"Decimal", EditorKind::OptionButtons, u"Decimal; Hexadecimal; Alphabetical;",
     u"Select the numbering format:\r\n    Decimal=0..9\r\n    Hexadecimal=0..F\r\n    Alphabetical=A..Z",
     KeyFilter::NameChars},
    {u"Start With", u"1", EditorKind::PlainText, u"",
     u"Set the first number in the sequence according to\r\nthe numbering format you have selected.",
     KeyFilter::LettersDigits},
    {u"Increment By", u"1", EditorKind::PlainText, u"",
     u"Set the steps between each number in the sequence.",
     KeyFilter::LettersDigits},
    {u"Minimum Width", u"2", EditorKind::PlainText, u"",
     u"Set the minimum width (in digits) of the generated numbers.",
     KeyFilter::LettersDigits},
    {u"Numbering Format", u" (%number%)", EditorKind::PlainText, u"",
     u"Specify the numbering format. %number% is the added\r\nnumber. Any other text will be added as it is.",
     KeyFilter::AnyKey},
    {u"Search Where", u"New Names", EditorKind::OptionButtons, u"Old Names; New Names;",
     u"Choose whether to search for duplicates on the\r\nold or the new names list.",
     KeyFilter::NameChars},
};

// Change capitalization
constexpr ParamSpec ChangeCapitalizationParams[] = {
    {u"Capitalization Type", u"UPPER CASE", EditorKind::DropDownList, u"UPPER CASE; lower case; First Letter Up; fIRST lETTER dOWN; LeTtEr uP-DoWn; lEtTeR DoWn-uP; WORD up-DOWN; word DOWN-up;",
     u"Select the capitalization type.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Change capitalization (Advanced)
constexpr ParamSpec ChangeCapitalizationAdvancedParams[] = {
    {u"Capitalization Type", u"UPPER CASE", EditorKind::DropDownList, u"UPPER CASE; lower case; First Letter Up; fIRST lETTER dOWN; LeTtEr uP-DoWn; lEtTeR DoWn-uP; WORD up-DOWN; word DOWN-up;",
     u"Select the capitalization type.",
     KeyFilter::AnyKey},
    ApplyToParam,
    {u"Number of Words", u"1", EditorKind::PlainText, u"",
     u"Determine on how many words would you like to apply the changes.",
     KeyFilter::DigitsOnly},
    {u"Search Direction", u"Left to Right", EditorKind::OptionButtons, u"Left to Right; Right to Left;",
     u"Decide whether you want to start the search from the\r\nleft or from the right of the name.",
     KeyFilter::AnyKey},
};

// Set word separators
constexpr ParamSpec SetWordSeparatorsParams[] = {
    {u"Characters", u" _,.;()[]-=+@", EditorKind::PlainText, u"",
     u"Set the characters that will act as word separtors.\r\nUse it only when you need to use different word separators than the default.",
     KeyFilter::AnyKey},
};

// Set exceptions list
constexpr ParamSpec SetExceptionsListParams[] = {
    {u"Words", u"", EditorKind::PlainText, u"",
     u"Set the words you want to skip during the capitalization process.\r\nSeparate words with colons.\r\n\r\nExample: \"word1:word2:word3\"",
     KeyFilter::AnyKey},
    {u"Count Skipped Words", u"False", EditorKind::OptionButtons, u"True; False;",
     u"Choose whether to include the skipped words in counting of advanced\r\ncapitalization rules.",
     KeyFilter::AnyKey},
};

// Sort the list
constexpr ParamSpec SortTheListParams[] = {
    {u"Sorting Type", u"Name (Ascending)", EditorKind::DropDownList, u"Name (Ascending); Name (Descending); Modified (Ascending); Modified (Descending); Size (Ascending); Size (Descending);  Numeric Value (Ascending); Numeric Value (Descending);",
     u"Select the way you want to sort the files list.",
     KeyFilter::AnyKey},
    {u"Sorting Source", u"Old Name", EditorKind::OptionButtons, u"Old Name; New Name;",
     u"Select the source names for the sorting:\r\nThe old name or the new name.\r\n\r\nNOTE: This parameter is relevant only when sorting the list by name.",
     KeyFilter::AnyKey},
};

// Remove spaces
constexpr ParamSpec RemoveSpacesParams[] = {
    {u"Type", u"Trailing", EditorKind::OptionButtons, u"Leading; Trailing; Leading & Trailing;",
     u"Determine the type of spaces you want to remove:\r\nleading spaces, trailing spaces or both.",
     KeyFilter::AnyKey},
    ApplyToParam,
};

// Convert multiple spaces into one
constexpr ParamSpec ConvertMultipleSpacesIntoOneParams[] = {
    ApplyToParam,
};

// Set the text comparison type
constexpr ParamSpec SetTheTextComparisonTypeParams[] = {
    {u"Case Sensitive", u"True", EditorKind::OptionButtons, u"True; False;",
     u"Set this value to True to make the text comparison method case sensitive.\r\nThe default comparison type can be set on the options window.\r\n\r\nNOTE: This rule applies to all of the following rules, unless specified else!",
     KeyFilter::AnyKey},
};

// Set maximum name length
constexpr ParamSpec SetMaximumNameLengthParams[] = {
    {u"Length", u"8", EditorKind::PlainText, u"",
     u"Set the maximum length in characters.\r\nWhen the current length is shorter then this value,\r\nno action will be taken.",
     KeyFilter::DigitsOnly},
    {u"Apply To", u"Title", EditorKind::OptionButtons, u"Title; Extension;",
     u"Determine on which part of the name this rule will be applied.",
     KeyFilter::AnyKey},
};

// Create new names from list
constexpr ParamSpec CreateNewNamesFromListParams[] = {
    {u"Input File", u"", EditorKind::FilePath, u"",
     u"The input file from where the new names will be taken.\r\nYou can also drag the input file from Windows Explorer to the Value field.\r\n\r\nNOTE: List of files should not include paths.",
     KeyFilter::AnyKey},
    {u"Read From Line", u"1", EditorKind::PlainText, u"",
     u"The starting line in the file from where the new names will be retrieved.",
     KeyFilter::DigitsOnly},
    {u"Insert From", u"1", EditorKind::PlainText, u"",
     u"The starting point in the list from where the new names will be updated.",
     KeyFilter::DigitsOnly},
    {u"Apply To", u"Title & Extension", EditorKind::OptionButtons, u"Title; Extension; Title & Extension;",
     u"Determine on which part of the name this rule will be applied.\r\n\r\nFor example, choosing Title will affect only the title part, while\r\nonly the title will be retrieved from the list, leaving the extension intact.",
     KeyFilter::AnyKey},
};

// Skip rule if causing validation error
constexpr ParamSpec SkipRuleIfCausingValidationErrorParams[] = {
    {u"Skip Rules", u"True", EditorKind::OptionButtons, u"True; False;",
     u"By default, all rules are processed. \r\n\r\nIf you want to skip rules that are causing validation errors set this value to True.\r\nIf not, set this value to False or simply do not add it.\r\n\r\nNOTE: This rule applies to all of the following rules, unless specified else!",
     KeyFilter::AnyKey},
};

// Make 'Title & Extension' affect full names
constexpr ParamSpec MakeTitleExtensionAffectFullNamesParams[] = {
    {u"Enabled", u"True", EditorKind::OptionButtons, u"True; False;",
     u"Set the way the 'Title & Extension' value is processed in rules.\r\n\r\nWhen enabled, the title and extension will be processed as one unit, \r\nincluding the dot between them, else, handles title and then extension separately.",
     KeyFilter::AnyKey},
};

constexpr RuleSpec RuleTable[] = {
    {u"Title & Extension", u"Create a new name", false,
     u"Create a new name: <New Text> <Apply To>",
     CreateANewNameParams},
    {u"Title & Extension", u"Find and replace text", false,
     u"Find and replace text: <Find What> <Replace With> <Apply To>",
     FindAndReplaceTextParams},
    {u"Title & Extension", u"Find and replace text (Advanced)", true,
     u"Find and replace text (Advanced): <Maximum Replacements> <Find What> <Replace With> <Search Direction> <Apply To>",
     FindAndReplaceTextAdvancedParams},
    {u"Title & Extension", u"Find and replace using Regular Expression", true,
     u"Find and replace using Regular Expression: <Search Pattern> <Replace With> <Replace All> <Apply To>",
     FindAndReplaceUsingRegularExpressionParams},
    {u"Title & Extension", u"Attach text to edge of name", false,
     u"Attach text to edge of name: <Insert This> <Insert Where> <Apply To>",
     AttachTextToEdgeOfNameParams},
    {u"Title & Extension", u"Add text at position", false,
     u"Add text at position: <New Text> <Position> <Search Direction> <Apply To>",
     AddTextAtPositionParams},
    {u"Title & Extension", u"Remove characters from position", true,
     u"Remove characters from position: <Starting Position> <Length> <Removal Direction> <Apply To>",
     RemoveCharactersFromPositionParams},
    {u"Title & Extension", u"Remove characters from edge of name", true,
     u"Remove characters from edge of name: <Number of Characters> <Remove From> <Apply To>",
     RemoveCharactersFromEdgeOfNameParams},
    {u"Title & Extension", u"Remove characters (Advanced)", true,
     u"Remove characters (Advanced): <Number of Characters> <Find What> <Remove From> <Apply To>",
     RemoveCharactersAdvancedParams},
    {u"Title & Extension", u"Clear text between margins", true,
     u"Clear text between margins: <Left Margin> <Remove Left Margin> <Right Margin> <Remove Right Margin> <Apply To>",
     ClearTextBetweenMarginsParams},
    {u"Title & Extension", u"Replace text between margins", true,
     u"Replace text between margins: <Left Margin> <Remove Left Margin> <Right Margin> <Remove Right Margin> <Insert This> <Apply To>",
     ReplaceTextBetweenMarginsParams},
    {u"Title & Extension", u"Set as line from text file", true,
     u"Set as line from text file: <Filename> <Line Number> <Start From> <Length> <Apply To>",
     SetAsLineFromTextFileParams},
    {u"Auto Numbering", u"Set title as auto-number", false,
     u"Set title as auto-number: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change>",
     SetTitleAsAutoNumberParams},
    {u"Auto Numbering", u"Insert auto-number at position", true,
     u"Insert auto-number at position: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change> <Find What> <Insert Where>",
     InsertAutoNumberAtPositionParams},
    {u"Auto Numbering", u"Insert auto-number at edge of title", false,
     u"Insert auto-number at edge of title: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change> <Insert Where>",
     InsertAutoNumberAtEdgeOfTitleParams},
    {u"Auto Numbering", u"Replace text with auto-number", true,
     u"Replace text with auto-number: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change> <Find What>",
     ReplaceTextWithAutoNumberParams},
    {u"Auto Numbering", u"Add zero padding to numbers", false,
     u"Add zero padding to numbers: <Minimum Width> <Maximum Replacements> <Search Direction> <Apply To>",
     AddZeroPaddingToNumbersParams},
    {u"Auto Numbering", u"Add custom padding to numbers", true,
     u"Add custom padding to numbers: <Pad With> <Pad Where> <Minimum Width> <Maximum Replacements> <Search Direction> <Apply To>",
     AddCustomPaddingToNumbersParams},
    {u"Auto Numbering", u"Auto-number duplicated names", true,
     u"Auto-number duplicated names: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Numbering Format> <Search Where>",
     AutoNumberDuplicatedNamesParams},
    {u"Letters", u"Change capitalization", false,
     u"Change capitalization: <Capitalization Type> <Apply To>",
     ChangeCapitalizationParams},
    {u"Letters", u"Change capitalization (Advanced)", true,
     u"Change capitalization (Advanced): <Capitalization Type> <Apply To> <Number of Words> <Search Direction>",
     ChangeCapitalizationAdvancedParams},
    {u"Letters", u"Set word separators", true,
     u"Set word separators: <Characters>",
     SetWordSeparatorsParams},
    {u"Letters", u"Set exceptions list", true,
     u"Set exceptions list: <Words> <Count Skipped Words>",
     SetExceptionsListParams},
    {u"Sorting", u"Sort the list", false,
     u"Sort the list: <Sorting Type> <Sorting Source>",
     SortTheListParams},
    {u"Spaces", u"Remove spaces", false,
     u"Remove spaces: <Type> <Apply To>",
     RemoveSpacesParams},
    {u"Spaces", u"Convert multiple spaces into one", false,
     u"Convert multiple spaces into one: <Apply To>",
     ConvertMultipleSpacesIntoOneParams},
    {u"Miscellaneous", u"Set the text comparison type", true,
     u"Set the text comparison type: <Case Sensitive>",
     SetTheTextComparisonTypeParams},
    {u"Miscellaneous", u"Set maximum name length", false,
     u"Set maximum name length: <Length> <Apply To>",
     SetMaximumNameLengthParams},
    {u"Miscellaneous", u"Create new names from list", true,
     u"Create new names from list: <Input File> <Read From Line> <Insert From> <Apply To>",
     CreateNewNamesFromListParams},
    {u"Miscellaneous", u"Skip rule if causing validation error", true,
     u"Skip rule if causing validation error: <Skip Rules>",
     SkipRuleIfCausingValidationErrorParams},
    {u"Miscellaneous", u"Make 'Title & Extension' affect full names", true,
     u"Make 'Title & Extension' affect full names: <Enabled>",
     MakeTitleExtensionAffectFullNamesParams},
};

constexpr std::array<QStringView, 6> CategoryNames = {
    u"Title & Extension", u"Auto Numbering", u"Letters", u"Sorting", u"Spaces", u"Miscellaneous",
};

bool IsAsciiLetter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }
bool IsAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
char32_t AsciiUpper(char32_t c) { return c >= U'a' && c <= U'z' ? c - 32 : c; }

bool LoadFromCategory(QStringView category, QStringView ruleName, EditorParamTable& table)
{
    const RuleSpec* rule = FindRuleSpec(category, ruleName);
    if (!rule)
        return false;
    table.count = int(rule->params.size());
    table.ruleTemplate = rule->ruleTemplate.toString();
    table.params.assign(rule->params.begin(), rule->params.end());
    return true;
}

} // namespace

std::optional<char32_t> FilterKey(KeyFilter filter, char32_t key)
{
    if (key < 32)
        return key;
    switch (filter) {
    case KeyFilter::AnyKey:
        return key;
    case KeyFilter::LettersOnly:
        return IsAsciiLetter(key) ? std::optional(key) : std::nullopt;
    case KeyFilter::DigitsOnly:
        return IsAsciiDigit(key) ? std::optional(key) : std::nullopt;
    case KeyFilter::NameChars:
        return key < 0x80 && QStringView(u"/\\:*?\"<>|").contains(QChar(char16_t(key)))
            ? std::nullopt : std::optional(key);
    case KeyFilter::LettersDigits:
        return IsAsciiLetter(key) || IsAsciiDigit(key) ? std::optional(key) : std::nullopt;
    case KeyFilter::HexDigits: {
        const char32_t upper = AsciiUpper(key);
        return IsAsciiDigit(upper) || (upper >= U'A' && upper <= U'F') ? std::optional(upper) : std::nullopt;
    }
    case KeyFilter::UpperLetters:
        return IsAsciiLetter(key) ? std::optional(AsciiUpper(key)) : std::nullopt;
    }
    return std::nullopt;
}

QString FilterKeys(KeyFilter filter, QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (const std::optional<char32_t> kept = FilterKey(filter, c))
            out.append(QStringView(QChar::fromUcs4(*kept)));
    }
    return out;
}

QString ClampDigitsValue(QStringView value)
{
    return QString::number(std::clamp(LeadingNumber(value), DigitsValueMinimum, DigitsValueMaximum));
}

std::span<const QStringView> Categories()
{
    return CategoryNames;
}

std::span<const RuleSpec> Catalogue()
{
    return RuleTable;
}

std::vector<const RuleSpec*> CategoryRules(QStringView category, bool advancedWanted)
{
    std::vector<const RuleSpec*> rules;
    for (const RuleSpec& rule : RuleTable) {
        if (rule.category == category && (advancedWanted || !rule.advanced))
            rules.push_back(&rule);
    }
    return rules;
}

const RuleSpec* FindRuleSpec(QStringView category, QStringView ruleName)
{
    for (const RuleSpec& rule : RuleTable) {
        if (rule.category == category && rule.name == ruleName)
            return &rule;
    }
    return nullptr;
}

const RuleSpec* FindRuleSpec(QStringView ruleName)
{
    for (const RuleSpec& rule : RuleTable) {
        if (rule.name == ruleName)
            return &rule;
    }
    return nullptr;
}

QStringList SplitAllowedValues(QStringView allowedValues)
{
    QStringList values;
    const QList<QStringView> pieces = allowedValues.split(u';');
    // The text after the last ";" is not a value.
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
        values.append(pieces[i].trimmed().toString());
    return values;
}

bool LoadFileTitleParams(QStringView ruleName, EditorParamTable& table)
{
    return LoadFromCategory(CategoryNames[0], ruleName, table);
}

bool LoadAutoNumberingParams(QStringView ruleName, EditorParamTable& table)
{
    return LoadFromCategory(CategoryNames[1], ruleName, table);
}

bool LoadLettersParams(QStringView ruleName, EditorParamTable& table)
{
    return LoadFromCategory(CategoryNames[2], ruleName, table);
}

bool LoadSortingParams(QStringView ruleName, EditorParamTable& table, bool foldersOnly)
{
    if (!LoadFromCategory(CategoryNames[3], ruleName, table))
        return false;
    if (foldersOnly) {
        for (ParamSpec& param : table.params) {
            if (param.name == u"Sorting Type")
                param.allowedValues = FoldersOnlySortingTypes;
        }
    }
    return true;
}

bool LoadSpacesParams(QStringView ruleName, EditorParamTable& table)
{
    return LoadFromCategory(CategoryNames[4], ruleName, table);
}

bool LoadMiscParams(QStringView ruleName, EditorParamTable& table)
{
    return LoadFromCategory(CategoryNames[5], ruleName, table);
}

bool LoadCategoryParams(QStringView category, QStringView ruleName, EditorParamTable& table, bool foldersOnly)
{
    using Loader = bool (*)(QStringView, EditorParamTable&, bool);
    static constexpr std::array<Loader, 6> loaders = {
        [](QStringView n, EditorParamTable& t, bool) { return LoadFileTitleParams(n, t); },
        [](QStringView n, EditorParamTable& t, bool) { return LoadAutoNumberingParams(n, t); },
        [](QStringView n, EditorParamTable& t, bool) { return LoadLettersParams(n, t); },
        [](QStringView n, EditorParamTable& t, bool f) { return LoadSortingParams(n, t, f); },
        [](QStringView n, EditorParamTable& t, bool) { return LoadSpacesParams(n, t); },
        [](QStringView n, EditorParamTable& t, bool) { return LoadMiscParams(n, t); },
    };
    for (std::size_t i = 0; i < CategoryNames.size(); ++i) {
        if (CategoryNames[i] == category)
            return loaders[i](ruleName, table, foldersOnly);
    }
    return false;
}

ParamList CreateParamsList(const EditorParamTable& table)
{
    ParamList rows;
    rows.reserve(table.params.size());
    for (const ParamSpec& param : table.params)
        rows.push_back({param.name.toString(), param.defaultValue.toString()});
    return rows;
}

void UpdateParameters(ParamList& rows, const EditorParamTable& table)
{
    const std::size_t n = std::min(rows.size(), table.params.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (table.params[i].filter == KeyFilter::DigitsOnly)
            rows[i].value = ClampDigitsValue(rows[i].value);
    }
}

QString PreviewRule(QStringView ruleTemplate, const ParamList& rows)
{
    struct Fill { qsizetype at; qsizetype length; const ParamRow* row; };
    std::vector<Fill> fills;
    auto taken = [&fills](qsizetype at) {
        return std::any_of(fills.begin(), fills.end(), [at](const Fill& f) { return f.at == at; });
    };
    for (const ParamRow& row : rows) {
        const QString placeholder = u'<' + row.name + u'>';
        qsizetype at = ruleTemplate.indexOf(placeholder);
        while (at >= 0 && taken(at))
            at = ruleTemplate.indexOf(placeholder, at + 1);
        if (at >= 0)
            fills.push_back({at, placeholder.size(), &row});
    }
    std::sort(fills.begin(), fills.end(), [](const Fill& a, const Fill& b) { return a.at < b.at; });
    QString line;
    qsizetype done = 0;
    for (const Fill& f : fills) {
        line += ruleTemplate.sliced(done, f.at - done);
        line += u'<' + f.row->name + u'=' + f.row->value + u'>';
        done = f.at + f.length;
    }
    line += ruleTemplate.sliced(done);
    return line;
}

} // namespace quelt
