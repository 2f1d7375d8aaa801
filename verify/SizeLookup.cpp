#include "verify/SizeLookup.h"

#include "core/ViewText.h"
#include "platform/FileSystem.h"
#include "platform/FolderSizes.h"
#include "util/EnhFunc.h"
#include "util/InChunks.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace quillon {

namespace {
// Below this a thread costs more than it saves.
constexpr std::size_t MinEntriesPerThread = 4096;
constexpr unsigned MaxThreads = 8;
// Fewer entries of one folder are cheaper looked up one by one than by reading the folder.
constexpr std::size_t MinEntriesPerListing = 8;
// A folder is read up to this many names per entry of it (and a few more): beyond that, its
// entries' own lookups cost less than the reading.
constexpr std::size_t ListedNamesPerEntry = 8;
constexpr std::size_t ListedNamesExtra = 4096;
constexpr std::size_t EntriesPerChunk = 256;

// The length of the folder part of a full name: up to and including its last folder separator.
// A drive colon does not count: what follows "C:" lies in the drive's current folder.
std::size_t FolderPartLength(ViewTextView name) {
    for (std::size_t i = name.size(); i > 0; --i) {
        const ViewChar c = name[i - 1];
#ifdef _WIN32
        if (c == L'\\' || c == L'/')
            return i;
#else
        if (c == '/')
            return i;
#endif
    }
    return 0;
}

} // namespace

std::vector<std::int64_t> LookupSizes(std::span<TItemRec* const> entries,
                                      const std::atomic<bool>* stop,
                                      std::vector<ListedFolder>* listed) {
    const std::size_t count = entries.size();
    auto stopped = [stop] { return stop && *stop; };
    const std::size_t threads =
        std::min<std::size_t>({count / MinEntriesPerThread,
                               std::max(1u, std::thread::hardware_concurrency()), MaxThreads});

    // The entries by folder, unless they spread over so many folders that few would share one.
    std::unordered_map<ViewTextView, std::uint32_t> folderIds;
    std::vector<ViewTextView> folderParts;
    std::vector<std::size_t> folderEntries;
    std::vector<std::uint32_t> folderOf(count);
    for (std::size_t i = 0; i < count; ++i) {
        const ViewTextView name = entries[i]->FileName;
        const auto [it, added] = folderIds.try_emplace(
            name.substr(0, FolderPartLength(name)), static_cast<std::uint32_t>(folderParts.size()));
        if (added) {
            folderParts.push_back(it->first);
            folderEntries.push_back(0);
            if (folderParts.size() * 4 > count + 4 * MinEntriesPerListing) {
                folderParts.clear();
                break;
            }
        }
        ++folderEntries[it->second];
        folderOf[i] = it->second;
    }

    // One listing per folder that enough entries share.
    std::vector<std::uint32_t> toList;
    for (std::uint32_t f = 0; f < folderParts.size(); ++f)
        if (folderEntries[f] >= MinEntriesPerListing)
            toList.push_back(f);
    std::vector<std::unique_ptr<platform::FolderSizes>> listings(folderParts.size());
    std::vector<std::optional<std::int64_t>> stamps(listed ? folderParts.size() : 0);
    InChunks(toList.size(), std::min(threads, toList.size()), 1,
             [&](std::size_t begin, std::size_t end) {
                 for (std::size_t k = begin; k < end && !stopped(); ++k) {
                     const std::uint32_t f = toList[k];
                     if (listed)
                         stamps[f] = SettledFolderStamp(folderParts[f]);
                     listings[f] = std::make_unique<platform::FolderSizes>(
                         folderParts[f], folderEntries[f] * ListedNamesPerEntry + ListedNamesExtra);
                 }
             });

    std::vector<std::int64_t> sizes(count);
    InChunks(count, threads, EntriesPerChunk, [&](std::size_t begin, std::size_t end) {
        if (stopped())
            return;
        for (std::size_t i = begin; i < end; ++i) {
            const ViewText& name = entries[i]->FileName;
            std::int64_t size = platform::FolderSizes::AskDirectly;
            if (!listings.empty()) {
                if (const auto* listing = listings[folderOf[i]].get()) {
                    const std::size_t part = FolderPartLength(name);
                    size = listing->SizeOf(ViewTextView(name).substr(part));
                }
            }
            sizes[i] = size == platform::FolderSizes::AskDirectly ? GetFileSize64(name) : size;
        }
    });
    if (stopped())
        return {};
    if (listed) {
        for (const std::uint32_t f : toList) {
            if (!listings[f])
                continue;
            if (auto names = listings[f]->FileNames())
                listed->push_back({ViewText(folderParts[f]), stamps[f], std::move(*names)});
        }
    }
    return sizes;
}

} // namespace quillon
