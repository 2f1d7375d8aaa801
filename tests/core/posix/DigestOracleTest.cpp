#include "core/Digest.h"
#include "core/FileDigest.h"
#include "core/RunState.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

// The lengths every digest is checked at: the padding and block edges of the SHA family (55/56,
// 111/112 for SHA-512), BLAKE3's block, chunk and subtree edges, the read block, and some more.
std::vector<std::size_t> Lengths() {
    std::vector<std::size_t> n = {0,    1,    55,    56,    63,    64,    65,     111,
                                  112,  127,  128,   129,   1023,  1024,  1025,   2048,
                                  2049, 3072, 65535, 65536, 65537, 98304, 1048577};
    std::mt19937 gen(71);
    for (int i = 0; i < 6; ++i)
        n.push_back(gen() % 400000);
    return n;
}

std::string Hex(const unsigned char* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string OpenSsl(DigestKind kind, const std::string& data) {
    const EVP_MD* md = kind == DigestKind::Sha1     ? EVP_sha1()
                       : kind == DigestKind::Sha256 ? EVP_sha256()
                                                    : EVP_sha512();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &size, md, nullptr) != 1)
        return "openssl failed";
    return Hex(digest, size);
}

// b3sum's digests of files, in one run of it.
std::vector<std::string> B3sum(const std::vector<std::filesystem::path>& files) {
    std::string command = "b3sum --no-names";
    for (const auto& f : files)
        command += " '" + f.string() + "'";
    std::vector<std::string> out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char line[256];
    while (pipe && std::fgets(line, sizeof line, pipe.get()))
        out.emplace_back(line, line + std::min<std::size_t>(64, std::strlen(line)));
    return out;
}

// The digest of data on one path, whole and fed in random pieces.
std::pair<std::string, std::string> Ours(DigestKind kind, const std::string& data,
                                         std::mt19937& gen) {
    Hasher whole(kind), pieces(kind);
    whole.Update(data.data(), data.size());
    for (std::size_t pos = 0; pos < data.size();) {
        const std::size_t n =
            std::min<std::size_t>(gen() % (gen() % 2 ? 200 : 90000), data.size() - pos);
        pieces.Update(data.data() + pos, n);
        pos += n;
    }
    return {whole.FinalText(), pieces.FinalText()};
}

struct PathOf {
    DigestKind kind;
    int count;
    bool (*supported)(int);
    const char* (*name)(int);
    int (*select)(int); // returns the path before
};

const PathOf kPaths[] = {
    {DigestKind::Sha1, 2, [](int p) { return Sha1PathSupported(Sha1Path(p)); },
     [](int p) { return Sha1PathName(Sha1Path(p)); },
     [](int p) { return int(SelectSha1Path(Sha1Path(p))); }},
    {DigestKind::Sha256, 2, [](int p) { return Sha256PathSupported(Sha256Path(p)); },
     [](int p) { return Sha256PathName(Sha256Path(p)); },
     [](int p) { return int(SelectSha256Path(Sha256Path(p))); }},
    {DigestKind::Sha512, 3, [](int p) { return Sha512PathSupported(Sha512Path(p)); },
     [](int p) { return Sha512PathName(Sha512Path(p)); },
     [](int p) { return int(SelectSha512Path(Sha512Path(p))); }},
    {DigestKind::Blake3, 4, [](int p) { return Blake3PathSupported(Blake3Path(p)); },
     [](int p) { return Blake3PathName(Blake3Path(p)); },
     [](int p) { return int(SelectBlake3Path(Blake3Path(p))); }},
};

// Every kind on every path the processor has, at every length, whole and in pieces, against
// OpenSSL's EVP digests and Debian's b3sum.
TEST(DigestOracles, EveryPathAtEveryEdge) {
    test::TempDir dir;
    const std::vector<std::size_t> lengths = Lengths();
    std::vector<std::string> inputs;
    std::vector<std::filesystem::path> files;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        inputs.push_back(test::RandomBytes(lengths[i], static_cast<unsigned>(200 + i)));
        files.push_back(dir.Write("in" + std::to_string(i), inputs.back()));
    }
    const std::vector<std::string> b3 = B3sum(files);
    ASSERT_EQ(b3.size(), files.size()) << "b3sum missing or failed (bash scripts/bootstrap.sh)";
    ASSERT_EQ(OpenSsl(DigestKind::Sha256, "abc").size(), 64u) << "OpenSSL has no SHA-256 here";
    std::mt19937 gen(72);
    for (const PathOf& kind : kPaths) {
        for (int path = 0; path < kind.count; ++path) {
            if (!kind.supported(path)) {
                test::KernelSkipped(DigestKindName(kind.kind), kind.name(path));
                continue;
            }
            test::KernelRan(DigestKindName(kind.kind), kind.name(path));
            const int before = kind.select(path);
            int failures = 0;
            for (std::size_t i = 0; i < inputs.size() && failures < 5; ++i) {
                const std::string expected =
                    kind.kind == DigestKind::Blake3 ? b3[i] : OpenSsl(kind.kind, inputs[i]);
                const auto [whole, pieces] = Ours(kind.kind, inputs[i], gen);
                if (whole != expected || pieces != expected) {
                    ++failures;
                    ADD_FAILURE() << DigestKindName(kind.kind) << " " << kind.name(path) << ", "
                                  << lengths[i] << " bytes: whole " << whole << ", pieces "
                                  << pieces << ", oracle " << expected;
                }
            }
            kind.select(before);
        }
    }
}

// The file routines of the new kinds against the same oracles: BLAKE3 files of several batches
// go through the workers; every block gets its progress call, in order.
TEST(DigestOracles, FileDigestsOfEveryKind) {
    test::TempDir dir;
    const std::size_t sizes[] = {0, 65536, 65537, 1048576, 2097152 + 4096, 5 * 1048576 + 12345};
    std::vector<std::filesystem::path> files;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        inputs.push_back(test::RandomBytes(sizes[i], static_cast<unsigned>(300 + i)));
        files.push_back(dir.Write("f" + std::to_string(i), inputs.back()));
    }
    const std::vector<std::string> b3 = B3sum(files);
    ASSERT_EQ(b3.size(), files.size()) << "b3sum missing or failed (bash scripts/bootstrap.sh)";
    for (DigestKind kind :
         {DigestKind::Sha1, DigestKind::Sha256, DigestKind::Sha512, DigestKind::Blake3}) {
        for (auto routine : {GetDigestText, ThreadDigestText}) {
            for (std::size_t i = 0; i < files.size(); ++i) {
                RunState run;
                std::vector<std::int32_t> blocks;
                std::int32_t lastPercent = -1;
                bool ordered = true;
                run.OnProgress = [&](std::int32_t percent, std::int32_t n) {
                    ordered = ordered && percent >= lastPercent;
                    lastPercent = percent;
                    blocks.push_back(n);
                };
                const DigestResult r = routine(kind, files[i], run);
                const std::string expected =
                    kind == DigestKind::Blake3 ? b3[i] : OpenSsl(kind, inputs[i]);
                EXPECT_EQ(r.text, expected) << DigestKindName(kind) << ", " << sizes[i];
                EXPECT_TRUE(r.complete) << DigestKindName(kind) << ", " << sizes[i];
                const std::size_t want = sizes[i] == 0 ? 0 : sizes[i] / 65536 + 1;
                EXPECT_EQ(blocks.size(), want) << DigestKindName(kind) << ", " << sizes[i];
                EXPECT_TRUE(ordered);
                if (!blocks.empty()) {
                    EXPECT_EQ(lastPercent, 100);
                }
            }
        }
    }
}

} // namespace
} // namespace quillon
