#include "platform/FileReader.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::platform {

bool ReadFaultSet();
int InjectedReadFault(const std::filesystem::path& path, std::int64_t offset);

namespace {

// After a failed open: does the name hold a regular file at all? A search permission missing on
// a folder of the path, a loop of links and the like leave nothing to read, as a lookup would.
bool HoldsNoFile(const std::string& path, int code) {
    if (code == ENOENT || code == ENOTDIR) return true;
    const auto found = LookupPathText(path);
    return !found || !found->IsFile();
}

} // namespace

bool FileReader::Open(const std::string& path, OsError* error, OpenMode mode) {
    Close();
    // Non-blocking, so that a FIFO put where a file was is refused instead of waited on; reads of
    // a regular file do not heed the flag.
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NOCTTY | (mode == OpenMode::RegularOnly ? O_NONBLOCK : 0);
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        const int code = errno;
        if (error) {
            *error = OsErrorFromCode(code);
            error->noFile = mode == OpenMode::RegularOnly && HoldsNoFile(path, code);
        }
        return false;
    }
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    const bool refused =
        statted && (S_ISDIR(st.st_mode) || (mode == OpenMode::RegularOnly && !S_ISREG(st.st_mode)));
    if (!statted || refused) {
        // Windows cannot open a folder as a file either.
        int code = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        if (error) {
            *error = OsErrorFromCode(code);
            error->noFile = refused;
        }
        return false;
    }
    fd_ = fd;
    if (ReadFaultSet()) faultPath_ = path;
    length_ = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
    // Read-ahead hints pay off over many blocks; a file of one block would pay a call for nothing.
    if (length_ > 65536) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    offset_ = 0;
    return true;
}

void FileReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileReader::IsOpen() const { return fd_ >= 0; }

std::int64_t FileReader::Read(void* buffer, std::size_t count, OsError* error) {
    if (int injected = InjectedReadFault(faultPath_, offset_)) {
        if (error) *error = OsErrorFromCode(injected);
        return -1;
    }
    // Fill the whole request unless the file ends: a short block means "end of file" to callers.
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = LastOsError();
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        // Short, and at or past the length the file had when opened: the end. Asking again would
        // cost one more call per file just to hear nothing, which lists of small files feel.
        if (done < count && length_ > 0 && offset_ + static_cast<std::int64_t>(done) >= length_)
            break;
    }
    offset_ += static_cast<std::int64_t>(done);
    return static_cast<std::int64_t>(done);
}

} // namespace quillon::platform
