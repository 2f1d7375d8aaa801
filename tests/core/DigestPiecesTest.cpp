// Feeding a buffer in pieces of any size gives the digest of the whole, on every kernel: the
// pieces cross each kernel's own boundaries (the 64-byte block, MD5's 16 KiB feeding piece, the
// 64 KiB file block) at random places.
#include "core/Crc32.h"
#include "core/Crc32Kernels.h"
#include "core/FileDigest.h"
#include "core/MD5.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

// The lengths where a kernel changes what it does, each of them a whole length and a piece.
constexpr std::size_t Edges[] = {0,     1,     63,    64,    65,     16383, 16384,
                                 16385, 65535, 65536, 65537, 131072, 131073};

// Whole lengths: every edge, and random ones up to 300 KB.
std::vector<std::size_t> WholeLengths() {
    std::vector<std::size_t> lengths(std::begin(Edges), std::end(Edges));
    std::mt19937 gen(61);
    for (int i = 0; i < 6; ++i)
        lengths.push_back(gen() % 300000);
    return lengths;
}

// A random split of length bytes: edge-sized pieces, short ones, long ones.
std::vector<std::size_t> Pieces(std::size_t length, std::mt19937& gen) {
    std::vector<std::size_t> pieces;
    for (std::size_t left = length; left != 0;) {
        std::size_t n;
        switch (gen() % 4) {
        case 0:
            n = Edges[gen() % std::size(Edges)];
            break;
        case 1:
            n = gen() % 200;
            break;
        case 2:
            n = gen() % 20000;
            break;
        default:
            n = gen() % 140000;
            break;
        }
        n = std::min(n, left);
        pieces.push_back(n);
        left -= n;
    }
    return pieces;
}

std::string Describe(const std::vector<std::size_t>& pieces) {
    std::string s;
    for (std::size_t n : pieces)
        s += std::to_string(n) + " ";
    return s;
}

constexpr int SplitsPerLength = 12;

using CrcUpdate = std::function<std::uint32_t(std::uint32_t, const unsigned char*, std::size_t)>;

struct CrcRoutine {
    std::string name;
    bool supported;
    CrcUpdate update;
};

void PrintTo(const CrcRoutine& r, std::ostream* os) {
    *os << r.name;
}

// Every level through UpdateCrc32At, and the kernels no level stands for.
std::vector<CrcRoutine> CrcRoutines() {
    std::vector<CrcRoutine> r;
    for (CrcLevel level :
         {CrcLevel::Table, CrcLevel::Slice16, CrcLevel::Pclmul, CrcLevel::Vpclmul}) {
        r.push_back({CrcLevelName(level), CrcLevelSupported(level),
                     [level](std::uint32_t crc, const unsigned char* p, std::size_t n) {
                         return UpdateCrc32At(level, crc, p, n);
                     }});
    }
    for (const CrcKernel& k : CrcKernels()) {
        const bool level =
            std::any_of(r.begin(), r.end(), [&](const CrcRoutine& x) { return x.name == k.name; });
        if (!level)
            r.push_back({k.name, k.supported, k.update});
    }
    return r;
}

class CrcPieces : public ::testing::TestWithParam<CrcRoutine> {
protected:
    void SetUp() override {
        if (!GetParam().supported) {
            test::KernelSkipped("crc32", GetParam().name);
            GTEST_SKIP() << GetParam().name << " not supported here";
        }
        test::KernelRan("crc32", GetParam().name);
    }
};

TEST_P(CrcPieces, GiveTheValueOfTheWhole) {
    const std::string bytes = test::RandomBytes(300000, 62);
    const auto data = reinterpret_cast<const unsigned char*>(bytes.data());
    const CrcUpdate& update = GetParam().update;
    std::mt19937 gen(63);
    for (std::size_t length : WholeLengths()) {
        const std::uint32_t whole = update(0xFFFFFFFFu, data, length);
        for (int split = 0; split < SplitsPerLength; ++split) {
            const auto pieces = Pieces(length, gen);
            std::uint32_t crc = 0xFFFFFFFFu;
            std::size_t pos = 0;
            for (std::size_t n : pieces) {
                crc = update(crc, data + pos, n);
                pos += n;
            }
            ASSERT_EQ(crc, whole) << length << " bytes as " << Describe(pieces);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, CrcPieces, ::testing::ValuesIn(CrcRoutines()),
                         [](const auto& info) { return info.param.name; });

class Md5Pieces : public ::testing::TestWithParam<Md5Path> {
protected:
    void SetUp() override {
        if (!Md5PathSupported(GetParam())) {
            test::KernelSkipped("md5", Md5PathName(GetParam()));
            GTEST_SKIP() << Md5PathName(GetParam()) << " not supported here";
        }
        test::KernelRan("md5", Md5PathName(GetParam()));
        before_ = SelectMd5Path(GetParam());
        selected_ = true;
    }
    void TearDown() override {
        if (selected_)
            SelectMd5Path(before_);
    }

private:
    Md5Path before_ = Md5Path::Scalar;
    bool selected_ = false;
};

std::string Digest(TMD5Context& context) {
    unsigned char digest[16];
    MD5Final(digest, context);
    return Md5Text(digest);
}

// Each piece through MD5Update where its count fits, else through MD5UpdateBuffer; either at
// random where both take it.
TEST_P(Md5Pieces, GiveTheDigestOfTheWhole) {
    ASSERT_EQ(ActiveMd5Path(), GetParam());
    const std::string data = test::RandomBytes(300000, 64);
    std::mt19937 gen(65);
    for (std::size_t length : WholeLengths()) {
        TMD5Context context;
        MD5Init(context);
        MD5UpdateBuffer(context, data.data(), length);
        const std::string whole = Digest(context);
        for (int split = 0; split < SplitsPerLength; ++split) {
            const auto pieces = Pieces(length, gen);
            MD5Init(context);
            std::size_t pos = 0;
            for (std::size_t n : pieces) {
                if (n <= MD5MaxUpdate && gen() % 2 == 0)
                    MD5Update(context, data.data() + pos, static_cast<std::uint32_t>(n));
                else
                    MD5UpdateBuffer(context, data.data() + pos, n);
                pos += n;
            }
            ASSERT_EQ(Digest(context), whole) << length << " bytes as " << Describe(pieces);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Md5Pieces, ::testing::Values(Md5Path::Scalar, Md5Path::Avx512),
                         [](const auto& info) { return std::string(Md5PathName(info.param)); });

} // namespace
} // namespace quillon
