#include "platform/FileReader.h"
#include "platform/FileSystem.h"
#include "platform/win32/LongPath.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quillon::platform {
namespace {

// Device names open a device in any folder; a check must see them as "not a file".
TEST(LookupPathWin32, ReservedDeviceNamesAreDevices) {
    test::TempDir dir;
    for (const wchar_t* name : {L"NUL", L"nul.txt", L"CON", L"COM1", L"LPT9", L"AUX.dat", L"PRN"}) {
        auto f = LookupPath(dir.path() / name);
        ASSERT_TRUE(f) << std::filesystem::path(name).string();
        EXPECT_TRUE(f->isDevice);
    }
    for (const wchar_t* name : {L"COM0.txt", L"CONSOLE", L"NULL"})
        EXPECT_FALSE(LookupPath(dir.path() / name)) << std::filesystem::path(name).string();
}

// CreateFileW opens these happily; the check's open must not.
TEST(FileReaderWin32, RegularOnlyRefusesDevices) {
    test::TempDir dir;
    for (const wchar_t* name : {L"NUL", L"nul.txt", L"CON", L"COM1"}) {
        FileReader reader;
        OsError error;
        EXPECT_FALSE(reader.Open(dir.path() / name, &error, OpenMode::RegularOnly))
            << std::filesystem::path(name).string();
        EXPECT_TRUE(error.noFile) << std::filesystem::path(name).string();
    }
}

TEST(ReplaceFileContentsWin32, HiddenListStaysHidden) {
    test::TempDir dir;
    const auto list = dir.Write("l.sfv", "old\r\n");
    ASSERT_TRUE(SetFileAttributesW(list.c_str(), FILE_ATTRIBUTE_HIDDEN));
    OsError error;
    ASSERT_TRUE(ReplaceFileContents(list, "new\r\n", &error)) << error.text;
    EXPECT_EQ(test::ReadAll(list), "new\r\n");
    const DWORD attributes = GetFileAttributesW(list.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    // A plain list stays plain.
    const auto plain = dir.Write("p.sfv", "old\r\n");
    ASSERT_TRUE(ReplaceFileContents(plain, "new\r\n", &error)) << error.text;
    EXPECT_EQ(GetFileAttributesW(plain.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

// Beyond MAX_PATH the file functions want the "\\?\" form of an absolute, normal path. (Wine
// does not hold paths to MAX_PATH, so the forms are checked here, and the long files below
// only prove that nothing on the way cuts or mangles such a path.)
TEST(LongPathWin32, LongPathsGoThroughTheExtendedForm) {
    const std::wstring deep = L"C:\\data\\" + std::wstring(300, L'a') + L"\\x.bin";
    EXPECT_EQ(ExtendedPath(L"C:\\data\\x.bin"), L"C:\\data\\x.bin");
    EXPECT_EQ(ExtendedPath(deep), L"\\\\?\\" + deep);
    EXPECT_EQ(ExtendedPath(L"C:/data/./skip/../" + std::wstring(300, L'a') + L"/x.bin"),
              L"\\\\?\\" + deep);
    const std::wstring share = L"\\\\server\\share\\" + std::wstring(300, L'b');
    EXPECT_EQ(ExtendedPath(share), L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'b'));
    EXPECT_EQ(ExtendedPath(L"\\\\?\\" + deep), L"\\\\?\\" + deep);

    test::TempDir dir;
    std::filesystem::path folder = dir.path();
    for (int i = 0; i < 3; ++i) folder /= std::wstring(100, static_cast<wchar_t>(L'p' + i));
    ASSERT_TRUE(CreateDirectoryW(ExtendedPath((folder.parent_path().parent_path()).native()).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(ExtendedPath(folder.parent_path().native()).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(ExtendedPath(folder.native()).c_str(), nullptr));
    const auto file = folder / L"list.sfv";
    ASSERT_GT(file.native().size(), 300u);
    OsError error;
    ASSERT_TRUE(ReplaceFileContents(file, "a.bin 00000000\r\n", &error)) << error.text;
    const auto found = LookupPath(file);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size, 16);
    EXPECT_EQ(ReadWholeFile(file, &error, 1 << 20), "a.bin 00000000\r\n");
    EXPECT_TRUE(DirectoryExists(folder));
}

} // namespace
} // namespace quillon::platform
