#include "verify/SmallFilePrefetch.h"

#include "core/RunState.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quillon::test {
namespace {

using Plan = SmallFilePrefetch::Plan;
constexpr std::size_t Ahead = SmallFilePrefetch::Ahead;

struct Entries {
    TempDir dir;
    std::vector<std::filesystem::path::string_type> names;
    std::vector<Plan> plans;
    void Add(const std::string& name, const std::string* content, Plan plan) {
        if (content)
            dir.Write(name, *content);
        names.push_back((dir / name).native());
        plans.push_back(plan);
    }
    SmallFilePrefetch Start(const RunState& run) {
        return SmallFilePrefetch(
            plans, [this](std::size_t i) -> const auto& { return names[i]; }, run);
    }
};

std::string Text(const unsigned char* bytes, const SmallFile& file) {
    return std::string(reinterpret_cast<const char*>(bytes), file.size);
}

// Every entry the check asks for gets its own file's bytes, or is left to the check: across the
// ring several times, with files read ahead, skipped, too big, gone, and a check that now keeps
// up with the reader and now lags behind it.
TEST(SmallFilePrefetch, EachEntryGetsItsOwnFileOrIsLeftToTheCheck) {
    Entries list;
    std::vector<std::string> contents;
    const std::string big(DigestBufferSize, 'b');
    for (std::size_t i = 0; i < 3 * Ahead + 7; ++i) {
        contents.push_back(std::string("file ").append(std::to_string(i)));
        const std::string name = std::string("f").append(std::to_string(i));
        switch (i % 11) {
        case 3: list.Add(name, &contents.back(), Plan::Skip); break;
        case 5: list.Add(name, &big, Plan::Read); break; // found big at its open
        case 7: list.Add(name, nullptr, Plan::Read); break; // gone by now
        case 9: list.Add(name, &contents.back(), Plan::Stop); break;
        default: list.Add(name, &contents.back(), Plan::Read);
        }
    }
    for (const int lag : {0, 1}) {
        RunState run;
        SmallFilePrefetch prefetch = list.Start(run);
        std::size_t wrong = 0, read = 0, refused = 0, unplanned = 0;
        for (std::size_t i = 0; i < list.plans.size(); ++i) {
            prefetch.Release(i);
            if (list.plans[i] == Plan::Skip)
                continue;
            if (lag && i % 50 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            SmallFile file;
            bool mine = false;
            const unsigned char* bytes = prefetch.Take(i, file, mine);
            const bool readable = i % 11 != 5 && i % 11 != 7; // a small file
            const bool planned = readable && list.plans[i] == Plan::Read;
            if (bytes) {
                ++read;
                wrong += !planned || Text(bytes, file) != contents[i];
            } else if (mine) { // the check reads it, as the reader would have
                std::vector<unsigned char> block(DigestBufferSize);
                const bool whole = ReadSmallFile(list.names[i], block.data(), file);
                wrong += whole != readable || (whole && Text(block.data(), file) != contents[i]);
            } else {
                // Refused: what it may not read whole, or the entry another thread was reading
                // when an earlier one was refused.
                refused += planned;
                unplanned += !planned;
            }
        }
        EXPECT_EQ(wrong, 0u) << "lag " << lag;
        EXPECT_LE(refused, unplanned) << "lag " << lag;
        if (lag) {
            EXPECT_GT(read, 0u) << "the reader read nothing while the check waited";
        }
    }
}

// A file is read moments before its turn: none after an entry the check reads itself before the
// check is past it, none more than Ahead entries past what the check is done with. A file
// rewritten before then is read as it is now.
TEST(SmallFilePrefetch, ReadsNothingFarBeforeItsTurn) {
    const std::string old = "old", now = "now", big(2 * DigestBufferSize, 'b');
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "after a big file" : "the ring");
        Entries list;
        const std::size_t watched = stop ? 3 : Ahead + 2;
        for (std::size_t i = 0; i <= watched; ++i)
            list.Add(std::string("f").append(std::to_string(i)), i == 1 && stop ? &big : &old,
                     i == 1 && stop ? Plan::Stop : Plan::Read);
        RunState run;
        SmallFilePrefetch prefetch = list.Start(run);
        SmallFile file;
        bool mine = false;
        prefetch.Release(0);
        prefetch.Take(0, file, mine);
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the reader goes on
        list.dir.Write(std::string("f").append(std::to_string(watched)), now);
        for (std::size_t i = 1; i <= watched; ++i) {
            prefetch.Release(i);
            const unsigned char* bytes = prefetch.Take(i, file, mine);
            if (i == watched && bytes) {
                EXPECT_EQ(Text(bytes, file), now);
            }
            if (i == 1 && stop) {
                EXPECT_EQ(bytes, nullptr);
            }
        }
    }
}

} // namespace
} // namespace quillon::test
