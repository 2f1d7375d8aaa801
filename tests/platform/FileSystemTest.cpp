#include "platform/FileReader.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

TEST(LookupPath, KindsOfNames) {
    test::TempDir dir;
    auto file = dir.Write("abc.txt", "12345");
    std::filesystem::create_directory(dir / "sub");

    auto f = LookupPath(file);
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->isDirectory);
    EXPECT_FALSE(f->isDevice);
    EXPECT_EQ(f->size, 5);
    EXPECT_GT(f->lastWriteTime, 116444736000000000LL); // after 1970

    auto d = LookupPath(dir / "sub");
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isDirectory);

    EXPECT_FALSE(LookupPath(dir / "missing.txt"));
    EXPECT_FALSE(LookupPath(""));
}

// "?" and "*" are never wildcards: a name holding them must not find a different file.
TEST(LookupPath, WildcardCharactersMatchNothingElse) {
    test::TempDir dir;
    dir.Write("abc.txt", "x");
    for (const char* name : {"ab?.txt", "a*.txt", "*", "???.txt", "abc.*"})
        EXPECT_FALSE(LookupPath(dir / name)) << name;
}

TEST(LookupPath, SizeBeyondFourGiB) {
    test::TempDir dir;
    auto file = dir.Write("big.bin", "");
    std::error_code ec;
    std::filesystem::resize_file(file, (1ull << 32) + 3, ec);
    if (ec) GTEST_SKIP() << ec.message();
    auto f = LookupPath(file);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->size, (1ll << 32) + 3);
}

TEST(ReadWholeFile, ReadsEveryByteAndReportsFailures) {
    test::TempDir dir;
    std::string data = test::RandomBytes(200000, 5);
    data[1000] = '\0';
    auto file = dir.Write("list.sfv", data);
    OsError error;
    auto text = ReadWholeFile(file, &error, 1 << 30);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, data);

    EXPECT_FALSE(ReadWholeFile(dir / "missing.sfv", &error, 1 << 30));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(error.text.empty());
    error = {};
    EXPECT_FALSE(ReadWholeFile(dir.path(), &error, 1 << 30)) << "a folder is not a list";
    EXPECT_NE(error.code, 0);
}

TEST(ReadWholeFile, RefusesMoreThanTheLimit) {
    test::TempDir dir;
    const auto file = dir.Write("list.sfv", std::string(1000, 'x'));
    OsError error;
    EXPECT_EQ(ReadWholeFile(file, &error, 1000), std::string(1000, 'x'));
    EXPECT_FALSE(ReadWholeFile(file, &error, 999));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(error.text.empty());
}

bool OnlyEntries(const test::TempDir& dir, std::initializer_list<const char*> names) {
    std::size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++n;
    }
    for (auto* name : names)
        if (!std::filesystem::exists(dir / name)) return false;
    return n == names.size();
}

TEST(ReplaceFileContents, CreatesAndReplaces) {
    test::TempDir dir;
    auto target = dir / "new.sfv";
    OsError error;
    ASSERT_TRUE(ReplaceFileContents(target, "first\r\n", &error)) << error.text;
    EXPECT_EQ(test::ReadAll(target), "first\r\n");
    ASSERT_TRUE(ReplaceFileContents(target, "second, longer\r\n", &error)) << error.text;
    EXPECT_EQ(test::ReadAll(target), "second, longer\r\n");
    ASSERT_TRUE(ReplaceFileContents(target, "", &error)) << error.text;
    EXPECT_EQ(test::ReadAll(target), "");
    EXPECT_TRUE(OnlyEntries(dir, {"new.sfv"})) << "no temporary file may stay behind";
}

// A failed write must leave what was there before and no temporary file.
TEST(ReplaceFileContents, FailureKeepsTheOldFile) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "taken");
    dir.Write("taken/inside.txt", "keep me");
    OsError error;
    EXPECT_FALSE(ReplaceFileContents(dir / "taken", "new", &error));
    EXPECT_NE(error.code, 0);
    EXPECT_EQ(test::ReadAll(dir / "taken" / "inside.txt"), "keep me");
    EXPECT_TRUE(OnlyEntries(dir, {"taken"}));

    error = {};
    EXPECT_FALSE(ReplaceFileContents(dir / "no-such-folder" / "x.sfv", "new", &error));
    EXPECT_NE(error.code, 0);
}

TEST(FileReader, ReadsInFullBlocksUntilTheEnd) {
    test::TempDir dir;
    auto data = test::RandomBytes(65536 * 2 + 100, 1);
    auto file = dir.Write("r.bin", data);
    FileReader reader;
    OsError error;
    ASSERT_TRUE(reader.Open(file, &error)) << error.text;
    EXPECT_EQ(reader.Length(), static_cast<std::int64_t>(data.size()));
    std::string buffer(65536, '\0'), back;
    std::vector<std::int64_t> sizes;
    for (;;) {
        auto n = reader.Read(buffer.data(), buffer.size(), &error);
        ASSERT_GE(n, 0);
        sizes.push_back(n);
        back.append(buffer.data(), static_cast<std::size_t>(n));
        if (n != 65536) break;
    }
    EXPECT_EQ(sizes, (std::vector<std::int64_t>{65536, 65536, 100}));
    EXPECT_EQ(back, data);
}

TEST(FileReader, InjectedFaultFailsTheReadAtItsOffset) {
    test::TempDir dir;
    auto file = dir.Write("r.bin", test::RandomBytes(65536 * 2, 1));
    FileReader::SetReadFaultForTests(
        [](const std::filesystem::path&, std::int64_t offset) { return offset > 0 ? 5 : 0; });
    FileReader reader;
    OsError error;
    ASSERT_TRUE(reader.Open(file, &error));
    std::string buffer(65536, '\0');
    EXPECT_EQ(reader.Read(buffer.data(), buffer.size(), &error), 65536);
    EXPECT_EQ(reader.Read(buffer.data(), buffer.size(), &error), -1);
    EXPECT_EQ(error.code, 5);
    FileReader::SetReadFaultForTests(nullptr);
}

TEST(FileReader, FolderAndMissingFileDoNotOpen) {
    test::TempDir dir;
    FileReader reader;
    OsError error;
    EXPECT_FALSE(reader.Open(dir.path(), &error));
    EXPECT_NE(error.code, 0);
    error = {};
    EXPECT_FALSE(reader.Open(dir / "missing", &error));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(reader.IsOpen());
}

// The check's open: it alone decides whether the name holds a file, so "no file" must be told
// apart from a file that is there but cannot be read.
TEST(FileReader, RegularOnlyTellsNoFileFromOtherFailures) {
    test::TempDir dir;
    const auto file = dir.Write("f.bin", "abc");
    FileReader reader;
    for (const auto& name : {dir.path(), dir / "missing", dir / "f.bin" / "below"}) {
        OsError error;
        EXPECT_FALSE(reader.Open(name, &error, OpenMode::RegularOnly)) << name;
        EXPECT_TRUE(error.noFile) << name;
        EXPECT_NE(error.code, 0) << name;
    }
    OsError error;
    ASSERT_TRUE(reader.Open(file, &error, OpenMode::RegularOnly)) << error.text;
    EXPECT_EQ(reader.Length(), 3);
    std::string buffer(16, '\0');
    EXPECT_EQ(reader.Read(buffer.data(), buffer.size(), &error), 3);
}

} // namespace
} // namespace quillon::platform
