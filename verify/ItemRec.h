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
    std::int32_t Status = StatusUnchecked;
    // The digest it is checked with: its list's kind, or its BSD tag's. One byte, in what would
    // be padding: a list of a million entries costs nothing more for it.
    ListKind Kind = ListKind::Sfv;
    // The list file that named the entry, as held in ListFiles; shared by all its entries.
    std::shared_ptr<const std::filesystem::path> ListFile;
    RowIndex ListItem = NoRow; // the row that shows the entry, NoRow while hidden
};
static_assert(sizeof(TItemRec) <=
                  sizeof(std::filesystem::path::string_type) + sizeof(std::string) + 40,
              "an entry stays as small as it was");

// The expected digest text of an entry, without an Unsupported entry's algorithm name.
std::string_view ExpectedText(const TItemRec& entry);
// The algorithm an Unsupported entry's tag names ("SHA3-256"); empty for any other entry.
std::string_view UnsupportedAlgorithm(const TItemRec& entry);

} // namespace quillon
