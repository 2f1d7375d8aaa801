#include "create/FolderTree.h"

#include "core/ListKind.h"
#include "platform/FolderListing.h"
#include "util/EnhFunc.h"

#include <algorithm>
#include <unordered_set>

namespace quillon {

namespace {

using PathString = std::filesystem::path::string_type;

// Two names of one file compare equal: letter case aside where the system ignores it, and either
// separator on Windows.
PathString NameKey(const std::filesystem::path& name) {
    PathString key = name.native();
    if constexpr (platform::FileNamesIgnoreCase) {
        for (auto& c : key) {
            c = AsciiLower(c);
            if (c == '/')
                c = '\\';
        }
    }
    return key;
}

const char* NotFollowedReason(platform::FolderLink link) {
    switch (link) {
    case platform::FolderLink::Junction:
        return "a junction, not followed";
    case platform::FolderLink::Other:
        return "a reparse point, not followed";
    default:
        return "a link to a folder, not followed";
    }
}

} // namespace

FolderTree WalkChosenItems(const std::filesystem::path& base, const std::vector<ChosenItem>& chosen,
                           const std::function<bool()>& keepGoing) {
    FolderTree tree;
    // A file or folder named among the chosen items comes once, at its own place.
    std::unordered_set<PathString> chosenFiles, chosenFolders;
    for (const ChosenItem& item : chosen) {
        if (item.isFolder) {
            chosenFolders.insert(NameKey(item.name));
        } else {
            tree.files.push_back({item.name, item.size, std::nullopt});
            chosenFiles.insert(NameKey(item.name));
        }
    }

    // Folders still to walk, the next one last: subfolders go on in reverse, so that each
    // folder's tree is whole before its next sibling's.
    std::vector<std::filesystem::path> pending;
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it)
        if (it->isFolder)
            pending.push_back(it->name);
    std::unordered_set<PathString> walked;
    const std::size_t chosenCount = pending.size();
    while (!pending.empty()) {
        std::filesystem::path folder = std::move(pending.back());
        pending.pop_back();
        if (chosenCount > 1 && !walked.insert(NameKey(folder)).second)
            continue; // named twice
        if (keepGoing && !keepGoing()) {
            tree.stopped = true;
            break;
        }
        platform::OsError error;
        auto listing = platform::ListFolder(folder.empty() ? base : base / folder, &error);
        if (!listing) {
            tree.skipped.push_back(
                {folder.empty() ? base : folder,
                 "folder not listed: " +
                     (error.text.empty() ? std::string("unknown error") : error.text)});
            continue;
        }
        const std::size_t firstSub = pending.size();
        for (platform::FolderEntry& e : *listing) {
            std::filesystem::path name = folder / e.name;
            if (e.isDirectory) {
                if (e.link != platform::FolderLink::None)
                    tree.skipped.push_back({std::move(name), NotFollowedReason(e.link)});
                else if (chosenCount < 2 || !chosenFolders.count(NameKey(name)))
                    pending.push_back(std::move(name));
                continue;
            }
            if (KindNamedBy(e.name) || (!chosenFiles.empty() && chosenFiles.count(NameKey(name))))
                continue;
            TreeFile& f = tree.files.emplace_back();
            f.name = std::move(name);
            f.size = e.size;
            if (e.lastWriteTime != 0) {
                platform::FileLookup& l = f.listed.emplace();
                l.size = e.size;
                l.lastWriteTime = e.lastWriteTime;
            }
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstSub), pending.end());
    }
    return tree;
}

} // namespace quillon
