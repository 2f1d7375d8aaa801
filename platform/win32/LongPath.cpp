#include "platform/win32/LongPath.h"

#include <windows.h>

namespace quillon::platform {

std::wstring ExtendedPath(std::wstring_view path) {
    // Folders are held to MAX_PATH - 12 (room for an 8.3 name inside), files to MAX_PATH.
    constexpr std::size_t kShortEnough = MAX_PATH - 12;
    if (path.size() < kShortEnough || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\"))
        return std::wstring(path);
    const std::wstring input(path);
    DWORD n = GetFullPathNameW(input.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return input;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(input.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return input;
    full.resize(n);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

} // namespace quillon::platform
