#include "verify/UnlistedFiles.h"

#include "core/ListKind.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "verify/Loader.h"

#include <algorithm>
#include <cwctype>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

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

// Paths compare as the file system compares names, without a copy of either: the lists' names
// and the folders' are many, and most of them are looked up once.
ViewChar KeyChar(ViewChar c) {
    if (platform::IsFolderSeparator(c) && c != ':')
        return std::filesystem::path::preferred_separator;
    if constexpr (platform::FileNamesIgnoreCase)
        return static_cast<ViewChar>(std::towlower(static_cast<wint_t>(c)));
    return c;
}

// On POSIX a name is its own key, and a hash of its bytes will do.
constexpr bool KeysAreNames =
    !platform::FileNamesIgnoreCase && !platform::IsFolderSeparator(ViewChar('\\'));

std::size_t KeyHash(ViewTextView path) {
    if constexpr (KeysAreNames)
        return std::hash<ViewTextView>()(path);
    std::size_t h = 14695981039346656037ull; // FNV-1a
    for (const ViewChar c : path)
        h = (h ^ static_cast<std::size_t>(KeyChar(c))) * 1099511628211ull;
    return h;
}

bool SameKey(ViewTextView a, ViewTextView b) {
    if (a.size() != b.size())
        return false;
    if constexpr (KeysAreNames)
        return a == b;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (KeyChar(a[i]) != KeyChar(b[i]))
            return false;
    return true;
}

// A set of paths by their keys, of views of texts that outlive it. Open addressing: one block
// for all, where a node set takes (and at the end gives back) one allocation per name.
class KeySet {
public:
    explicit KeySet(std::size_t expected = 0) { Rehash(Capacity(expected)); }

    bool Insert(ViewTextView path) {
        if ((count_ + 1) * 2 > slots_.size())
            Rehash(slots_.size() * 2);
        const std::size_t hash = KeyHash(path);
        Slot& slot = slots_[Find(path, hash)];
        if (slot.used)
            return false;
        slot = Slot{hash, path, true};
        ++count_;
        return true;
    }
    bool Contains(ViewTextView path) const {
        return slots_[Find(path, KeyHash(path))].used;
    }

private:
    struct Slot {
        std::size_t hash = 0;
        ViewTextView path;
        bool used = false;
    };

