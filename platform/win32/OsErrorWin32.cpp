#include "platform/OsError.h"

#include <windows.h>

namespace quillon::platform {

OsError OsErrorFromCode(int code) {
    OsError e;
    e.code = code;
    if (code == 0) return e;
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), 0,
                             reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (n != 0 && buffer) {
        while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' '))
            --n;
        int len = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), nullptr, 0,
                                      nullptr, nullptr);
        e.text.resize(static_cast<size_t>(len));
        WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), e.text.data(), len, nullptr,
                            nullptr);
    } else {
        e.text = "error " + std::to_string(code);
    }
    if (buffer) LocalFree(buffer);
    return e;
}

OsError LastOsError() { return OsErrorFromCode(static_cast<int>(GetLastError())); }

} // namespace quillon::platform
