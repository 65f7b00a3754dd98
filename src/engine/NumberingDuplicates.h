#pragma once
// Numbering of items whose new names collide, shared by the rule
// "Auto-number duplicated names" and the preview's duplicates phase.
//
// An included item needs a number when an earlier included item holds the same
// folder and new name, or when folder + new name exists on disk and is not the
// item's own old path. It then gets the first free candidate
//     title + format + "." + extension
// with the first "%number%" (any case) replaced by the number text of n = start,
// start + step, ...; a candidate is taken when folder + candidate exists on disk
// or an earlier included item in the same folder holds it as new name. Folders
// and names compare without regard to case (Unicode case folding).
//
// Earlier names live in a hash set, and each distinct (folder, new name) family
// remembers how many of its candidates were already found taken, so a run of
// many equal names costs a few look-ups per item instead of a walk over all
// earlier items and all earlier numbers. Names only ever join the set and the
// disk is not written during a preview, so a candidate found taken stays taken
// and the result is the same as comparing every pair.
//
// The search ends: after MaxDuplicateAttempts candidates, or as soon as the
// candidate cannot change any more (no "%number%", a step of 0, a counter at its
// limit) and is taken, the item gets no free name and its caller marks it invalid.

#include "engine/NumberCounter.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <unordered_map>

namespace quelt {

/// Candidates tried for one item before it counts as having no free name.
inline constexpr std::int64_t MaxDuplicateAttempts = 1'000'000;

/// How the numbers of duplicated names are written.
struct DuplicateNumbering {
    NumberingKind kind = NumberingKind::Decimal;
    std::int64_t start = 1;
    std::int64_t step = 1;
    int width = 0;   // minimum width; "0" on the left (decimal, hexadecimal), spaces (alphabetical)
    QString format;  // its first "%number%" takes the number

    /// The parameters of "Auto-number duplicated names" as read from its rule line:
    /// Numbering Type (lower case), Start With, Increment By, Minimum Width, Numbering Format.
    static DuplicateNumbering FromRule(const QString& typeLower, const QString& startWith,
                                       const QString& incrementBy, int width, const QString& format);
    /// The duplicates phase: decimal digits of 1, 2, 3, ... without padding.
    static DuplicateNumbering ForPhase(const QString& format);
};

/// The format the duplicates phase uses for the AutoNumberDuplicated setting: the
/// setting itself, or "(%number%)" when it is not empty and holds no "%number%"
/// (any case). The caller stores a changed value back into the setting. An empty
/// result means the phase changes no name.
QString DuplicatesPhaseFormat(const QString& setting);

/// Existence test for a full path (folder + name).
using PathExistsFunction = std::function<bool(const QString& path)>;

/// Finds free names for the included items of one pass, in array order.
///
/// Use, for both the rule and the duplicates phase:
///
///     DuplicateNamer namer(DuplicateNumbering::ForPhase(format), platform::PathExists);
///     for (i = 0; i < n && !stop; ++i) {
///         PreviewItem& item = items[i];
///         if (!item.included) continue;
///         auto r = namer.number(item.folder, item.oldName, item.newName);
///         if (r.outcome == DuplicateNamer::Outcome::Numbered) item.newName = r.name;
///         else if (r.outcome == DuplicateNamer::Outcome::NoFreeName) item.valid = false;
///         namer.addName(item.folder, item.newName);   // the name the item ends with
///     }
///
/// (The phase keeps the candidate as it is, so an item without extension ends in
/// "."; the rule takes title and extension from the candidate, which drops it.)
class DuplicateNamer {
public:
    enum class Outcome {
        Unique,     // needs no number; name unchanged
        Numbered,   // `name` is the free candidate
        NoFreeName, // needs a number but none could be found; name unchanged
    };
    struct Result {
        Outcome outcome = Outcome::Unique;
        QString name;
    };

    DuplicateNamer(DuplicateNumbering numbering, PathExistsFunction pathExists);
    DuplicateNamer(const DuplicateNamer&) = delete;
    DuplicateNamer& operator=(const DuplicateNamer&) = delete;

    /// Records the final new name of an included item; call in array order for
    /// every included item before numbering the next one.
    void addName(const QString& folder, const QString& newName);

    /// Decides for one included item, given every earlier included item's name.
    Result number(const QString& folder, const QString& oldName, const QString& newName);

    /// Number text of n: digits, hexadecimal digits or letters, padded to the width.
    QString numberText(std::int64_t n) const;

private:
    struct Family {
        QString prefix;             // candidate text before the number
        QString suffix;             // and after it
        bool numbered = false;      // the candidate holds "%number%"
        std::int64_t attempts = 0;  // candidates known to be taken
        std::int64_t n = 0;         // number of the next candidate
    };
    struct ExactKey {
        QString folder;
        QString newName;
        friend bool operator==(const ExactKey&, const ExactKey&) = default;
        friend size_t qHash(const ExactKey& k, size_t seed = 0) { return qHashMulti(seed, k.folder, k.newName); }
    };

    using NameSet = QSet<QString>;
    NameSet& namesIn(const QString& folder);
    const QString& folded(const QString& name);
    bool taken(const QString& folder, const QString& candidate);
    Family makeFamily(const QString& newName) const;

    DuplicateNumbering numbering_;
    PathExistsFunction pathExists_;
    // Case-folded names by case-folded folder. Items come folder by folder, so the
    // set of the last folder is kept at hand and only names are hashed; the map's
    // nodes do not move, so the pointer stays good while folders are added.
    std::unordered_map<QString, NameSet> names_;
    QHash<ExactKey, Family> families_;
    QString lastFolder_;
    NameSet* lastFolderNames_ = nullptr;
    QString lastName_;
    QString lastNameFolded_;
    bool haveLastName_ = false;
};

} // namespace quelt
