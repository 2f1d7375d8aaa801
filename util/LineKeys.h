#pragma once
#include "util/InChunks.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The keys of many lines, made on several threads and kept until the object goes: where a key
// costs microseconds (a locale's sort key under Wine), a million of them are the bulk of a load.
// Each run of lines has its keys side by side in one buffer of its own.
class LineKeys {
public:
    static constexpr std::size_t LinesPerRun = 8192;

    // make(i, scratch, more) gives line i's key, which may be made in the two scratch strings
    // (the calling thread's) or be any text that outlives the call.
    template <typename Make>
    LineKeys(std::size_t count, std::size_t threads, const Make& make)
        : runs_((count + LinesPerRun - 1) / LinesPerRun) {
        InChunks(count, threads, LinesPerRun, [&](std::size_t begin, std::size_t end) {
            Run& run = runs_[begin / LinesPerRun];
            run.ends.reserve(end - begin);
            run.hashes.reserve(end - begin);
            std::string scratch, more;
            for (std::size_t i = begin; i < end; ++i) {
                const std::string_view key = make(i, scratch, more);
                run.keys.append(key);
                run.ends.push_back(run.keys.size());
                run.hashes.push_back(Hash(key));
            }
        });
    }

    static std::size_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }

    std::string_view Key(std::size_t i) const {
        const Run& run = runs_[i / LinesPerRun];
        const std::size_t j = i % LinesPerRun;
        const std::size_t begin = j == 0 ? 0 : run.ends[j - 1];
        return std::string_view(run.keys).substr(begin, run.ends[j] - begin);
    }
    std::size_t HashOf(std::size_t i) const {
        return runs_[i / LinesPerRun].hashes[i % LinesPerRun];
    }

private:
    struct Run {
        std::string keys;
        std::vector<std::size_t> ends;
        std::vector<std::size_t> hashes;
    };
    std::vector<Run> runs_;
};

} // namespace quillon
