#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::platform {

namespace {

// Unix time to Windows file time (100 ns ticks since 1601-01-01).
std::int64_t FileTimeFrom(std::int64_t sec, std::int64_t nsec) {
    return (sec + 11644473600LL) * 10000000LL + nsec / 100;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<FileLookup> LookupPath(const std::filesystem::path& path) {
    return LookupPathText(path.native());
}

std::optional<FileLookup> LookupPathText(const std::string& path) {
    if (path.empty()) return std::nullopt;
    FileLookup f;
    mode_t mode = 0;
#ifdef STATX_BTIME
    // One call for everything: a check of many small files looks each one up three times.
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME,
                &sx) == 0) {
        mode = sx.stx_mode;
        f.size = static_cast<std::int64_t>(sx.stx_size);
        f.lastWriteTime = FileTimeFrom(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
        if (sx.stx_mask & STATX_BTIME)
            f.creationTime = FileTimeFrom(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    } else if (errno != ENOSYS) {
        return std::nullopt;
    } else
#endif
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return std::nullopt;
        mode = st.st_mode;
        f.size = static_cast<std::int64_t>(st.st_size);
        f.lastWriteTime = FileTimeFrom(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    }
    f.isDirectory = S_ISDIR(mode);
    f.isDevice = !f.isDirectory && !S_ISREG(mode);
    if (f.isDirectory) f.size = 0;
    return f;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, OsError* error,
                                         std::int64_t limit) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (error) *error = LastOsError();
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        if (error) *error = OsErrorFromCode(code);
        return std::nullopt;
    }
    std::string text;
    if (S_ISREG(st.st_mode)) {
        if (st.st_size > limit) {
            ::close(fd);
            if (error)
                *error = OsErrorFromCode(EFBIG);
            return std::nullopt;
        }
        text.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = LastOsError();
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        // A stream that goes on (/dev/zero, a file still growing) stops here.
        if (static_cast<std::int64_t>(text.size()) + n > limit) {
            ::close(fd);
            if (error)
                *error = OsErrorFromCode(EFBIG);
            return std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes,
                         OsError* error) {
    std::string temp = path.string() + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (error) *error = LastOsError();
        return false;
    }
    // Keep the permissions an existing list had; a new one gets the usual ones.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int code = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        if (error) *error = OsErrorFromCode(code);
    }
    return ok;
}

bool RemoveFile(const std::filesystem::path& path, OsError* error) {
    if (::unlink(path.c_str()) == 0)
        return true;
    if (error)
        *error = LastOsError();
    return false;
}

} // namespace quillon::platform
