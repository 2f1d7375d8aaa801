#pragma once
#include "core/ListFile.h"
#include "core/ViewText.h"
#include "platform/TextCodec.h"
#include "verify/BackslashNames.h"
#include "verify/ItemList.h"

#include <atomic>
#include <filesystem>
#include <string_view>
#include <vector>

// Loading list files: the entries of one list file with their paths and sizes, and the caption
// of a loaded list. VerifyModel::LoadListFiles runs the whole load (the old entries go, every
// list is appended, the view and counters are rebuilt).
namespace quillon {

// The folder part of a list file's path: everything up to and including its last separator;
// empty when it has none (its entries then resolve against the current folder). Separators are
// "\", "/" and ":" on Windows, "/" on POSIX.
ViewText ListFolderPart(const std::filesystem::path& listFile);

// The folder part followed by a name as the list gives it (list text in encoding). On Windows
// the name is appended as text, not joined: a full path in a list still lands below the list's
// folder. On POSIX a "\" in the name is a folder separator, so lists written on Windows with
// sub\file names resolve, unless literalBackslashes (an escaped line, whose "\" md5sum wrote for
// a name's own); a name that begins with "/" is that absolute path.
ViewText EntryPath(const ViewText& folderPart, std::string_view name,
                   platform::ListEncoding encoding = platform::ListEncoding::CodePage,
                   bool literalBackslashes = false);

// The file an entry of a list in folderPart names: that of the name as written when it names a
// file and differs from the trimmed one (" lead" beside "lead"; on POSIX the "a\b" of rhash or
// cksfv beside a/b), else that of the trimmed name, so a sloppy list's blanks and a Windows
// list's "\" still find the file they meant. backslashNames, one per list folder, spares the
// lookup of literal "a\b" names where the folder holds none.
ViewText ResolveEntryPath(const ViewText& folderPart, const ListEntry& entry,
                          platform::ListEncoding encoding,
                          BackslashNames* backslashNames = nullptr);

// AppTitle + " - " + the last path component of the ListFiles text (the paths joined by CR LF)
// after trimming it.
ViewText ListCaption(std::string_view appTitle, const std::vector<std::filesystem::path>& lists);

// What one list held: its entries, and how many of them carry no checksum of the list's kind
// (text that is not a checksum list: a picture, a document, junk). Most of them so: the list is
// not what its name says.
struct ListReport {
    std::size_t entries = 0;
    std::size_t notUnderstood = 0;
    bool LooksLikeJunk() const { return entries > 0 && notUnderstood * 2 > entries; }
};

// Whether an entry carries a digest text of its kind (hex of the kind's length); an
// Unsupported entry's tag decides nothing, so it does.
bool HoldsDigestOfItsKind(const ListEntry& entry);

// Parses one list file (which sets Md5Mode) and appends an Unchecked entry per normalised line:
// its full path, its kind, the expected checksum as written, and its size when lookUpSizes (-1
// otherwise, for a caller whose check looks every size up anyway). The path is that of the name
// as written when that names a file, else that of the trimmed name. An entry of a tag this
// program does not compute carries a note saying so. Throws FileError when the list cannot be
// opened; the entries appended before stay. Once stop is set the sizes are left at -1.
ListReport AppendListEntries(const std::filesystem::path& listFile, TItemList& items,
                             bool lookUpSizes, const std::atomic<bool>* stop = nullptr);
// The entries of every list, in order, as AppendListEntries makes them, and a report of each list
// read (those before a list that could not be opened). It reads files only, so any thread may run
// it; a set stop ends it early (a window that closes meanwhile).
void ReadListFiles(const std::vector<std::filesystem::path>& lists, TItemList& items,
                   bool lookUpSizes, const std::atomic<bool>* stop = nullptr,
                   std::vector<ListReport>* reports = nullptr);

} // namespace quillon
