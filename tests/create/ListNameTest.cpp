#include "create/ListName.h"

#include "tests/TempDir.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ListName, KindAndCompletion) {
    using K = ListKind;
    struct Case {
        const char* name;
        int filter;
        ListKind kind;
        const char* completed;
    };
    const Case cases[] = {
        {"list", 1, K::Sfv, "list.sfv"},
        {"list", 2, K::Md5, "list.md5"},
        {"a.MD5", 1, K::Md5, "a.MD5"},
        {"a.md5", 2, K::Md5, "a.md5"},
        {"a.sfv", 2, K::Md5, "a.sfv"},
        {"a.sfv", 1, K::Sfv, "a.sfv"},
        {"a.txt", 1, K::Sfv, "a.txt"},
        {"a.md5.txt", 1, K::Sfv, "a.md5.txt"},
        {"my.md5/list", 1, K::Sfv, "my.md5/list.sfv"},
        {".md5", 1, K::Md5, ".md5"},
        // The newer kinds: the filter's extension, or the kind the name selects under any filter.
        {"list", 3, K::Sha1, "list.sha1"},
        {"list", 4, K::Sha256, "list.sha256"},
        {"list", 5, K::Sha512, "list.sha512"},
        {"list", 6, K::Blake3, "list.b3"},
        {"a.txt", 5, K::Sha512, "a.txt"},
        {"a.SHA1", 2, K::Sha1, "a.SHA1"},
        {"a.blake3", 1, K::Blake3, "a.blake3"},
        {"a.sfv", 4, K::Sfv, "a.sfv"},
        {"a.md5", 6, K::Md5, "a.md5"},
        {"SHA256SUMS", 1, K::Sha256, "SHA256SUMS"},
        {"b3sums", 2, K::Blake3, "b3sums"},
        {"MD5SUMS", 4, K::Md5, "MD5SUMS"},
        {"list", 9, K::Sfv, "list.sfv"}, // no such filter
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CreateListKind(c.name, c.filter), c.kind) << c.name << " " << c.filter;
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
        {"d/a.sha256.b3", "a.sha256", "d/a.sha256"},
        {"d/a.txt.sha512", "a.txt", "d/a.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UndoAppendedExtension(c.chosen, c.typed), std::filesystem::path(c.kept))
            << c.chosen << " typed " << c.typed;
}

TEST(ListName, FolderCommandLeavesListsOut) {
    for (const char* name : {"a.sfv", "A.SFV", "b.Md5", "c.sha256", "d.B3", "SHA1SUMS"})
        EXPECT_FALSE(FolderCommandSelects(name));
    for (const char* name : {"a.txt", "noext", "a.sfv.bak", "sfv", "sums", "SHA256SUMS.txt"})
        EXPECT_TRUE(FolderCommandSelects(name));
}

TEST(ListName, PlanFolderList) {
    test::TempDir dir;
    dir.Write("data/f.txt", "x");
    const auto sep = std::filesystem::path::preferred_separator;
    const auto data = (dir / "data").native() + sep;
    for (const auto& arg : {dir / "data", dir / "data" / "", dir / "data" / "f.txt"}) {
        const FolderListPlan plan = PlanFolderList(arg, ListKind::Sfv);
        EXPECT_EQ(plan.folder.native(), data) << arg;
        EXPECT_EQ(plan.listFile, data + std::filesystem::path("data.sfv").native()) << arg;
        EXPECT_TRUE(plan.folderExists) << arg;
    }
    EXPECT_EQ(PlanFolderList(dir / "data", ListKind::Md5).listFile, dir / "data" / "data.md5");
    EXPECT_EQ(PlanFolderList(dir / "data", ListKind::Blake3).listFile, dir / "data" / "data.b3");

    // A missing folder is never taken for a file of its parent, which does exist.
    const FolderListPlan gone = PlanFolderList(dir / "gone", ListKind::Sfv);
    EXPECT_FALSE(gone.folderExists);
    EXPECT_EQ(gone.listFile, dir / "gone" / "gone.sfv");
    EXPECT_FALSE(PlanFolderList(dir / "gone" / "f.txt", ListKind::Sfv).folderExists);
#ifdef _WIN32
    const FolderListPlan root = PlanFolderList(L"C:\\", ListKind::Md5);
    EXPECT_EQ(root.folder.native(), L"C:\\");
    EXPECT_EQ(root.listFile.native(), L"C:\\.md5");
    EXPECT_TRUE(root.folderExists);
#endif
}

} // namespace
} // namespace quillon
