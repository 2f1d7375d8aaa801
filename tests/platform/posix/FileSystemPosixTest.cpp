#include "platform/FileSystem.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

TEST(LookupPathPosix, CharacterDeviceIsADevice) {
    auto f = LookupPath("/dev/null");
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->isDevice);
    EXPECT_FALSE(f->isDirectory);
}

// On POSIX "?" is an ordinary character of a real name, and only that name matches it.
TEST(LookupPathPosix, NameWithQuestionMarkFindsOnlyItself) {
    test::TempDir dir;
    dir.Write("a?c", "12");
    dir.Write("abc", "1");
    auto f = LookupPath(dir / "a?c");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->size, 2);
}

} // namespace
} // namespace quillon::platform
