#include "verify/SizeLookup.h"
#include "tests/TempDir.h"
#include "util/EnhFunc.h"

#include <gtest/gtest.h>

#include <optional>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quillon::test {
namespace {

// g0, g1, ...: names that only fill a folder.
std::string Filler(int i) {
    return std::string("g").append(std::to_string(i));
}

std::filesystem::path::string_type Native(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).native();
}

// Entries of listed folders get the size their own lookup gives, whatever their names hold:
// every folder part here is shared by enough entries to be read once for all of them.
TEST(LookupSizes, ListedFoldersGiveWhatEachLookupGives) {
    TempDir dir;
    dir.Write("a.bin", "abc");
    dir.Write("Mixed.Case", "12345");
    dir.Write("sub/inner.bin", "1234567");
    for (int i = 0; i < 10; ++i) {
        const std::string name = Filler(i);
        dir.Write(name, std::string(static_cast<std::size_t>(i), 'x'));
        dir.Write(std::filesystem::path("sub") / name,
                  std::string(static_cast<std::size_t>(i), 'y'));
    }
    struct Case {
        std::string name;
        std::optional<std::int64_t> size; // none: whatever the lookup gives
    };
    std::vector<Case> cases = {
        {"a.bin", 3},         {"Mixed.Case", 5},   {"missing.bin", -1}, {"sub", -1},
        {"sub/inner.bin", 7}, {"sub/../a.bin", 3}, {"./a.bin", 3},      {"sub/..", -1},
        {"gone/a.bin", -1},   {"a.bin/x", -1},     {"sub/", -1},
    };
    std::vector<std::string> folders = {"", "sub/", "gone/", "a.bin/", "./", "sub/../"};
#ifdef _WIN32
    const auto longName = dir.Write("a long file name.text", "12345678901");
    wchar_t shortName[MAX_PATH] = {};
    if (GetShortPathNameW(longName.c_str(), shortName, MAX_PATH) != 0)
        cases.push_back({std::filesystem::path(shortName).filename().string(), 11});
    cases.insert(cases.end(), {{"A.BIN", 3},
                               {"mixed.case", 5},
                               {"a.bin.", 3},
                               {"a.bin ", 3},
                               {"a.bin. . ", {}},
                               {"SUB\\Inner.bin", 7},
                               {"sub\\inner.bin", 7},
                               {"sub.\\inner.bin", {}},
                               {"NUL", -1},
                               {"nul.txt", -1},
                               {"sub\\CON", -1},
                               {"a?.bin", -1},
                               {"a*", -1},
                               {"a.bin:x", {}}});
    folders.insert(folders.end(), {"SUB\\", "sub.\\", "sub\\.\\", "NUL\\", "Contoso\\"});
#else
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "a.bin", dir / "link");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    std::filesystem::create_symlink(dir / "sub", dir / "linkdir");
    cases.insert(cases.end(), {{"A.BIN", -1},
                               {"a.bin.", -1},
                               {"link", 3},
                               {"dangling", -1},
                               {"linkdir", -1},
                               {"linkdir/inner.bin", 7},
                               {"fifo", -1},
                               {"a?.bin", -1}});
    folders.push_back("linkdir/");
#endif
    for (const auto& folder : folders)
        for (int i = 0; i < 10; ++i)
            cases.push_back({folder + Filler(i), {}});

    std::vector<TItemRec> entries(cases.size());
    std::vector<TItemRec*> pointers;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        entries[i].FileName = (dir.path() / Native(cases[i].name)).native();
        pointers.push_back(&entries[i]);
    }
    const std::vector<std::int64_t> sizes = LookupSizes(pointers);
    ASSERT_EQ(sizes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(sizes[i], GetFileSize64(entries[i].FileName)) << cases[i].name;
        if (cases[i].size) {
            EXPECT_EQ(sizes[i], *cases[i].size) << cases[i].name;
        }
    }

    std::atomic<bool> stop{true};
    EXPECT_TRUE(LookupSizes(pointers, &stop).empty());
}

} // namespace
} // namespace quillon::test
