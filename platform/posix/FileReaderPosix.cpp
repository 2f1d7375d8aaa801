#include "platform/FileReader.h"

#include "platform/FileSystem.h"
#include "platform/posix/BusErrorGuard.h"

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <optional>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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

// Whether the page cache holds every page of part of a file (cachestat, Linux 6.5 and later;
// false where the system cannot tell).
bool AllCached(int fd, std::int64_t offset, std::size_t size) {
#if defined(__linux__) && defined(__x86_64__)
    struct Range {
        std::uint64_t offset, length;
    };
    struct Counts {
        std::uint64_t cached, dirty, writeback, evicted, recentlyEvicted;
    };
    constexpr long CachestatCall = 451;
    static std::atomic<bool> missing{false};
    if (missing.load(std::memory_order_relaxed))
        return false;
    const Range range{static_cast<std::uint64_t>(offset), size};
    Counts counts{};
    if (::syscall(CachestatCall, fd, &range, &counts, 0) != 0) {
        // An older kernel, or a sandbox that refuses calls it does not know.
        if (errno == ENOSYS || errno == EPERM)
            missing.store(true, std::memory_order_relaxed);
        return false;
    }
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return counts.cached >= (size + page - 1) / page;
#else
    (void)fd, (void)offset, (void)size;
    return false;
#endif
}

} // namespace

struct FileReader::Window {
    unsigned char* base;
    std::size_t size;
    std::int64_t offset; // in the file
    std::optional<BusErrorGuard> guard;

    Window(void* b, std::size_t s, std::int64_t o)
        : base(static_cast<unsigned char*>(b)), size(s), offset(o) {
        guard.emplace(base, size);
    }
    ~Window() {
        guard.reset(); // no longer ours before the range can be another's
        ::munmap(base, size);
    }
};

FileReader::FileReader() = default;
FileReader::~FileReader() { Close(); }

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
    // The injected faults are the reads' own.
    mapping_ = S_ISREG(st.st_mode) && length_ >= ViewFrom && !ReadFaultSet();
    viewed_ = viewFailed_ = false;
    return true;
}

void FileReader::Unmap() {
    for (auto* w : {&previous_, &current_}) {
        if (*w && (*w)->guard->Faulted())
            viewFailed_ = true;
        w->reset();
    }
}

void FileReader::Close() {
    Unmap();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

const unsigned char* FileReader::MapView(std::size_t count) {
    const auto end = offset_ + static_cast<std::int64_t>(count);
    if (current_ && offset_ >= current_->offset &&
        end <= current_->offset + static_cast<std::int64_t>(current_->size))
        return current_->base + (offset_ - current_->offset);
    const std::int64_t start = offset_ / static_cast<std::int64_t>(ViewWindow) *
                               static_cast<std::int64_t>(ViewWindow);
    const auto size =
        static_cast<std::size_t>(std::min<std::int64_t>(ViewWindow, length_ - start));
    if (end > start + static_cast<std::int64_t>(size))
        return nullptr; // across two windows: read
    // A window all in the page cache is mapped whole at once: a fault for every few pages would
    // cost a fifth of a cached digest. One that must come from the disk is left to faults, whose
    // read-ahead keeps the disk busy while the window is digested.
    const int populate = AllCached(fd_, start, size) ? MAP_POPULATE : 0;
    void* base = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | populate, fd_, start);
    if (base == MAP_FAILED) {
        mapping_ = false;
        return nullptr;
    }
    auto window = std::make_unique<Window>(base, size, start);
    if (!window->guard->Active()) {
        mapping_ = false;
        return nullptr;
    }
    ::madvise(base, size, MADV_SEQUENTIAL);
    // Views of the window before stay good a while: a block being digested on another thread.
    if (previous_ && previous_->guard->Faulted())
        viewFailed_ = true;
    previous_ = std::move(current_);
    current_ = std::move(window);
    return current_->base + (offset_ - start);
}

FileReader::View FileReader::ReadView(unsigned char* buffer, std::size_t count, OsError* error) {
    // The end of the file is read: it may have grown since the open, as a read would see.
    if (mapping_ && offset_ + static_cast<std::int64_t>(count) <= length_) {
        if (const unsigned char* bytes = MapView(count)) {
            offset_ += static_cast<std::int64_t>(count);
            viewed_ = true;
            return {bytes, static_cast<std::int64_t>(count)};
        }
    }
    if (viewed_) {
        if (::lseek(fd_, offset_, SEEK_SET) < 0) {
            if (error) *error = LastOsError();
            return {};
        }
        viewed_ = false;
    }
    return {buffer, Read(buffer, count, error)};
}

bool FileReader::ViewsInPlace() const { return mapping_; }

bool FileReader::ViewsIntact(OsError* error) const {
    bool failed = viewFailed_;
    for (const auto* w : {&previous_, &current_})
        failed = failed || (*w && (*w)->guard->Faulted());
    if (failed && error)
        *error = OsErrorFromCode(EIO);
    return !failed;
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
