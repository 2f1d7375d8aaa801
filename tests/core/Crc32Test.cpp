#include "core/Crc32.h"
#include "core/Crc32Kernels.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

// The definition itself, one byte at a time: the oracle every faster routine must match.
std::uint32_t Reference(std::uint32_t crc, const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        crc = (crc >> 8) ^ Crc32Table[(crc ^ p[i]) & 0xFF];
    return crc;
}

using UpdateFn = std::function<std::uint32_t(std::uint32_t, const unsigned char*, std::size_t)>;

struct Routine {
    std::string name;
    UpdateFn update;
};

// Every kernel this processor runs, every level through UpdateCrc32At (a level it lacks must
// still give the right value), and the dispatched UpdateCrc32.
const std::vector<Routine>& Routines() {
    static const std::vector<Routine> routines = [] {
        std::vector<Routine> r;
        for (const CrcKernel& k : CrcKernels()) {
            if (!k.supported) {
                std::cout << "[   INFO   ] kernel " << k.name << " not supported here\n";
                continue;
            }
            r.push_back({std::string("kernel ") + k.name, k.update});
        }
        for (CrcLevel level :
             {CrcLevel::Table, CrcLevel::Slice16, CrcLevel::Pclmul, CrcLevel::Vpclmul}) {
            r.push_back({std::string("UpdateCrc32At ") + CrcLevelName(level),
                         [level](std::uint32_t crc, const unsigned char* p, std::size_t n) {
                             return UpdateCrc32At(level, crc, p, n);
                         }});
        }
        r.push_back({"UpdateCrc32", [](std::uint32_t crc, const unsigned char* p, std::size_t n) {
                         return UpdateCrc32(crc, p, static_cast<std::int32_t>(n));
                     }});
        return r;
    }();
    return routines;
}

std::vector<unsigned char> RandomData(std::size_t n, unsigned seed) {
    std::string s = test::RandomBytes(n, seed);
    return std::vector<unsigned char>(s.begin(), s.end());
}

// prefix[i]: the reference register after the first i bytes of data, starting from start.
std::vector<std::uint32_t> PrefixValues(const std::vector<unsigned char>& data,
                                        std::uint32_t start) {
    std::vector<std::uint32_t> prefix(data.size() + 1);
    prefix[0] = start;
    for (std::size_t i = 0; i < data.size(); ++i)
        prefix[i + 1] = Reference(prefix[i], &data[i], 1);
    return prefix;
}

TEST(Crc32Table, IsTheBitwiseDivisionByThePolynomial) {
    EXPECT_EQ(Crc32Table[1], 0x77073096u);
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0);
        EXPECT_EQ(Crc32Table[i], c) << "entry " << i;
    }
}

TEST(Crc32, CheckValues) {
    struct Case {
        const char* text;
        std::uint32_t crc;
    } cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {"abc", 0x352441C2u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& r : Routines()) {
        for (const auto& c : cases) {
            auto p = reinterpret_cast<const unsigned char*>(c.text);
            EXPECT_EQ(~r.update(0xFFFFFFFFu, p, std::strlen(c.text)), c.crc)
                << r.name << " of '" << c.text << "'";
        }
    }
}

TEST(Crc32, CountOfZeroOrLessLeavesTheValue) {
    const std::int32_t counts[] = {0, -1, -65536, INT_MIN};
    for (std::int32_t count : counts) {
        // A null buffer: nothing may be read when there is nothing to fold.
        EXPECT_EQ(UpdateCrc32(0x12345678u, nullptr, count), 0x12345678u) << count;
        EXPECT_EQ(UpdateCrc32(0u, nullptr, count), 0u) << count;
    }
    for (const auto& r : Routines())
        EXPECT_EQ(r.update(0xDEADBEEFu, nullptr, 0), 0xDEADBEEFu) << r.name;
}

// Every length up to 4096 covers each routine's short-input fallback, the thresholds where the
// wider routines take over (64, 1024, 2048 bytes) and the tails after each round.
TEST(Crc32, EveryLengthUpTo4096) {
    const auto data = RandomData(4096, 1);
    for (std::uint32_t start : {0xFFFFFFFFu, 0u, 0x9E3779B9u}) {
        const auto prefix = PrefixValues(data, start);
        for (const auto& r : Routines()) {
            int failures = 0;
            for (std::size_t n = 0; n <= data.size() && failures < 5; ++n) {
                std::uint32_t got = r.update(start, data.data(), n);
                if (got != prefix[n]) {
                    ++failures;
                    ADD_FAILURE() << r.name << " length " << n << " start " << std::hex << start
                                  << ": " << got << " != " << prefix[n];
                }
            }
        }
    }
}

