#include "platform/FileSystem.h"
#include "platform/win32/LongPath.h"

#include <windows.h>

#include <string>

namespace quillon::platform {

namespace {

using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);

// The thread's own error mode leaves other threads alone; SetErrorMode is the process-wide
// fallback for systems without it.
SetThreadErrorModeFn ThreadErrorModeSetter() {
    static const auto fn = reinterpret_cast<SetThreadErrorModeFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadErrorMode")));
    return fn;
}

// Switches the critical-error and open-file error boxes off for its lifetime, so that a drive
// without a medium fails at once instead of asking the user.
class QuietErrorMode {
public:
    QuietErrorMode() {
        constexpr DWORD quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
        if (auto set = ThreadErrorModeSetter()) {
            threadWide_ = set(quiet, &previous_) != 0;
            if (threadWide_) set(previous_ | quiet, nullptr);
        }
        if (!threadWide_) {
            previous_ = SetErrorMode(quiet);
            SetErrorMode(previous_ | quiet);
        }
    }
    ~QuietErrorMode() {
        if (threadWide_)
            ThreadErrorModeSetter()(previous_, nullptr);
        else
            SetErrorMode(previous_);
    }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;

private:
    DWORD previous_ = 0;
    bool threadWide_ = false;
};

} // namespace

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
