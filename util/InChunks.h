#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace quillon {

// Calls work(begin, end) on consecutive chunks of [0, count) until all are done, on this thread
// and up to threads - 1 more: for lookups that mostly wait on the file system.
template <typename Work>
void InChunks(std::size_t count, std::size_t threads, std::size_t chunk, const Work& work) {
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        for (;;) {
            const std::size_t begin = next.fetch_add(chunk);
            if (begin >= count)
                return;
            work(begin, std::min(count, begin + chunk));
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (std::size_t t = 1; t < threads; ++t)
            helpers.emplace_back(run);
    } catch (const std::system_error&) {
        // No thread to be had: the ones started and this one do the rest.
    }
    run();
    for (auto& h : helpers)
        h.join();
}

} // namespace quillon
