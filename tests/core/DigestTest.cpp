#include "core/Digest.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

// One kind on one of its paths: selecting it makes the kind's routines use it process-wide.
struct KindPath {
    DigestKind kind;
    int path;
};

const char* PathName(const KindPath& p) {
    switch (p.kind) {
    case DigestKind::Sha1:
        return Sha1PathName(static_cast<Sha1Path>(p.path));
    case DigestKind::Sha256:
        return Sha256PathName(static_cast<Sha256Path>(p.path));
    case DigestKind::Sha512:
        return Sha512PathName(static_cast<Sha512Path>(p.path));
    default:
        return Blake3PathName(static_cast<Blake3Path>(p.path));
    }
}

bool Supported(const KindPath& p) {
    switch (p.kind) {
    case DigestKind::Sha1:
        return Sha1PathSupported(static_cast<Sha1Path>(p.path));
    case DigestKind::Sha256:
        return Sha256PathSupported(static_cast<Sha256Path>(p.path));
    case DigestKind::Sha512:
        return Sha512PathSupported(static_cast<Sha512Path>(p.path));
    default:
        return Blake3PathSupported(static_cast<Blake3Path>(p.path));
    }
}

// Selects a path and returns the one active before.
int Select(DigestKind kind, int path) {
    switch (kind) {
    case DigestKind::Sha1:
        return static_cast<int>(SelectSha1Path(static_cast<Sha1Path>(path)));
    case DigestKind::Sha256:
        return static_cast<int>(SelectSha256Path(static_cast<Sha256Path>(path)));
    case DigestKind::Sha512:
        return static_cast<int>(SelectSha512Path(static_cast<Sha512Path>(path)));
    default:
        return static_cast<int>(SelectBlake3Path(static_cast<Blake3Path>(path)));
    }
}

std::vector<KindPath> AllPaths() {
    std::vector<KindPath> all;
    for (int p = 0; p < 2; ++p)
        all.push_back({DigestKind::Sha1, p});
    for (int p = 0; p < 2; ++p)
        all.push_back({DigestKind::Sha256, p});
    for (int p = 0; p < 3; ++p)
        all.push_back({DigestKind::Sha512, p});
    for (int p = 0; p < 4; ++p)
        all.push_back({DigestKind::Blake3, p});
    return all;
}

std::string Hash(DigestKind kind, std::string_view data) {
    Hasher h(kind);
    h.Update(data.data(), data.size());
    return h.FinalText();
}

// Every kind on every path the processor has; the ones it lacks are logged as skipped.
class DigestPaths : public ::testing::TestWithParam<KindPath> {
protected:
    void SetUp() override {
        const KindPath p = GetParam();
        if (!Supported(p)) {
            test::KernelSkipped(DigestKindName(p.kind), PathName(p));
            GTEST_SKIP() << PathName(p) << " not supported here";
        }
        test::KernelRan(DigestKindName(p.kind), PathName(p));
        before_ = Select(p.kind, p.path);
        selected_ = true;
    }
    void TearDown() override {
        if (selected_)
            Select(GetParam().kind, before_);
    }

private:
    int before_ = 0;
    bool selected_ = false;
};

