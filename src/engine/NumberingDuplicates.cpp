#include "engine/NumberingDuplicates.h"

#include <algorithm>
#include <utility>

namespace quelt {

namespace {

const QString NumberMarker = QStringLiteral("%number%");

} // namespace

DuplicateNumbering DuplicateNumbering::FromRule(const QString& typeLower, const QString& startWith,
                                                const QString& incrementBy, int width, const QString& format)
{
    DuplicateNumbering d;
    d.kind = NumberingKindOf(typeLower);
    switch (d.kind) {
    case NumberingKind::Hexadecimal:
        d.start = HexValue(startWith);
        break;
    case NumberingKind::Alphabetical:
        d.start = LetterValue(startWith);
        break;
    case NumberingKind::Decimal:
    case NumberingKind::None:
        d.start = NumberValue(startWith);
        break;
    }
    d.step = NumberValue(incrementBy); // decimal in every type
    d.width = std::min(width, MaxNumberWidth);
    d.format = format;
    return d;
}

DuplicateNumbering DuplicateNumbering::ForPhase(const QString& format)
{
    DuplicateNumbering d;
    d.format = format;
    return d;
}

QString DuplicatesPhaseFormat(const QString& setting)
{
    if (!setting.isEmpty() && !setting.contains(NumberMarker, Qt::CaseInsensitive))
        return QStringLiteral("(%number%)");
    return setting;
}

DuplicateNamer::DuplicateNamer(DuplicateNumbering numbering, PathExistsFunction pathExists)
    : numbering_(std::move(numbering)), pathExists_(std::move(pathExists))
{
    numbering_.width = std::min(numbering_.width, MaxNumberWidth);
}

// Case folding with a fast path for ASCII names, where it is the mapping of A-Z
// to a-z; other names go through Qt's Unicode folding.
static QString Folded(const QString& text)
{
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (; i < size; ++i) {
        const char16_t c = in[i];
        if (c >= 0x80)
            return text.toCaseFolded();
        if (c >= u'A' && c <= u'Z')
            break;
    }
    if (i == size)
        return text;
    QString folded(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    std::copy(in, in + i, out);
    for (; i < size; ++i) {
        const char16_t c = in[i];
        if (c >= 0x80)
            return text.toCaseFolded();
        out[i] = c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    }
    return folded;
}

DuplicateNamer::NameSet& DuplicateNamer::namesIn(const QString& folder)
{
    if (!lastFolderNames_ || folder != lastFolder_) {
        lastFolder_ = folder;
        lastFolderNames_ = &names_[Folded(folder)];
    }
    return *lastFolderNames_;
}

// A name is usually folded twice in a row: tested, then added as the item's name.
const QString& DuplicateNamer::folded(const QString& name)
{
    if (!haveLastName_ || name != lastName_) {
        lastName_ = name;
        lastNameFolded_ = Folded(name);
        haveLastName_ = true;
    }
    return lastNameFolded_;
}

void DuplicateNamer::addName(const QString& folder, const QString& newName)
{
    namesIn(folder).insert(folded(newName));
}

bool DuplicateNamer::taken(const QString& folder, const QString& candidate)
{
    return namesIn(folder).contains(folded(candidate)) || (pathExists_ && pathExists_(folder + candidate));
}

QString DuplicateNamer::numberText(std::int64_t n) const
{
    switch (numbering_.kind) {
    case NumberingKind::Decimal:
        return QString::number(n).rightJustified(numbering_.width, u'0');
    case NumberingKind::Hexadecimal:
        return HexDigits(n).rightJustified(numbering_.width, u'0');
    case NumberingKind::Alphabetical:
        return LettersOfValue(n).rightJustified(numbering_.width, u' ');
    case NumberingKind::None:
        break;
    }
    return QString();
}

DuplicateNamer::Family DuplicateNamer::makeFamily(const QString& newName) const
{
    const qsizetype dot = newName.lastIndexOf(u'.');
    const QString title = dot < 0 ? newName : newName.left(dot);
    const QString extension = dot < 0 ? QString() : newName.mid(dot + 1);
    const QString text = title + numbering_.format + u'.' + extension;
    Family f;
    f.n = numbering_.start;
    const qsizetype marker = text.indexOf(NumberMarker, 0, Qt::CaseInsensitive);
    if (marker < 0) {
        f.prefix = text;
    } else {
        f.numbered = true;
        f.prefix = text.left(marker);
        f.suffix = text.mid(marker + NumberMarker.size());
    }
    return f;
}

DuplicateNamer::Result DuplicateNamer::number(const QString& folder, const QString& oldName, const QString& newName)
{
    const bool needsNumber =
        namesIn(folder).contains(folded(newName))
        || (pathExists_ && pathExists_(folder + newName) && newName.toCaseFolded() != oldName.toCaseFolded());
    if (!needsNumber)
        return {};

    auto it = families_.find(ExactKey{folder, newName});
    if (it == families_.end())
        it = families_.insert(ExactKey{folder, newName}, makeFamily(newName));
    Family& f = *it;
    const bool candidateChanges = f.numbered && numbering_.kind != NumberingKind::None;
    while (f.attempts < MaxDuplicateAttempts) {
        QString candidate = f.numbered ? f.prefix + numberText(f.n) + f.suffix : f.prefix;
        if (!taken(folder, candidate))
            return {Outcome::Numbered, std::move(candidate)};
        ++f.attempts;
        const std::int64_t next = SaturatingAdd(f.n, numbering_.step);
        if (!candidateChanges || next == f.n) {
            f.attempts = MaxDuplicateAttempts; // the same taken candidate would come back for ever
            break;
        }
        f.n = next;
    }
    return {Outcome::NoFreeName, QString()};
}

} // namespace quelt
