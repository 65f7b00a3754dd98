#pragma once
// The variables that ConvertText (Variables.h) understands, in groups. A group has a
// name prefix, a table of rows (one per variable) and a loader that reads what its
// variables need from the item's file. The loader runs at most once per ConvertText
// call, and only when a reference names one of the group's variables; its record is
// kept for the rest of that call and dropped when the call ends.
//
// Adding a group (for example the ID3v1 variables), in a .cpp file of your own:
//
//     namespace {
//     VariableValue Title(const ID3v1Tag& tag, const VariableRequest&)
//     {
//         if (!tag.present)
//             return std::nullopt;          // does not resolve
//         return tag.title;                 // trimmed by the expander (no KeepSpaces)
//     }
//     VariableValue Track(const ID3v1Tag& tag, const VariableRequest&) { ... }
//
//     const TableVariableGroup<ID3v1Tag>::Row ID3v1Rows[] = {
//         {u"title", &Title},
//         {u"track", &Track},
//     };
//     } // namespace
//
//     const VariableGroup& ID3v1VariableGroup()
//     {
//         static const TableVariableGroup<ID3v1Tag> group(u"id3v1_", &ReadID3v1, ID3v1Rows);
//         return group;
//     }
//
// then declare `const VariableGroup& ID3v1VariableGroup();` in VariableGroups.cpp and
// add `&ID3v1VariableGroup()` to the table there. Nothing else changes.
//
// The loader is a `Record (*)(const QString& path)`; a reader with another shape is
// wrapped in a captureless lambda, e.g. for the document summary:
//     +[](const QString& path) { DocumentRecord r; r.loaded = r.sum.open(path) && ...; return r; }
// The record lives until the ConvertText call ends (so a document object is released
// then). A group whose variables need no file passes nullptr as loader.
//
// Rules every row gets from the expander, so rows need not repeat them:
// - The name is matched in lower case; a row's full name is prefix + row name, without
//   its "[layout]". Names must be unique over all groups (a test checks this).
// - A value is trimmed of spaces unless the row has KeepSpaces, and an empty value does
//   not resolve unless the row has EmptyResolves. std::nullopt never resolves.
// - A NUL in a value cuts the name there; characters a name cannot hold are cleaned.
// - "=N" after a name that contains "midi_track" arrives as VariableRequest::trackIndex,
//   "=text" after "const" as constant, "=N" after "random" as length.
// - Date and time rows declare the bracket layouts they accept (DateLayouts,
//   TimeLayouts, PlainName); FormatDateLayout and FormatTimeLayout lay them out.

#include "engine/PreviewItem.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTime>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace quelt {

/// A variable's value; std::nullopt when it does not resolve for the item.
using VariableValue = std::optional<QString>;

/// The bracketed layout after a date or time variable's name ("[yyyy-mm-dd]").
enum class VariableLayout : std::uint8_t {
    None,             // no brackets
    DayMonthYear,     // [dd-mm-yyyy]
    MonthDayYear,     // [mm-dd-yyyy]
    YearMonthDay,     // [yyyy-mm-dd]
    HourMinuteSecond, // [hh-mm-ss]
    HourMinute,       // [hh-mm]
};

constexpr unsigned LayoutBit(VariableLayout layout) { return 1u << unsigned(layout); }

/// Sets of layouts a row accepts.
inline constexpr unsigned PlainName = LayoutBit(VariableLayout::None);
inline constexpr unsigned DateLayouts = LayoutBit(VariableLayout::DayMonthYear)
    | LayoutBit(VariableLayout::MonthDayYear) | LayoutBit(VariableLayout::YearMonthDay);
inline constexpr unsigned TimeLayouts =
    LayoutBit(VariableLayout::HourMinuteSecond) | LayoutBit(VariableLayout::HourMinute);

/// Row flags.
enum VariableFlag : unsigned {
    KeepSpaces = 1u << 0,    // the value is not trimmed
    EmptyResolves = 1u << 1, // an empty value still resolves
};

/// Largest length of a random text ("random_letters=N").
inline constexpr int MaxRandomLength = 1000;

/// What one alternative of a reference asks of a variable, besides its name.
struct VariableRequest {
    const PreviewItem& item;
    const QString& path;       // item.folder + item.oldName
    VariableLayout layout = VariableLayout::None;
    QString constant;          // text after "=" of a "const" alternative, as written
    int trackIndex = -1;       // number after "=" of a "midi_track" alternative; -1 without "="
    int length = 0;            // number after "=" of a "random" alternative, 0..MaxRandomLength
};

