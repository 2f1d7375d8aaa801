#pragma once
// The arithmetic and matching behind the create-mode controls, apart from their windows so that
// tests reach it without one.
#include "platform/FolderListing.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillon::controls {

// The divider's place (the left pane's width) in a splitter `width` wide whose bar is `bar` wide:
// both panes at least `minimum`; when the width holds no two minimums, the halves of what there is.
int ClampDivider(int position, int width, int bar, int minimum);

// A folder path as the tree shows it: "\" separators, "." and ".." resolved, no trailing
// separator except on a root ("C:\").
std::filesystem::path TreeFolderPath(const std::filesystem::path& folder);

// The components that lead from base down to folder, comparing without regard to case as the
// file system does; empty when folder is base, nothing when folder does not lie under base.
// Both as TreeFolderPath gives them.
std::optional<std::vector<std::wstring>> ComponentsBelow(const std::filesystem::path& base,
                                                         const std::filesystem::path& folder);

// The index of the base in bases that holds folder with the most components (the Desktop item
// beats the drive it lies on); -1 when none holds it.
int DeepestBase(const std::vector<std::filesystem::path>& bases,
                const std::filesystem::path& folder);

// Positions, ascending, of the entries whose exact name is among names: a re-listed folder keeps
// the selection by name.
std::vector<std::size_t> PositionsOfNames(const std::vector<platform::FolderEntry>& entries,
                                          const std::vector<std::wstring>& names);

} // namespace quillon::controls
