#include "create/FolderTree.h"

#include "platform/FolderListing.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace quillon {
namespace {

// Names as the walk gives them: "sub/x" with this system's separator.
std::vector<std::filesystem::path> Native(const std::vector<const char*>& names) {
    std::vector<std::filesystem::path> paths;
    for (const char* n : names)
        paths.push_back(std::filesystem::path(n).make_preferred());
    return paths;
}

std::vector<std::filesystem::path> Names(const FolderTree& tree) {
    std::vector<std::filesystem::path> names;
    for (const TreeFile& f : tree.files)
        names.push_back(f.name);
    return names;
}

const std::vector<const char*> whole = {"a.txt",        "B.bin",        "sub/z9.txt",
                                        "sub/z10.txt",  "sub/s1/x.txt", "sub/s1/deep/d.txt",
                                        "sub/s2/y.txt", "sub2/w.txt"};

class FolderTreeWalk : public ::testing::Test {
protected:
    FolderTreeWalk() {
        for (const char* name :
             {"a.txt", "B.bin", "l.sfv", "sub/z10.txt", "sub/z9.txt", "sub/m.md5", "sub/s2/y.txt",
              "sub/s1/x.txt", "sub/s1/deep/d.txt", "sub2/w.txt"})
            dir.Write(name, name);
    }
    test::TempDir dir;
};

// Chosen files first as they are (a list too), then each chosen folder: its files, then its
// subfolders each whole before the next, in the file list's order; lists below a chosen folder
// are left out, and nothing comes twice however the chosen items overlap.
TEST_F(FolderTreeWalk, OrderNamesAndWhatIsLeftOut) {
    const struct {
        std::vector<ChosenItem> chosen;
        std::vector<const char*> files;
    } cases[] = {
        {{{"", true}}, whole},
        {{{"sub2", true}, {"l.sfv", false, 5}, {"a.txt", false, 5}},
         {"l.sfv", "a.txt", "sub2/w.txt"}},
        {{{Native({"sub/s1"})[0], true}, {Native({"sub/s1/x.txt"})[0], false}, {"sub/s1", true}},
         {"sub/s1/x.txt", "sub/s1/deep/d.txt"}},
        {{{"", true}, {"sub", true}},
         {"a.txt", "B.bin", "sub2/w.txt", "sub/z9.txt", "sub/z10.txt", "sub/s1/x.txt",
          "sub/s1/deep/d.txt", "sub/s2/y.txt"}},
    };
    for (const auto& c : cases) {
        const FolderTree tree = WalkChosenItems(dir.path(), c.chosen);
        EXPECT_EQ(Names(tree), Native(c.files)) << c.files.back();
        EXPECT_TRUE(tree.skipped.empty() && !tree.stopped) << c.files.back();
        // A walked file carries its listing's size and time; a chosen one is the run's to look up.
        for (const TreeFile& f : tree.files)
            EXPECT_EQ(f.listed.has_value(), std::none_of(c.chosen.begin(), c.chosen.end(),
                                                         [&f](const ChosenItem& i) {
                                                             return !i.isFolder && i.name == f.name;
                                                         }))
                << f.name;
    }
}

// What the walk does not enter is named: a folder it cannot list (the walk goes on), a link to a
// folder, here one that loops back to the top, which neither hangs the walk nor repeats a file.
// keepGoing stops it between folders.
TEST_F(FolderTreeWalk, WhatIsNotEnteredIsNamed) {
    platform::SetListFaultForTests(
        [](const std::filesystem::path& folder) { return folder.filename() == "s1" ? EACCES : 0; });
    const FolderTree tree = WalkChosenItems(dir.path(), {{"sub", true}, {"gone", true}});
    platform::SetListFaultForTests(nullptr);
    EXPECT_EQ(Names(tree), Native({"sub/z9.txt", "sub/z10.txt", "sub/s2/y.txt"}));
    ASSERT_EQ(tree.skipped.size(), 2u);
    EXPECT_EQ(tree.skipped[0].name, Native({"sub/s1"})[0]);
    EXPECT_EQ(tree.skipped[0].reason,
              "folder not listed: " + platform::OsErrorFromCode(EACCES).text);
    EXPECT_EQ(tree.skipped[1].name, "gone");
    EXPECT_GT(tree.skipped[1].reason.size(), std::string("folder not listed: ").size());

    int folders = 0; // the top, sub, sub/s1, then no more
    const FolderTree stopped = WalkFolderTree(dir.path(), [&folders] { return ++folders <= 3; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(Names(stopped),
              Native({"a.txt", "B.bin", "sub/z9.txt", "sub/z10.txt", "sub/s1/x.txt"}));

    std::error_code ec;
    std::filesystem::create_directory_symlink(dir.path(), dir / "sub" / "loop", ec);
    if (ec)
        GTEST_SKIP() << "no links here: " << ec.message();
    const FolderTree looped = WalkFolderTree(dir.path());
    EXPECT_EQ(Names(looped), Native(whole));
    ASSERT_EQ(looped.skipped.size(), 1u);
    EXPECT_EQ(looped.skipped[0].name, Native({"sub/loop"})[0]);
    EXPECT_EQ(looped.skipped[0].reason, "a link to a folder, not followed");
}

// One create run over the whole tree: its progress total is the tree's, the list being written
// stays out where no kind names it, the comment lines made from the listing are those a lookup
// gives, and an abort in the middle writes nothing.
TEST_F(FolderTreeWalk, CreateRunOverTheTree) {
    const auto list = dir.Write("tree.lst", "old");
    FolderTree tree = WalkFolderTree(dir.path());
    std::vector<TreeFile> unlisted = tree.files;
    std::int64_t total = -3; // not the list's own
    for (TreeFile& f : unlisted) {
        total += f.size;
        f.listed.reset();
    }
    const TreeSource source(std::move(tree.files)), lookups(std::move(unlisted));
    RunState run;
    std::string text, again;
    // Retried while the clock's second turns between the two headers.
    for (int attempt = 0; attempt < 3 && (text.empty() || again != text); ++attempt) {
        ASSERT_TRUE(CreateListFile(list, ListKind::Sfv, dir.path(), source, run, nullptr).written);
        text = test::ReadAll(list);
        CreateListFile(list, ListKind::Sfv, dir.path(), lookups, run, nullptr);
        again = test::ReadAll(list);
    }
    EXPECT_EQ(again, text);
    EXPECT_EQ(run.Progress.TotalBytes, total);
    EXPECT_EQ(text.find("tree.lst"), std::string::npos) << text;
    EXPECT_NE(text.find(Native({"sub/s1/deep/d.txt"})[0].string() + " "), std::string::npos);

    run.MessagePump = [&run] { run.AbortRequested = run.Progress.DoneBytes > 10; };
    std::filesystem::remove(list);
    const CreateOutcome aborted =
        CreateListFile(list, ListKind::Md5, dir.path(), source, run, nullptr);
    EXPECT_TRUE(aborted.aborted && !aborted.written);
    EXPECT_FALSE(std::filesystem::exists(list));
}

} // namespace
} // namespace quillon