/// Name, accepted layouts and flags of one row.
struct VariableInfo {
    QStringView name;          // lower case, after the group's prefix, without "[layout]"
    unsigned layouts = PlainName;
    unsigned flags = 0;
};

/// A group of variables; see the top of this file. Use TableVariableGroup to make one.
class VariableGroup {
public:
    virtual ~VariableGroup() = default;
    /// Lower-case text every full name of the group starts with (may be empty).
    virtual QStringView prefix() const = 0;
    virtual qsizetype rowCount() const = 0;
    virtual VariableInfo row(qsizetype index) const = 0;
    /// Reads the group's record for the item at `path`; never fails (a reader that
    /// fails gives its absent record).
    virtual std::shared_ptr<const void> load(const QString& path) const = 0;
    /// The value of row `index` from a record made by load().
    virtual VariableValue value(qsizetype index, const void* record,
                                const VariableRequest& request) const = 0;
};

/// A group made of a loader and a table of rows over the loader's record type.
/// A null loader means the group reads no file; its rows get a default Record.
template <typename Record>
class TableVariableGroup final : public VariableGroup {
public:
    using ValueFunction = VariableValue (*)(const Record& record, const VariableRequest& request);
    using Loader = Record (*)(const QString& path);

    struct Row {
        QStringView name;      // lower case, after the prefix, without "[layout]"
        ValueFunction value;
        unsigned layouts = PlainName;
        unsigned flags = 0;
    };

    TableVariableGroup(QStringView prefix, Loader loader, std::span<const Row> rows)
        : prefix_(prefix), loader_(loader), rows_(rows) {}

    QStringView prefix() const override { return prefix_; }
    qsizetype rowCount() const override { return qsizetype(rows_.size()); }
    VariableInfo row(qsizetype index) const override
    {
        const Row& r = rows_[std::size_t(index)];
        return {r.name, r.layouts, r.flags};
    }
    std::shared_ptr<const void> load(const QString& path) const override
    {
        if (!loader_) {
            static const Record none{};
            return std::shared_ptr<const void>(std::shared_ptr<const void>(), &none);
        }
        return std::make_shared<const Record>(loader_(path));
    }
    VariableValue value(qsizetype index, const void* record,
                        const VariableRequest& request) const override
    {
        return rows_[std::size_t(index)].value(*static_cast<const Record*>(record), request);
    }

private:
    QStringView prefix_;
    Loader loader_;
    std::span<const Row> rows_;
};

/// Every group the expander knows, the general ones first.
std::span<const VariableGroup* const> VariableGroups();

/// Groups with an index of their full names (prefix + row name). When two groups
/// define the same name, the first one's row counts.
class VariableSet {
public:
    struct Entry {
        qsizetype group = 0; // index in groups()
        qsizetype row = 0;
        VariableInfo info;
    };

    explicit VariableSet(std::span<const VariableGroup* const> groups);

    std::span<const VariableGroup* const> groups() const { return groups_; }
    /// The row of a full lower-case name without "[layout]"; nullptr when unknown.
    const Entry* find(const QString& name) const;
    /// Full names that more than one row defines.
    QStringList duplicateNames() const;

private:
    std::span<const VariableGroup* const> groups_;
    QHash<QString, Entry> index_;
    QStringList duplicates_;
};

/// The set of VariableGroups(), built at its first use.
const VariableSet& StandardVariables();

/// The layout named by the text between the brackets ("yyyy-mm-dd", any case);
/// std::nullopt for any other text.
std::optional<VariableLayout> LayoutFromText(QStringView text);

/// A date laid out as "dd-mm-yyyy", "mm-dd-yyyy" or "yyyy-mm-dd" (two-digit day and
/// month, four-digit year); VariableLayout::None gives day-month-year. Empty for an
/// invalid date or a time layout.
QString FormatDateLayout(QDate date, VariableLayout layout);
/// A time laid out as "hh-mm-ss" or "hh-mm" (24-hour, two digits each);
/// VariableLayout::None gives "hh-mm-ss". Empty for an invalid time or a date layout.
QString FormatTimeLayout(QTime time, VariableLayout layout);

} // namespace quelt
