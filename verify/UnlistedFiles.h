#pragma once
#include "core/RunState.h"
#include "core/ViewText.h"
#include "verify/ItemList.h"
#include "verify/ListedFolder.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
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

// FindUnlistedFiles beside a check: the folders are read on a thread of its own from the start,
// so that a check of many small files does not wait for a second pass over their folder at the
// end. A folder read already (for the entries' sizes) is not read again. The items and lists
// must stay as they are until the search is gone; an abort or a closing window of the run ends
// it early.
class UnlistedSearch {
public:
    UnlistedSearch(const TItemList& items, const std::vector<std::filesystem::path>& lists,
                   const RunState& run, std::vector<ListedFolder> listed = {});
    ~UnlistedSearch();
    UnlistedSearch(const UnlistedSearch&) = delete;
    UnlistedSearch& operator=(const UnlistedSearch&) = delete;

    // What FindUnlistedFiles would find now: a folder written since it was read, or written
    // moments before, is read again.
    std::vector<ViewText> Result();

    // Test seam: when set, called on the search's thread once it has read every folder.
    static void SetReadForTests(std::function<void()> read);

private:
    struct Search;
    std::unique_ptr<Search> search_;
};

} // namespace quillon
