#include "verify/UnlistedFiles.h"

#include "core/ListKind.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "verify/Loader.h"

#include <algorithm>
#include <cwctype>
#include <unordered_set>

namespace quillon {

namespace {

// A path with the system's own separators: a list may name "sub/x" where Windows lists "sub\x".
ViewText Preferred(ViewTextView path) {
    ViewText text(path);
    for (auto& c : text)
        if (platform::IsFolderSeparator(c) && c != ':')
            c = std::filesystem::path::preferred_separator;
    return text;
}

// Paths compare as the file system compares names.
ViewText Key(ViewTextView path) {
    ViewText key = Preferred(path);
    if constexpr (platform::FileNamesIgnoreCase)
        for (auto& c : key)
            c = static_cast<ViewChar>(std::towlower(static_cast<wint_t>(c)));
    return key;
}

// The folder part of a path, its separator kept; empty when it has none.
ViewTextView FolderOf(ViewTextView path) {
    std::size_t end = path.size();
    while (end > 0 && !platform::IsFolderSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

// Whether below is folder or a folder below it, with no ".." step on the way.
bool IsAtOrBelow(ViewTextView below, ViewTextView folder) {
    if (below.size() < folder.size() || Key(below.substr(0, folder.size())) != Key(folder))
        return false;
    ViewTextView rest = below.substr(folder.size());
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !platform::IsFolderSeparator(rest[end]))
            ++end;
        const ViewTextView step = rest.substr(start, end - start);
        if (step.size() == 2 && step[0] == '.' && step[1] == '.')
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

std::vector<ViewText> FindUnlistedFiles(const TItemList& items,
                                        const std::vector<std::filesystem::path>& lists,
                                        const std::atomic<bool>* stop) {
    std::unordered_set<ViewText> named;
    named.reserve(items.size() + lists.size());
    for (const auto& list : lists)
        named.insert(Key(list.native()));
    std::vector<ViewText> folders;
    std::unordered_set<ViewText> seen;
    auto cover = [&](ViewTextView folder) {
        // An empty folder part is the current folder (a list named without one).
        if (seen.insert(Key(folder)).second)
            folders.push_back(Preferred(folder));
    };
    for (const auto& list : lists)
        cover(ListFolderPart(list));
    const std::filesystem::path* list = nullptr; // the entries of one list come together
    ViewText listFolder;
    for (const auto& e : items) {
        named.insert(Key(e->FileName));
        if (!e->ListFile)
            continue;
        if (e->ListFile.get() != list) {
            list = e->ListFile.get();
            listFolder = ListFolderPart(*list);
        }
        const ViewTextView folder = FolderOf(e->FileName);
        if (folder.size() != listFolder.size() && IsAtOrBelow(folder, listFolder))
            cover(folder);
    }

    std::vector<ViewText> unlisted;
    std::vector<platform::FileName> found;
    ViewText path;
    for (const ViewText& folder : folders) {
        if (stop && *stop)
            break;
        platform::OsError error;
        auto names = platform::ListFolderFileNames(
            folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder), &error);
        if (!names)
            continue; // a folder that vanished has nothing unlisted
        // Most names are listed: only the few that are not are put in the listing's order.
        found.clear();
        for (platform::FileName& name : *names) {
            path.assign(folder).append(name);
            // The hash first: most names are listed, and the kind of a name costs more.
            if (!named.count(Key(path)) && !KindNamedBy(std::filesystem::path(name)))
                found.push_back(std::move(name));
        }
        platform::SortFileNames(found);
        for (const platform::FileName& name : found)
            unlisted.push_back(folder + name);
    }
    return unlisted;
}

} // namespace quillon
