#include "engine/RuleCatalogue.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace quelt;

namespace {

struct ExpectedRule {
    const char* category;
    const char* name;
    bool advanced;
    const char* ruleTemplate;
};

// Every rule of the catalogue, in catalogue order.
const ExpectedRule ExpectedRules[] = {
    {"Title & Extension", "Create a new name", false, "Create a new name: <New Text> <Apply To>"},
    {"Title & Extension", "Find and replace text", false, "Find and replace text: <Find What> <Replace With> <Apply To>"},
    {"Title & Extension", "Find and replace text (Advanced)", true, "Find and replace text (Advanced): <Maximum Replacements> <Find What> <Replace With> <Search Direction> <Apply To>"},
    {"Title & Extension", "Find and replace using Regular Expression", true, "Find and replace using Regular Expression: <Search Pattern> <Replace With> <Replace All> <Apply To>"},
    {"Title & Extension", "Attach text to edge of name", false, "Attach text to edge of name: <Insert This> <Insert Where> <Apply To>"},
    {"Title & Extension", "Add text at position", false, "Add text at position: <New Text> <Position> <Search Direction> <Apply To>"},
    {"Title & Extension", "Remove characters from position", true, "Remove characters from position: <Starting Position> <Length> <Removal Direction> <Apply To>"},
    {"Title & Extension", "Remove characters from edge of name", true, "Remove characters from edge of name: <Number of Characters> <Remove From> <Apply To>"},
    {"Title & Extension", "Remove characters (Advanced)", true, "Remove characters (Advanced): <Number of Characters> <Find What> <Remove From> <Apply To>"},
    {"Title & Extension", "Clear text between margins", true, "Clear text between margins: <Left Margin> <Remove Left Margin> <Right Margin> <Remove Right Margin> <Apply To>"},
    {"Title & Extension", "Replace text between margins", true, "Replace text between margins: <Left Margin> <Remove Left Margin> <Right Margin> <Remove Right Margin> <Insert This> <Apply To>"},
    {"Title & Extension", "Set as line from text file", true, "Set as line from text file: <Filename> <Line Number> <Start From> <Length> <Apply To>"},
    {"Auto Numbering", "Set title as auto-number", false, "Set title as auto-number: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change>"},
    {"Auto Numbering", "Insert auto-number at position", true, "Insert auto-number at position: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change> <Find What> <Insert Where>"},
    {"Auto Numbering", "Insert auto-number at edge of title", false, "Insert auto-number at edge of title: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change> <Insert Where>"},
    {"Auto Numbering", "Replace text with auto-number", true, "Replace text with auto-number: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Reset on Path Change> <Find What>"},
    {"Auto Numbering", "Add zero padding to numbers", false, "Add zero padding to numbers: <Minimum Width> <Maximum Replacements> <Search Direction> <Apply To>"},
    {"Auto Numbering", "Add custom padding to numbers", true, "Add custom padding to numbers: <Pad With> <Pad Where> <Minimum Width> <Maximum Replacements> <Search Direction> <Apply To>"},
    {"Auto Numbering", "Auto-number duplicated names", true, "Auto-number duplicated names: <Numbering Type> <Start With> <Increment By> <Minimum Width> <Numbering Format> <Search Where>"},
    {"Letters", "Change capitalization", false, "Change capitalization: <Capitalization Type> <Apply To>"},
    {"Letters", "Change capitalization (Advanced)", true, "Change capitalization (Advanced): <Capitalization Type> <Apply To> <Number of Words> <Search Direction>"},
    {"Letters", "Set word separators", true, "Set word separators: <Characters>"},
    {"Letters", "Set exceptions list", true, "Set exceptions list: <Words> <Count Skipped Words>"},
    {"Sorting", "Sort the list", false, "Sort the list: <Sorting Type> <Sorting Source>"},
    {"Spaces", "Remove spaces", false, "Remove spaces: <Type> <Apply To>"},
    {"Spaces", "Convert multiple spaces into one", false, "Convert multiple spaces into one: <Apply To>"},
    {"Miscellaneous", "Set the text comparison type", true, "Set the text comparison type: <Case Sensitive>"},
    {"Miscellaneous", "Set maximum name length", false, "Set maximum name length: <Length> <Apply To>"},
    {"Miscellaneous", "Create new names from list", true, "Create new names from list: <Input File> <Read From Line> <Insert From> <Apply To>"},
    {"Miscellaneous", "Skip rule if causing validation error", true, "Skip rule if causing validation error: <Skip Rules>"},
    {"Miscellaneous", "Make 'Title & Extension' affect full names", true, "Make 'Title & Extension' affect full names: <Enabled>"},
};

struct ExpectedParam {
    const char* category;
    const char* rule;
    const char* name;
    const char* defaultValue;
    EditorKind editor;
    KeyFilter filter;
    const char* allowedValues;
    std::initializer_list<const char*> descriptionLines;
};

// Every parameter of every rule, in catalogue order; descriptions as their lines.
const ExpectedParam ExpectedParams[] = {
    {"Title & Extension", "Create a new name", "New Text", "", EditorKind::VariableText, KeyFilter::NameChars, "",
     {"This text will replace the current title or extension."}},
    {"Title & Extension", "Create a new name", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Find and replace text", "Find What", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This is the text you want to replace."}},
    {"Title & Extension", "Find and replace text", "Replace With", "", EditorKind::VariableText, KeyFilter::NameChars, "",
     {"This will be the replacement text.", "Leave it empty to remove the text you find."}},
    {"Title & Extension", "Find and replace text", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Find and replace text (Advanced)", "Maximum Replacements", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Determines the maximum instances to replace."}},
    {"Title & Extension", "Find and replace text (Advanced)", "Find What", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This is the text you want to replace."}},
    {"Title & Extension", "Find and replace text (Advanced)", "Replace With", "", EditorKind::VariableText, KeyFilter::NameChars, "",
     {"This will be the replacement text.", "Leave it empty to remove the text you find."}},
    {"Title & Extension", "Find and replace text (Advanced)", "Search Direction", "Left to Right", EditorKind::OptionButtons, KeyFilter::AnyKey, "Left to Right; Right to Left;",
     {"Decide whether you want to start the search", "from the left or from the right of the name."}},
    {"Title & Extension", "Find and replace text (Advanced)", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Find and replace using Regular Expression", "Search Pattern", "", EditorKind::PlainText, KeyFilter::AnyKey, "",
     {"A Regular Expression pattern being searched for.", "", "NOTE: Uses VBScript RegEx engine. Requires IE 5.0 and up."}},
    {"Title & Extension", "Find and replace using Regular Expression", "Replace With", "", EditorKind::VariableText, KeyFilter::AnyKey, "",
     {"This will be the replacement text.", "Leave it empty to remove the text you find.", "", "NOTE: Uses VBScript RegEx engine. Requires IE 5.0 and up."}},
    {"Title & Extension", "Find and replace using Regular Expression", "Replace All", "True", EditorKind::OptionButtons, KeyFilter::NameChars, "True; False;",
     {"Set to False to replace the first matching text only, else leave as True.", "", "NOTE: Uses VBScript RegEx engine. Requires IE 5.0 and up."}},
    {"Title & Extension", "Find and replace using Regular Expression", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Attach text to edge of name", "Insert This", "", EditorKind::VariableText, KeyFilter::NameChars, "",
     {"The text you want to insert."}},
    {"Title & Extension", "Attach text to edge of name", "Insert Where", "Start", EditorKind::OptionButtons, KeyFilter::AnyKey, "Start; End;",
     {"Determines where to locate the new text,", "at the start or in the end of the name."}},
    {"Title & Extension", "Attach text to edge of name", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Add text at position", "New Text", "", EditorKind::VariableText, KeyFilter::NameChars, "",
     {"The new text to add."}},
    {"Title & Extension", "Add text at position", "Position", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The position where you would like to add the new text.", "Counted as characters from the start of the name,", "relative to the search direction."}},
    {"Title & Extension", "Add text at position", "Search Direction", "Left to Right", EditorKind::OptionButtons, KeyFilter::AnyKey, "Left to Right; Right to Left;",
     {"Decide from where you want to start counting characters for the", "position counter, from the left or from the right of the name."}},
    {"Title & Extension", "Add text at position", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Remove characters from position", "Starting Position", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The starting position from where you want to remove the characters."}},
    {"Title & Extension", "Remove characters from position", "Length", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The number of characters you want to remove after the starting position."}},
    {"Title & Extension", "Remove characters from position", "Removal Direction", "Left to Right", EditorKind::OptionButtons, KeyFilter::AnyKey, "Left to Right; Right to Left;",
     {"Decide whether you want to start the removal", "from the left or from the right of the name."}},
    {"Title & Extension", "Remove characters from position", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Remove characters from edge of name", "Number of Characters", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The maximum characters you want to remove."}},
    {"Title & Extension", "Remove characters from edge of name", "Remove From", "Start", EditorKind::OptionButtons, KeyFilter::AnyKey, "Start; End;",
     {"Determines from where you want to remove characters,", "from the start or from the end of the name."}},
    {"Title & Extension", "Remove characters from edge of name", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Remove characters (Advanced)", "Number of Characters", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The maximum characters you want to remove."}},
    {"Title & Extension", "Remove characters (Advanced)", "Find What", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"The characters will be removed before or after this text."}},
    {"Title & Extension", "Remove characters (Advanced)", "Remove From", "Before", EditorKind::OptionButtons, KeyFilter::AnyKey, "Before; After;",
     {"Determine from where you would like to remove the characters,", "before or after the found text."}},
    {"Title & Extension", "Remove characters (Advanced)", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Clear text between margins", "Left Margin", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This text will be the left margin.", "Text after this one and before the right margin text will be removed.", "Leave it empty to remove text from the start of the name."}},
    {"Title & Extension", "Clear text between margins", "Remove Left Margin", "False", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if you want to remove", "also the left margin from the name."}},
    {"Title & Extension", "Clear text between margins", "Right Margin", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This text will be the right margin.", "Text before this one and after the left margin text will be removed.", "Leave it empty to remove text to the end of the name."}},
    {"Title & Extension", "Clear text between margins", "Remove Right Margin", "False", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if you want to remove", "also the right margin from the name."}},
    {"Title & Extension", "Clear text between margins", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Replace text between margins", "Left Margin", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This text will be the left margin.", "Text after this one and before the right margin text will be replaced with new text.", "Leave it empty to remove text from the start of the name."}},
    {"Title & Extension", "Replace text between margins", "Remove Left Margin", "False", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if you want to remove", "also the left margin from the name."}},
    {"Title & Extension", "Replace text between margins", "Right Margin", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This text will be the right margin.", "Text before this one and after the left margin text will be replaced with new text.", "Leave it empty to remove text to the end of the name."}},
    {"Title & Extension", "Replace text between margins", "Remove Right Margin", "False", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if you want to remove also the right margin from the name."}},
    {"Title & Extension", "Replace text between margins", "Insert This", "", EditorKind::VariableText, KeyFilter::NameChars, "",
     {"This is the text you want to insert between the two margins."}},
    {"Title & Extension", "Replace text between margins", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Title & Extension", "Set as line from text file", "Filename", "", EditorKind::FilePath, KeyFilter::AnyKey, "",
     {"The name of the text file to read from."}},
    {"Title & Extension", "Set as line from text file", "Line Number", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The first line to read from."}},
    {"Title & Extension", "Set as line from text file", "Start From", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The first character position in the line to read from."}},
    {"Title & Extension", "Set as line from text file", "Length", "999", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The total characters to read.", "", "Length can't be more than the total characters in the line.", "In this case, all remaining characters in line are retrieved."}},
    {"Title & Extension", "Set as line from text file", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Auto Numbering", "Set title as auto-number", "Numbering Type", "Decimal", EditorKind::OptionButtons, KeyFilter::NameChars, "Decimal; Hexadecimal; Alphabetical;",
     {"Select the numbering format:", "    Decimal=0..9", "    Hexadecimal=0..F", "    Alphabetical=A..Z"}},
    {"Auto Numbering", "Set title as auto-number", "Start With", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the first number in the sequence according to", "the numbering format you have selected."}},
    {"Auto Numbering", "Set title as auto-number", "Increment By", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the steps between each number in the sequence."}},
    {"Auto Numbering", "Set title as auto-number", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the minimum width (in digits) of the generated numbers."}},
    {"Auto Numbering", "Set title as auto-number", "Reset on Path Change", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if want to reset the counter on every path change."}},
    {"Auto Numbering", "Insert auto-number at position", "Numbering Type", "Decimal", EditorKind::OptionButtons, KeyFilter::NameChars, "Decimal; Hexadecimal; Alphabetical;",
     {"Select the numbering format:", "    Decimal=0..9", "    Hexadecimal=0..F", "    Alphabetical=A..Z"}},
    {"Auto Numbering", "Insert auto-number at position", "Start With", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the first number in the sequence according", "to the numbering format you have selected."}},
    {"Auto Numbering", "Insert auto-number at position", "Increment By", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the steps between each number in the sequence."}},
    {"Auto Numbering", "Insert auto-number at position", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the minimum width (in digits) of the generated numbers."}},
    {"Auto Numbering", "Insert auto-number at position", "Reset on Path Change", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if want to reset the counter on every path change."}},
    {"Auto Numbering", "Insert auto-number at position", "Find What", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This is the text you want to find.", "The numbering will be inserted before or after this text."}},
    {"Auto Numbering", "Insert auto-number at position", "Insert Where", "Before", EditorKind::OptionButtons, KeyFilter::AnyKey, "Before; After;",
     {"Determines where to locate the numbering, before or after the found text."}},
    {"Auto Numbering", "Insert auto-number at edge of title", "Numbering Type", "Decimal", EditorKind::OptionButtons, KeyFilter::NameChars, "Decimal; Hexadecimal; Alphabetical;",
     {"Select the numbering format: Decimal=0..9; Hexadecimal=0..F; Alphabetical=A..Z;"}},
    {"Auto Numbering", "Insert auto-number at edge of title", "Start With", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the first number in the sequence according to the numbering format you have selected."}},
    {"Auto Numbering", "Insert auto-number at edge of title", "Increment By", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the steps between each number in the sequence."}},
    {"Auto Numbering", "Insert auto-number at edge of title", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the minimum width (in digits) of the generated numbers."}},
    {"Auto Numbering", "Insert auto-number at edge of title", "Reset on Path Change", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if want to reset the counter on every path change."}},
    {"Auto Numbering", "Insert auto-number at edge of title", "Insert Where", "Start", EditorKind::OptionButtons, KeyFilter::AnyKey, "Start; End;",
     {"Determines where to locate the auto-number, at the start or in the end of the title."}},
    {"Auto Numbering", "Replace text with auto-number", "Numbering Type", "Decimal", EditorKind::OptionButtons, KeyFilter::NameChars, "Decimal; Hexadecimal; Alphabetical;",
     {"Select the numbering format:", "    Decimal=0..9", "    Hexadecimal=0..F", "    Alphabetical=A..Z"}},
    {"Auto Numbering", "Replace text with auto-number", "Start With", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the first number in the sequence according to the", "numbering format you have selected."}},
    {"Auto Numbering", "Replace text with auto-number", "Increment By", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the steps between each number in the sequence."}},
    {"Auto Numbering", "Replace text with auto-number", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the minimum width (in digits) of the generated numbers."}},
    {"Auto Numbering", "Replace text with auto-number", "Reset on Path Change", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "False; True;",
     {"Set this value to True if want to reset the counter on every path change."}},
    {"Auto Numbering", "Replace text with auto-number", "Find What", "", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"This is the text you want to find. The numbering will replace this text."}},
    {"Auto Numbering", "Add zero padding to numbers", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Set the minimum width, in digits, of the new numbers."}},
    {"Auto Numbering", "Add zero padding to numbers", "Maximum Replacements", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Set the maximum numbers to update."}},
    {"Auto Numbering", "Add zero padding to numbers", "Search Direction", "Left to Right", EditorKind::OptionButtons, KeyFilter::AnyKey, "Left to Right; Right to Left;",
     {"Decide whether you want to start the search from the", "left or from the right of the name."}},
    {"Auto Numbering", "Add zero padding to numbers", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Auto Numbering", "Add custom padding to numbers", "Pad With", "_", EditorKind::PlainText, KeyFilter::NameChars, "",
     {"Set a character to pad the numbers with.", "Can also include more than one character."}},
    {"Auto Numbering", "Add custom padding to numbers", "Pad Where", "Left", EditorKind::OptionButtons, KeyFilter::NameChars, "Left; Right; Left & Right;",
     {"Specify where do you want to apply the padding.", "From the left of the numbers, from the right or from both sides."}},
    {"Auto Numbering", "Add custom padding to numbers", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Set the minimum width, in digits, of the new numbers."}},
    {"Auto Numbering", "Add custom padding to numbers", "Maximum Replacements", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Set the maximum numbers to update."}},
    {"Auto Numbering", "Add custom padding to numbers", "Search Direction", "Left to Right", EditorKind::OptionButtons, KeyFilter::AnyKey, "Left to Right; Right to Left;",
     {"Decide whether you want to start the search from the", "left or from the right of the name."}},
    {"Auto Numbering", "Add custom padding to numbers", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Auto Numbering", "Auto-number duplicated names", "Numbering Type", "Decimal", EditorKind::OptionButtons, KeyFilter::NameChars, "Decimal; Hexadecimal; Alphabetical;",
     {"Select the numbering format:", "    Decimal=0..9", "    Hexadecimal=0..F", "    Alphabetical=A..Z"}},
    {"Auto Numbering", "Auto-number duplicated names", "Start With", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the first number in the sequence according to", "the numbering format you have selected."}},
    {"Auto Numbering", "Auto-number duplicated names", "Increment By", "1", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the steps between each number in the sequence."}},
    {"Auto Numbering", "Auto-number duplicated names", "Minimum Width", "2", EditorKind::PlainText, KeyFilter::LettersDigits, "",
     {"Set the minimum width (in digits) of the generated numbers."}},
    {"Auto Numbering", "Auto-number duplicated names", "Numbering Format", " (%number%)", EditorKind::PlainText, KeyFilter::AnyKey, "",
     {"Specify the numbering format. %number% is the added", "number. Any other text will be added as it is."}},
    {"Auto Numbering", "Auto-number duplicated names", "Search Where", "New Names", EditorKind::OptionButtons, KeyFilter::NameChars, "Old Names; New Names;",
     {"Choose whether to search for duplicates on the", "old or the new names list."}},
    {"Letters", "Change capitalization", "Capitalization Type", "UPPER CASE", EditorKind::DropDownList, KeyFilter::AnyKey, "UPPER CASE; lower case; First Letter Up; fIRST lETTER dOWN; LeTtEr uP-DoWn; lEtTeR DoWn-uP; WORD up-DOWN; word DOWN-up;",
     {"Select the capitalization type."}},
    {"Letters", "Change capitalization", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Letters", "Change capitalization (Advanced)", "Capitalization Type", "UPPER CASE", EditorKind::DropDownList, KeyFilter::AnyKey, "UPPER CASE; lower case; First Letter Up; fIRST lETTER dOWN; LeTtEr uP-DoWn; lEtTeR DoWn-uP; WORD up-DOWN; word DOWN-up;",
     {"Select the capitalization type."}},
    {"Letters", "Change capitalization (Advanced)", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Letters", "Change capitalization (Advanced)", "Number of Words", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Determine on how many words would you like to apply the changes."}},
    {"Letters", "Change capitalization (Advanced)", "Search Direction", "Left to Right", EditorKind::OptionButtons, KeyFilter::AnyKey, "Left to Right; Right to Left;",
     {"Decide whether you want to start the search from the", "left or from the right of the name."}},
    {"Letters", "Set word separators", "Characters", " _,.;()[]-=+@", EditorKind::PlainText, KeyFilter::AnyKey, "",
     {"Set the characters that will act as word separtors.", "Use it only when you need to use different word separators than the default."}},
    {"Letters", "Set exceptions list", "Words", "", EditorKind::PlainText, KeyFilter::AnyKey, "",
     {"Set the words you want to skip during the capitalization process.", "Separate words with colons.", "", "Example: \"word1:word2:word3\""}},
    {"Letters", "Set exceptions list", "Count Skipped Words", "False", EditorKind::OptionButtons, KeyFilter::AnyKey, "True; False;",
     {"Choose whether to include the skipped words in counting of advanced", "capitalization rules."}},
    {"Sorting", "Sort the list", "Sorting Type", "Name (Ascending)", EditorKind::DropDownList, KeyFilter::AnyKey, "Name (Ascending); Name (Descending); Modified (Ascending); Modified (Descending); Size (Ascending); Size (Descending);  Numeric Value (Ascending); Numeric Value (Descending);",
     {"Select the way you want to sort the files list."}},
    {"Sorting", "Sort the list", "Sorting Source", "Old Name", EditorKind::OptionButtons, KeyFilter::AnyKey, "Old Name; New Name;",
     {"Select the source names for the sorting:", "The old name or the new name.", "", "NOTE: This parameter is relevant only when sorting the list by name."}},
    {"Spaces", "Remove spaces", "Type", "Trailing", EditorKind::OptionButtons, KeyFilter::AnyKey, "Leading; Trailing; Leading & Trailing;",
     {"Determine the type of spaces you want to remove:", "leading spaces, trailing spaces or both."}},
    {"Spaces", "Remove spaces", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Spaces", "Convert multiple spaces into one", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Miscellaneous", "Set the text comparison type", "Case Sensitive", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "True; False;",
     {"Set this value to True to make the text comparison method case sensitive.", "The default comparison type can be set on the options window.", "", "NOTE: This rule applies to all of the following rules, unless specified else!"}},
    {"Miscellaneous", "Set maximum name length", "Length", "8", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"Set the maximum length in characters.", "When the current length is shorter then this value,", "no action will be taken."}},
    {"Miscellaneous", "Set maximum name length", "Apply To", "Title", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension;",
     {"Determine on which part of the name this rule will be applied."}},
    {"Miscellaneous", "Create new names from list", "Input File", "", EditorKind::FilePath, KeyFilter::AnyKey, "",
     {"The input file from where the new names will be taken.", "You can also drag the input file from Windows Explorer to the Value field.", "", "NOTE: List of files should not include paths."}},
    {"Miscellaneous", "Create new names from list", "Read From Line", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The starting line in the file from where the new names will be retrieved."}},
    {"Miscellaneous", "Create new names from list", "Insert From", "1", EditorKind::PlainText, KeyFilter::DigitsOnly, "",
     {"The starting point in the list from where the new names will be updated."}},
    {"Miscellaneous", "Create new names from list", "Apply To", "Title & Extension", EditorKind::OptionButtons, KeyFilter::AnyKey, "Title; Extension; Title & Extension;",
     {"Determine on which part of the name this rule will be applied.", "", "For example, choosing Title will affect only the title part, while", "only the title will be retrieved from the list, leaving the extension intact."}},
    {"Miscellaneous", "Skip rule if causing validation error", "Skip Rules", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "True; False;",
     {"By default, all rules are processed. ", "", "If you want to skip rules that are causing validation errors set this value to True.", "If not, set this value to False or simply do not add it.", "", "NOTE: This rule applies to all of the following rules, unless specified else!"}},
    {"Miscellaneous", "Make 'Title & Extension' affect full names", "Enabled", "True", EditorKind::OptionButtons, KeyFilter::AnyKey, "True; False;",
     {"Set the way the 'Title & Extension' value is processed in rules.", "", "When enabled, the title and extension will be processed as one unit, ", "including the dot between them, else, handles title and then extension separately."}},
};

QString Joined(std::initializer_list<const char*> lines)
{
    QStringList parts;
    for (const char* line : lines)
        parts.append(QString::fromUtf8(line));
    return parts.join(QStringLiteral("\r\n"));
}

QStringList Names(const std::vector<const RuleSpec*>& rules)
{
    QStringList names;
    for (const RuleSpec* rule : rules)
        names.append(rule->name.toString());
    return names;
}

} // namespace

TEST(Catalogue, CategoriesInOrder)
{
    QStringList names;
    for (QStringView c : Categories())
        names.append(c.toString());
    EXPECT_EQ(names, (QStringList{"Title & Extension", "Auto Numbering", "Letters", "Sorting", "Spaces",
                                  "Miscellaneous"}));
}

TEST(Catalogue, EveryRuleWithTemplateAndAdvancedFlag)
{
    const std::span<const RuleSpec> rules = Catalogue();
    ASSERT_EQ(rules.size(), std::size(ExpectedRules));
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const ExpectedRule& e = ExpectedRules[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(rules[i].category, QString::fromUtf8(e.category));
        EXPECT_EQ(rules[i].name, QString::fromUtf8(e.name));
        EXPECT_EQ(rules[i].advanced, e.advanced);
        EXPECT_EQ(rules[i].ruleTemplate, QString::fromUtf8(e.ruleTemplate));
    }
}

TEST(Catalogue, EveryParameterAsListed)
{
    std::size_t row = 0;
    for (const RuleSpec& rule : Catalogue()) {
        for (const ParamSpec& p : rule.params) {
            ASSERT_LT(row, std::size(ExpectedParams)) << "extra parameter " << p.name.toString().toStdString();
            const ExpectedParam& e = ExpectedParams[row++];
            SCOPED_TRACE(std::string(e.rule) + " / " + e.name);
            EXPECT_EQ(rule.category, QString::fromUtf8(e.category));
            EXPECT_EQ(rule.name, QString::fromUtf8(e.rule));
            EXPECT_EQ(p.name, QString::fromUtf8(e.name));
            EXPECT_EQ(p.defaultValue, QString::fromUtf8(e.defaultValue));
            EXPECT_EQ(p.editor, e.editor);
            EXPECT_EQ(p.filter, e.filter);
            EXPECT_EQ(p.allowedValues, QString::fromUtf8(e.allowedValues));
            EXPECT_EQ(p.description, Joined(e.descriptionLines));
        }
    }
    EXPECT_EQ(row, std::size(ExpectedParams));
}

TEST(Catalogue, TemplateIsNameThenEachParameterInOrder)
{
    for (const RuleSpec& rule : Catalogue()) {
        QString built = rule.name.toString() + u':';
        for (const ParamSpec& p : rule.params)
            built += QStringLiteral(" <") + p.name.toString() + u'>';
        EXPECT_EQ(rule.ruleTemplate, built) << rule.name.toString().toStdString();
        EXPECT_FALSE(rule.name.contains(u':'));
    }
}

TEST(Catalogue, TextsKeepTheirExactCharacters)
{
    const RuleSpec* skip = FindRuleSpec(u"Skip rule if causing validation error");
    ASSERT_TRUE(skip);
    EXPECT_TRUE(skip->params[0].description.startsWith(u"By default, all rules are processed. \r\n\r\nIf you want"));
    const RuleSpec* full = FindRuleSpec(u"Make 'Title & Extension' affect full names");
    ASSERT_TRUE(full);
    EXPECT_TRUE(full->params[0].description.contains(u"as one unit, \r\nincluding"));
    const RuleSpec* separators = FindRuleSpec(u"Set word separators");
    ASSERT_TRUE(separators);
    EXPECT_EQ(separators->params[0].defaultValue.size(), 13);
    EXPECT_EQ(separators->params[0].defaultValue, u" _,.;()[]-=+@");
    const RuleSpec* exceptions = FindRuleSpec(u"Set exceptions list");
    ASSERT_TRUE(exceptions);
    EXPECT_TRUE(exceptions->params[0].description.endsWith(u"\r\n\r\nExample: \"word1:word2:word3\""));
    const RuleSpec* numbering = FindRuleSpec(u"Set title as auto-number");
    ASSERT_TRUE(numbering);
    EXPECT_EQ(numbering->params[0].description,
              u"Select the numbering format:\r\n    Decimal=0..9\r\n    Hexadecimal=0..F\r\n    Alphabetical=A..Z");
}

TEST(Catalogue, RulesOfACategoryWithAndWithoutAdvanced)
{
    struct Case { const char* category; QStringList basic; };
    const Case cases[] = {
        {"Title & Extension", {"Create a new name", "Find and replace text", "Attach text to edge of name",
                               "Add text at position"}},
        {"Auto Numbering", {"Set title as auto-number", "Insert auto-number at edge of title",
                            "Add zero padding to numbers"}},
        {"Letters", {"Change capitalization"}},
        {"Sorting", {"Sort the list"}},
        {"Spaces", {"Remove spaces", "Convert multiple spaces into one"}},
        {"Miscellaneous", {"Set maximum name length"}},
    };
    for (const Case& c : cases) {
        const QString category = QString::fromUtf8(c.category);
        EXPECT_EQ(Names(CategoryRules(category, false)), c.basic) << c.category;
        QStringList all;
        for (const ExpectedRule& e : ExpectedRules) {
            if (category == QString::fromUtf8(e.category))
                all.append(QString::fromUtf8(e.name));
        }
        EXPECT_EQ(Names(CategoryRules(category, true)), all) << c.category;
    }
    EXPECT_TRUE(CategoryRules(u"Nonsense", true).empty());
}

TEST(Catalogue, SplitAllowedValuesTrimsAndDropsTheTail)
{
    EXPECT_EQ(SplitAllowedValues(u"Title; Extension; Title & Extension;"),
              (QStringList{"Title", "Extension", "Title & Extension"}));
    EXPECT_EQ(SplitAllowedValues(u"a; b"), QStringList{"a"});
    EXPECT_EQ(SplitAllowedValues(u""), QStringList{});
    const RuleSpec* sort = FindRuleSpec(u"Sort the list");
    ASSERT_TRUE(sort);
    const QStringList types = SplitAllowedValues(sort->params[0].allowedValues);
    ASSERT_EQ(types.size(), 8);
    EXPECT_EQ(types[6], QStringLiteral("Numeric Value (Ascending)"));
}

TEST(Catalogue, LoadersFillTheTableFromTheirOwnCategoryOnly)
{
    using Loader = bool (*)(QStringView, EditorParamTable&);
    struct Case { const char* category; Loader load; };
    const Case loaders[] = {
        {"Title & Extension", LoadFileTitleParams},
        {"Auto Numbering", LoadAutoNumberingParams},
        {"Letters", LoadLettersParams},
        {"Sorting", [](QStringView n, EditorParamTable& t) { return LoadSortingParams(n, t); }},
        {"Spaces", LoadSpacesParams},
        {"Miscellaneous", LoadMiscParams},
    };
    for (const Case& loader : loaders) {
        for (const RuleSpec& rule : Catalogue()) {
            EditorParamTable table;
            table.count = 99;
            table.ruleTemplate = QStringLiteral("previous");
            const bool own = rule.category == QString::fromUtf8(loader.category);
            SCOPED_TRACE(std::string(loader.category) + " loading " + rule.name.toString().toStdString());
            EXPECT_EQ(loader.load(rule.name, table), own);
            if (own) {
                EXPECT_EQ(table.count, int(rule.params.size()));
                EXPECT_EQ(table.ruleTemplate, rule.ruleTemplate);
                ASSERT_EQ(table.params.size(), rule.params.size());
                EXPECT_EQ(table.params.front().name, rule.params.front().name);
            } else {
                EXPECT_EQ(table.count, 99);
                EXPECT_EQ(table.ruleTemplate, QStringLiteral("previous"));
                EXPECT_TRUE(table.params.empty());
            }
            EditorParamTable viaCategory;
            EXPECT_EQ(LoadCategoryParams(rule.category, rule.name, viaCategory), true);
            EXPECT_EQ(viaCategory.ruleTemplate, rule.ruleTemplate);
        }
    }
    EditorParamTable table;
    EXPECT_FALSE(LoadCategoryParams(u"Nonsense", u"Create a new name", table));
    EXPECT_FALSE(LoadFileTitleParams(u"create a new name", table)) << "names match exactly";
}

TEST(Catalogue, SortingTypesInFoldersOnlyMode)
{
    EditorParamTable table;
    ASSERT_TRUE(LoadSortingParams(u"Sort the list", table, true));
    const QStringList types = SplitAllowedValues(table.params[0].allowedValues);
    EXPECT_EQ(types, (QStringList{"Name (Ascending)", "Name (Descending)", "Modified (Ascending)",
                                  "Modified (Descending)", "Numeric Value (Ascending)",
                                  "Numeric Value (Descending)"}));
    EXPECT_EQ(table.params[1].allowedValues, u"Old Name; New Name;");
}

TEST(KeyFilters, AcceptOrTransformTypedCharacters)
{
    struct Case { KeyFilter filter; char32_t key; char32_t result; }; // result 0 = refused
    const Case cases[] = {
        {KeyFilter::AnyKey, U'/', U'/'},        {KeyFilter::AnyKey, U'\U0001F600', U'\U0001F600'},
        {KeyFilter::LettersOnly, U'q', U'q'},   {KeyFilter::LettersOnly, U'Q', U'Q'},
        {KeyFilter::LettersOnly, U'1', 0},      {KeyFilter::LettersOnly, U'\u00e9', 0},
        {KeyFilter::DigitsOnly, U'7', U'7'},    {KeyFilter::DigitsOnly, U'a', 0},
        {KeyFilter::DigitsOnly, U'-', 0},       {KeyFilter::DigitsOnly, U'\u0663', 0},
        {KeyFilter::NameChars, U'a', U'a'},     {KeyFilter::NameChars, U' ', U' '},
        {KeyFilter::NameChars, U'\u00e9', U'\u00e9'}, {KeyFilter::NameChars, U'%', U'%'},
        {KeyFilter::LettersDigits, U'z', U'z'}, {KeyFilter::LettersDigits, U'5', U'5'},
        {KeyFilter::LettersDigits, U'_', 0},
        {KeyFilter::HexDigits, U'9', U'9'},     {KeyFilter::HexDigits, U'f', U'F'},
        {KeyFilter::HexDigits, U'C', U'C'},     {KeyFilter::HexDigits, U'g', 0},
        {KeyFilter::UpperLetters, U'b', U'B'},  {KeyFilter::UpperLetters, U'Z', U'Z'},
        {KeyFilter::UpperLetters, U'3', 0},
    };
    for (const Case& c : cases) {
        const std::optional<char32_t> got = FilterKey(c.filter, c.key);
        EXPECT_EQ(got.value_or(0), c.result) << int(c.filter) << " key " << uint(c.key);
    }
    for (const char32_t refused : std::u32string_view(U"/\\:*?\"<>|"))
        EXPECT_FALSE(FilterKey(KeyFilter::NameChars, refused)) << uint(refused);
}

TEST(KeyFilters, ControlCharactersAlwaysPass)
{
    for (KeyFilter f : {KeyFilter::AnyKey, KeyFilter::LettersOnly, KeyFilter::DigitsOnly, KeyFilter::NameChars,
                        KeyFilter::LettersDigits, KeyFilter::HexDigits, KeyFilter::UpperLetters}) {
        for (char32_t c : {U'\b', U'\t', U'\r', char32_t(1), char32_t(31)})
            EXPECT_EQ(FilterKey(f, c), std::optional<char32_t>(c)) << int(f) << " " << uint(c);
    }
}

TEST(KeyFilters, FilterKeysOverPastedText)
{
    EXPECT_EQ(FilterKeys(KeyFilter::NameChars, u"a/b:c?\U0001F600"), QString::fromUtf8("abc\xF0\x9F\x98\x80"));
    EXPECT_EQ(FilterKeys(KeyFilter::HexDigits, u"0xfF-1"), QStringLiteral("0FF1"));
    EXPECT_EQ(FilterKeys(KeyFilter::DigitsOnly, u"1 2a3"), QStringLiteral("123"));
}

TEST(KeyFilters, DigitsValuesClampedAndShownAsNumbers)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "1"}, {"0", "1"}, {"-5", "1"}, {"7", "7"}, {"007", "7"}, {"10000", "10000"},
        {"10001", "10000"}, {"99999999999999", "10000"}, {"12ab", "12"}, {"abc", "1"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ClampDigitsValue(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(EditorTable, ParamsListUpdateAndPreviewRule)
{
    EditorParamTable table;
    ASSERT_TRUE(LoadFileTitleParams(u"Add text at position", table));
    ParamList rows = CreateParamsList(table);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].name, QStringLiteral("Position"));
    EXPECT_EQ(rows[1].value, QStringLiteral("1"));
    rows[0].value = QStringLiteral("0042");
    rows[1].value = QStringLiteral("0042");
    UpdateParameters(rows, table);
    EXPECT_EQ(rows[0].value, QStringLiteral("0042")) << "New Text is not a digits parameter";
    EXPECT_EQ(rows[1].value, QStringLiteral("42"));
    rows[1].value = QStringLiteral("123456");
    UpdateParameters(rows, table);
    EXPECT_EQ(PreviewRule(table.ruleTemplate, rows),
              QStringLiteral("Add text at position: <New Text=0042> <Position=10000> <Search Direction=Left to Right> "
                             "<Apply To=Title>"));
}

TEST(EditorTable, PreviewRuleFillsFirstOccurrenceOnly)
{
    EXPECT_EQ(PreviewRule(u"Find and replace text: <Find What> <Replace With> <Apply To>",
                          {{"Find What", "_"}, {"Replace With", " "}, {"Apply To", "Title"}}),
              QStringLiteral("Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>"));
    EXPECT_EQ(PreviewRule(u"R: <A> <B> <A>", {{"A", "1"}, {"B", "2"}}), QStringLiteral("R: <A=1> <B=2> <A>"));
    EXPECT_EQ(PreviewRule(u"R: <A> <B> <A>", {{"A", "1"}, {"B", "2"}, {"A", "3"}}),
              QStringLiteral("R: <A=1> <B=2> <A=3>"));
    EXPECT_EQ(PreviewRule(u"R: <A> <B>", {{"a", "1"}, {"B", "2"}}), QStringLiteral("R: <A> <B=2>"))
        << "names match case-sensitively";
    EXPECT_EQ(PreviewRule(u"R: <A>", {{"Missing", "1"}}), QStringLiteral("R: <A>"));
}

TEST(EditorTable, ValueHoldingALaterPlaceholderDoesNotCaptureIt)
{
    EXPECT_EQ(PreviewRule(u"Find and replace using Regular Expression: <Search Pattern> <Replace With> <Replace All> "
                          u"<Apply To>",
                          {{"Search Pattern", "<Replace With>"}, {"Replace With", "x"}, {"Replace All", "True"},
                           {"Apply To", "Title"}}),
              QStringLiteral("Find and replace using Regular Expression: <Search Pattern=<Replace With>> "
                             "<Replace With=x> <Replace All=True> <Apply To=Title>"));
}

TEST(EditorTable, EveryRuleWithDefaultsReadsBackInOrderAndByName)
{
    for (const RuleSpec& rule : Catalogue()) {
        EditorParamTable table;
        ASSERT_TRUE(LoadCategoryParams(rule.category, rule.name, table));
        const ParamList rows = CreateParamsList(table);
        const QString line = PreviewRule(table.ruleTemplate, rows);
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(RuleName(line), rule.name);
        qsizetype position = 0;
        for (const ParamRow& row : rows) {
            EXPECT_EQ(ReadNextParam(line, position), row.value) << row.name.toStdString();
            EXPECT_EQ(GetParamValue(line, row.name), row.value) << row.name.toStdString();
        }
        EXPECT_EQ(ReadNextParam(line, position), NotFound);
    }
}

TEST(RuleOperations, EveryNameRuleOfTheCatalogueHasOne)
{
    // The preview driver handles these on the whole list itself.
    const QStringList listLevel = {QStringLiteral("Create new names from list")};
    for (const RuleSpec& rule : Catalogue()) {
        const bool driverOwn = rule.category == u"Sorting" || listLevel.contains(rule.name.toString());
        EXPECT_EQ(FindRuleOperation(rule.name) != nullptr, !driverOwn) << rule.name.toString().toStdString();
    }
    EXPECT_FALSE(FindRuleOperation(u"create a new name")) << "names match exactly";
    EXPECT_FALSE(FindRuleOperation(u"Create a new name:"));
    EXPECT_FALSE(FindRuleOperation(u""));
}

TEST(RuleOperations, EveryOperationNamesACatalogueRule)
{
    for (const auto& group : {TitleExtensionOperations(), LetterAndSpaceOperations(), NumberingOperations()}) {
        for (const RuleOpEntry& entry : group) {
            const QString name = QString::fromUtf16(entry.name);
            EXPECT_TRUE(FindRuleSpec(name)) << name.toStdString();
            EXPECT_EQ(FindRuleOperation(name), entry.op) << name.toStdString() << " listed twice";
        }
    }
}
