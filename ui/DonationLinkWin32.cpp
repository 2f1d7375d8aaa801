#include "ui/DonationLink.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace quillon::ui {

void ShellOpen(const std::wstring& verb, const std::wstring& target) {
    ShellExecuteW(nullptr, verb.empty() ? nullptr : verb.c_str(), target.c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

} // namespace quillon::ui
