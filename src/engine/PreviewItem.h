#pragma once
// One record of the preview array: an item with its generated new name.

#include <QString>
#include <cstdint>
#include <vector>

namespace quelt {

struct PreviewItem {
    QString folder;   // ends with "/"
    QString oldName;  // the name on disk
    QString newName;  // empty for items that are not included
    bool valid = true;
    bool included = false;
    bool selected = false;
    bool renameDone = false;
    bool restoreDone = false;
    std::int64_t size = 0; // filled only when a "Sort the list" rule sorts by size
};

using PreviewArray = std::vector<PreviewItem>;

} // namespace quelt
