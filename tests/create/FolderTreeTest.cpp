#include "create/FolderTree.h"

#include "core/ListFile.h"
#include "platform/FolderListing.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quillon {
namespace {

// "sub/x" with this system's separator, as the walk names files.
std::filesystem::path Native(const char* name) {
    return std::filesystem::path(name).make_preferred();
}

std::vector<std::filesystem::path> Names(const FolderTree& tree) {
    std::vector<std::filesystem::path> names;
    for (const TreeFile& f : tree.files)
        names.push_back(f.name);
    return names;
}

class FolderTreeWalk : public ::testing::Test {
protected:
    FolderTreeWalk() {
        for (const char* name :
             {"a.txt", "B.bin", "l.sfv", "sub/z10.txt", "sub/z9.txt", "sub/m.md5", "sub/s2/y.txt",
              "sub/s1/x.txt", "sub/s1/deep/d.txt", "sub2/w.txt", "sub2/SHA256SUMS"})
            dir.Write(name, name);
        std::filesystem::create_directory(dir / "empty");
    }
    test::TempDir dir;
};

// Chosen files first as they are (a list too), then each chosen folder: its files, then its
// subfolders each whole before the next, in the file list's order; lists below a chosen folder
// are left out, and nothing comes twice however the chosen items overlap.
TEST_F(FolderTreeWalk, OrderNamesAndWhatIsLeftOut) {
    const struct {
        const char* what;
        std::vector<ChosenItem> chosen;
        std::vector<const char*> files;
    } cases[] = {
        {"whole tree",
         {{"", true}},
         {"a.txt", "B.bin", "sub/z9.txt", "sub/z10.txt", "sub/s1/x.txt", "sub/s1/deep/d.txt",
          "sub/s2/y.txt", "sub2/w.txt"}},
        {"files and a folder",
         {{"sub2", true}, {"l.sfv", false, 5}, {"a.txt", false, 5}},
         {"l.sfv", "a.txt", "sub2/w.txt"}},
        {"a file also below a chosen folder, a folder named twice",
         {{Native("sub/s1"), true}, {Native("sub/s1/x.txt"), false, 12}, {Native("sub/s1"), true}},
         {"sub/s1/x.txt", "sub/s1/deep/d.txt"}},
        {"a chosen folder inside another one",
         {{"", true}, {"sub", true}},
         {"a.txt", "B.bin", "sub2/w.txt", "sub/z9.txt", "sub/z10.txt", "sub/s1/x.txt",
          "sub/s1/deep/d.txt", "sub/s2/y.txt"}},
        {"an empty folder", {{"empty", true}}, {}},
    };
    for (const auto& c : cases) {
        const FolderTree tree = WalkChosenItems(dir.path(), c.chosen);
        std::vector<std::filesystem::path> want;
        for (const char* f : c.files)
            want.push_back(Native(f));
        EXPECT_EQ(Names(tree), want) << c.what;
        EXPECT_TRUE(tree.skipped.empty()) << c.what;
        EXPECT_FALSE(tree.stopped) << c.what;
        // What a walk found carries the listing's size and time; a chosen file is looked up
        // by the run.
        for (const TreeFile& f : tree.files) {
            const auto lookup = platform::LookupPath(dir / f.name);
            ASSERT_TRUE(lookup) << f.name;
            EXPECT_EQ(f.size, lookup->size) << f.name;
            bool chosenFile = false;
            for (const ChosenItem& i : c.chosen)
                chosenFile |= !i.isFolder && i.name == f.name;
            EXPECT_EQ(f.listed.has_value(), !chosenFile) << f.name;
            if (f.listed)
                EXPECT_EQ(f.listed->lastWriteTime, lookup->lastWriteTime) << f.name;
        }
    }
}

// A folder that cannot be listed, found on the way or chosen, is named with the system's reason
// and the walk goes on; keepGoing stops it between folders.
TEST_F(FolderTreeWalk, UnlistedFoldersAreReportedAndTheWalkStops) {
    platform::SetListFaultForTests(
        [](const std::filesystem::path& folder) { return folder.filename() == "s1" ? EACCES : 0; });
    const FolderTree tree = WalkChosenItems(dir.path(), {{"sub", true}, {"gone", true}});
    platform::SetListFaultForTests(nullptr);
    EXPECT_EQ(Names(tree),
              (std::vector<std::filesystem::path>{Native("sub/z9.txt"), Native("sub/z10.txt"),
                                                  Native("sub/s2/y.txt")}));
    ASSERT_EQ(tree.skipped.size(), 2u);
    EXPECT_EQ(tree.skipped[0].name, Native("sub/s1"));
    EXPECT_EQ(tree.skipped[0].reason,
              "folder not listed: " + platform::OsErrorFromCode(EACCES).text);
    EXPECT_EQ(tree.skipped[1].name, "gone");
    EXPECT_EQ(tree.skipped[1].reason.rfind("folder not listed: ", 0), 0u);
    EXPECT_GT(tree.skipped[1].reason.size(), std::string("folder not listed: ").size());

    int folders = 0;
    // The root, "empty", "sub", then no more.
    const FolderTree stopped = WalkFolderTree(dir.path(), [&folders] { return ++folders <= 3; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(folders, 4);
    EXPECT_EQ(Names(stopped), (std::vector<std::filesystem::path>{
                                  "a.txt", "B.bin", Native("sub/z9.txt"), Native("sub/z10.txt")}));
}

// A link to a folder above makes a loop: the walk neither follows it nor comes back to any file,
// and names it; a link to a file is listed as the file it points to.
TEST_F(FolderTreeWalk, LinksToFoldersAreNamedNotFollowed) {
    std::error_code ec;
    std::filesystem::create_directory_symlink(dir.path(), dir / "sub" / "loop", ec);
    if (!ec)
        std::filesystem::create_directory_symlink(dir / "sub2", dir / "sub" / "s1" / "s2link", ec);
    if (!ec)
        std::filesystem::create_symlink(dir / "a.txt", dir / "sub2" / "link.txt", ec);
    if (ec)
        GTEST_SKIP() << "no links here: " << ec.message();
    const FolderTree tree = WalkFolderTree(dir.path());
    EXPECT_EQ(Names(tree),
              (std::vector<std::filesystem::path>{
                  "a.txt", "B.bin", Native("sub/z9.txt"), Native("sub/z10.txt"),
                  Native("sub/s1/x.txt"), Native("sub/s1/deep/d.txt"), Native("sub/s2/y.txt"),
                  Native("sub2/link.txt"), Native("sub2/w.txt")}));
    ASSERT_EQ(tree.skipped.size(), 2u);
    EXPECT_EQ(tree.skipped[0].name, Native("sub/loop"));
    EXPECT_EQ(tree.skipped[1].name, Native("sub/s1/s2link"));
    for (const auto& s : tree.skipped)
        EXPECT_EQ(s.reason, "a link to a folder, not followed") << s.name;
}

// One create run over the whole tree: the progress total is the tree's, the comment lines made
// from the listing are those a lookup of each file gives, the list being written stays out even
// where no kind names it, and an abort in a subfolder writes nothing.
TEST_F(FolderTreeWalk, CreateRunOverTheTree) {
    dir.Write("tree.lst", "old");
    FolderTree tree = WalkFolderTree(dir.path());
    ASSERT_EQ(tree.files.size(), 9u); // tree.lst names no kind: only the run knows it is the list
    std::int64_t total = 0;
    std::vector<TreeFile> lookedUp = tree.files;
    for (TreeFile& f : lookedUp) {
        total += f.name == "tree.lst" ? 0 : f.size;
        f.listed.reset();
    }
    const TreeSource source(std::move(tree.files)), lookups(std::move(lookedUp));
    const auto list = dir / "tree.lst";
    RunState run;
    ASSERT_TRUE(CreateListFile(list, ListKind::Sfv, dir.path(), source, run, nullptr).written);
    EXPECT_EQ(run.Progress.TotalBytes, total);
    EXPECT_EQ(run.Progress.DoneBytes, total);
    const std::string text = test::ReadAll(list);
    EXPECT_EQ(text.find("tree.lst"), std::string::npos) << text;
    EXPECT_NE(text.find(Native("sub/s1/deep/d.txt").string() + " "), std::string::npos) << text;
    std::string again;
    // Retried while the clock's second turns between the two headers.
    for (int attempt = 0; attempt < 3 && again != text; ++attempt) {
        ASSERT_TRUE(CreateListFile(list, ListKind::Sfv, dir.path(), lookups, run, nullptr).written);
        again = test::ReadAll(list);
    }
    EXPECT_EQ(again, text);

    run.MessagePump = [&run] {
        if (run.Progress.DoneBytes > 10)
            run.AbortRequested = true;
    };
    std::filesystem::remove(list);
    const CreateOutcome aborted =
        CreateListFile(list, ListKind::Md5, dir.path(), source, run, nullptr);
    EXPECT_TRUE(aborted.aborted);
    EXPECT_FALSE(aborted.written);
    EXPECT_FALSE(std::filesystem::exists(list));
}

} // namespace
} // namespace quillon
