#pragma once
#include "core/ViewText.h"
#include "verify/ItemList.h"

#include <atomic>
#include <filesystem>
#include <vector>

namespace quillon {

// The files of the folders the loaded lists cover that no loaded list names and that are no
// lists themselves (by their names, and the loaded ones whatever their names). A list covers
// its own folder and those of its folder's subfolders where it names entries; a folder above or
// beside it is another list's business. Folders in the order their lists and entries come,
// files in name order. A set stop ends the search early.
std::vector<ViewText> FindUnlistedFiles(const TItemList& items,
                                        const std::vector<std::filesystem::path>& lists,
                                        const std::atomic<bool>* stop = nullptr);

} // namespace quillon
