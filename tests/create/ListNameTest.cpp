#include "create/ListName.h"

#include "tests/TempDir.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ListName, KindAndCompletion) {
    struct Case {
        const char* name;
        int filter;
        bool md5;
        const char* completed;
    };
    const Case cases[] = {
        {"list", 1, false, "list.sfv"},
        {"list", 2, true, "list.md5"},
        {"a.MD5", 1, true, "a.MD5"},
        {"a.md5", 2, true, "a.md5"},
        {"a.sfv", 2, true, "a.sfv"},
        {"a.sfv", 1, false, "a.sfv"},
        {"a.txt", 1, false, "a.txt"},
        {"a.md5.txt", 1, false, "a.md5.txt"},
        {"my.md5/list", 1, false, "my.md5/list.sfv"},
        {".md5", 1, true, ".md5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CreateListIsMd5(c.name, c.filter), c.md5) << c.name << " " << c.filter;
        EXPECT_EQ(CompleteListName(c.name, c.filter), std::filesystem::path(c.completed)) << c.name;
    }
}

// A save dialog that put its filter's extension after a typed one is undone; a name typed without
// an extension keeps what the dialog gave it.
TEST(ListName, UndoAppendedExtension) {
    const struct {
        const char* chosen;
        const char* typed;
        const char* kept;
    } cases[] = {
        {"d/createtest.md5.sfv", "createtest.md5", "d/createtest.md5"},
        {"d/a.SFV.MD5", "a.SFV", "d/a.SFV"},
        {"d/a.txt.sfv", "a.txt", "d/a.txt"},
        {"d/list.sfv", "list", "d/list.sfv"},
        {"d/a.md5", "a.md5", "d/a.md5"},
        {"d/a.md5.bak", "a.md5", "d/a.md5.bak"},
        {"d/b.md5.sfv", "a.md5", "d/b.md5.sfv"},
        {"d/a.md5.sfv.sfv", "a.md5", "d/a.md5.sfv.sfv"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UndoAppendedExtension(c.chosen, c.typed), std::filesystem::path(c.kept))
            << c.chosen << " typed " << c.typed;
}

TEST(ListName, FolderCommandLeavesListsOut) {
    for (const char* name : {"a.sfv", "A.SFV", "b.Md5"})
        EXPECT_FALSE(FolderCommandSelects(name));
    for (const char* name : {"a.txt", "noext", "a.sfv.bak", "sfv"})
        EXPECT_TRUE(FolderCommandSelects(name));
}

TEST(ListName, PlanFolderList) {
    test::TempDir dir;
    dir.Write("data/f.txt", "x");
    const auto sep = std::filesystem::path::preferred_separator;
    const auto data = (dir / "data").native() + sep;
    for (const auto& arg : {dir / "data", dir / "data" / "", dir / "data" / "f.txt"}) {
        const FolderListPlan plan = PlanFolderList(arg, false);
        EXPECT_EQ(plan.folder.native(), data) << arg;
        EXPECT_EQ(plan.listFile, data + std::filesystem::path("data.sfv").native()) << arg;
        EXPECT_TRUE(plan.folderExists) << arg;
    }
    EXPECT_EQ(PlanFolderList(dir / "data", true).listFile, dir / "data" / "data.md5");

    // A missing folder is never taken for a file of its parent, which does exist.
    const FolderListPlan gone = PlanFolderList(dir / "gone", false);
    EXPECT_FALSE(gone.folderExists);
    EXPECT_EQ(gone.listFile, dir / "gone" / "gone.sfv");
    EXPECT_FALSE(PlanFolderList(dir / "gone" / "f.txt", false).folderExists);
#ifdef _WIN32
    const FolderListPlan root = PlanFolderList(L"C:\\", true);
    EXPECT_EQ(root.folder.native(), L"C:\\");
    EXPECT_EQ(root.listFile.native(), L"C:\\.md5");
    EXPECT_TRUE(root.folderExists);
#endif
}

} // namespace
} // namespace quillon
