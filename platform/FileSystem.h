#pragma once
#include "platform/OsError.h"
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::platform {

// What a directory lookup of one path tells. Times are Windows file times (100 ns ticks since
// 1601-01-01 UTC), 0 when the system has none.
struct FileLookup {
    bool isDirectory = false;
    bool isDevice = false; // NUL, CON, COM1 and the like; character devices on POSIX
    std::int64_t size = 0;
    std::int64_t lastWriteTime = 0;
    std::int64_t creationTime = 0;
    // Something a check may read: neither a folder nor a device.
    bool IsFile() const { return !isDirectory && !isDevice; }
};

// Looks up exactly this name: "?" and "*" are ordinary characters, never wildcards.
std::optional<FileLookup> LookupPath(const std::filesystem::path& path);
// The same for a path's native text, which spares building a path: a list of a million entries
// looks every one of them up.
std::optional<FileLookup> LookupPathText(const std::filesystem::path::string_type& path);

// True when the path names an existing folder. No system error box appears, even for a drive
// that is not there.
bool DirectoryExists(const std::filesystem::path& path);

// The Windows folder as the system reports it (POSIX: empty).
std::filesystem::path WindowsDirectory();

// Reads a whole file, letting others read but not write it meanwhile. A file or stream of more
// than limit bytes is refused with the system's "file too large" error; a stream is read no
// further than that.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, OsError* error,
                                         std::int64_t limit);

// A character that ends the folder part of a path of this system: "\", "/" and the ":" of a
// drive on Windows; "/" alone on POSIX, where "\" and ":" are ordinary characters of a name.
template <typename Char> constexpr bool IsFolderSeparator(Char c) {
#ifdef _WIN32
    return c == Char('\\') || c == Char('/') || c == Char(':');
#else
    return c == Char('/');
#endif
}

// Whether the file system takes names that differ only in letter case for one file.
#ifdef _WIN32
inline constexpr bool FileNamesIgnoreCase = true;
#else
inline constexpr bool FileNamesIgnoreCase = false;
#endif

// Deletes one file (long paths too). False with the system's reason when it cannot.
bool RemoveFile(const std::filesystem::path& path, OsError* error);

// Replaces the file's content with bytes so that a failure leaves any old file intact: writes a
// temporary file in the same folder, flushes it and renames it over the target. On failure the
// temporary file is removed and false is returned.
bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes,
                         OsError* error);

} // namespace quillon::platform
