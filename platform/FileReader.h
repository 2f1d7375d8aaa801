#pragma once
#include "platform/OsError.h"
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>

namespace quillon::platform {

enum class OpenMode {
    AnyKind,     // whatever the name holds that reads like a file (a FIFO, stdin)
    RegularOnly, // a regular file only: anything else fails with noFile set, unread
};

// Reads one file front to back: opened read-only, existing only, sharing read and write with
// everybody, with a sequential-scan hint.
class FileReader {
public:
    FileReader() = default;
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

    // Test seam: when set, called before every read with the offset about to be read; returning
    // a non-zero error code makes that read fail with it.
    using ReadFault = std::function<int(const std::filesystem::path&, std::int64_t offset)>;
    static void SetReadFaultForTests(ReadFault fault);

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    // The path the read fault is told, kept only while one is set.
    std::filesystem::path faultPath_;
    std::int64_t length_ = 0;
    std::int64_t offset_ = 0;
};

} // namespace quillon::platform
