#pragma once
#include <cstddef>
#include "platform/FolderListing.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace quillon::platform {

using PathTextView = std::basic_string_view<std::filesystem::path::value_type>;

// The sizes of many names in one folder from one pass over it, where a path lookup of each name
// would cost a system call each (and, for a name that is not there, a search of the folder each).
// Every answer is what a lookup of the whole path gives (the size of a file; -1 for nothing, a
// folder or a device), or AskDirectly where the listing could answer otherwise: a name the system
// reads in another way than it is written (trailing dots or blanks, short names, device names,
// wildcards, "." and ".."), a name in another folder, a symbolic link or reparse point on
// Windows, a name that differs from the listed one in letter case only, and every name of a
// folder the listing could not read. On Windows the sizes come with the names; on POSIX a name
// that is there is looked up by itself (relative to the open folder), one that is not costs
// nothing.
class FolderSizes {
public:
    static constexpr std::int64_t AskDirectly = -2;

    // folderPart: the text before the names, as cut from full paths: empty (the current folder)
    // or ending in a folder separator. A folder of more than maxNames names is not read: a few
    // names of a huge folder are cheaper looked up one by one.
    FolderSizes(PathTextView folderPart, std::size_t maxNames);
    ~FolderSizes();
    FolderSizes(const FolderSizes&) = delete;
    FolderSizes& operator=(const FolderSizes&) = delete;

    // Whether the folder was read (or is not there); when false every answer is AskDirectly.
    bool Listed() const;
    // The size of folderPart + name. Safe to call from several threads at once.
    std::int64_t SizeOf(PathTextView name) const;
    // The names ListFolderFileNames gives of the folder, from this reading (none for a folder
    // that is not there); nothing when it was not read.
    std::optional<std::vector<FileName>> FileNames() const;

private:
    struct Listing;
    std::unique_ptr<Listing> listing_;
};

} // namespace quillon::platform
