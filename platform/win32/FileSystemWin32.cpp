#include "platform/FileSystem.h"
#include "platform/win32/DeviceName.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/ScopedWin.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace quillon::platform {

namespace {

std::int64_t Join(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

bool HasWildcard(const std::wstring& s) {
    return s.find_first_of(L"?*") != std::wstring::npos;
}

} // namespace

bool IsDeviceName(std::wstring_view path) {
    if (path.starts_with(L"\\\\.\\")) return true;
    // The last component, as std::filesystem::path::filename() cuts it ("C:NUL" is NUL).
    std::size_t start = path.find_last_of(L"\\/");
    if (start != std::wstring_view::npos)
        ++start;
    else
        start = path.size() >= 2 && path[1] == L':' ? 2 : 0;
    std::wstring name(path.substr(start));
    auto dot = name.find(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    while (!name.empty() && (name.back() == L' ' || name.back() == L':')) name.pop_back();
    for (auto& c : name) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const fixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (auto* d : fixed)
        if (name == d) return true;
    if (name.size() == 4 && (name.compare(0, 3, L"COM") == 0 || name.compare(0, 3, L"LPT") == 0))
        return name[3] >= L'1' && name[3] <= L'9';
    return false;
}

std::optional<FileLookup> LookupPath(const std::filesystem::path& path) {
    return LookupPathText(path.native());
}

std::optional<FileLookup> LookupPathText(const std::wstring& native) {
    if (native.empty() || HasWildcard(native)) return std::nullopt;
    if (IsDeviceName(native)) {
        FileLookup f;
        f.isDevice = true;
        return f;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(ExtendedPath(native).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    FileLookup f;
    f.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    f.size = f.isDirectory ? 0 : Join(data.nFileSizeHigh, data.nFileSizeLow);
    f.lastWriteTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    f.creationTime = Join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
    return f;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, OsError* error,
                                         std::int64_t limit) {
    win::UniqueFileHandle file(
        CreateFileW(ExtendedPath(path.native()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        if (error) *error = LastOsError();
        return std::nullopt;
    }
    std::string text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0) {
        if (size.QuadPart > limit) {
            if (error)
                *error = OsErrorFromCode(ERROR_FILE_TOO_LARGE);
            return std::nullopt;
        }
        text.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    std::string buffer(65536, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                      nullptr)) {
            if (error) *error = LastOsError();
            return std::nullopt;
        }
        if (got == 0) break;
        // A stream that goes on (a device, a file still growing) stops here.
        if (static_cast<std::int64_t>(text.size()) + got > limit) {
            if (error)
                *error = OsErrorFromCode(ERROR_FILE_TOO_LARGE);
            return std::nullopt;
        }
        text.append(buffer.data(), got);
    }
    return text;
}

bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes,
                         OsError* error) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = L".";
    // A name of our own in the target's folder rather than GetTempFileNameW's, which refuses a
    // folder longer than MAX_PATH - 14 characters.
    const std::wstring target = ExtendedPath(path.native());
    std::wstring temp;
    win::UniqueFileHandle file;
    DWORD code = 0;
    for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
        wchar_t name[32];
        swprintf(name, 32, L"\\qln%08lx%02x.tmp", GetTickCount() ^ GetCurrentThreadId(), attempt);
        temp = ExtendedPath(folder.native() + (name + 1));
        file.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        code = file ? 0 : GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!file) {
        if (error)
            *error = OsErrorFromCode(static_cast<int>(code));
        return false;
    }
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0 && code == 0) {
        DWORD put = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
        if (!WriteFile(file.Get(), p, want, &put, nullptr))
            code = GetLastError();
        else if (put == 0)
            code = ERROR_WRITE_FAULT; // never spin on a write that takes nothing
        p += put;
        left -= put;
    }
    if (code == 0 && !FlushFileBuffers(file.Get()))
        code = GetLastError();
    file.Reset();
    // The new list takes the place of the old one: a hidden or system list stays so.
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD oldAttributes = GetFileAttributesW(target.c_str());
    if (code == 0 && oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & kept) != 0 &&
        !SetFileAttributesW(temp.c_str(), (oldAttributes & kept) | FILE_ATTRIBUTE_ARCHIVE))
        code = GetLastError();
    if (code == 0 && !MoveFileExW(temp.c_str(), target.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        code = GetLastError();
    if (code != 0) {
        DeleteFileW(temp.c_str());
        if (error) *error = OsErrorFromCode(static_cast<int>(code));
        return false;
    }
    return true;
}

bool RemoveFile(const std::filesystem::path& path, OsError* error) {
    if (DeleteFileW(ExtendedPath(path.native()).c_str()))
        return true;
    if (error)
        *error = LastOsError();
    return false;
}

} // namespace quillon::platform
