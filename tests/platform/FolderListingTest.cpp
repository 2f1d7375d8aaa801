#include "platform/FolderListing.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillon::platform {
namespace {

std::vector<std::string> Names(const std::vector<FolderEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name.string());
    return names;
}

// Folders first, then files, each by name without regard to case; sizes and times as on disk.
TEST(ListFolder, OrderSizesAndKinds) {
    test::TempDir dir;
    dir.Write("b.txt", "12345");
    dir.Write("A.bin", "1");
    dir.Write("c.sfv", "");
    std::filesystem::create_directory(dir / "zeta");
    std::filesystem::create_directory(dir / "Alpha");

    OsError error;
    auto entries = ListFolder(dir.path(), &error);
    ASSERT_TRUE(entries) << error.text;
    EXPECT_EQ(Names(*entries),
              (std::vector<std::string>{"Alpha", "zeta", "A.bin", "b.txt", "c.sfv"}));
    EXPECT_TRUE((*entries)[0].isDirectory);
    EXPECT_FALSE((*entries)[2].isDirectory);
    EXPECT_EQ((*entries)[3].size, 5);
    EXPECT_EQ((*entries)[0].size, 0);
    EXPECT_GT((*entries)[3].lastWriteTime, 116444736000000000LL); // after 1970
}

// As Explorer lists them: numbers by their value, a number before text at the same place, names
// equal by that (leading zeros, case) in the locale's order.
TEST(ListFolder, NumbersInNamesCountByValue) {
    test::TempDir dir;
    const std::vector<std::string> ordered = {"a01.txt",   "a1.txt",    "file1.txt", "file.txt",
                                              "link1.txt", "link2.txt", "Link3.txt", "link10.txt",
                                              "x2y3",      "x2y20",     "x10y1"};
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it)
        dir.Write(*it, "");
    std::filesystem::create_directory(dir / "disc10");
    std::filesystem::create_directory(dir / "disc9");
    auto entries = ListFolder(dir.path(), nullptr);
    ASSERT_TRUE(entries);
    std::vector<std::string> expected = {"disc9", "disc10"};
    expected.insert(expected.end(), ordered.begin(), ordered.end());
    EXPECT_EQ(Names(*entries), expected);
}

TEST(ListFolder, EmptyAndMissingFolders) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "empty");
    auto empty = ListFolder(dir / "empty", nullptr);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());

    OsError error;
    EXPECT_FALSE(ListFolder(dir / "gone", &error));
    EXPECT_TRUE(error);
}

#ifndef _WIN32
// A create run reads every file listed: a FIFO would hang it, a dangling link can't be read.
TEST(ListFolder, PosixLeavesOutWhatIsNoFile) {
    test::TempDir dir;
    dir.Write("real", "x");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    std::filesystem::create_symlink(dir / "real", dir / "link");
    auto entries = ListFolder(dir.path(), nullptr);
    ASSERT_TRUE(entries);
    EXPECT_EQ(Names(*entries), (std::vector<std::string>{"link", "real"}));
}
#endif

// The names alone, sorted afterwards, are ListFolder's files in ListFolder's order: a search for
// unlisted files that reads names only finds what the file list shows, in its order.
TEST(ListFolder, FileNamesAreItsFilesInItsOrder) {
    test::TempDir dir;
    for (const char* name : {"x10y1", "file1.txt", "Link3.txt", "a01.txt", "link10.txt", "a1.txt",
                             "file.txt", "b.bin", "x2y20"})
        dir.Write(name, "");
    std::filesystem::create_directories(dir / "disc9" / "inner");
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    std::filesystem::create_symlink(dir / "b.bin", dir / "link");
    std::filesystem::create_directory_symlink(dir / "disc9", dir / "folder link");
#endif
    auto entries = ListFolder(dir.path(), nullptr);
    auto names = ListFolderFileNames(dir.path(), nullptr);
    ASSERT_TRUE(entries && names);
    std::vector<std::string> files, found;
    for (const FolderEntry& e : *entries)
        if (!e.isDirectory)
            files.push_back(e.name.string());
    SortFileNames(*names);
    for (const auto& name : *names)
        found.push_back(std::filesystem::path(name).string());
    EXPECT_EQ(found, files);
#ifdef _WIN32
    EXPECT_EQ(found.size(), 9u);
#else
    EXPECT_EQ(found.size(), 10u); // and the link to a file
#endif
    EXPECT_FALSE(ListFolderFileNames(dir / "gone", nullptr));
}

} // namespace
} // namespace quillon::platform
