#include "core/FileDigest.h"
#include "core/Crc32.h"
#include "core/RunState.h"
#include "platform/FileReader.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace quillon {
namespace {

using Calls = std::vector<std::pair<int, int>>;

// Every test has a run of its own, so one test's abort or hook never leaks into the next.
class FileDigestTest : public ::testing::Test {
protected:
    void TearDown() override { platform::FileReader::SetReadFaultForTests(nullptr); }
    void Record() {
        run.OnProgress = [this](int p, int n) { calls.emplace_back(p, n); };
    }
    test::TempDir dir;
    RunState run;
    Calls calls;
};

using DigestFn = DigestResult (*)(const std::filesystem::path&, RunState&);
struct Routine {
    const char* name;
    DigestFn fn;
    bool md5;
};
const Routine kRoutines[] = {{"GetCrcText", GetCrcText, false},
                             {"GetMd5Text", GetMd5Text, true},
                             {"ThreadCrcText", ThreadCrcText, false},
                             {"ThreadMd5Text", ThreadMd5Text, true}};

TEST_F(FileDigestTest, TextsOfKnownContent) {
    struct Case {
        std::string content, crc, md5;
    } cases[] = {
        {"", "00000000", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "352441C2", "900150983CD24FB0D6963F7D28E17F72"},
        {"123456789", "CBF43926", "25F9E794323B453885F5181F1B624D0B"},
        {"The quick brown fox jumps over the lazy dog", "414FA339",
         "9E107D9D372BB6826BD81D3542A419D6"},
    };
    for (const auto& c : cases) {
        auto file = dir.Write("f.bin", c.content);
        for (const auto& r : kRoutines) {
            DigestResult d = r.fn(file, run);
            EXPECT_EQ(d.text, r.md5 ? c.md5 : c.crc) << r.name << " of '" << c.content << "'";
            EXPECT_TRUE(d.complete) << r.name;
            EXPECT_FALSE(d.aborted) << r.name;
        }
    }
}

TEST_F(FileDigestTest, CrcTextKeepsLeadingZeros) {
    EXPECT_EQ(CrcText(0x1F), "0000001F");
    EXPECT_EQ(CrcText(0), "00000000");
    EXPECT_EQ(CrcText(0xFFFFFFFFu), "FFFFFFFF");
    EXPECT_EQ(CrcText(0xABCDEF01u), "ABCDEF01");
}

// The exact sequence of progress reports: one per block, the extra empty read of a file whose
// length is a multiple of the block, none for an empty file.
TEST_F(FileDigestTest, ProgressSequencePerBlock) {
    struct Case {
        std::size_t size;
        Calls expected;
    } cases[] = {
        {0, {}},
        {1, {{100, 1}}},
        {65535, {{100, 65535}}},
        {65536, {{100, 65536}, {100, 0}}},
        {65537, {{100, 65536}, {100, 1}}},
        {131072, {{50, 65536}, {100, 65536}, {100, 0}}},
        {3 * 65536 + 10, {{33, 65536}, {67, 65536}, {100, 65536}, {100, 10}}},
    };
    Record();
    for (const auto& c : cases) {
        auto file = dir.Write("p.bin", test::RandomBytes(c.size, 7));
        for (const auto& r : kRoutines) {
            calls.clear();
            EXPECT_TRUE(r.fn(file, run).complete);
            EXPECT_EQ(calls, c.expected) << r.name << " size " << c.size;
        }
    }
}

TEST_F(FileDigestTest, AbortStopsWithinOneBlock) {
    auto data = test::RandomBytes(16 * 65536, 3);
    auto file = dir.Write("big.bin", data);
    // What an aborted run returns: the digest of the part read, here exactly the first block.
    auto part = dir.Write("part.bin", data.substr(0, 65536));
    const std::string crcPart = ThreadCrcText(part, run).text;
    const std::string md5Part = ThreadMd5Text(part, run).text;

    run.OnProgress = [this](int p, int n) {
        calls.emplace_back(p, n);
        run.AbortRequested = true;
    };
    for (const auto& r : kRoutines) {
        calls.clear();
        run.AbortRequested = false;
        DigestResult d = r.fn(file, run);
        EXPECT_EQ(calls, (Calls{{6, 65536}})) << r.name;
        EXPECT_TRUE(d.aborted) << r.name;
        EXPECT_FALSE(d.complete) << r.name;
        EXPECT_EQ(d.text, r.md5 ? md5Part : crcPart) << r.name;
    }
}

TEST_F(FileDigestTest, AbortOnLastBlockStillCountsAsWhole) {
    auto file = dir.Write("one.bin", "abc");
    run.OnProgress = [this](int, int) { run.AbortRequested = true; };
    for (const auto& r : kRoutines) {
        run.AbortRequested = false;
        DigestResult d = r.fn(file, run);
        EXPECT_TRUE(d.complete) << r.name;
        EXPECT_FALSE(d.aborted) << r.name;
    }
}

TEST_F(FileDigestTest, MessagePumpOnlyOnTheGuiRoutines) {
    auto file = dir.Write("m.bin", test::RandomBytes(2 * 65536 + 1, 9));
    int pumps = 0;
    run.MessagePump = [&] { ++pumps; };
    struct Case {
        DigestFn fn;
        int expected;
        const char* name;
    } cases[] = {
        {GetCrcText, 3, "GetCrcText"},
        {GetMd5Text, 3, "GetMd5Text"},
        {ThreadCrcText, 0, "ThreadCrcText"},
        {ThreadMd5Text, 0, "ThreadMd5Text"},
    };
    for (const auto& c : cases) {
        pumps = 0;
        c.fn(file, run);
        EXPECT_EQ(pumps, c.expected) << c.name;
    }
}

TEST_F(FileDigestTest, UnopenableFileGivesTraditionalTextButIsNotComplete) {
    Record();
    for (const auto& target : {dir / "missing.bin", dir.path()}) {
        for (const auto& r : kRoutines) {
            DigestResult d = r.fn(target, run);
            EXPECT_EQ(d.text, r.md5 ? "D41D8CD98F00B204E9800998ECF8427E" : "FFFFFFFF") << r.name;
            EXPECT_FALSE(d.complete) << r.name << " " << target;
            EXPECT_FALSE(d.aborted) << r.name;
            EXPECT_NE(d.error.code, 0) << r.name;
        }
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(FileDigestTest, ReadFailingPartWayIsNotComplete) {
    auto data = test::RandomBytes(3 * 65536, 11);
    auto file = dir.Write("r.bin", data);
    auto part = dir.Write("part.bin", data.substr(0, 65536));
    std::string md5Part = ThreadMd5Text(part, run).text;
    platform::FileReader::SetReadFaultForTests(
        [](const auto&, std::int64_t offset) { return offset >= 65536 ? 5 : 0; });
    for (const auto& r : kRoutines) {
        DigestResult d = r.fn(file, run);
        EXPECT_FALSE(d.complete) << r.name;
        EXPECT_FALSE(d.aborted) << r.name;
        EXPECT_NE(d.error.code, 0) << r.name;
        // CRC keeps its failure text; MD5 covers the bytes read before the failure.
        EXPECT_EQ(d.text, r.md5 ? md5Part : "FFFFFFFF") << r.name;
    }
}

// The kinds beyond CRC and MD5 stop as MD5 does, also where BLAKE3 hands whole batches to its
// workers (an abort or a failure after the sixteenth block): never complete after an abort, a
// failed read or a failed open, the digest of exactly the part read, one progress call per block
// read and, on the GUI routine only, one message pump.
TEST_F(FileDigestTest, NewKindsStopAfterTheBlockWhereTheyFail) {
    const std::string data = test::RandomBytes(40 * 65536 + 100, 13);
    auto file = dir.Write("k.bin", data);
    auto partDigest = [&](DigestKind kind, std::size_t blocks) {
        Hasher h(kind);
        h.Update(data.data(), blocks * 65536);
        return h.FinalText();
    };
    struct Stop {
        const char* name;
        std::size_t abortAt, failAt; // in blocks; 0 for never
        std::size_t blocksHashed;
    } stops[] = {{"abort after 3", 3, 0, 3},      {"abort after 20", 20, 0, 20},
                 {"abort after 33", 33, 0, 33},   {"read fails at 5", 0, 5, 5},
                 {"read fails at 17", 0, 17, 17}, {"read fails at 34", 0, 34, 34}};
    for (DigestKind kind :
         {DigestKind::Sha1, DigestKind::Sha256, DigestKind::Sha512, DigestKind::Blake3}) {
        for (const Stop& stop : stops) {
            for (bool gui : {true, false}) {
                const std::string what = std::string(DigestKindName(kind)) + ", " + stop.name +
                                         (gui ? ", GetDigestText" : ", ThreadDigestText");
                RunState r;
                std::size_t progress = 0;
                int pumps = 0;
                r.OnProgress = [&](int, int) {
                    if (++progress == stop.abortAt)
                        r.AbortRequested = true;
                };
                r.MessagePump = [&] { ++pumps; };
                const std::int64_t failOffset = static_cast<std::int64_t>(stop.failAt) * 65536;
                platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t offset) {
                    return stop.failAt != 0 && offset >= failOffset ? 5 : 0;
                });
                const DigestResult d =
                    gui ? GetDigestText(kind, file, r) : ThreadDigestText(kind, file.native(), r);
                platform::FileReader::SetReadFaultForTests(nullptr);
                EXPECT_FALSE(d.complete) << what;
                EXPECT_EQ(d.aborted, stop.abortAt != 0) << what;
                EXPECT_EQ(d.error.code != 0, stop.failAt != 0) << what;
                EXPECT_EQ(progress, stop.blocksHashed) << what;
                EXPECT_EQ(pumps, gui ? static_cast<int>(stop.blocksHashed) : 0) << what;
                EXPECT_EQ(d.text, partDigest(kind, stop.blocksHashed)) << what;
            }
        }
        Record();
        for (const auto& target : {dir / "missing.bin", dir.path()}) {
            const DigestResult d = ThreadDigestText(kind, target, run);
            EXPECT_FALSE(d.complete) << DigestKindName(kind) << " " << target;
            EXPECT_NE(d.error.code, 0) << DigestKindName(kind) << " " << target;
            EXPECT_EQ(d.text, partDigest(kind, 0)) << DigestKindName(kind);
        }
        EXPECT_TRUE(calls.empty());
    }
}

// Where files of a megabyte or more are shown in place (POSIX), every kind digests them as it
// digests the same bytes read, on either side of the size where that starts and across the
// windows; a file shortened under the digest is not complete, also where BLAKE3's workers hash it
// (where files are read, it is read to its new end).
TEST_F(FileDigestTest, FilesShownInPlaceDigestAsRead) {
    const std::size_t sizes[] = {platform::FileReader::ViewFrom - 1, platform::FileReader::ViewFrom,
                                 platform::FileReader::ViewWindow + 3 * 65536 + 5};
    const std::string data = test::RandomBytes(sizes[2], 21);
    const DigestKind kinds[] = {DigestKind::Crc32,  DigestKind::Md5,    DigestKind::Sha1,
                                DigestKind::Sha256, DigestKind::Sha512, DigestKind::Blake3};
    for (const std::size_t size : sizes) {
        const auto file = dir.Write("v.bin", data.substr(0, size));
        for (const DigestKind kind : kinds) {
            Hasher h(kind);
            h.Update(data.data(), size);
            const DigestResult d = ThreadDigestText(kind, file.native(), run);
            EXPECT_TRUE(d.complete) << DigestKindName(kind) << " " << size;
            EXPECT_TRUE(EqualDigestTexts(d.text, h.FinalText())) << DigestKindName(kind) << size;
        }
    }
    for (const DigestKind kind : kinds) {
        const auto file = dir.Write("s.bin", data);
        RunState r;
        r.OnProgress = [&](int, int) {
            if (std::filesystem::file_size(file) == data.size())
                std::filesystem::resize_file(file, 1 << 20);
        };
        const DigestResult d = ThreadDigestText(kind, file.native(), r);
#ifdef _WIN32
        // Read, not shown in place: the file is read to its new end.
        Hasher h(kind);
        h.Update(data.data(), 1 << 20);
        EXPECT_TRUE(EqualDigestTexts(d.text, h.FinalText())) << DigestKindName(kind);
#else
        EXPECT_FALSE(d.complete) << DigestKindName(kind);
        EXPECT_NE(d.error.code, 0) << DigestKindName(kind);
#endif
    }
}

TEST_F(FileDigestTest, FileCrc32RaisesOpenError) {
    EXPECT_THROW(FileCrc32(dir / "nope.bin"), std::runtime_error);
    try {
        FileCrc32(dir / "nope.bin");
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file ", 0), 0u) << e.what();
    }
}

// More than 4 GiB: 64-bit lengths and offsets all the way, progress from 0 to 100.
TEST_F(FileDigestTest, SparseFileOverFourGiB) {
    const std::uint64_t size = (1ull << 32) + 65536 + 7;
    auto file = dir / "sparse.bin";
    dir.Write("sparse.bin", "");
    std::error_code ec;
    std::filesystem::resize_file(file, size, ec);
    if (ec) GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();

    // Expected: the zero run folded by the slice routine, independent of the dispatched one.
    std::vector<unsigned char> zeros(1 << 20, 0);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint64_t left = size; left > 0;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        crc = UpdateCrc32At(CrcLevel::Slice16, crc, zeros.data(), n);
        left -= n;
    }
    Record();
    DigestResult d = ThreadCrcText(file, run);
    EXPECT_TRUE(d.complete);
    EXPECT_EQ(d.text, CrcText(~crc));
    ASSERT_EQ(calls.size(), size / 65536 + 1);
    EXPECT_EQ(calls.front().first, 0);
    EXPECT_EQ(calls.back(), std::make_pair(100, 7));
    for (std::size_t i = 1; i < calls.size(); ++i)
        ASSERT_LE(calls[i - 1].first, calls[i].first) << "at call " << i;
}

} // namespace
} // namespace quillon