// The published examples: FIPS 180-4's (NIST's examples for SHA-1, SHA-256 and SHA-512) and the
// BLAKE3 test vectors (input byte i is i % 251).
TEST_P(DigestPaths, PublishedVectors) {
    struct Case {
        DigestKind kind;
        std::string input;
        const char* digest;
    };
    const std::string abc = "abc", two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                      four = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                             "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
                      million(1000000, 'a');
    const Case cases[] = {
        {DigestKind::Sha1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {DigestKind::Sha1, abc, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {DigestKind::Sha1, two, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {DigestKind::Sha1, million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {DigestKind::Sha256, "",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {DigestKind::Sha256, abc,
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {DigestKind::Sha256, two,
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {DigestKind::Sha256, million,
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {DigestKind::Sha512, "",
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
         "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
        {DigestKind::Sha512, abc,
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {DigestKind::Sha512, four,
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
         "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
        {DigestKind::Sha512, million,
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
         "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
        {DigestKind::Blake3, abc,
         "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
    };
    const KindPath p = GetParam();
    for (const auto& c : cases) {
        if (c.kind == p.kind) {
            EXPECT_EQ(Hash(c.kind, c.input), c.digest)
                << c.input.substr(0, 20) << " (" << c.input.size() << " bytes)";
        }
    }
    if (p.kind != DigestKind::Blake3)
        return;
    const struct {
        std::size_t length;
        const char* digest;
    } vectors[] = {
        {0, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
        {1, "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
        {1023, "10108970eeda3eb932baac1428c7a2163b0e924c9a9e25b35bba72b28f70bd11"},
        {1024, "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7"},
        {1025, "d00278ae47eb27b34faecf67b4fe263f82d5412916c1ffd97c8cb7fb814b8444"},
        {2048, "e776b6028c7cd22a4d0ba182a8bf62205d2ef576467e838ed6f2529b85fba24a"},
        {2049, "5f4d72f40d7a5f82b15ca2b2e44b1de3c2ef86c426c95c1af0b6879522563030"},
        {3072, "b98cb0ff3623be03326b373de6b9095218513e64f1ee2edd2525c7ad1e5cffd2"},
        {3073, "7124b49501012f81cc7f11ca069ec9226cecb8a2c850cfe644e327d22d3e1cd3"},
        {4096, "015094013f57a5277b59d8475c0501042c0b642e531b0a1c8f58d2163229e969"},
        {4097, "9b4052b38f1c5fc8b1f9ff7ac7b27cd242487b3d890d15c96a1c25b8aa0fb995"},
        {5120, "9cadc15fed8b5d854562b26a9536d9707cadeda9b143978f319ab34230535833"},
        {5121, "628bd2cb2004694adaab7bbd778a25df25c47b9d4155a55f8fbd79f2fe154cff"},
        {6144, "3e2e5b74e048f3add6d21faab3f83aa44d3b2278afb83b80b3c35164ebeca205"},
        {6145, "f1323a8631446cc50536a9f705ee5cb619424d46887f3c376c695b70e0f0507f"},
        {7168, "61da957ec2499a95d6b8023e2b0e604ec7f6b50e80a9678b89d2628e99ada77a"},
        {7169, "a003fc7a51754a9b3c7fae0367ab3d782dccf28855a03d435f8cfe74605e7817"},
        {8192, "aae792484c8efe4f19e2ca7d371d8c467ffb10748d8a5a1ae579948f718a2a63"},
        {8193, "bab6c09cb8ce8cf459261398d2e7aef35700bf488116ceb94a36d0f5f1b7bc3b"},
        {16384, "f875d6646de28985646f34ee13be9a576fd515f76b5b0a26bb324735041ddde4"},
        {31744, "62b6960e1a44bcc1eb1a611a8d6235b6b4b78f32e7abc4fb4c6cdcce94895c47"},
        {102400, "bc3e3d41a1146b069abffad3c0d44860cf664390afce4d9661f7902e7943e085"},
    };
    for (const auto& v : vectors) {
        std::string input(v.length, '\0');
        for (std::size_t i = 0; i < v.length; ++i)
            input[i] = static_cast<char>(i % 251);
        EXPECT_EQ(Hash(DigestKind::Blake3, input), v.digest) << v.length << " bytes";
    }
}

// Whatever the pieces (single bytes, pieces that end inside a block, chunk or subtree, pieces of
// many subtrees), the digest is that of the whole.
TEST_P(DigestPaths, PiecesGiveTheDigestOfTheWhole) {
    const DigestKind kind = GetParam().kind;
    const std::string data = test::RandomBytes(300000, 61);
    const std::string whole = Hash(kind, data);
    std::mt19937 gen(62);
    for (int trial = 0; trial < 24; ++trial) {
        Hasher h(kind);
        std::size_t pos = 0;
        while (pos < data.size()) {
            const std::size_t limits[] = {2, 130, 2100, 70000, 200000};
            const std::size_t n =
                std::min<std::size_t>(gen() % limits[gen() % 5], data.size() - pos);
            h.Update(data.data() + pos, n);
            pos += n;
        }
        ASSERT_EQ(h.FinalText(), whole) << "trial " << trial;
    }
    // Final starts a new message.
    Hasher h(kind);
    h.Update("x", 1);
    h.FinalText();
    EXPECT_EQ(h.FinalText(), Hash(kind, ""));
}

INSTANTIATE_TEST_SUITE_P(Kernels, DigestPaths, ::testing::ValuesIn(AllPaths()),
                         [](const auto& info) {
                             return std::string(DigestKindName(info.param.kind)) + "_" +
                                    PathName(info.param);
                         });

// The block routines on their own from arbitrary chaining values: every SHA path agrees with the
// scalar one, which the vectors pin.
TEST(DigestBlocks, EveryShaPathAgreesWithScalar) {
    const std::string blocks = test::RandomBytes(128 * 21, 63);
    std::mt19937 gen(64);
    for (std::size_t count : {0u, 1u, 2u, 3u, 20u, 21u}) {
        std::uint32_t s1[2][5], s256[2][8];
        std::uint64_t s512[2][8];
        for (int i = 0; i < 8; ++i) {
            s256[0][i] = s256[1][i] = gen();
            s512[0][i] = s512[1][i] = (std::uint64_t{gen()} << 32) | gen();
            if (i < 5)
                s1[0][i] = s1[1][i] = gen();
        }
        Sha1Blocks(Sha1Path::Scalar, s1[0], blocks.data(), count);
        Sha256Blocks(Sha256Path::Scalar, s256[0], blocks.data(), count);
        Sha512Blocks(Sha512Path::Scalar, s512[0], blocks.data(), count);
        if (Sha1PathSupported(Sha1Path::ShaNi)) {
            Sha1Blocks(Sha1Path::ShaNi, s1[1], blocks.data(), count);
            EXPECT_EQ(std::memcmp(s1[0], s1[1], sizeof s1[0]), 0) << "sha1, " << count;
        }
        if (Sha256PathSupported(Sha256Path::ShaNi)) {
            Sha256Blocks(Sha256Path::ShaNi, s256[1], blocks.data(), count);
            EXPECT_EQ(std::memcmp(s256[0], s256[1], sizeof s256[0]), 0) << "sha256, " << count;
        }
        for (Sha512Path path : {Sha512Path::Avx2, Sha512Path::Avx512}) {
            if (!Sha512PathSupported(path))
                continue;
            std::uint64_t s[8];
            std::memcpy(s, s512[1], sizeof s);
            Sha512Blocks(path, s, blocks.data(), count);
            EXPECT_EQ(std::memcmp(s512[0], s, sizeof s), 0)
                << Sha512PathName(path) << ", " << count;
        }
    }
}

TEST(DigestKinds, TextsSizesAndNames) {
    struct Case {
        DigestKind kind;
        const char* name;
        std::size_t size;
        const char* abc;
    } cases[] = {
        {DigestKind::Crc32, "crc32", 4, "352441C2"},
        {DigestKind::Md5, "md5", 16, "900150983CD24FB0D6963F7D28E17F72"},
        {DigestKind::Sha1, "sha1", 20, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {DigestKind::Sha256, "sha256", 32,
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {DigestKind::Sha512, "sha512", 64,
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {DigestKind::Blake3, "blake3", 32,
         "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(DigestKindName(c.kind), c.name);
        EXPECT_EQ(DigestSize(c.kind), c.size) << c.name;
        EXPECT_EQ(Hash(c.kind, "abc"), c.abc) << c.name;
    }
}

TEST(DigestKinds, TextsCompareWithoutRegardToCase) {
    EXPECT_TRUE(EqualDigestTexts("ba7816bf8f01cfea", "BA7816BF8F01CFEA"));
    EXPECT_TRUE(EqualDigestTexts("352441C2", "352441c2"));
    EXPECT_FALSE(EqualDigestTexts("352441C2", "352441C3"));
    EXPECT_FALSE(EqualDigestTexts("352441C2", "352441C"));
}

} // namespace
} // namespace quillon
