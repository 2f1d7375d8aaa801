#include "verify/SizeLookup.h"

#include "util/EnhFunc.h"

#include <algorithm>
#include <thread>

namespace quillon {

namespace {
// Below this a thread costs more than it saves.
constexpr std::size_t MinEntriesPerThread = 4096;
constexpr unsigned MaxThreads = 8;
} // namespace

std::vector<std::int64_t> LookupSizes(std::span<TItemRec* const> entries,
                                      const std::atomic<bool>* stop) {
    std::vector<std::int64_t> sizes(entries.size());
    auto work = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            if (stop && (i & 255) == 0 && *stop) return;
            sizes[i] = GetFileSize64(entries[i]->FileName);
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
