// The variables that need no metadata reader: constants, random texts, the
// current date and time, the item's times, size and name parts, and the title of
// HTML pages.
#include "metadata/VariableGroups.h"
#include "metadata/Variables.h"

#include "platform/FileSystem.h"

#include <QRandomGenerator>

#include <chrono>
#include <ctime>

namespace quelt {
namespace {

struct NoRecord {};

// The program's pseudo-random generator, seeded from the clock at its first use.
QRandomGenerator& ProgramRandom()
{
    static QRandomGenerator generator = [] {
        const auto ticks = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
        const quint32 seeds[] = {quint32(ticks), quint32(ticks >> 32)};
        return QRandomGenerator(seeds, 2);
    }();
    return generator;
}

constexpr QStringView Letters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr QStringView Digits = u"1234567890";
constexpr QStringView LettersAndDigits = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890";

template <const QStringView& Alphabet>
VariableValue RandomText(const NoRecord&, const VariableRequest& request)
{
    QString text(request.length, Qt::Uninitialized);
    QRandomGenerator& random = ProgramRandom();
    for (QChar& c : text)
        c = Alphabet[random.bounded(int(Alphabet.size()))];
    return text;
}

VariableValue Constant(const NoRecord&, const VariableRequest& request)
{
    return request.constant;
}

struct LocalParts {
    QDate date;
    QTime time;
};

// Local time by the C library, which is much faster than a QDateTime per item.
std::optional<LocalParts> ToLocal(std::int64_t seconds)
{
    const auto t = std::time_t(seconds);
    if (std::int64_t(t) != seconds)
        return std::nullopt;
    std::tm parts{};
    if (!localtime_r(&t, &parts))
        return std::nullopt;
    return LocalParts{QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                      QTime(parts.tm_hour, parts.tm_min, std::min(parts.tm_sec, 59))};
}

VariableValue CurrentDate(const NoRecord&, const VariableRequest& request)
{
    const auto now = ToLocal(std::time(nullptr));
    return now ? FormatDateLayout(now->date, request.layout) : QString();
}

VariableValue CurrentTime(const NoRecord&, const VariableRequest& request)
{
    const auto now = ToLocal(std::time(nullptr));
    return now ? FormatTimeLayout(now->time, request.layout) : QString();
}

VariableValue FileExtension(const NoRecord&, const VariableRequest& request)
{
    return GetFileExtension(request.item.oldName);
}

VariableValue FileTitle(const NoRecord&, const VariableRequest& request)
{
    return GetFileTitle(request.item.oldName);
}

// The last component of the folder; a root folder ("/") has none.
VariableValue ParentFolder(const NoRecord&, const VariableRequest& request)
{
    QStringView folder = request.item.folder;
    if (folder.endsWith(u'/'))
        folder.chop(1);
    const qsizetype slash = folder.lastIndexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    return folder.sliced(slash + 1).toString();
}

const TableVariableGroup<NoRecord>::Row GeneralRows[] = {
    {u"const", &Constant, PlainName, KeepSpaces | EmptyResolves},
    {u"random_letters", &RandomText<Letters>, PlainName, EmptyResolves},
    {u"random_numbers", &RandomText<Digits>, PlainName, EmptyResolves},
    {u"random_letters_numbers", &RandomText<LettersAndDigits>, PlainName, EmptyResolves},
    {u"curr_date", &CurrentDate, DateLayouts},
    {u"curr_time", &CurrentTime, TimeLayouts},
    {u"file_ext", &FileExtension, PlainName, KeepSpaces | EmptyResolves},
    {u"file_title", &FileTitle, PlainName, KeepSpaces | EmptyResolves},
    {u"parent_folder", &ParentFolder, PlainName, KeepSpaces},
};

// A missing item gives empty texts, which still resolve.
template <platform::FileTime platform::FileTimes::*Which>
VariableValue FileDate(const platform::FileTimes& times, const VariableRequest& request)
{
    const auto local = times.ok ? ToLocal((times.*Which).seconds) : std::nullopt;
    return local ? FormatDateLayout(local->date, request.layout) : QString();
}

template <platform::FileTime platform::FileTimes::*Which>
VariableValue FileClock(const platform::FileTimes& times, const VariableRequest& request)
{
    const auto local = times.ok ? ToLocal((times.*Which).seconds) : std::nullopt;
    return local ? FormatTimeLayout(local->time, request.layout) : QString();
}

using platform::FileTimes;
const TableVariableGroup<FileTimes>::Row FileTimeRows[] = {
    {u"created_date", &FileDate<&FileTimes::created>, DateLayouts, EmptyResolves},
    {u"modified_date", &FileDate<&FileTimes::modified>, DateLayouts, EmptyResolves},
    {u"accessed_date", &FileDate<&FileTimes::accessed>, DateLayouts, EmptyResolves},
    {u"created_time", &FileClock<&FileTimes::created>, TimeLayouts, EmptyResolves},
    {u"modified_time", &FileClock<&FileTimes::modified>, TimeLayouts, EmptyResolves},
    {u"accessed_time", &FileClock<&FileTimes::accessed>, TimeLayouts, EmptyResolves},
};

VariableValue SizeBytes(const std::int64_t& size, const VariableRequest&)
{
    return QString::number(size);
}

VariableValue FixedSize(const std::int64_t& size, const VariableRequest&)
{
    return FormatFileSize(size);
}

const TableVariableGroup<std::int64_t>::Row FileSizeRows[] = {
    {u"size_bytes", &SizeBytes},
    {u"fixed_size", &FixedSize},
};

VariableValue HtmlTitle(const QString& title, const VariableRequest&)
{
    return title;
}

const TableVariableGroup<QString>::Row HtmlRows[] = {
    {u"title", &HtmlTitle, PlainName, KeepSpaces},
};

} // namespace

const VariableGroup& GeneralVariableGroup()
{
    static const TableVariableGroup<NoRecord> group(u"", nullptr, GeneralRows);
    return group;
}

const VariableGroup& FileTimeVariableGroup()
{
    static const TableVariableGroup<FileTimes> group(u"file_", &platform::ReadFileTimes, FileTimeRows);
    return group;
}

const VariableGroup& FileSizeVariableGroup()
{
    static const TableVariableGroup<std::int64_t> group(u"", &GetFileSize, FileSizeRows);
    return group;
}

const VariableGroup& HtmlVariableGroup()
{
    static const TableVariableGroup<QString> group(u"html_", &GetHTMLTitle, HtmlRows);
    return group;
}

} // namespace quelt
