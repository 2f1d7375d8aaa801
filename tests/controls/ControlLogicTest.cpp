#include "controls/ControlLogic.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

using namespace quillon::controls;
using Parts = std::vector<std::wstring>;

TEST(TreeFolderPath, OneSpellingPerFolder) {
    EXPECT_EQ(TreeFolderPath(L"C:\\a\\b\\").native(), L"C:\\a\\b");
    EXPECT_EQ(TreeFolderPath(L"C:/a/./c/../b").native(), L"C:\\a\\b");
    EXPECT_EQ(TreeFolderPath(L"C:\\").native(), L"C:\\");
    EXPECT_EQ(TreeFolderPath(L"C:").native(), L"C:\\");
    EXPECT_EQ(TreeFolderPath(L"\\\\server\\share\\x\\").native(), L"\\\\server\\share\\x");
    EXPECT_EQ(TreeFolderPath(L"//server/share/y/..").native(), L"\\\\server\\share");
}

TEST(ComponentsBelow, MatchesWholeComponentsWithoutRegardToCase) {
    EXPECT_EQ(ComponentsBelow(L"C:\\", L"c:\\Users\\x"), (Parts{L"Users", L"x"}));
    EXPECT_EQ(ComponentsBelow(L"C:\\Users\\Me\\Desktop", L"c:\\users\\ME\\desktop\\q"),
              Parts{L"q"});
    EXPECT_EQ(ComponentsBelow(L"C:\\Users", L"C:\\Users"), Parts{});
    EXPECT_EQ(ComponentsBelow(L"C:\\Us", L"C:\\Users"), std::nullopt);
    EXPECT_EQ(ComponentsBelow(L"C:\\Users\\x", L"C:\\Users"), std::nullopt);
    EXPECT_EQ(ComponentsBelow(L"D:\\", L"C:\\Users"), std::nullopt);

    const std::vector<std::filesystem::path> tops = {L"C:\\Users\\Me\\Desktop",
                                                     L"C:\\Users\\Me\\Documents", L"C:\\", L"D:\\"};
    EXPECT_EQ(DeepestBase(tops, L"C:\\users\\me\\desktop\\a"), 0) << "Desktop beats its drive";
    EXPECT_EQ(DeepestBase(tops, L"C:\\Users\\Me"), 2);
    EXPECT_EQ(DeepestBase(tops, L"D:\\x"), 3);
    EXPECT_EQ(DeepestBase(tops, L"E:\\x"), -1);
}

TEST(PositionsOfNames, FindsTheSelectionAgainAfterAReload) {
    std::vector<platform::FolderEntry> entries(4);
    entries[0].name = L"dir";
    entries[1].name = L"a.sfv";
    entries[2].name = L"b";
    entries[3].name = L"B";
    EXPECT_EQ(PositionsOfNames(entries, {L"B", L"gone", L"dir"}), (std::vector<std::size_t>{0, 3}));
    EXPECT_TRUE(PositionsOfNames(entries, {}).empty());
}

} // namespace
} // namespace quillon::test
