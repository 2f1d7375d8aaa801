#pragma once
#include "platform/OsError.h"
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace quillon::platform {

enum class OpenMode {
    AnyKind,     // whatever the name holds that reads like a file (a FIFO, stdin)
    RegularOnly, // a regular file only: anything else fails with noFile set, unread
};

// Reads one file front to back: opened read-only, existing only, sharing read and write with
// everybody, with a sequential-scan hint.
class FileReader {
public:
    FileReader();
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The path's native text: a check of many small files would otherwise build a path (and
    // split it into its parts) for each of them.
    bool Open(const std::filesystem::path::string_type& path, OsError* error,
              OpenMode mode = OpenMode::AnyKind);
    void Close();
    bool IsOpen() const;
    std::int64_t Length() const { return length_; }
    // Bytes read (0 at the end of the file), or -1 when the read failed.
    std::int64_t Read(void* buffer, std::size_t count, OsError* error);

    // The next count bytes as Read gives them, but without the copy into buffer where the
    // system can show the file's cached pages in place (POSIX, a file of ViewFrom bytes or more):
    // the bytes are then those pages, valid until the reader has gone ViewWindow bytes past
    // them. Size -1 when the read failed.
    struct View {
        const unsigned char* bytes = nullptr;
        std::int64_t size = -1;
    };
    View ReadView(unsigned char* buffer, std::size_t count, OsError* error);
    // False (with the error) when the file failed under a view: another program shortened it, or
    // the disk failed. Its bytes from there on read as zeros, so nothing made of them is a
    // digest of the file. Still told after Close.
    bool ViewsIntact(OsError* error) const;
    // Whether ReadView shows this file in place (as far as it can).
    bool ViewsInPlace() const;
    static constexpr std::int64_t ViewFrom = 1 << 20; // below it a copy costs less than a view
    static constexpr std::size_t ViewWindow = 16 << 20;

    // Test seam: when set, called before every read with the offset about to be read; returning
    // a non-zero error code makes that read fail with it.
    using ReadFault = std::function<int(const std::filesystem::path&, std::int64_t offset)>;
    static void SetReadFaultForTests(ReadFault fault);

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
    struct Window;
    void Unmap();
    const unsigned char* MapView(std::size_t count);
    std::unique_ptr<Window> current_, previous_;
    bool mapping_ = false; // the file is viewed in place where it can be
    bool viewed_ = false;  // views went past the file's read position
    bool viewFailed_ = false;
#endif
    // The path the read fault is told, kept only while one is set.
    std::filesystem::path faultPath_;
    std::int64_t length_ = 0;
    std::int64_t offset_ = 0;
};

} // namespace quillon::platform
