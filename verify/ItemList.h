#pragma once
#include "core/ViewText.h"
#include "verify/ItemRec.h"
#include "verify/VerifyView.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace quillon {

// The entries in load order: the list files in the order of ListFiles, the lines of each in
// file order. The list owns its records.
using TItemList = std::vector<std::unique_ptr<TItemRec>>;

// Display filter: 1 shows every entry, 2 to 4 only the entries of that status.
inline constexpr std::int32_t FilterAll = 1;

// Size display of the "Size" column: 0 Auto, 1 KB, 2 Bytes.
inline constexpr std::uint8_t SizeTypeAuto = 0;
inline constexpr std::uint8_t SizeTypeKB = 1;
inline constexpr std::uint8_t SizeTypeBytes = 2;

// "Not Found", "0 KB", or the size in the given display.
ViewText SizeText(std::int64_t size, std::uint8_t sizeType);

// The file name part of an entry's path.
ViewTextView EntryCaption(ViewTextView fileName);
// The caption of an entry row of listFile: the entry's path relative to the list's folder where
// it lies in a subfolder of it ("s1\b.bin"), so that files of one name in different folders can
// be told apart; else, and in the list's own folder, the file name part.
ViewTextView EntryCaption(ViewTextView fileName, ViewTextView listFile);

// Whether two entries' list files are one: consecutive entries of one list file make one group
// of rows under its header.
bool SameListFile(const std::shared_ptr<const std::filesystem::path>& a,
                  const std::shared_ptr<const std::filesystem::path>& b);

// Rebuilds every row of the view from the list under the filter: per list file a header row
// (after a separator row from the second on), then the rows of its entries that pass the filter.
// Sets every entry's ListItem. The batch is ended and the list laid out again also when a step
// fails; no entry keeps a row of before.
void RefreshList(TItemList& items, std::int32_t displayFilter, std::uint8_t sizeType,
                 VerifyView& view);

// Sets the "Size" text of one row from its entry; rows past the end and rows without an entry
// are left alone.
void UpdateSizeText(VerifyView& view, RowIndex row, std::uint8_t sizeType);

} // namespace quillon
