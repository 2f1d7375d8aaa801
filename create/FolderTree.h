#pragma once
#include "create/CreateRun.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

// The files of whole folder trees for one list, in the order the list takes them. Free of
// windows: the window's create mode and quillon-cli create both walk trees here.
namespace quillon {

// An item chosen for a list, named relative to the list's folder: a file as it is, a folder with
// every file below it.
struct ChosenItem {
    std::filesystem::path name; // empty: the list's folder itself
    bool isFolder = false;
    std::int64_t size = 0; // of a file
};

// A file for the list, named relative to the list's folder with this system's separator.
struct TreeFile {
    std::filesystem::path name;
    std::int64_t size = 0;
    // Size and time from the folder's listing; none for a chosen file, which the run looks up.
    std::optional<platform::FileLookup> listed;
};

struct FolderTree {
    std::vector<TreeFile> files;
    // Links and junctions not followed, folders that could not be listed: name and why.
    std::vector<LeftOutFile> skipped;
    bool stopped = false; // keepGoing said no: the files found so far are not the whole tree
};

// The chosen files first, in their order, as they are (a chosen list is listed like any other
// file); then each chosen folder's tree: a folder's files, then its subfolders one after another,
// each whole before the next, every folder in the file list's order (ListFolder's). Below a
// chosen folder, lists (any name a list kind selects) are left out, and so is a file already
// chosen by itself. Links to folders and junctions are not entered, so that no loop is walked and
// no file comes twice; each one is reported in skipped, and so is a folder that cannot be listed.
// keepGoing, when given, is asked before each folder is listed; the window lets its messages run
// there, so that Abort reaches a long walk.
FolderTree WalkChosenItems(const std::filesystem::path& base, const std::vector<ChosenItem>& chosen,
                           const std::function<bool()>& keepGoing = {});

// The list of a whole folder: the tree of base, named relative to it.
inline FolderTree WalkFolderTree(const std::filesystem::path& base,
                                 const std::function<bool()>& keepGoing = {}) {
    return WalkChosenItems(base, {ChosenItem{{}, true, 0}}, keepGoing);
}

// A walk's files as a create run takes them: every one selected, none a folder.
class TreeSource final : public CreateSource {
public:
    explicit TreeSource(std::vector<TreeFile> files) : files_(std::move(files)) {}
    std::size_t Count() const override { return files_.size(); }
    bool Selected(std::size_t) const override { return true; }
    bool IsFolder(std::size_t) const override { return false; }
    std::int64_t Size(std::size_t i) const override { return files_[i].size; }
    std::filesystem::path Name(std::size_t i) const override { return files_[i].name; }
    std::optional<platform::FileLookup> Listed(std::size_t i) const override {
        return files_[i].listed;
    }

private:
    std::vector<TreeFile> files_;
};

} // namespace quillon
