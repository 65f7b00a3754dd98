#pragma once
// Lossless conversion between file-name bytes and QString.
//
// Names are decoded as UTF-8; every byte that is not part of a valid UTF-8
// sequence becomes the code point U+DC80 + byte (a lone low surrogate), and
// encoding turns such code points back into their byte. So every name on disk
// decodes to a QString and re-encodes to exactly its own bytes, while names the
// rules produce encode as plain UTF-8.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quelt::platform {

QString DecodeName(QByteArrayView bytes);
QByteArray EncodeName(QStringView name);

/// The bytes to hand a system call for a path. A path holding U+0000 can name no
/// file; it becomes the empty path, which every call rejects with ENOENT, instead
/// of being cut short at the NUL.
QByteArray SystemPath(QStringView path);

/// True when the name holds escaped (non-UTF-8) bytes.
bool HasEscapedBytes(QStringView name);

} // namespace quelt::platform
