#pragma once
#include "core/ListKind.h"

#include <filesystem>

// How a new list is named and what it holds when it is asked for by name: the window's Create
// command, its "-makesfv"/"-makemd5" switches and quillon-cli create follow the same rules here.
namespace quillon {

// The save dialog's filters: one per kind create writes, in the kinds' order, from 1 (SFV, MD5,
// SHA-1, SHA-256, SHA-512, BLAKE3).
inline constexpr int kSfvFilterIndex = 1;
inline constexpr int kMd5FilterIndex = 2;
ListKind FilterKind(int filterIndex); // SFV for an index of no filter
int FilterIndexOf(ListKind kind);

// The kind a list named fileName gets under a filter: the one its name selects (".md5",
// ".sha256", "SHA256SUMS", ...) under any filter, except that ".sfv" under the MD5 filter is MD5;
// a name that selects none gets the filter's.
ListKind CreateListKind(const std::filesystem::path& fileName, int filterIndex);

// A name without an extension gets the chosen filter's (".sfv", ".md5", ".sha256", ...), unless
// it names its kind as a whole ("SHA256SUMS"); any other stays.
std::filesystem::path CompleteListName(const std::filesystem::path& fileName, int filterIndex);

// The name a save dialog returned for the name the user typed: a dialog that appended its
// filter's extension to a name that had an extension already ("x.md5" came back "x.md5.sfv")
// is undone, since only a name without one gets the filter's.
std::filesystem::path UndoAppendedExtension(const std::filesystem::path& chosen,
                                            const std::filesystem::path& typed);

// Where the list of a whole folder goes when a folder (or a file, standing for its folder) is
// named on a command line: "<folder>\<folder's name>.sfv" (or the extension of kind).
struct FolderListPlan {
    std::filesystem::path folder; // with a trailing separator
    std::filesystem::path listFile;
    bool folderExists = false; // false: nothing may be hashed, the list cannot be made
};
FolderListPlan PlanFolderList(const std::filesystem::path& argument, ListKind kind);

// The files such a folder list takes: all but the lists already there (any name that selects a
// list kind).
bool FolderCommandSelects(const std::filesystem::path& name);

} // namespace quillon
