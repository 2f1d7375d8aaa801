#include "core/Crc32.h"
#include "core/Crc32Kernels.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
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
    std::string name;   // a test name
    std::string kernel; // as the kernel log knows it; empty for the dispatched entry
    bool supported;
    UpdateFn update;
};

void PrintTo(const Routine& r, std::ostream* os) {
    *os << r.name;
}

// Every kernel, every level through UpdateCrc32At, and the dispatched UpdateCrc32.
std::vector<Routine> AllRoutines() {
    std::vector<Routine> r;
    for (const CrcKernel& k : CrcKernels())
        r.push_back({std::string("Kernel") + k.name, k.name, k.supported, k.update});
    for (CrcLevel level :
         {CrcLevel::Table, CrcLevel::Slice16, CrcLevel::Pclmul, CrcLevel::Vpclmul}) {
        r.push_back({std::string("Level") + CrcLevelName(level), CrcLevelName(level),
                     CrcLevelSupported(level),
                     [level](std::uint32_t crc, const unsigned char* p, std::size_t n) {
                         return UpdateCrc32At(level, crc, p, n);
                     }});
    }
    r.push_back(
        {"UpdateCrc32", "", true, [](std::uint32_t crc, const unsigned char* p, std::size_t n) {
             return UpdateCrc32(crc, p, static_cast<std::int32_t>(n));
         }});
    return r;
}

std::vector<Routine> SupportedRoutines() {
    std::vector<Routine> r = AllRoutines();
    std::erase_if(r, [](const Routine& x) { return !x.supported; });
    return r;
}

// One routine per instance; one the processor lacks is skipped, not passed.
class Crc32Routine : public ::testing::TestWithParam<Routine> {
protected:
    void SetUp() override {
        const Routine& r = GetParam();
        if (!r.supported) {
            test::KernelSkipped("crc32", r.kernel);
            GTEST_SKIP() << r.name << " not supported here";
        }
        if (!r.kernel.empty())
            test::KernelRan("crc32", r.kernel);
    }
    static std::uint32_t Update(std::uint32_t crc, const unsigned char* p, std::size_t n) {
        return GetParam().update(crc, p, n);
    }
};

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

TEST_P(Crc32Routine, CheckValues) {
    struct Case {
        const char* text;
        std::uint32_t crc;
    } cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {"abc", 0x352441C2u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& c : cases) {
        auto p = reinterpret_cast<const unsigned char*>(c.text);
        EXPECT_EQ(~Update(0xFFFFFFFFu, p, std::strlen(c.text)), c.crc) << "'" << c.text << "'";
    }
    // A null buffer: nothing may be read when there is nothing to fold.
    EXPECT_EQ(Update(0xDEADBEEFu, nullptr, 0), 0xDEADBEEFu);
}

TEST(Crc32, CountOfZeroOrLessLeavesTheValue) {
    const std::int32_t counts[] = {0, -1, -65536, INT_MIN};
    for (std::int32_t count : counts) {
        // A null buffer: nothing may be read when there is nothing to fold.
        EXPECT_EQ(UpdateCrc32(0x12345678u, nullptr, count), 0x12345678u) << count;
        EXPECT_EQ(UpdateCrc32(0u, nullptr, count), 0u) << count;
    }
}

// Every length up to 4096 covers each routine's short-input fallback, the thresholds where the
// wider routines take over (64, 1024, 2048 bytes) and the tails after each round.
TEST_P(Crc32Routine, EveryLengthUpTo4096) {
    const auto data = RandomData(4096, 1);
    for (std::uint32_t start : {0xFFFFFFFFu, 0u, 0x9E3779B9u}) {
        const auto prefix = PrefixValues(data, start);
        int failures = 0;
        for (std::size_t n = 0; n <= data.size() && failures < 5; ++n) {
            std::uint32_t got = Update(start, data.data(), n);
            if (got != prefix[n]) {
                ++failures;
                ADD_FAILURE() << "length " << n << " start " << std::hex << start << ": " << got
                              << " != " << prefix[n];
            }
        }
    }
}

// The file digests feed 64 KiB blocks; the lengths around them reach every round count and tail.
TEST_P(Crc32Routine, LengthsAroundMultiplesOf64KiB) {
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
    int failures = 0;
    for (std::size_t n : lengths) {
        std::uint32_t got = Update(0xFFFFFFFFu, data.data(), n);
        if (got != prefix[n] && ++failures <= 5)
            ADD_FAILURE() << "length " << n;
    }
}

TEST_P(Crc32Routine, EveryAlignment) {
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
            ASSERT_EQ(Update(start, base + offset, n), Reference(start, base + offset, n))
                << "offset " << offset << " length " << n;
        }
    }
}

// Data that ends exactly where its allocation ends: a routine that reads a whole vector past the
// last byte shows up under the address sanitizer.
TEST_P(Crc32Routine, ReadsNothingPastTheEnd) {
    const auto data = RandomData(5000, 5);
    for (std::size_t n : {1u, 17u, 63u, 100u, 1040u, 2100u, 4999u}) {
        auto exact = std::make_unique<unsigned char[]>(n);
        std::memcpy(exact.get(), data.data(), n);
        EXPECT_EQ(Update(0xFFFFFFFFu, exact.get(), n), Reference(0xFFFFFFFFu, exact.get(), n)) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Routines, Crc32Routine, ::testing::ValuesIn(AllRoutines()),
                         [](const auto& info) { return info.param.name; });

// The register carried from piece to piece when each piece goes through a different routine.
TEST(Crc32, ChainingAcrossRoutines) {
    const auto data = RandomData(300000, 6);
    const std::uint32_t whole = Reference(0xFFFFFFFFu, data.data(), data.size());
    const auto routines = SupportedRoutines();
    std::mt19937 gen(7);
    for (int trial = 0; trial < 30; ++trial) {
        std::uint32_t crc = 0xFFFFFFFFu;
        std::size_t pos = 0;
        std::string trace;
        while (pos < data.size()) {
            // Mostly short pieces, some long ones, some empty.
            const std::size_t limits[] = {1, 100, 5000, 140000};
            const std::size_t n = std::min(gen() % limits[gen() % 4], data.size() - pos);
            const Routine& r = routines[gen() % routines.size()];
            crc = r.update(crc, data.data() + pos, n);
            trace += r.name + ":" + std::to_string(n) + " ";
            pos += n;
        }
        ASSERT_EQ(crc, whole) << "pieces " << trace;
    }
}

// A level the processor lacks must not fault: the best one there is stands in.
TEST(Crc32, LevelTheProcessorLacksGivesTheSameValue) {
    const auto data = RandomData(5000, 8);
    int lacking = 0;
    for (CrcLevel level : {CrcLevel::Pclmul, CrcLevel::Vpclmul}) {
        if (CrcLevelSupported(level))
            continue;
        ++lacking;
        EXPECT_EQ(UpdateCrc32At(level, 0xFFFFFFFFu, data.data(), data.size()),
                  Reference(0xFFFFFFFFu, data.data(), data.size()))
            << CrcLevelName(level);
    }
    if (lacking == 0)
        GTEST_SKIP() << "every level runs here";
}

} // namespace
} // namespace quillon
