#include "verify/SizeLookup.h"

#include "core/ViewText.h"
#include "platform/FileSystem.h"
#include "util/EnhFunc.h"

#include <algorithm>
#include <filesystem>
#include <thread>
#include <unordered_map>

namespace quillon {

namespace {
// Below this a thread costs more than it saves.
constexpr std::size_t MinEntriesPerThread = 4096;
constexpr unsigned MaxThreads = 8;

// The folder a full name lies in, when its text says so plainly ("C:x.bin" does not).
ViewTextView FolderOf(const ViewText& name) {
    for (std::size_t i = name.size(); i > 0; --i) {
        const ViewChar c = name[i - 1];
#ifdef _WIN32
        if (c == L'\\' || c == L'/') return ViewTextView(name).substr(0, i - 1);
#else
        if (c == '/') return ViewTextView(name).substr(0, i - 1);
#endif
    }
    return {};
}

// Which entries lie in a folder that does not exist: one lookup of the folder answers for all
// of its entries, where a lookup of each would search the missing folder's parent again and
// again (Wine does so ignoring case, at some 40 us a name). Empty when the entries spread over
// so many folders that the folders' lookups would cost more than they save.
std::vector<char> InAbsentFolders(std::span<TItemRec* const> entries) {
    std::unordered_map<ViewTextView, bool> folders;
    for (TItemRec* e : entries) {
        const ViewTextView folder = FolderOf(e->FileName);
        if (!folder.empty()) folders.emplace(folder, false);
        if (folders.size() * 4 > entries.size()) return {};
    }
    bool anyAbsent = false;
    for (auto& [folder, absent] : folders) {
        absent = !platform::DirectoryExists(std::filesystem::path(ViewText(folder)));
        anyAbsent |= absent;
    }
    if (!anyAbsent) return {};
    std::vector<char> result(entries.size(), 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ViewTextView folder = FolderOf(entries[i]->FileName);
        result[i] = !folder.empty() && folders.at(folder);
    }
    return result;
}

} // namespace

std::vector<std::int64_t> LookupSizes(std::span<TItemRec* const> entries,
                                      const std::atomic<bool>* stop) {
    std::vector<std::int64_t> sizes(entries.size());
    const std::vector<char> absent = InAbsentFolders(entries);
    auto work = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            if (stop && (i & 255) == 0 && *stop) return;
            sizes[i] = !absent.empty() && absent[i] ? -1 : GetFileSize64(entries[i]->FileName);
        }
    };
    const std::size_t byCount = entries.size() / MinEntriesPerThread;
    const std::size_t threads = std::min<std::size_t>(
        {byCount, std::max(1u, std::thread::hardware_concurrency()), MaxThreads});
    if (threads < 2) {
        work(0, entries.size());
        if (stop && *stop) return {};
        return sizes;
    }
    std::vector<std::thread> helpers;
    const std::size_t chunk = (entries.size() + threads - 1) / threads;
    try {
        for (std::size_t t = 1; t < threads; ++t)
            helpers.emplace_back(work, t * chunk, std::min(entries.size(), (t + 1) * chunk));
    } catch (const std::system_error&) {
        // No thread to be had: the ones started and this one do the rest.
        for (std::size_t t = helpers.size() + 1; t < threads; ++t)
            work(t * chunk, std::min(entries.size(), (t + 1) * chunk));
    }
    work(0, std::min(entries.size(), chunk));
    for (auto& h : helpers)
        h.join();
    if (stop && *stop) return {};
    return sizes;
}

} // namespace quillon
