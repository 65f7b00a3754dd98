#include "engine/NameParts.h"

namespace quelt {

NameParts NameParts::FromName(const QString& newName)
{
    NameParts parts;
    parts.full = newName;
    if (!parts.full.isEmpty() && !parts.full.contains(u'.'))
        parts.full.append(u'.');
    parts.splitFull();
    return parts;
}

void NameParts::splitFull()
{
    const qsizetype dot = full.lastIndexOf(u'.');
    if (dot < 0) {
        title = full;
        extension.clear();
    } else {
        title = full.left(dot);
        extension = full.mid(dot + 1);
    }
}

QString NameParts::toName() const
{
    return extension.isEmpty() ? title : title + u'.' + extension;
}

} // namespace quelt
