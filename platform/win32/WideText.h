#pragma once
#include <string>
#include <string_view>

// Code-page conversions shared by the Windows platform files.
namespace quillon::platform::win32 {

std::wstring Widen(unsigned codePage, std::string_view text);
// Characters the code page cannot hold become "?" (no best-fit look-alikes).
std::string Narrow(unsigned codePage, std::wstring_view text);

} // namespace quillon::platform::win32
