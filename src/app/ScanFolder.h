#pragma once
// The folder scan of scan mode, "Add Folder(s)", list drops and silent renaming:
// fills an item list (either shape) with the matching items of a folder and,
// when asked, of all its sub-folders.

#include "app/ItemList.h"

#include <QString>

#include <cstdint>

namespace quelt {

/// Set while a running scan is to stop at its next step (the scan window's Stop
/// button, closing it, the mode switch, "Remove All", "Crop Selection", exit).
/// The caller clears it before a scan.
extern bool StopRequested;

/// The attribute filter of scan mode. Despite their names the four flags exclude:
/// with the filter enabled, an item carrying any attribute whose flag is set is
/// not retrieved. `showHidden` also keeps hidden sub-folders from being entered,
/// whether the filter is enabled or not.
struct AttributeFilter {
    bool enableAttrFilter = false;
    bool showReadOnly = false;
    bool showHidden = false;
    bool showSystem = false;
    bool showArchive = false;
};

/// What a scan needs from the settings and the window; the caller fills it.
struct ScanOptions {
    bool recurse = false;         // also scan every sub-folder, all levels
    bool foldersOnly = false;     // retrieve sub-folders instead of files
    AttributeFilter attributes;
    bool autoSelectFiles = true;  // new entries start checked (AutoSelectFiles)
    int doEventsTimeout = 500;    // ms between two yields to the window (DoEventsTimeout)
};

/// Counters of a scan, reset by the caller before it and updated in place.
struct ScanCounters {
    std::int32_t foundItems = 0;   // also the item count of scan mode
    std::int32_t foundFolders = 0; // sub-folders remembered for recursion
};

/// The window a scan reports to. The scan calls it at most once per
/// DoEventsTimeout milliseconds, from one entry to the next; the window updates
/// its progress fields (from the counters and the target list), tells its item
/// model about appended rows, and processes pending input, where a Stop button
/// can set StopRequested.
class ScanProgressView {
public:
    virtual ~ScanProgressView() = default;
    virtual void scanYield(const QString& folder, const ScanCounters& counters) = 0;
};

/// Scans `path` (a "/" is appended when missing) into `target`, whose shape decides
/// between tree nodes and list rows. Sub-folders are listed first and scanned after
/// the folder's own items, in the order found; hidden sub-folders are skipped when
/// `showHidden` is set, and symbolic links to folders are retrieved as items of
/// folders-only mode but never entered. Items must match the name filter ("*" and
/// "?", without regard to case, "*.*" matches every name), be files (folders in
/// folders-only mode), pass the attribute filter, and not be named "pagefile.sys".
/// Attributes are read only when a filter needs them. A folder that cannot be
/// listed gives no items and the scan goes on. Stops at the next entry once
/// StopRequested is set, keeping what was found.
void ScanFolder(const QString& path, const QString& filter, ScanCounters& counters, ItemList& target,
                const ScanOptions& options, ScanProgressView* view = nullptr);

} // namespace quelt
