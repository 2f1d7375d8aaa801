#include "controls/ShellList.h"
#include "tests/controls/ControlsFixture.h"
#include "util/EnhFunc.h"

#include <string>
#include <vector>

namespace quillon::test {
namespace {

class ShellListTest : public ControlsTest {
protected:
    ShellListTest() {
        EXPECT_TRUE(list.Create(parent, 100, 96));
        Place(list.Handle(), 700, 300);
    }

    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (std::size_t i = 0; i < list.Count(); ++i)
            names.push_back(list.Name(i).native());
        return names;
    }
    std::wstring Cell(std::size_t row, int column) const {
        wchar_t text[256] = {};
        ListView_GetItemText(list.ListHandle(), static_cast<int>(row), column, text, 256);
        return text;
    }
    std::size_t IndexOf(const std::wstring& name) const {
        for (std::size_t i = 0; i < list.Count(); ++i)
            if (list.Name(i) == name)
                return i;
        ADD_FAILURE() << "no row " << std::string(name.begin(), name.end());
        return 0;
    }

    controls::ShellList list;
};

TEST_F(ShellListTest, ShowsFoldersFirstThenFilesWithSizesAndPaths) {
    dir.Write("b.txt", "abc");
    dir.Write("A.bin", std::string(2000, 'x'));
    dir.Write("adir/inner.txt", "not shown");
    std::filesystem::create_directory(dir / "Zdir");

    ASSERT_TRUE(list.ShowFolder(dir.path()));
    EXPECT_EQ(list.Folder(), dir.path());
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"adir", L"Zdir", L"A.bin", L"b.txt"}));
    EXPECT_EQ(ListView_GetItemCount(list.ListHandle()), 4);
    EXPECT_TRUE(list.IsFolder(0) && list.IsFolder(1));
    EXPECT_FALSE(list.IsFolder(2) || list.IsFolder(3));
    EXPECT_EQ(list.Size(2), 2000);
    EXPECT_EQ(list.Size(3), 3);
    EXPECT_EQ(list.FullPath(2), dir / "A.bin");

    EXPECT_EQ(Cell(0, 0), L"adir");
    EXPECT_EQ(Cell(0, 1), L"") << "a folder has no size";
    EXPECT_EQ(Cell(2, 1), L"1 KB");
    EXPECT_EQ(Cell(3, 1), L"3 bytes");
    EXPECT_FALSE(Cell(3, 3).empty()) << "Modified";
    EXPECT_EQ(ListView_GetColumnWidth(list.ListHandle(), 2), 0) << "Type stays hidden";
    list.SetSizeFormat(
        [](std::int64_t bytes) { return FormatSize(SizeModeBytes, false, bytes * 1.0); });
    EXPECT_EQ(Cell(2, 1), L"2,000");

    // Icons: one for folders, the file kinds their own.
    LVITEMW folder{}, file{};
    folder.mask = file.mask = LVIF_IMAGE;
    file.iItem = 3;
    ListView_GetItem(list.ListHandle(), &folder);
    ListView_GetItem(list.ListHandle(), &file);
    EXPECT_NE(folder.iImage, file.iImage);
}

TEST_F(ControlsTest, ListColumnsFollowTheDpi) {
    controls::ShellList list;
    ASSERT_TRUE(list.Create(parent, 100, 144));
    EXPECT_EQ(ListView_GetColumnWidth(list.ListHandle(), 0), 360);
    ListView_SetColumnWidth(list.ListHandle(), 1, 150); // the user's own width
    list.SetDpi(96);
    EXPECT_EQ(ListView_GetColumnWidth(list.ListHandle(), 0), 240);
    EXPECT_EQ(ListView_GetColumnWidth(list.ListHandle(), 1), 100);
    EXPECT_EQ(ListView_GetColumnWidth(list.ListHandle(), 2), 0);
}

TEST_F(ShellListTest, SelectionLivesInTheControlAndEndsWithTheFolder) {
    for (const char* name : {"1", "2", "3", "4"})
        dir.Write(name, name);
    ASSERT_TRUE(list.ShowFolder(dir.path()));
    list.SetSelected(1, true);
    list.SetSelected(3, true);
    EXPECT_EQ(list.SelectedCount(), 2u);
    EXPECT_EQ(ListView_GetSelectedCount(list.ListHandle()), 2u);
    EXPECT_TRUE(list.Selected(1) && list.Selected(3));
    EXPECT_FALSE(list.Selected(0) || list.Selected(2));
    list.SetSelected(1, false);
    EXPECT_EQ(list.SelectedCount(), 1u);

    // Another folder starts unselected; one that cannot be listed shows nothing.
    std::filesystem::create_directory(dir / "sub");
    dir.Write("sub/x", "x");
    ASSERT_TRUE(list.ShowFolder(dir / "sub"));
    EXPECT_EQ(list.SelectedCount(), 0u);
    EXPECT_FALSE(list.ShowFolder(dir / "missing"));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(ListView_GetItemCount(list.ListHandle()), 0);
}

