#pragma once
#include <windows.h>

#include <string>

namespace quillon::platform::win32 {

// Puts text on the clipboard as Unicode text, owned by owner. False when the clipboard is held
// by another program or memory runs out; the clipboard is then as it was.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

} // namespace quillon::platform::win32
