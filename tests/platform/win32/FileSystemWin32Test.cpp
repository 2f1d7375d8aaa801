#include "platform/FileReader.h"
#include "platform/FileSystem.h"
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

} // namespace
} // namespace quillon::platform