    static std::size_t Capacity(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity < expected * 2)
            capacity *= 2;
        return capacity;
    }
    // The slot that holds path, or the free one where it would go.
    std::size_t Find(ViewTextView path, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (!slot.used || (slot.hash == hash && SameKey(slot.path, path)))
                return i;
        }
    }
    void Rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.used)
                slots_[Find(slot.path, slot.hash)] = slot;
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// The folder part of a path, its separator kept; empty when it has none.
ViewTextView FolderOf(ViewTextView path) {
    std::size_t end = path.size();
    while (end > 0 && !platform::IsFolderSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

// Whether below is folder or a folder below it, with no ".." step on the way.
bool IsAtOrBelow(ViewTextView below, ViewTextView folder) {
    if (below.size() < folder.size() || !SameKey(below.substr(0, folder.size()), folder))
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

// What a search looks through: the covered folders, and every name the lists and their entries
// give (views of the items' and the lists' own names, which outlive the search).
struct SearchPlan {
    KeySet named;
    std::deque<ViewText> folders; // they stay where they are: seen holds views of them
};

SearchPlan PlanSearch(const TItemList& items, const std::vector<std::filesystem::path>& lists) {
    SearchPlan plan{KeySet(items.size() + lists.size()), {}};
    for (const auto& list : lists)
        plan.named.Insert(list.native());
    KeySet seen;
    auto cover = [&](ViewTextView folder) {
        // An empty folder part is the current folder (a list named without one).
        if (!seen.Contains(folder)) {
            plan.folders.push_back(Preferred(folder));
            seen.Insert(plan.folders.back());
        }
    };
    for (const auto& list : lists)
        cover(ListFolderPart(list));
    const std::filesystem::path* list = nullptr; // the entries of one list come together
    ViewText listFolder;
    for (const auto& e : items) {
        plan.named.Insert(e->FileName);
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
    return plan;
}

std::filesystem::path FolderPath(const ViewText& folder) {
    return folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
}

// Of the names of the files in one folder, those that nothing names, in name order.
std::vector<platform::FileName> UnlistedOf(const ViewText& folder,
                                          std::vector<platform::FileName> names,
                                          const KeySet& named) {
    std::vector<platform::FileName> found;
    ViewText path;
    for (platform::FileName& name : names) {
        path.assign(folder).append(name);
        // The hash first: most names are listed, and the kind of a name costs more.
        if (!named.Contains(path) && !KindNamedBy(std::filesystem::path(name)))
            found.push_back(std::move(name));
    }
    // Most names are listed: only the few that are not are put in the listing's order.
    platform::SortFileNames(found);
    return found;
}

// The same, read now; none for a folder that vanished.
std::vector<platform::FileName> UnlistedIn(const ViewText& folder, const KeySet& named) {
    platform::OsError error;
    auto names = platform::ListFolderFileNames(FolderPath(folder), &error);
    if (!names)
        return {};
    return UnlistedOf(folder, std::move(*names), named);
}

void AppendFolder(std::vector<ViewText>& unlisted, const ViewText& folder,
                  const std::vector<platform::FileName>& names) {
    for (const platform::FileName& name : names)
        unlisted.push_back(folder + name);
}

} // namespace

std::vector<ViewText> FindUnlistedFiles(const TItemList& items,
                                        const std::vector<std::filesystem::path>& lists,
                                        const std::atomic<bool>* stop) {
    const SearchPlan plan = PlanSearch(items, lists);
    std::vector<ViewText> unlisted;
    for (const ViewText& folder : plan.folders) {
        if (stop && *stop)
            break;
        AppendFolder(unlisted, folder, UnlistedIn(folder, plan.named));
    }
    return unlisted;
}

namespace {
std::mutex g_readMutex;
std::function<void()> g_read; // the test seam
} // namespace

void UnlistedSearch::SetReadForTests(std::function<void()> read) {
    std::lock_guard lock(g_readMutex);
    g_read = std::move(read);
}

struct UnlistedSearch::Search {
    struct Folder {
        bool read = false;
        std::optional<std::int64_t> stamp; // before its reading, when settled by then
        std::vector<platform::FileName> names;
    };

    const TItemList& items;
    const std::vector<std::filesystem::path>& lists;
    const RunState& run;
    std::vector<ListedFolder> listed;
    std::atomic<bool> cancel{false};
    bool planned = false;
    SearchPlan plan;
    std::vector<Folder> found;
    std::thread thread;

    Search(const TItemList& i, const std::vector<std::filesystem::path>& l, const RunState& r,
           std::vector<ListedFolder> early)
        : items(i), lists(l), run(r), listed(std::move(early)) {}
    bool Stopped() const { return cancel || run.AbortRequested || run.WindowClosing; }

    void Read() {
        // The folders read already, by the names the plan gives them.
        std::unordered_map<ViewText, std::size_t> early;
        for (std::size_t k = 0; k < listed.size(); ++k)
            early.emplace(Preferred(listed[k].folderPart), k);
        for (std::size_t i = 0; i < plan.folders.size() && !Stopped(); ++i) {
            Folder& folder = found[i];
            const ViewText& name = plan.folders[i];
            if (const auto it = early.find(name); it != early.end()) {
                ListedFolder& listing = listed[it->second];
                folder.stamp = listing.stamp;
                folder.names = UnlistedOf(name, std::move(listing.fileNames), plan.named);
                early.erase(it);
            } else {
                folder.stamp = SettledFolderStamp(name);
                folder.names = UnlistedIn(name, plan.named);
            }
            folder.read = true;
        }
        listed.clear();
        std::lock_guard lock(g_readMutex);
        if (g_read)
            g_read();
    }
};

UnlistedSearch::UnlistedSearch(const TItemList& items,
                               const std::vector<std::filesystem::path>& lists,
                               const RunState& run, std::vector<ListedFolder> listed)
    : search_(std::make_unique<Search>(items, lists, run, std::move(listed))) {
    search_->thread = std::thread([s = search_.get()] {
        try {
            s->plan = PlanSearch(s->items, s->lists);
            s->found.resize(s->plan.folders.size());
            s->planned = true;
            s->Read();
        } catch (...) {
            // Result reads again what is left unread.
        }
    });
}

UnlistedSearch::~UnlistedSearch() {
    search_->cancel = true;
    if (search_->thread.joinable())
        search_->thread.join();
}

std::vector<ViewText> UnlistedSearch::Result() {
    Search& s = *search_;
    if (s.thread.joinable())
        s.thread.join();
    if (!s.planned)
        return FindUnlistedFiles(s.items, s.lists, &s.run.AbortRequested);
    std::vector<ViewText> unlisted;
    for (std::size_t i = 0; i < s.plan.folders.size() && !s.Stopped(); ++i) {
        const ViewText& folder = s.plan.folders[i];
        const Search::Folder& early = s.found[i];
        const bool still = early.read && early.stamp && FolderStamp(folder) == early.stamp;
        AppendFolder(unlisted, folder, still ? early.names : UnlistedIn(folder, s.plan.named));
    }
    return unlisted;
}

} // namespace quillon
