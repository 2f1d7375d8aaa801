#include "core/MD5.h"
#include "core/FileDigest.h"
#include "core/MD5Many.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

// A plain textbook MD5 (constants from the sine, the loop form of the rounds, padding built as a
// whole message): an oracle that shares nothing with the unrolled production code.
std::string TextbookMd5(const std::string& message) {
    static const std::array<std::uint32_t, 64> K = [] {
        std::array<std::uint32_t, 64> k{};
        for (int i = 0; i < 64; ++i)
            k[i] =
                static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
        return k;
    }();
    static const int S[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                              5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                              4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                              6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    std::string m = message;
    const std::uint64_t bits = static_cast<std::uint64_t>(message.size()) * 8;
    m.push_back(static_cast<char>(0x80));
    while (m.size() % 64 != 56)
        m.push_back('\0');
    for (int i = 0; i < 8; ++i)
        m.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t off = 0; off < m.size(); off += 64) {
        std::uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int b = 0; b < 4; ++b)
                w[i] |= static_cast<std::uint32_t>(static_cast<unsigned char>(m[off + 4 * i + b]))
                        << (8 * b);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const std::uint32_t sum = a + f + K[i] + w[g];
            a = d;
            d = c;
            c = b;
            b = b + ((sum << S[i]) | (sum >> (32 - S[i])));
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    unsigned char digest[16];
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>(h[i / 4] >> (8 * (i % 4)));
    return Md5Text(digest);
}

std::string Finish(TMD5Context& context) {
    unsigned char digest[16];
    MD5Final(digest, context);
    return Md5Text(digest);
}

std::string WholeMd5(const std::string& data) {
    TMD5Context context;
    MD5Init(context);
    MD5UpdateBuffer(context, data.data(), data.size());
    return Finish(context);
}