// The file digests feed 64 KiB blocks; the lengths around them reach every round count and tail.
TEST(Crc32, LengthsAroundMultiplesOf64KiB) {
    constexpr std::size_t Block = 65536;
    const auto data = RandomData(4 * Block + 64, 2);
    const auto prefix = PrefixValues(data, 0xFFFFFFFFu);
    std::vector<std::size_t> lengths;
    for (std::size_t m = 1; m <= 4; ++m)
        for (int d = -64; d <= 64; ++d)
            lengths.push_back(m * Block + static_cast<std::size_t>(d));
    std::mt19937 gen(3);
    for (int i = 0; i < 100; ++i)
        lengths.push_back(4096 + gen() % (Block - 4096));
    for (const auto& r : Routines()) {
        int failures = 0;
        for (std::size_t n : lengths) {
            std::uint32_t got = r.update(0xFFFFFFFFu, data.data(), n);
            if (got != prefix[n] && ++failures <= 5)
                ADD_FAILURE() << r.name << " length " << n;
        }
    }
}

TEST(Crc32, EveryAlignment) {
    const std::size_t lengths[] = {1,    3,    15,   16,   17,   63,   64,   65,        127,
                                   128,  129,  511,  512,  513,  1023, 1024, 1025,      1087,
                                   2047, 2048, 2049, 2111, 3000, 4159, 8191, 65536 + 13};
    const std::size_t longest = 65536 + 13;
    // A buffer whose start is known to sit on a 64-byte boundary.
    std::vector<unsigned char> storage(longest + 128);
    const auto raw = reinterpret_cast<std::uintptr_t>(storage.data());
    unsigned char* base = storage.data() + ((64 - raw % 64) % 64);
    const auto data = RandomData(longest + 64, 4);
    std::memcpy(base, data.data(), longest + 64);
    for (std::size_t offset = 0; offset < 64; ++offset) {
        for (std::size_t n : lengths) {
            const std::uint32_t start = static_cast<std::uint32_t>(0xA5A5A5A5u * (offset + 1));
            const std::uint32_t expected = Reference(start, base + offset, n);
            for (const auto& r : Routines())
                ASSERT_EQ(r.update(start, base + offset, n), expected)
                    << r.name << " offset " << offset << " length " << n;
        }
    }
}

// Data that ends exactly where its allocation ends: a routine that reads a whole vector past the
// last byte shows up under the address sanitizer.
TEST(Crc32, ReadsNothingPastTheEnd) {
    const auto data = RandomData(5000, 5);
    for (std::size_t n : {1u, 17u, 63u, 100u, 1040u, 2100u, 4999u}) {
        auto exact = std::make_unique<unsigned char[]>(n);
        std::memcpy(exact.get(), data.data(), n);
        const std::uint32_t expected = Reference(0xFFFFFFFFu, exact.get(), n);
        for (const auto& r : Routines())
            EXPECT_EQ(r.update(0xFFFFFFFFu, exact.get(), n), expected) << r.name << " " << n;
    }
}

// Splitting a buffer anywhere and carrying the register from piece to piece gives the value of
// the whole, also when each piece goes through a different routine.
TEST(Crc32, ChainingAcrossPiecesAndRoutines) {
    const auto data = RandomData(300000, 6);
    const std::uint32_t whole = Reference(0xFFFFFFFFu, data.data(), data.size());
    const auto& routines = Routines();
    std::mt19937 gen(7);
    for (int trial = 0; trial < 60; ++trial) {
        const bool mixed = trial % 2 == 1;
        const std::size_t fixed = static_cast<std::size_t>(trial / 2) % routines.size();
        std::uint32_t crc = 0xFFFFFFFFu;
        std::size_t pos = 0;
        std::string trace;
        while (pos < data.size()) {
            // Mostly short pieces, some long ones, some empty.
            std::size_t want;
            switch (gen() % 4) {
            case 0:
                want = 0;
                break;
            case 1:
                want = gen() % 100;
                break;
            case 2:
                want = gen() % 5000;
                break;
            default:
                want = gen() % 140000;
                break;
            }
            const std::size_t n = std::min(want, data.size() - pos);
            const std::size_t which = mixed ? gen() % routines.size() : fixed;
            crc = routines[which].update(crc, data.data() + pos, n);
            trace += routines[which].name + ":" + std::to_string(n) + " ";
            pos += n;
        }
        ASSERT_EQ(crc, whole) << "pieces " << trace;
    }
}

} // namespace
} // namespace quillon
