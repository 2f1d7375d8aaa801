#pragma once
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
    Unreadable, // the file could not be read whole; text: the system's reason
};
struct EntryNote {
    NoteKind kind = NoteKind::Unreadable;
    std::string text; // UTF-8
};
// "unreadable: <reason>", as the window and the console show it.
std::string NoteText(const EntryNote& note);

// One entry of the verify list.
struct TItemRec {
    // Folder of the list file + name as written in it, as a path's native text: a path would
    // split itself into components for every entry of a long list.
    std::filesystem::path::string_type FileName;
    std::string Checksum;           // expected text exactly as read
    std::int64_t Size = -1;         // bytes at the last lookup; -1: not found, folder or device
    std::int32_t Status = StatusUnchecked;
    // The list file that named the entry, as held in ListFiles; shared by all its entries.
    std::shared_ptr<const std::filesystem::path> ListFile;
    RowIndex ListItem = NoRow; // the row that shows the entry, NoRow while hidden
    // Why the last check ended the entry Bad, when it could tell; nothing for most entries.
    // Written by the check worker; the window reads it through its rows, never directly.
    std::unique_ptr<EntryNote> Note;
};

} // namespace quillon
