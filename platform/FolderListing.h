#pragma once
#include "platform/OsError.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace quillon::platform {

// What kind of link an entry is. A folder behind one may be the folder it is in, or one above:
// a walk down a tree does not enter it.
enum class FolderLink : std::uint8_t {
    None,
    Link,     // a symbolic link
    Junction, // Windows: a junction (mount point)
    Other,    // Windows: any other reparse point
};

// One entry of a folder as a file list shows it.
struct FolderEntry {
    std::filesystem::path name; // the last path component
    bool isDirectory = false;
    FolderLink link = FolderLink::None;
    std::int64_t size = 0;          // 0 for a folder
    std::int64_t lastWriteTime = 0; // Windows file time, 0 when the system has none
    std::uint32_t attributes = 0;   // FILE_ATTRIBUTE_* on Windows, 0 on POSIX
};

// The folders and files directly in folder, in display order: folders first, then files, each
// group by name without regard to letter case (ties broken by the exact name, so the order never
// depends on how the system returned them). "." and ".." are left out; on POSIX so is what is
// neither a folder nor a regular file (FIFOs, sockets, devices), which a create run must never
// open, and a symbolic link counts as what it points to (its link says it is one). The window's
// file list and the console tool take their order from here, so both write the same list for one
// folder.
std::optional<std::vector<FolderEntry>> ListFolder(const std::filesystem::path& folder,
                                                   OsError* error);

// The names of the files ListFolder lists of folder (no folders), in the order the system gives
// them, without sizes or times: a search that keeps only some of a folder's names is spared the
// sort of all of them and, where the folder's entry tells a file from a folder, a lookup of each.
// Native strings, not paths: a path splits itself into parts when made, which a folder of many
// thousand names feels.
using FileName = std::filesystem::path::string_type;
std::optional<std::vector<FileName>> ListFolderFileNames(
    const std::filesystem::path& folder, OsError* error);
// Puts names of files of one folder in ListFolder's order.
void SortFileNames(std::vector<FileName>& names);

// Tests: ListFolder and ListFolderFileNames fail with the system error code fault gives for a
// folder (0: lists it).
using ListFault = std::function<int(const std::filesystem::path& folder)>;
void SetListFaultForTests(ListFault fault);

} // namespace quillon::platform
