#include "core/FileError.h"
#include "core/ListFile.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/TextCodec.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace quillon {
namespace {

using Lines = std::vector<std::string>;

// 2003-03-05 12:00:00 UTC and 2025-12-31 12:00:00 UTC as file times: days apart in any zone.
constexpr std::int64_t March2003 = 126913392000000000LL;
constexpr std::int64_t December2025 = 134116560000000000LL;

platform::FileLookup Lookup(std::int64_t size, std::int64_t lastWrite, std::int64_t creation) {
    platform::FileLookup f;
    f.size = size;
    f.lastWriteTime = lastWrite;
    f.creationTime = creation;
    return f;
}

// The size field, and the date every unconvertible time stamp falls back to.
TEST(FileInfoComment, SizeFieldAndFallbackDate) {
    const std::string fallback = platform::MonthAbbreviation(1) + " 01 1980 00:00:00";
    ASSERT_FALSE(platform::MonthAbbreviation(1).empty());
    struct Case {
        std::int64_t size;
        const char* prefix;
    } cases[] = {
        {0, ";             0  "},
        {3, ";             3  "},
        {1234567890123, "; 1234567890123  "},
        {12345678901234, ";12345678901234  "},
        {123456789012345, ";123456789012345  "},
        {9223372036854775807LL, ";9223372036854775807  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileInfoComment(Lookup(c.size, -1, -1), "a b.txt"),
                  c.prefix + fallback + " a b.txt")
            << c.size;
}

TEST(FileInfoComment, WhichTimeStampIsShown) {
    const std::string fallback = platform::MonthAbbreviation(1) + " 01 1980 00:00:00";
    const auto line = [](std::int64_t lastWrite, std::int64_t creation) {
        return FileInfoComment(Lookup(7, lastWrite, creation), "n");
    };
    ASSERT_NE(line(March2003, 0), line(December2025, 0));
    // The last-write time when there is one, else the creation time.
    EXPECT_EQ(line(March2003, December2025), line(March2003, 0));
    EXPECT_EQ(line(0, December2025), line(December2025, 0));
    EXPECT_EQ(line(0, -5), ";             7  " + fallback + " n");
    EXPECT_EQ(line(-5, March2003), ";             7  " + fallback + " n");
    // "MMM DD YYYY HH:NN:SS" between the size field and the name (mid-March in every zone).
    const std::string month = platform::MonthAbbreviation(3);
    const std::string l = line(March2003, 0);
    ASSERT_GT(l.size(), 17 + month.size());
    EXPECT_EQ(l.substr(17, month.size()), month) << l;
    EXPECT_TRUE(std::regex_match(l.substr(17 + month.size()),
                                 std::regex(" 0[456] 2003 [0-2][0-9]:[0-5][0-9]:00 n")))
        << l;
}

TEST(FileInfoComment, OfAPath) {
    test::TempDir dir;
    const auto file = dir.Write("read me.txt", "abc");
    const std::string l = FileInfoComment(file);
    EXPECT_EQ(l.substr(0, 17), ";             3  ");
    EXPECT_EQ(l.substr(l.size() - 12), " read me.txt");
    EXPECT_EQ(FileInfoComment(dir / "missing.txt"), ";");
    EXPECT_EQ(FileInfoComment(dir / "no folder" / "x.txt"), ";");
}

TEST(ListFileBytes, CrLfAfterEveryLineAndNoMark) {
    struct Case {
        Lines lines;
        std::string bytes;
    } cases[] = {
        {{}, ""},
        {{""}, "\r\n"},
        {{";"}, ";\r\n"},
        {{"a 1", "", "b 2"}, "a 1\r\n\r\nb 2\r\n"},
        {{"\xEF\xBB\xBF"
          "a"},
         "\xEF\xBB\xBF"
         "a\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListFileBytes(c.lines), c.bytes);
}

std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(platform::Utf8FromPath(e.path().filename()));
    return names;
}

TEST(StoreList, CreatesAndReplaces) {
    test::TempDir dir;
    const auto list = dir / "new.sfv";
    const Lines first = {"; header", ";", "a.txt 352441C2", "b c.bin 00000000"};
    StoreList(list, first);
    EXPECT_EQ(test::ReadAll(list), ListFileBytes(first));
    // A shorter list over a longer one: nothing of the old one may remain.
    const Lines second = {"x 1"};
    StoreList(list, second);
    EXPECT_EQ(test::ReadAll(list), "x 1\r\n");
    StoreList(list, {});
    EXPECT_EQ(test::ReadAll(list), "");
    EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"new.sfv"}));
}

TEST(StoreList, FailureThrowsAndLeavesNothingBehind) {
    test::TempDir dir;
    dir.Write("folder/old.txt", "keep");
    dir.Write("plain.txt", "plain");
    const std::filesystem::path targets[] = {
        dir / "no such folder" / "list.sfv", // folder missing
        dir / "folder",                      // a directory where the list should go
        dir / "plain.txt" / "list.sfv",      // a file where the folder should be
    };
    const auto before = Listing(dir.path());
    for (const auto& target : targets) {
        try {
            StoreList(target, {"a 1"});
            ADD_FAILURE() << "no error for " << target;
        } catch (const FileError& e) {
            EXPECT_EQ(e.kind(), FileError::Kind::Create);
            EXPECT_EQ(std::string(e.what()),
                      "Cannot create file " + platform::Utf8FromPath(target));
        }
        EXPECT_EQ(Listing(dir.path()), before) << target;
        EXPECT_EQ(Listing(dir / "folder"), (std::set<std::string>{"old.txt"})) << target;
        EXPECT_EQ(test::ReadAll(dir / "plain.txt"), "plain");
    }
}

} // namespace
} // namespace quillon
