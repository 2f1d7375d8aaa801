#pragma once
#include "core/ListKind.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quillon {

// Status codes. The same number is the entry's Status, its row image and, for 2 to 4, the Tag of
// the filter item that shows only that status; less one it is the status-bar panel.
inline constexpr std::int32_t StatusUnchecked = 1;
inline constexpr std::int32_t StatusMissing = 2;
inline constexpr std::int32_t StatusBad = 3;
inline constexpr std::int32_t StatusGood = 4;

// Row images besides the statuses.
inline constexpr std::int32_t ImageHeader = 0;
inline constexpr std::int32_t ImageNone = -1;

// "Unchecked", "Missing", "Bad", "Good"; empty for any other code.
std::string_view StatusName(std::int32_t status);

// A row of the verify list by its index. Rows keep their places between two rebuilds: nothing
// inserts or removes a single row.
using RowIndex = std::int32_t;
inline constexpr RowIndex NoRow = -1;

// Why an entry ended Bad, where the check can tell: kept beside the status and shown with it.
enum class NoteKind : std::uint8_t {
    Unreadable,  // the file could not be read whole; text: the system's reason
    Unsupported, // a tag this program does not compute; text: its algorithm, from the load on
    Changed,     // read whole, other content, and written since the list was made
    Damaged,     // read whole, other content, yet the size and time the list recorded
    Differs,     // read whole, other content; the file went before a lookup could tell why
};
struct EntryNote {
    NoteKind kind = NoteKind::Unreadable;
    // UTF-8. Unreadable: the system's reason; Unsupported: the algorithm. For a file read whole
    // (Changed, Damaged, Differs): the digest it has now, as hex in its list's letter case, which
    // those kinds show nowhere else; one string does for both, a Bad entry costs no more.
    std::string text;
};
// Made for Bad entries only; a million of them must not cost much more than their digests.
static_assert(sizeof(EntryNote) <= sizeof(std::string) + 8, "a note stays one string");
// "unreadable: <reason>", "unsupported algorithm <name>", "changed" or "damaged", as the window
// and the console show it; empty for Differs, which has no reason to show.
std::string NoteText(const EntryNote& note);

// One entry of the verify list.
struct TItemRec {
    // Folder of the list file + name as written in it, as a path's native text: a path would
    // split itself into components for every entry of a long list.
    std::filesystem::path::string_type FileName;
    // The expected text as read (UTF-8 on Windows, the list's bytes on POSIX). For an
    // Unsupported entry: its tag's algorithm name, one blank, then that text; ExpectedText and
    // UnsupportedAlgorithm take it apart.
    std::string Checksum;
    std::int64_t Size = -1;         // bytes at the last lookup; -1: not found, folder or device
    // The list file that named the entry, as held in ListFiles; shared by all its entries.
    std::shared_ptr<const std::filesystem::path> ListFile;
    RowIndex ListItem = NoRow; // the row that shows the entry, NoRow while hidden
    // Status and Kind share what would be padding beside ListItem: a list of a million entries
    // costs nothing more for them.
    std::int16_t Status = StatusUnchecked;
    // The digest it is checked with: its list's kind, or its BSD tag's.
    ListKind Kind = ListKind::Sfv;
    // Why the entry is Bad, when that is known: an Unsupported note from the load, the others
    // from the last check; nothing for most entries. Written by the loader and
    // the check worker; the window reads it through its rows, never directly.
    std::unique_ptr<EntryNote> Note;
};
static_assert(sizeof(TItemRec) <=
                  sizeof(std::filesystem::path::string_type) + sizeof(std::string) + 40,
              "an entry stays as small as it was");

// The expected digest text of an entry, without an Unsupported entry's algorithm name.
std::string_view ExpectedText(const TItemRec& entry);
// The algorithm an Unsupported entry's tag names ("SHA3-256"); empty for any other entry.
std::string_view UnsupportedAlgorithm(const TItemRec& entry);
// The digest the last check computed of the entry's file, read whole: a Good entry's equals its
// expected text (nothing is kept for it), a Bad one's is kept in its note. Empty for an entry
// that was not read whole (Unchecked, Missing, unreadable, unsupported).
std::string_view ActualText(const TItemRec& entry);
// A digest text (hex) in the letter case of the expected text it is compared with, where that
// text has letters of one case only; otherwise as the digest routine wrote it.
std::string DigestTextInCaseOf(std::string_view digest, std::string_view expected);
// Whether the entry has a note its last check gave, which the next check of it takes back.
inline bool HasCheckNote(const TItemRec& entry) {
    return entry.Note && entry.Note->kind != NoteKind::Unsupported;
}

} // namespace quillon
