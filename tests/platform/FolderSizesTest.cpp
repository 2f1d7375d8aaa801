#include "platform/FolderSizes.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quillon::platform {
namespace {

constexpr std::int64_t Ask = FolderSizes::AskDirectly;

std::filesystem::path::string_type FolderPart(const std::filesystem::path& folder) {
    return folder.native() + std::filesystem::path::preferred_separator;
}

// What the lookup of the whole path gives: the answer the listing must match.
std::int64_t Direct(const std::filesystem::path& path) {
    const auto found = LookupPath(path);
    return found && found->IsFile() ? found->size : -1;
}

std::filesystem::path::string_type Native(const char* utf8) {
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8)))
        .native();
}

// What the listing answers itself and what it leaves to a lookup; whatever it answers is what
// the lookup of the path gives.
TEST(FolderSizes, AnswersAsALookupOrAsksForOne) {
    test::TempDir dir;
    dir.Write("a.bin", "abc");
    dir.Write("empty.bin", "");
    dir.Write("Mixed.Case", "12345");
    dir.Write("sub/inner.bin", "1234567");
    struct Case {
        const char* name;
        std::int64_t answer;
    };
    std::string shortText;
    std::vector<Case> cases = {
        {"a.bin", 3},        {"empty.bin", 0}, {"Mixed.Case", 5},
        {"missing.bin", -1}, {"sub", -1},      {"sub/inner.bin", Ask},
        {".", Ask},          {"..", Ask},      {"", Ask},
    };
#ifdef _WIN32
    wchar_t shortName[MAX_PATH] = {};
    const auto longName = dir.Write("a long file name.text", "12345678901");
    if (GetShortPathNameW(longName.c_str(), shortName, MAX_PATH) != 0 &&
        std::filesystem::path(shortName).filename() != longName.filename()) {
        shortText = std::filesystem::path(shortName).filename().string();
        cases.push_back({shortText.c_str(), Ask});
    }
    cases.insert(cases.end(), {{"A.BIN", Ask},
                               {"mixed.case", Ask},
                               {"a.bin.", Ask},
                               {"a.bin ", Ask},
                               {"sub\\inner.bin", Ask},
                               {"a?.bin", Ask},
                               {"*.bin", Ask},
                               {"a.bin:stream", Ask},
                               {"NUL", Ask},
                               {"nul.txt", Ask},
                               {"COM1", Ask},
                               {"com\xc2\xb9.txt", Ask},
                               {"con .txt", Ask},
                               {"CONOUT$", Ask},
                               {"Common", -1},
                               {"gone~1.bin", Ask}});
#else
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "a.bin", dir / "link");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    std::filesystem::create_symlink(dir / "sub", dir / "linkdir");
    dir.Write("\xc3\xa9.bin", "12");
    cases.insert(cases.end(), {{"A.BIN", -1},
                               {"mixed.case", -1},
                               {"a.bin.", -1},
                               {"a?.bin", -1},
                               {"back\\slash", -1},
                               {"link", 3},
                               {"dangling", -1},
                               {"linkdir", -1},
                               {"fifo", -1},
                               {"\xc3\xa9.bin", 2},
                               {"e\xcc\x81.bin", Ask}}); // the same letter, decomposed
#endif
    FolderSizes sizes(FolderPart(dir.path()), 100);
    ASSERT_TRUE(sizes.Listed());
    // Its files are those a listing of their own gives.
    auto names = sizes.FileNames();
    auto listed = ListFolderFileNames(dir.path(), nullptr);
    ASSERT_TRUE(names && listed);
    SortFileNames(*names);
    SortFileNames(*listed);
    EXPECT_EQ(*names, *listed);
    EXPECT_GE(names->size(), 4u);
    for (const Case& c : cases) {
        const auto name = Native(c.name);
        const std::int64_t got = sizes.SizeOf(name);
        EXPECT_EQ(got, c.answer) << c.name;
        if (got != Ask) {
            EXPECT_EQ(got, Direct(dir.path() / name)) << c.name;
        }
    }
}

// A folder that is not there (or is a file) holds nothing; one of more names than allowed is
// left unread; the current folder is the empty folder part.
TEST(FolderSizes, MissingHugeAndCurrentFolders) {
    test::TempDir dir;
    dir.Write("a.bin", "abc");
    dir.Write("b.bin", "de");
    for (const auto& folder : {dir / "gone", dir / "a.bin", dir / "gone" / "deeper"}) {
        FolderSizes sizes(FolderPart(folder), 100);
        ASSERT_TRUE(sizes.Listed()) << folder;
        EXPECT_EQ(sizes.SizeOf(Native("a.bin")), -1) << folder;
        EXPECT_EQ(Direct(folder / "a.bin"), -1) << folder;
        EXPECT_EQ(sizes.FileNames(), std::vector<FileName>()) << folder;
    }
    FolderSizes tooMany(FolderPart(dir.path()), 1);
    EXPECT_FALSE(tooMany.Listed());
    EXPECT_EQ(tooMany.SizeOf(Native("a.bin")), Ask);
    EXPECT_FALSE(tooMany.FileNames());

    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    FolderSizes here({}, 100);
    const std::int64_t a = here.SizeOf(Native("a.bin"));
    const std::int64_t missing = here.SizeOf(Native("c.bin"));
    std::filesystem::current_path(before);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(missing, -1);
}

#ifdef _WIN32
// Folder parts that a lookup reads otherwise than a listing would (stripped trailing dots, the
// verbatim and device forms, wildcards) are not listed at all.
TEST(FolderSizesWin32, UnusualFolderPartsAreNotListed) {
    test::TempDir dir;
    dir.Write("sub/a.bin", "abc");
    const std::wstring base = FolderPart(dir.path());
    for (const std::wstring& part :
         {base + L"sub.\\", base + L"sub \\", base + L".\\sub\\", base + L"x\\..\\sub\\",
          base + L"su?\\", L"\\\\?\\" + base + L"sub\\", L"\\\\.\\" + base + L"sub\\",
          base + L"sub\\\\"}) {
        FolderSizes sizes(part, 100);
        EXPECT_FALSE(sizes.Listed()) << std::filesystem::path(part).string();
    }
    EXPECT_TRUE(FolderSizes(base + L"sub\\", 100).Listed());
    EXPECT_TRUE(FolderSizes(base + L"sub/", 100).Listed());
}
#else
// A folder whose names hold no letter cannot be asked whether it ignores case: a name it does
// not show might still be found, so it is looked up.
TEST(FolderSizesPosix, CaseIsProbedOnlyWhereANameAllowsIt) {
    test::TempDir digits;
    digits.Write("123", "x");
    FolderSizes noLetters(FolderPart(digits.path()), 100);
    EXPECT_EQ(noLetters.SizeOf("ABC"), Ask);
    EXPECT_EQ(noLetters.SizeOf("123"), 1);

    test::TempDir letters;
    letters.Write("abc", "x");
    FolderSizes withLetters(FolderPart(letters.path()), 100);
    EXPECT_EQ(withLetters.SizeOf("ABC"), -1);
    EXPECT_EQ(withLetters.SizeOf("abc"), 1);
}
#endif

} // namespace
} // namespace quillon::platform
