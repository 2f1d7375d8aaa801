#include "core/FileError.h"
#include "core/ListFile.h"
#include "platform/TextCodec.h"
#include "tests/verify/VerifyFixture.h"
#include "verify/Loader.h"

#include <gtest/gtest.h>

#include <set>

namespace quillon::test {
namespace {

using LoadListFilesTest = VerifyFixture;

std::string Caption(const std::filesystem::path& list) {
    return "Quillon 2.6 - " + Narrow(ViewText(list.filename().native()));
}

TEST_F(LoadListFilesTest, EntriesInListOrderWithPathsSizesAndRows) {
    dir.Write("abc.txt", "abc");
    dir.Write("empty.dat", "");
    const auto list = List("one.sfv", {"; comment", "abc.txt 352441C2", "empty.dat 00000000",
                                       "gone.bin 12345678", "abc.txt 352441C2"});
    Load({list});
    ASSERT_EQ(model->ItemList.size(), 3u); // the last line is a duplicate
    EXPECT_EQ(Entry(0).FileName, dir / "abc.txt");
    EXPECT_EQ(Entry(0).Checksum, "352441C2");
    EXPECT_EQ(Entry(0).Size, 3);
    EXPECT_EQ(Entry(1).Size, 0);
    EXPECT_EQ(Entry(2).Size, -1);
    EXPECT_EQ(*Entry(2).ListFile, list);
    for (const auto& e : model->ItemList) EXPECT_EQ(e->Status, StatusUnchecked);
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{3, 0, 0, 0}));
    ASSERT_EQ(view.rows.size(), 4u);
    EXPECT_EQ(view.rows[0].caption, Narrow(list.native()));
    EXPECT_EQ(view.rows[3].caption, "gone.bin");
    EXPECT_EQ(view.SizeTextOf(3), "Not Found");
    EXPECT_TRUE(view.checkEnabled);
    EXPECT_EQ(view.caption, Caption(list));
    EXPECT_GT(view.repaints, 0);
    EXPECT_FALSE(Md5Mode);
    ExpectRowsMatchEntries();
    // The window's progress routine is the one the digests report to.
    ASSERT_TRUE(run.OnProgress);
    run.OnProgress(50, 1000);
    EXPECT_EQ(run.Progress.DoneBytes, 1000);
}

// Long lists look their sizes up on several threads: every entry must still get its own size,
// at load and again when a check starts.
TEST_F(LoadListFilesTest, SizesOfALongListBelongToTheirEntries) {
    constexpr int Count = 20000;
    std::vector<std::string> lines;
    for (int i = 0; i < Count; ++i) {
        const std::string name = std::string("f").append(std::to_string(i)).append(".bin");
        if (i % 997 == 0) dir.Write(name, std::string(static_cast<std::size_t>(i % 50), 'x'));
        lines.push_back(name + " 00000000");
    }
    Load({List("long.sfv", lines)});
    ASSERT_EQ(model->ItemList.size(), static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i)
        ASSERT_EQ(Entry(static_cast<std::size_t>(i)).Size, i % 997 == 0 ? i % 50 : -1) << i;

    // Files that changed after the load: the start of a check sees them.
    dir.Write("f0.bin", "12345");
    std::filesystem::remove(dir / "f997.bin");
    dir.Write("f19999.bin", "abc");
    Check();
    EXPECT_EQ(Entry(0).Size, 5);
    EXPECT_EQ(Entry(997).Size, -1);
    EXPECT_EQ(Entry(19999).Size, 3);
    EXPECT_EQ(Entry(1994).Size, 1994 % 50);
}

// A missing folder answers for all of its entries at once; names in folders that exist, and a
// "folder" that is a file, are still looked up one by one. The same again when the check starts,
// after the folder has appeared.
TEST_F(LoadListFilesTest, EntriesOfAMissingFolderAreNotFound) {
    std::vector<std::string> lines;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        dir.Write("here/" + n, std::string(static_cast<std::size_t>(i), 'x'));
        lines.push_back("here\\" + n + " 0");
        lines.push_back("gone\\" + n + " 0");
        lines.push_back("file.txt\\" + n + " 0");
    }
    dir.Write("file.txt", "abc");
    Load({List("l.sfv", lines)});
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(Entry(3 * i).Size, static_cast<std::int64_t>(i));
        EXPECT_EQ(Entry(3 * i + 1).Size, -1);
        EXPECT_EQ(Entry(3 * i + 2).Size, -1);
    }
    dir.Write("gone/7", "1234567");
    Check();
    EXPECT_EQ(Entry(3 * 7 + 1).Size, 7);
    EXPECT_EQ(Entry(3 * 8 + 1).Size, -1);
}

