#pragma once
// Joining byte pieces into one buffer with one allocation: lines of the log and
// the recovery file are built this way for every renamed item.

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>
#include <initializer_list>

namespace quelt::platform {

inline QByteArray JoinedBytes(std::initializer_list<QByteArrayView> parts)
{
    qsizetype size = 0;
    for (QByteArrayView part : parts)
        size += part.size();
    QByteArray out(size, Qt::Uninitialized);
    char* at = out.data();
    for (QByteArrayView part : parts) {
        if (!part.isEmpty())
            std::memcpy(at, part.data(), std::size_t(part.size()));
        at += part.size();
    }
    return out;
}

} // namespace quelt::platform
