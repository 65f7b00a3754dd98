#pragma once
// Output of a dry run: one line per found item, tab-separated or JSON Lines.

#include "engine/PreviewItem.h"

#include <QByteArray>

namespace quelt {

/// `OK` or `Failed`, folder, old name, new name, separated by tabs; tab, newline,
/// carriage return and backslash in names written \t, \n, \r and \\. Names are
/// written as their own bytes (names that are not UTF-8 stay as they are on disk).
QByteArray DryRunTextLine(const PreviewItem& item);

/// The same as one JSON object with the keys valid, folder, oldName, newName.
/// Bytes that are not UTF-8 are written as \udcXX escapes.
QByteArray DryRunJsonLine(const PreviewItem& item);

} // namespace quelt
