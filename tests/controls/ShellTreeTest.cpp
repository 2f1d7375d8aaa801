#include "controls/ShellTree.h"
#include "tests/controls/ControlsFixture.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace quillon::test {
namespace {

bool SamePath(const std::filesystem::path& a, const std::filesystem::path& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class ShellTreeTest : public ControlsTest {
protected:
    ShellTreeTest() {
        EXPECT_TRUE(tree.Create(parent, 101));
        Place(tree.Handle(), 300, 500);
        tree.SetOnSelect([this](const std::filesystem::path& p) { selections.push_back(p); });
    }

    HWND Tree() const { return tree.TreeHandle(); }
    std::wstring Text(HTREEITEM item) const {
        wchar_t text[MAX_PATH] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = MAX_PATH;
        TreeView_GetItem(Tree(), &tv);
        return text;
    }
    std::vector<std::wstring> ChildTexts(HTREEITEM item) const {
        std::vector<std::wstring> texts;
        for (HTREEITEM c = TreeView_GetChild(Tree(), item); c;
             c = TreeView_GetNextSibling(Tree(), c))
            texts.push_back(Text(c));
        return texts;
    }

    controls::ShellTree tree;
    std::vector<std::filesystem::path> selections;
};

TEST_F(ShellTreeTest, TopItemsAreDesktopAndDocumentsThenTheDrives) {
    std::vector<std::filesystem::path> tops;
    for (HTREEITEM top = TreeView_GetRoot(Tree()); top;
         top = TreeView_GetNextSibling(Tree(), top)) {
        TreeView_SelectItem(Tree(), top);
        tops.push_back(tree.SelectedPath());
    }
    ASSERT_GE(tops.size(), 3u);
    const auto known = [](REFKNOWNFOLDERID id) {
        PWSTR text = nullptr;
        SHGetKnownFolderPath(id, 0, nullptr, &text);
        std::filesystem::path p = text ? text : L"";
        CoTaskMemFree(text);
        return p;
    };
    EXPECT_TRUE(SamePath(tops[0], known(FOLDERID_Desktop))) << tops[0];
    EXPECT_TRUE(SamePath(tops[1], known(FOLDERID_Documents))) << tops[1];
    EXPECT_EQ(selections, tops) << "every selection change is reported";
    bool driveC = false;
    for (std::size_t i = 2; i < tops.size(); ++i) {
        EXPECT_EQ(tops[i].native().size(), 3u) << tops[i] << ": a drive root like C:\\";
        driveC = driveC || SamePath(tops[i], L"C:\\");
    }
    EXPECT_TRUE(driveC);
}

TEST_F(ShellTreeTest, NavigateExpandsTheWayAndSelectsTheFolder) {
    std::filesystem::create_directories(dir / "One" / "two" / "Three");
    const auto wanted = dir / "One" / "two" / "Three";
    // Any case, a trailing separator and "/" lead to the same folder.
    ASSERT_TRUE(tree.Navigate((dir / "ONE/Two\\three\\").native()));
    EXPECT_TRUE(SamePath(tree.SelectedPath(), wanted)) << tree.SelectedPath();
    EXPECT_EQ(tree.SelectedPath().filename(), L"Three") << "the name as it is on disk";
    ASSERT_EQ(selections.size(), 1u) << "the callback ran before Navigate returned";
    EXPECT_EQ(selections[0], tree.SelectedPath());

    HTREEITEM item = TreeView_GetSelection(Tree());
    RECT shown{};
    EXPECT_TRUE(TreeView_GetItemRect(Tree(), item, &shown, TRUE)) << "scrolled into view";
    for (HTREEITEM up = TreeView_GetParent(Tree(), item); up; up = TreeView_GetParent(Tree(), up))
        EXPECT_TRUE(TreeView_GetItemState(Tree(), up, TVIS_EXPANDED) & TVIS_EXPANDED) << Text(up);

    // A missing folder leaves the selection; the same folder again reports it again.
    EXPECT_FALSE(tree.Navigate(dir / "One" / "missing"));
    EXPECT_TRUE(SamePath(tree.SelectedPath(), wanted));
    EXPECT_EQ(selections.size(), 1u);
    EXPECT_TRUE(tree.Navigate(wanted));
    EXPECT_EQ(selections.size(), 2u);

    // A drive root keeps its separator.
    ASSERT_TRUE(tree.Navigate(L"c:"));
    EXPECT_TRUE(SamePath(tree.SelectedPath(), L"C:\\")) << tree.SelectedPath();
}

TEST_F(ShellTreeTest, ListsShownSubfoldersInOrderAndStillReachesHiddenOnes) {
    for (const char* name : {"b/x", "A", "c"})
        std::filesystem::create_directories(dir / name);
    dir.Write("a.txt", "a file is no tree item");
    std::filesystem::create_directory(dir / "h");
    SetFileAttributesW((dir / "h").c_str(), FILE_ATTRIBUTE_HIDDEN);

    ASSERT_TRUE(tree.Navigate(dir.path()));
    HTREEITEM folder = TreeView_GetSelection(Tree());
    TreeView_Expand(Tree(), folder, TVE_EXPAND);
    EXPECT_EQ(ChildTexts(folder), (std::vector<std::wstring>{L"A", L"b", L"c"}));
    // The expand button only where there is something to expand.
    HTREEITEM a = TreeView_GetChild(Tree(), folder);
    HTREEITEM b = TreeView_GetNextSibling(Tree(), a);
    EXPECT_FALSE(TreeView_Expand(Tree(), a, TVE_EXPAND));
    EXPECT_TRUE(TreeView_Expand(Tree(), b, TVE_EXPAND));
    EXPECT_EQ(ChildTexts(b), std::vector<std::wstring>{L"x"});

    ASSERT_TRUE(tree.Navigate(dir / "h"));
    EXPECT_EQ(tree.SelectedPath().filename(), L"h");
    EXPECT_EQ(ChildTexts(folder), (std::vector<std::wstring>{L"A", L"b", L"c", L"h"}));
}

} // namespace
} // namespace quillon::test
