#include "platform/win32/Clipboard.h"

#include <cstring>

namespace quillon::platform::win32 {

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    // Another program may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !(opened = OpenClipboard(owner) != FALSE); ++attempt)
        Sleep(20);
    if (!opened) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!set)
        GlobalFree(memory); // the clipboard owns it only once set
    return set;
}

} // namespace quillon::platform::win32
