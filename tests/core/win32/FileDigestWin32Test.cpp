#include "core/Crc32.h"
#include "core/FileDigest.h"
#include "core/RunState.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace quillon {
namespace {

// A file another process holds open without sharing: it exists, but cannot be read.
TEST(FileDigestWin32, FileLockedWithoutSharingIsNotComplete) {
    test::TempDir dir;
    auto file = dir.Write("locked.bin", "abc");
    HANDLE lock = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    RunState run;
    struct {
        DigestResult (*fn)(const std::filesystem::path&, RunState&);
        const char* text;
    } cases[] = {{ThreadCrcText, "FFFFFFFF"},
                 {GetCrcText, "FFFFFFFF"},
                 {ThreadMd5Text, "D41D8CD98F00B204E9800998ECF8427E"},
                 {GetMd5Text, "D41D8CD98F00B204E9800998ECF8427E"}};
    for (const auto& c : cases) {
        DigestResult d = c.fn(file, run);
        EXPECT_EQ(d.text, c.text);
        EXPECT_FALSE(d.complete);
        EXPECT_EQ(d.error.code, ERROR_SHARING_VIOLATION) << d.error.text;
    }
    CloseHandle(lock);
    EXPECT_TRUE(ThreadCrcText(file, run).complete);
}

// Another process writing the file must not stop a check: share mode is read and write.
TEST(FileDigestWin32, FileOpenForWritingByOthersCanBeRead) {
    test::TempDir dir;
    auto file = dir.Write("w.bin", "abc");
    HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    RunState run;
    DigestResult d = ThreadCrcText(file, run);
    EXPECT_TRUE(d.complete);
    EXPECT_EQ(d.text, "352441C2");
    CloseHandle(writer);
}

} // namespace
} // namespace quillon