TEST_F(ShellListTest, FollowsChangesKeepingSelectionAndScroll) {
    for (int i = 0; i < 40; ++i)
        dir.Write(std::filesystem::path(L"f") += std::to_wstring(100 + i), "x");
    ASSERT_TRUE(list.ShowFolder(dir.path()));
    list.SetSelected(IndexOf(L"f105"), true);
    list.SetSelected(IndexOf(L"f120"), true);
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(list.ListHandle(), 0, &row, LVIR_BOUNDS));
    ListView_Scroll(list.ListHandle(), 0, 10 * (row.bottom - row.top));
    ASSERT_EQ(ListView_GetTopIndex(list.ListHandle()), 10);

    // A list written into the folder sorts first and moves every row down by one.
    dir.Write("a.sfv", "f100 00000000\r\n");
    ASSERT_TRUE(PumpUntil([&] { return list.Count() == 41; })) << "the new file never came";
    EXPECT_EQ(list.Name(0), L"a.sfv");
    EXPECT_EQ(list.SelectedCount(), 2u);
    EXPECT_TRUE(list.Selected(IndexOf(L"f105")) && list.Selected(IndexOf(L"f120")));
    EXPECT_EQ(list.Name(static_cast<std::size_t>(ListView_GetTopIndex(list.ListHandle()))),
              L"f110");

    std::filesystem::remove(dir / "f105");
    ASSERT_TRUE(PumpUntil([&] { return list.Count() == 40; }));
    EXPECT_EQ(list.SelectedCount(), 1u);
    EXPECT_TRUE(list.Selected(IndexOf(L"f120")));
}

TEST_F(ShellListTest, FolderDeletedWhileShownEndsEmpty) {
    dir.Write("gone/a", "a");
    dir.Write("gone/b", "b");
    ASSERT_TRUE(list.ShowFolder(dir / "gone"));
    ASSERT_EQ(list.Count(), 2u);
    std::error_code ec;
    std::filesystem::remove_all(dir / "gone", ec);
    ASSERT_FALSE(ec) << "the watch must not hold the folder: " << ec.message();
    EXPECT_TRUE(PumpUntil([&] { return list.Count() == 0; }));
    EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
    // The watch has ended; showing another folder must not wait for it.
    EXPECT_TRUE(list.ShowFolder(dir.path()));
}

TEST_F(ShellListTest, OpensFolderRowsAndHandsKeysAndMenusToTheOwner) {
    std::filesystem::create_directory(dir / "inner");
    dir.Write("file", "x");
    ASSERT_TRUE(list.ShowFolder(dir.path()));
    std::vector<std::filesystem::path> opened;
    list.SetOnOpenFolder([&](const std::filesystem::path& p) { opened.push_back(p); });
    const auto doubleClick = [&](int row) {
        RECT r{};
        ListView_GetItemRect(list.ListHandle(), row, &r, LVIR_LABEL);
        const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            SendMessageW(list.ListHandle(), m, m == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
        PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    };
    doubleClick(1);
    EXPECT_TRUE(opened.empty()) << "a file is not a folder to open";
    doubleClick(0);
    EXPECT_EQ(opened, std::vector<std::filesystem::path>{dir / "inner"});

    // A key the owner takes never reaches the list.
    std::vector<UINT> keys;
    bool take = true;
    list.SetOnKeyDown([&](UINT vk) {
        keys.push_back(vk);
        return take;
    });
    ListView_SetItemState(list.ListHandle(), 0, LVIS_FOCUSED | LVIS_SELECTED,
                          LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageW(list.ListHandle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(ListView_GetNextItem(list.ListHandle(), -1, LVNI_FOCUSED), 0);
    take = false;
    SendMessageW(list.ListHandle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(ListView_GetNextItem(list.ListHandle(), -1, LVNI_FOCUSED), 1);
    EXPECT_EQ(keys, (std::vector<UINT>{VK_DOWN, VK_DOWN}));

    // The menu key: the menu opens at the focused row.
    std::vector<POINT> menus;
    list.SetOnContextMenu([&](POINT p) { menus.push_back(p); });
    SendMessageW(list.ListHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.ListHandle()),
                 -1);
    ASSERT_EQ(menus.size(), 1u);
    RECT r{};
    ListView_GetItemRect(list.ListHandle(), 1, &r, LVIR_BOUNDS);
    MapWindowPoints(list.ListHandle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(menus[0].y >= r.top && menus[0].y <= r.bottom && menus[0].x >= r.left &&
                menus[0].x < r.right)
        << menus[0].x << "," << menus[0].y;
}

} // namespace
} // namespace quillon::test