TEST_F(LoadListFilesTest, ReloadReplacesEverything) {
    dir.Write("a.bin", "abc");
    Load({List("first.sfv", {"a.bin 352441C2", "b.bin 00000000"})});
    Entry(0).Status = StatusGood;
    Entry(1).Status = StatusMissing;
    model->Counters.GoodCount = 1;
    model->Counters.MissingCount = 1;
    model->Counters.UncheckedCount = 0;
    const auto second = List("second.sfv", {"a.bin 352441C2", "c.bin 1", "d.bin 2"});
    // A list view paints from its rows: they must go while their entries still exist.
    int deadRows = 0;
    view.hook = [&](std::string_view op, std::int32_t) {
        if (op != "delete") return;
        // The entries the rows show are exactly those still in the list (freed memory may come
        // back at the same address, so one pointer at a time would not tell).
        std::set<const TItemRec*> shown, alive;
        for (const auto& row : view.rows)
            if (row.data) shown.insert(row.data);
        for (const auto& e : model->ItemList) alive.insert(e.get());
        if (!shown.empty() && shown != alive) ++deadRows;
    };
    Load({second});
    view.hook = nullptr;
    EXPECT_EQ(deadRows, 0);
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>(3, StatusUnchecked)));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{3, 0, 0, 0}));
    EXPECT_EQ(view.rows.size(), 4u);
    EXPECT_EQ(view.caption, Caption(second));
    ExpectRowsMatchEntries();
}

TEST_F(LoadListFilesTest, NamesResolveBelowTheListFolder) {
    dir.Write("sub/data.bin", "abc");
    std::filesystem::create_directory(dir / "folder");
    Load({List("l.sfv", {"sub\\data.bin 352441C2", "folder 00000000", "x 1"})});
    EXPECT_EQ(Entry(0).FileName, dir / "sub" / "data.bin");
    EXPECT_EQ(Entry(0).Size, 3);
    // Its path from the list's folder, as the separator of this system writes it.
    EXPECT_EQ(view.rows[1].caption, (std::filesystem::path("sub") / "data.bin").string());
    EXPECT_EQ(Entry(1).Size, -1); // a folder has no size
    EXPECT_EQ(view.SizeTextOf(2), "Not Found");
}

TEST_F(LoadListFilesTest, FullPathInAListStaysBelowTheListFolder) {
    const auto list = List("l.sfv", {"\\data\\x.bin 1"});
    Load({list});
    const ViewText folder = ListFolderPart(list);
    EXPECT_EQ(Entry(0).FileName.substr(0, folder.size()), folder);
    EXPECT_GT(Entry(0).FileName.size(), folder.size() + 5);
}

#ifndef _WIN32
// An absolute name is that file, as md5sum reads it: glued to the list's folder, the same list
// would check shadow/data/f.bin or data/f.bin depending on how its own path was typed.
TEST_F(LoadListFilesTest, AbsoluteNamesOnPosixAreThatPath) {
    const auto real = dir.Write("data/f.bin", "abc");
    dir.Write("shadow" + real.string(), "abd");
    Load({List("shadow/l.sfv", {real.string() + " 352441C2", "rel.bin 1"})});
    EXPECT_EQ(Entry(0).FileName, real);
    EXPECT_EQ(Entry(1).FileName, dir / "shadow" / "rel.bin");
    Load({std::filesystem::relative(dir / "shadow" / "l.sfv")});
    EXPECT_EQ(Entry(0).FileName, real);
}
#endif

TEST_F(LoadListFilesTest, ListWithoutFolderResolvesAgainstTheCurrentFolder) {
    dir.Write("abc.txt", "abc");
    List("here.sfv", {"abc.txt 352441C2"});
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    Load({"here.sfv"});
    std::filesystem::current_path(before);
    ASSERT_EQ(model->ItemList.size(), 1u);
    EXPECT_EQ(Entry(0).FileName, std::filesystem::path("abc.txt"));
    EXPECT_EQ(Entry(0).Size, 3);
    // The caption takes the last component after the last separator: there is none.
    EXPECT_EQ(view.caption, "Quillon 2.6 - ");
}

