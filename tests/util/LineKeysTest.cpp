#include "util/LineKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

// Every key lands at its own line whatever thread made it: runs cut at any line, keys made in
// the scratch strings (grown, shrunk) or taken from elsewhere, empty ones among them.
TEST(LineKeys, EachLineGetsItsOwnKeyOnAnyNumberOfThreads) {
    constexpr std::size_t Run = LineKeys::LinesPerRun;
    const std::string fixed = "a key that lives elsewhere";
    auto expected = [&](std::size_t i) {
        switch (i % 4) {
        case 0:
            return std::string();
        case 1:
            return fixed;
        case 2:
            return std::string(i % 37, 'x') + std::to_string(i);
        default:
            return std::to_string(i) + std::string(1, '\0') + "tail";
        }
    };
    for (const std::size_t count : {std::size_t{0}, std::size_t{1}, Run - 1, Run, 3 * Run + 5}) {
        for (const std::size_t threads : {1u, 2u, 4u}) {
            const LineKeys keys(
                count, threads,
                [&](std::size_t i, std::string& key, std::string& more) -> std::string_view {
                    if (i % 4 == 1)
                        return fixed;
                    more = expected(i);
                    key.assign(more);
                    return key;
                });
            std::size_t wrong = 0;
            for (std::size_t i = 0; i < count; ++i)
                wrong +=
                    keys.Key(i) != expected(i) || keys.HashOf(i) != LineKeys::Hash(expected(i));
            EXPECT_EQ(wrong, 0u) << count << " lines on " << threads << " threads";
        }
    }
}

} // namespace
} // namespace quillon
