#pragma once
#include <filesystem>

// How a new list is named and what it holds when it is asked for by name: the window's Create
// command, its "-makesfv"/"-makemd5" switches and quillon-cli create follow the same rules here.
namespace quillon {

// The save dialog's filter indices.
inline constexpr int kSfvFilterIndex = 1;
inline constexpr int kMd5FilterIndex = 2;

// MD5 when the MD5 filter was chosen or the name's extension (from the last "." of its last
// component, any case) is ".md5"; SFV otherwise.
bool CreateListIsMd5(const std::filesystem::path& fileName, int filterIndex);

// A name without an extension gets the chosen filter's (".sfv" or ".md5"); any other stays.
std::filesystem::path CompleteListName(const std::filesystem::path& fileName, int filterIndex);

// The name a save dialog returned for the name the user typed: a dialog that appended its
// filter's extension to a name that had an extension already ("x.md5" came back "x.md5.sfv")
// is undone, since only a name without one gets the filter's.
std::filesystem::path UndoAppendedExtension(const std::filesystem::path& chosen,
                                            const std::filesystem::path& typed);

// Where the list of a whole folder goes when a folder (or a file, standing for its folder) is
// named on a command line: "<folder>\<folder's name>.sfv".
struct FolderListPlan {
    std::filesystem::path folder; // with a trailing separator
    std::filesystem::path listFile;
    bool folderExists = false; // false: nothing may be hashed, the list cannot be made
};
FolderListPlan PlanFolderList(const std::filesystem::path& argument, bool md5);

// The files such a folder list takes: all but the lists already there.
bool FolderCommandSelects(const std::filesystem::path& name);

} // namespace quillon
