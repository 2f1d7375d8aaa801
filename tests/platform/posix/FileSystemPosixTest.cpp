#include "platform/FileReader.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <vector>

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

// A FIFO with no writer would hold a plain open forever; devices read without end.
TEST(FileReaderPosix, RegularOnlyRefusesFifosAndDevicesAtOnce) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    for (const auto& name : {dir / "fifo", dir / "zero", std::filesystem::path("/dev/null")}) {
        FileReader reader;
        OsError error;
        EXPECT_FALSE(reader.Open(name, &error, OpenMode::RegularOnly)) << name;
        EXPECT_TRUE(error.noFile) << name;
        EXPECT_FALSE(reader.IsOpen());
    }
}

// Root opens past chmod 000, but not a write-only sysctl: a file that is there yet unreadable.
TEST(FileReaderPosix, RegularOnlyUnopenableFileIsNoNoFile) {
    const std::filesystem::path wronly = "/proc/sys/vm/drop_caches";
    std::error_code ec;
    if (!std::filesystem::exists(wronly, ec) || FileReader().Open(wronly, nullptr))
        GTEST_SKIP() << "no file that cannot be opened";
    OsError error;
    EXPECT_FALSE(FileReader().Open(wronly, &error, OpenMode::RegularOnly));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(error.noFile);
}

// A stream is read up to the limit and no further: /dev/zero as a list must not fill the memory.
// A stream within the limit is read whole.
TEST(ReadWholeFilePosix, StreamsStopAtTheLimit) {
    OsError error;
    EXPECT_FALSE(ReadWholeFile("/dev/zero", &error, 1 << 20));
    EXPECT_EQ(error.code, EFBIG);

    test::TempDir dir;
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string data(300000, 'y');
    std::thread writer([&] {
        std::FILE* f = std::fopen(fifo.c_str(), "wb");
        if (!f)
            return;
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    });
    const auto text = ReadWholeFile(fifo, &error, 300000);
    writer.join();
    EXPECT_EQ(text, data);
}

// A file of a megabyte or more is shown in place, window after window, with the bytes a read
// gives; one shortened under a view reads as zeros past its new end and says it failed, where a
// bus error would otherwise end the process.
TEST(FileReaderPosix, ViewsInPlaceAndAFileShortenedUnderThem) {
    test::TempDir dir;
    const std::size_t size = FileReader::ViewWindow + 3 * 65536 + 5;
    const std::string data = test::RandomBytes(size, 4);
    const auto file = dir.Write("v.bin", data);
    for (const bool shorten : {false, true}) {
        FileReader reader;
        OsError error;
        ASSERT_TRUE(reader.Open(file, &error));
        EXPECT_TRUE(reader.ViewsInPlace());
        std::vector<unsigned char> buffer(65536);
        std::string back;
        std::size_t inPlace = 0;
        for (;;) {
            if (shorten && back.size() == 65536)
                std::filesystem::resize_file(file, 1 << 20);
            const FileReader::View v = reader.ReadView(buffer.data(), buffer.size(), &error);
            ASSERT_GE(v.size, 0);
            inPlace += v.bytes != buffer.data();
            back.append(reinterpret_cast<const char*>(v.bytes), static_cast<std::size_t>(v.size));
            if (v.size != 65536)
                break;
        }
        if (!shorten) {
            EXPECT_EQ(back, data);
            EXPECT_EQ(inPlace, size / 65536); // all but the short end
            EXPECT_TRUE(reader.ViewsIntact(&error));
        } else {
            EXPECT_EQ(back.substr(0, 1 << 20), data.substr(0, 1 << 20));
            EXPECT_EQ(back.find_first_not_of('\0', 1 << 20), std::string::npos);
            reader.Close();
            EXPECT_FALSE(reader.ViewsIntact(&error));
            EXPECT_EQ(error.code, EIO);
        }
    }
}

} // namespace
} // namespace quillon::platform