TEST_F(LoadListFilesTest, SeveralListsShareOneKindFromTheLast) {
    const auto a = List("a.sfv", {"x.bin 352441C2", "same.bin 00000000"});
    const auto b = List("b.md5", {"900150983CD24FB0D6963F7D28E17F72 *y.bin", "00 same.bin"});
    Load({a, b});
    EXPECT_TRUE(Md5Mode);
    ASSERT_EQ(model->ItemList.size(), 4u); // duplicates go only within one list
    EXPECT_EQ(Entry(0).FileName, dir / "x.bin");
    EXPECT_EQ(Entry(2).FileName, dir / "y.bin");
    EXPECT_EQ(Entry(2).Checksum, "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Entry(3).FileName, dir / "same.bin");
    ASSERT_EQ(view.rows.size(), 7u);
    EXPECT_EQ(view.rows[3].image, ImageNone);
    EXPECT_EQ(view.rows[4].caption, Narrow(b.native()));
    EXPECT_EQ(view.caption, Caption(b));

    Load({b, a});
    EXPECT_FALSE(Md5Mode);
}

TEST_F(LoadListFilesTest, EmptyListFilesAndCommentOnlyLists) {
    Load({});
    EXPECT_TRUE(model->ItemList.empty());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_FALSE(view.checkEnabled);
    EXPECT_EQ(view.caption, "Quillon 2.6 - ");

    const auto comments = List("c.sfv", {"; only", ";"});
    Load({comments});
    EXPECT_TRUE(model->ItemList.empty());
    EXPECT_TRUE(view.rows.empty()); // no entry, no header
    EXPECT_FALSE(view.checkEnabled);
    EXPECT_EQ(view.caption, Caption(comments));
}

// A list that cannot be opened stops the load; the view then shows exactly the entries read
// before it, the counters count them, the caption names the lists read, and the error reaches the
// caller. With none read, the window is as before any load: no list named, Check offering Open.
TEST_F(LoadListFilesTest, FailedLoadLeavesAConsistentView) {
    Load({List("old.sfv", {"o1 1", "o2 2", "o3 3"})});
    const auto good = List("good.sfv", {"g1 1", "g2 2"});
    const auto missing = dir / "missing.sfv";
    const auto after = List("after.sfv", {"a1 1"});
    model->ListFiles = {good, missing, after};
    try {
        model->LoadListFiles();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.kind(), FileError::Kind::Open);
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + platform::Utf8FromPath(missing));
    }
    ASSERT_EQ(model->ItemList.size(), 2u);
    EXPECT_EQ(*Entry(0).ListFile, good);
    ASSERT_EQ(view.rows.size(), 3u);
    ExpectRowsMatchEntries();
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{2, 0, 0, 0}));
    EXPECT_TRUE(view.checkEnabled);
    EXPECT_EQ(view.caption, Caption(good));
    EXPECT_EQ(model->ListFiles, (std::vector<std::filesystem::path>{good}));
    EXPECT_EQ(view.batchDepth, 0);

    model->ListFiles = {missing};
    EXPECT_THROW(model->LoadListFiles(), FileError);
    EXPECT_TRUE(model->ItemList.empty());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 0, 0}));
    EXPECT_TRUE(view.checkEnabled);
    EXPECT_TRUE(model->ListFiles.empty());
    EXPECT_EQ(view.caption, "Quillon 2.6");
}

