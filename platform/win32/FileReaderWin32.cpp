#include "platform/FileReader.h"
#include "platform/win32/DeviceName.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/ScopedWin.h"

#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>

namespace quillon::platform {

bool ReadFaultSet();
int InjectedReadFault(const std::filesystem::path& path, std::int64_t offset);

namespace {

OsError NoFileError(DWORD code) {
    OsError e = OsErrorFromCode(static_cast<int>(code));
    e.noFile = true;
    return e;
}

} // namespace

FileReader::FileReader() = default;
FileReader::~FileReader() { Close(); }

bool FileReader::Open(const std::wstring& path, OsError* error, OpenMode mode) {
    Close();
    // CreateFileW would open NUL or COM1: a device is never opened for a check.
    if (mode == OpenMode::RegularOnly && IsDeviceName(path)) {
        if (error) *error = NoFileError(ERROR_ACCESS_DENIED);
        return false;
    }
    win::UniqueFileHandle file(
        CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (!error) return false;
        *error = OsErrorFromCode(static_cast<int>(code));
        if (mode == OpenMode::RegularOnly) {
            // A folder fails as a locked file does, a wildcard as a bad name: the exact lookup
            // tells "no file" from a file that is there but cannot be opened. Only a failed open
            // pays for it, not every file of a check.
            const auto found = LookupPathText(path);
            if (!found || !found->IsFile())
                *error = NoFileError(found ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
            else
                error->noFile = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        }
        return false;
    }
    LARGE_INTEGER size{};
    const bool disk = GetFileType(file.Get()) == FILE_TYPE_DISK;
    if (!disk && mode == OpenMode::RegularOnly) {
        if (error) *error = NoFileError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (disk && !GetFileSizeEx(file.Get(), &size)) {
        if (error)
            *error = LastOsError();
        return false;
    }
    handle_ = file.Release();
    if (ReadFaultSet()) faultPath_ = path;
    length_ = size.QuadPart;
    offset_ = 0;
    return true;
}

void FileReader::Close() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool FileReader::IsOpen() const { return handle_ != nullptr; }

std::int64_t FileReader::Read(void* buffer, std::size_t count, OsError* error) {
    if (int injected = InjectedReadFault(faultPath_, offset_)) {
        if (error) *error = OsErrorFromCode(injected);
        return -1;
    }
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(handle_), out + done, want, &got, nullptr)) {
            if (error) *error = LastOsError();
            return -1;
        }
        if (got == 0) break;
        done += got;
        // Short, and at or past the length the file had when opened: the end. Asking again would
        // cost one more call per file just to hear nothing, which lists of small files feel.
        if (done < count && length_ > 0 && offset_ + static_cast<std::int64_t>(done) >= length_)
            break;
    }
    offset_ += static_cast<std::int64_t>(done);
    return static_cast<std::int64_t>(done);
}

FileReader::View FileReader::ReadView(unsigned char* buffer, std::size_t count, OsError* error) {
    // A view of a file that shrinks under it raises an exception here: the reads stay.
    return {buffer, Read(buffer, count, error)};
}

bool FileReader::ViewsIntact(OsError*) const { return true; }

bool FileReader::ViewsInPlace() const { return false; }

} // namespace quillon::platform
