#pragma once
// Capitalization and space rules: the word-by-word case changer and the
// space trimming helpers behind the "Letters" and "Spaces" rules.
//
// All positions count Unicode code points; a surrogate pair is one character
// and a lone surrogate (an undecodable byte of a name) is a character without
// case. Case mapping is Qt's full Unicode mapping, so one character may become
// several ("ß" in upper case is "SS").

#include <QString>
#include <QStringList>
#include <optional>

namespace quelt {

/// How ChangeCase treats the letters of a word.
enum class LetterRule {
    WholeWords,         // every letter in the mode's case
    FirstLetters,       // first letters in the mode's case, the others in the opposite
    AlternatingWords,   // one case per word, toggled word by word
    AlternatingLetters, // first letters in the mode's case, the others alternate
};

enum class CaseMode { Up, Down };

struct CaseOptions {
    LetterRule rule = LetterRule::WholeWords;
    CaseMode mode = CaseMode::Up;
    int wordLimit = -1;        // words to change, -1 for all
    bool rightToLeft = false;  // count words (and read first letters) from the right
    bool countSkipped = true;  // exception words count toward the word limit
    bool ignoreCase = true;    // exceptions match without regard to case
    QString separators;        // characters that end a word
    QStringList exceptions;    // texts copied unchanged wherever they occur
};

/// The letter rule and mode of a Capitalization Type in lower case
/// ("upper case", "first letter up", "word up-down", ...); nullopt for any other.
std::optional<CaseOptions> CaseOptionsForType(const QString& typeLower);

/// Changes the case of `text` word by word as `options` say.
QString ChangeCase(const QString& text, const CaseOptions& options);

/// The exception list of a Words value: the texts between colons, empty pieces
/// dropped, nothing trimmed.
QStringList ParseExceptionsList(const QString& words);

enum class SpaceTrim { None, Leading, Trailing, Both };
/// Trim kind of a Remove spaces Type in lower case.
SpaceTrim SpaceTrimOf(const QString& typeLower);
/// Removes spaces (code 32 only) from the chosen ends.
QString RemoveSpaces(const QString& text, SpaceTrim trim);
/// Every run of spaces (code 32) becomes one space.
QString CollapseSpaces(const QString& text);

} // namespace quelt