// Lines whose checksum is no digest of the list's kind are counted: most of them so, and the list
// is no checksum list (a picture, a document) whatever its name says.
TEST_F(LoadListFilesTest, ReportsLinesThatAreNotUnderstood) {
    std::string junk = "GIF89a\x01\x02 binary\r\n";
    for (int i = 0; i < 9; ++i)
        junk += "\xff\xd8 " + std::to_string(i) + std::string(" noise\0 more\n", 13);
    const struct {
        const char* name;
        std::string text;
        std::size_t entries, notUnderstood;
        bool junk;
    } cases[] = {
        {"good.sfv", "a 352441C2\r\nb 352441c2\r\n", 2, 0, false},
        {"one bad line.sfv", "a 352441C2\r\nb 35244\r\nc 00000000\r\n", 3, 1, false},
        {"junk.sfv", junk, 11, 11, true}, // a NUL ends a line, " more" is one more
        {"half.md5", std::string(32, 'a') + " x\r\nnot a line\r\n", 2, 1, false},
        {"comments.sfv", "; only a comment\r\n", 0, 0, false},
    };
    for (const auto& c : cases) {
        model->ListFiles = {dir.Write(c.name, c.text)};
        std::vector<ListReport> reports;
        model->LoadListFiles(false, &reports);
        ASSERT_EQ(reports.size(), 1u) << c.name;
        EXPECT_EQ(reports[0].entries, c.entries) << c.name;
        EXPECT_EQ(reports[0].notUnderstood, c.notUnderstood) << c.name;
        EXPECT_EQ(reports[0].LooksLikeJunk(), c.junk) << c.name;
    }
}

// Hex digits of either case, of the kind's length; the characters beside the ranges are not.
TEST(HoldsDigestOfItsKind, HexOfTheKindsLength) {
    const struct {
        std::string_view checksum;
        ListKind kind;
        bool holds;
    } cases[] = {
        {"0123ABCD", ListKind::Sfv, true}, {"89abcdef", ListKind::Sfv, true},
        {"0123ABC", ListKind::Sfv, false}, {"0123ABCDE", ListKind::Sfv, false},
        {"0123ABC/", ListKind::Sfv, false}, {"0123ABC:", ListKind::Sfv, false},
        {"0123ABC@", ListKind::Sfv, false}, {"0123ABCG", ListKind::Sfv, false},
        {"0123ABC`", ListKind::Sfv, false}, {"0123ABCg", ListKind::Sfv, false},
        {"0123ABC\xC1", ListKind::Sfv, false}, {"0123ABC ", ListKind::Sfv, false},
        {"d41d8cd98f00b204e9800998ecf8427e", ListKind::Md5, true},
        {"d41d8cd98f00b204e9800998ecf8427x", ListKind::Md5, false},
        {"anything", ListKind::Unsupported, true},
    };
    for (const auto& c : cases) {
        ListEntry entry;
        entry.checksum = c.checksum;
        entry.kind = c.kind;
        EXPECT_EQ(HoldsDigestOfItsKind(entry), c.holds) << c.checksum;
    }
}

TEST(ListFolderPart, UpToTheLastSeparator) {
#ifdef _WIN32
    EXPECT_EQ(ListFolderPart(L"C:\\lists\\a.sfv"), L"C:\\lists\\");
    EXPECT_EQ(ListFolderPart(L"C:a.sfv"), L"C:");
    EXPECT_EQ(ListFolderPart(L"C:/lists/a.sfv"), L"C:/lists/");
#else
    EXPECT_EQ(ListFolderPart("/lists/a.sfv"), "/lists/");
    EXPECT_EQ(ListFolderPart("/li:sts/my:list.sfv"), "/li:sts/");
    EXPECT_EQ(EntryPath("/lists/", "sub\\deeper\\f.bin"), std::filesystem::path("/lists/sub/deeper/f.bin"));
#endif
    EXPECT_EQ(ListFolderPart("a.sfv"), ViewText());
}

TEST(ListCaption, LastComponentOfTheTrimmedText) {
    const std::string title = "Quillon 2.6";
#ifdef _WIN32
    const std::filesystem::path one = L"C:\\l\\one.sfv", two = L"D:\\m\\two.md5";
#else
    const std::filesystem::path one = "/l/one.sfv", two = "/m/two.md5";
#endif
    EXPECT_EQ(Narrow(ListCaption(title, {})), "Quillon 2.6 - ");
    EXPECT_EQ(Narrow(ListCaption(title, {one})), "Quillon 2.6 - one.sfv");
    EXPECT_EQ(Narrow(ListCaption(title, {one, two})), "Quillon 2.6 - two.md5");
    EXPECT_EQ(Narrow(ListCaption(title, {std::filesystem::path(one.native() + ViewTextFromAscii("  "))})),
              "Quillon 2.6 - one.sfv");
}

} // namespace
} // namespace quillon::test