// Every supported block path in turn; the path chosen before comes back afterwards.
class MD5Test : public ::testing::TestWithParam<Md5Path> {
protected:
    void SetUp() override {
        if (!Md5PathSupported(GetParam())) {
            test::KernelSkipped("md5", Md5PathName(GetParam()));
            if (GetParam() == Md5Path::Avx512)
                test::KernelSkipped("md5", "many-avx512");
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

TEST(MD5Textbook, MatchesTheRfcVectors) {
    // The oracle is only worth something if it is right itself.
    EXPECT_EQ(TextbookMd5(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(TextbookMd5("abc"), "900150983CD24FB0D6963F7D28E17F72");
}

TEST_P(MD5Test, RfcVectors) {
    EXPECT_EQ(ActiveMd5Path(), GetParam());
    struct Case {
        const char* text;
        const char* md5;
    } cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WholeMd5(c.text), c.md5) << "'" << c.text << "'";
}

// Message lengths around the padding boundaries (55 bytes fit one final block, 56 need two) and
// every count of buffered bytes.
TEST_P(MD5Test, EveryLengthUpTo200MatchesTheTextbook) {
    const std::string data = test::RandomBytes(200, 41);
    for (std::size_t n = 0; n <= data.size(); ++n) {
        const std::string part = data.substr(0, n);
        ASSERT_EQ(WholeMd5(part), TextbookMd5(part)) << "length " << n;
    }
}

TEST_P(MD5Test, LongerInputsMatchTheTextbook) {
    std::mt19937 gen(42);
    for (std::size_t n : {1000u, 16383u, 16384u, 16385u, 65535u, 65536u, 65599u, 200000u}) {
        const std::string data = test::RandomBytes(n, gen());
        EXPECT_EQ(WholeMd5(data), TextbookMd5(data)) << "length " << n;
    }
    EXPECT_EQ(WholeMd5(std::string(1000000, 'a')), "7707D6AE4E027C70EEA2A935C2296F21");
}

// Whatever the pieces (each MD5Update call within its limit, or MD5UpdateBuffer of any size),
// the digest is that of the whole.
TEST_P(MD5Test, PiecesGiveTheDigestOfTheWhole) {
    const std::string data = test::RandomBytes(400000, 43);
    const std::string whole = TextbookMd5(data);
    std::mt19937 gen(44);
    for (int trial = 0; trial < 40; ++trial) {
        const bool viaBuffer = trial % 2 == 1;
        TMD5Context context;
        MD5Init(context);
        std::size_t pos = 0;
        while (pos < data.size()) {
            std::size_t want;
            switch (gen() % 4) {
            case 0:
                want = gen() % 2;
                break;
            case 1:
                want = gen() % 130;
                break;
            case 2:
                want = gen() % 20000;
                break;
            default:
                want = viaBuffer ? gen() % 200000 : MD5MaxUpdate - gen() % 3;
                break;
            }
            const std::size_t n = std::min(want, data.size() - pos);
            if (viaBuffer)
                MD5UpdateBuffer(context, data.data() + pos, n);
            else
                MD5Update(context, data.data() + pos, static_cast<std::uint32_t>(n));
            pos += n;
        }
        ASSERT_EQ(Finish(context), whole)
            << (viaBuffer ? "MD5UpdateBuffer" : "MD5Update") << " trial " << trial;
    }
}

TEST_P(MD5Test, FinalClearsTheWholeContext) {
    TMD5Context zero;
    std::memset(&zero, 0, sizeof zero);
    const std::string data = test::RandomBytes(200, 45);
    for (std::size_t n : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 200u}) {
        TMD5Context context;
        MD5Init(context);
        MD5Update(context, data.data(), static_cast<std::uint32_t>(n));
        unsigned char digest[16];
        MD5Final(digest, context);
        EXPECT_EQ(std::memcmp(&context, &zero, sizeof context), 0) << "after " << n << " bytes";
    }
}

// The bit count is 64 bits wide in two words: its low word must carry into the high one.
TEST_P(MD5Test, BitCountCarriesIntoTheHighWord) {
    TMD5Context context;
    MD5Init(context);
    context.Count[0] = 0xFFFFFE00u;
    const std::string data = test::RandomBytes(100, 46);
    MD5Update(context, data.data(), 100);
    EXPECT_EQ(context.Count[0], 0xFFFFFE00u + 800u);
    EXPECT_EQ(context.Count[1], 1u);
}

// Messages side by side: lanes of every length around the padding edges, lanes that end blocks
// apart, and counts that leave lanes unused or spill into a second group.
TEST_P(MD5Test, ManyMessagesMatchOneByOne) {
    if (GetParam() == Md5Path::Avx512)
        test::KernelRan("md5", "many-avx512");
    const std::string data = test::RandomBytes(9000 + 64, 49);
    std::mt19937 gen(50);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 200; ++n)
        lengths.push_back(n);
    for (int i = 0; i < 300; ++i)
        lengths.push_back(gen() % 9000);
    for (std::size_t n : {4095u, 4096u, 4097u, 8191u, 8192u})
        lengths.push_back(n);
    for (const std::size_t group : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{15},
                                    std::size_t{16}, std::size_t{17}, std::size_t{33}}) {
        for (std::size_t start = 0; start + group <= lengths.size(); start += group ? group : 1) {
            std::vector<const unsigned char*> messages;
            for (std::size_t i = 0; i < group; ++i)
                messages.push_back(reinterpret_cast<const unsigned char*>(data.data()) +
                                   (start + i) % 64);
            std::unique_ptr<unsigned char[][16]> digests(new unsigned char[group][16]);
            MD5Many(GetParam(), messages.data(), lengths.data() + start, group, digests.get());
            for (std::size_t i = 0; i < group; ++i) {
                const std::size_t n = lengths[start + i];
                ASSERT_EQ(Md5Text(digests[i]), WholeMd5(data.substr((start + i) % 64, n)))
                    << "group " << group << ", lane " << i << ", " << n << " bytes";
            }
            if (group == 0)
                break;
        }
    }
}

// The default entry splits each group of sixteen between the lanes and one-by-one by cost: a
// long message anywhere among short ones goes alone, even messages stay together, and the
// digests must land in their own places either way.
TEST(MD5Many, UnevenGroupsMatchOneByOne) {
    const std::string data = test::RandomBytes(70000, 51);
    std::mt19937 gen(52);
    std::vector<std::vector<std::size_t>> groups;
    for (const std::size_t count : {2u, 3u, 5u, 16u, 17u, 40u}) {
        for (std::size_t longAt = 0; longAt<count; longAt += count> 5 ? 7 : 1) {
            std::vector<std::size_t> lengths(count);
            for (std::size_t& n : lengths)
                n = gen() % 200;
            lengths[longAt] = 60000 + gen() % 5000;
            // A second long one, and a middling one, in some groups.
            if (count > 3)
                lengths[(longAt + 2) % count] = 50000 + gen() % 5000;
            if (count > 5)
                lengths[(longAt + 3) % count] = 8000 + gen() % 1000;
            groups.push_back(lengths);
        }
        groups.push_back(std::vector<std::size_t>(count, 4096));
    }
    for (const auto& lengths : groups) {
        std::vector<const unsigned char*> messages;
        for (std::size_t i = 0; i < lengths.size(); ++i)
            messages.push_back(reinterpret_cast<const unsigned char*>(data.data()) + i % 64);
        std::unique_ptr<unsigned char[][16]> digests(new unsigned char[lengths.size()][16]);
        MD5Many(messages.data(), lengths.data(), lengths.size(), digests.get());
        for (std::size_t i = 0; i < lengths.size(); ++i)
            ASSERT_EQ(Md5Text(digests[i]), WholeMd5(data.substr(i % 64, lengths[i])))
                << "message " << i << " of " << lengths.size() << ", " << lengths[i] << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, MD5Test, ::testing::Values(Md5Path::Scalar, Md5Path::Avx512),
                         [](const auto& info) { return std::string(Md5PathName(info.param)); });

// Each block routine on its own, from arbitrary chaining values: all paths agree with the scalar
// one, which the vectors above pin.
TEST(MD5Blocks, EveryPathAgreesWithScalar) {
    if (!Md5PathSupported(Md5Path::Avx512)) {
        test::KernelSkipped("md5", "Avx512");
        GTEST_SKIP() << "only the scalar path here";
    }
    const std::string blocks = test::RandomBytes(64 * 40, 47);
    std::mt19937 gen(48);
    for (std::size_t count = 0; count <= 40; ++count) {
        std::uint32_t scalar[4], wide[4];
        for (int i = 0; i < 4; ++i)
            scalar[i] = wide[i] = gen();
        MD5Blocks(Md5Path::Scalar, scalar, blocks.data(), count);
        MD5Blocks(Md5Path::Avx512, wide, blocks.data(), count);
        EXPECT_EQ(std::memcmp(scalar, wide, sizeof scalar), 0) << count << " blocks";
    }
}

TEST(MD5Paths, SelectReturnsThePathUsedBefore) {
    const Md5Path before = SelectMd5Path(Md5Path::Avx512);
    const Md5Path active = ActiveMd5Path();
    EXPECT_TRUE(Md5PathSupported(active));
    EXPECT_EQ(WholeMd5("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(SelectMd5Path(before), active);
    EXPECT_EQ(ActiveMd5Path(), before);
}

} // namespace
} // namespace quillon
