#include "core/Crc32.h"
#include "core/Crc32Kernels.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

namespace quillon {
namespace {

// zlib's crc32() inverts on the way in and out; the kernels fold the bare register.
std::uint32_t Zlib(std::uint32_t finished, const unsigned char* p, std::size_t n) {
    return static_cast<std::uint32_t>(crc32_z(finished, p, n));
}

TEST(Crc32Zlib, EveryKernelMatchesZlib) {
    const std::string bytes = test::RandomBytes(4 * 65536 + 256, 21);
    std::vector<unsigned char> storage(bytes.size() + 64);
    const auto raw = reinterpret_cast<std::uintptr_t>(storage.data());
    unsigned char* base = storage.data() + ((64 - raw % 64) % 64);
    std::memcpy(base, bytes.data(), bytes.size());

    struct Case {
        std::size_t offset, length;
    };
    std::vector<Case> cases;
    for (std::size_t n = 0; n <= 2200; ++n)
        cases.push_back({n % 64, n});
    for (std::size_t m = 1; m <= 4; ++m)
        for (std::size_t d : {1u, 2u, 15u, 16u, 17u, 63u, 64u})
            for (std::size_t offset : {0u, 1u, 31u, 63u}) {
                cases.push_back({offset, m * 65536 - d});
                cases.push_back({offset, m * 65536 + d - 64});
            }
    std::mt19937 gen(22);
    for (int i = 0; i < 200; ++i)
        cases.push_back({gen() % 64, gen() % (4 * 65536)});

    for (const CrcKernel& k : CrcKernels()) {
        if (!k.supported) {
            test::KernelSkipped("crc32", k.name); // not passed over unseen
            continue;
        }
        int failures = 0;
        for (const Case& c : cases) {
            const unsigned char* p = base + c.offset;
            std::uint32_t want = Zlib(0, p, c.length);
            std::uint32_t got = ~k.update(0xFFFFFFFFu, p, c.length);
            if (got != want && ++failures <= 5)
                ADD_FAILURE() << k.name << " offset " << c.offset << " length " << c.length;
        }
    }
}

// A finished value carried on to more data, as zlib's crc32(previous, ...) does.
TEST(Crc32Zlib, ChainedFromFinishedValues) {
    const std::string bytes = test::RandomBytes(200000, 23);
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::mt19937 gen(24);
    for (const CrcKernel& k : CrcKernels()) {
        if (!k.supported) {
            test::KernelSkipped("crc32", k.name); // not passed over unseen
            continue;
        }
        for (int trial = 0; trial < 20; ++trial) {
            std::uint32_t mine = 0, theirs = 0;
            std::size_t pos = 0;
            while (pos < bytes.size()) {
                std::size_t n = std::min<std::size_t>(gen() % 70000, bytes.size() - pos);
                mine = ~k.update(~mine, p + pos, n);
                theirs = Zlib(theirs, p + pos, n);
                ASSERT_EQ(mine, theirs) << k.name << " at " << pos << " length " << n;
                pos += n;
            }
        }
    }
}

} // namespace
} // namespace quillon
