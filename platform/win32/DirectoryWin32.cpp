#include "platform/FileSystem.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/QuietErrorMode.h"

#include <windows.h>

#include <string>

namespace quillon::platform {

bool DirectoryExists(const std::filesystem::path& path) {
    // An empty name would become "\", the root of the current drive.
    if (path.empty()) return false;
    // The trailing backslash turns "C:" into the drive's root rather than its current folder.
    std::wstring name = path.native();
    if (name.back() != L'\\' && name.back() != L'/') name.push_back(L'\\');
    DWORD attributes;
    {
        QuietErrorMode quiet;
        attributes = GetFileAttributesW(ExtendedPath(name).c_str());
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::filesystem::path WindowsDirectory() {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        UINT n = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n + 1); // n counts the terminator when the buffer was too small
    }
}

} // namespace quillon::platform
