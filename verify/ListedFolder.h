#pragma once
#include "core/ViewText.h"
#include "platform/FolderListing.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

// A folder read whole for one purpose (the sizes of its entries) and kept for another (its files
// that no list names), so that a check of many small files lists it once.
struct ListedFolder {
    ViewText folderPart; // as cut from full paths: empty or ending in a folder separator
    std::optional<std::int64_t> stamp; // SettledFolderStamp from just before the reading
    std::vector<platform::FileName> fileNames;
};

// A folder's last write time, which every name added, removed or renamed in it moves; none for
// a folder that is not there or a system that keeps no such time.
std::optional<std::int64_t> FolderStamp(ViewTextView folderPart);
// The same, but none for a time so recent that it may share its clock tick with a change made
// just after it: a reading that follows cannot be known to be the folder as it stays.
std::optional<std::int64_t> SettledFolderStamp(ViewTextView folderPart);

} // namespace quillon
