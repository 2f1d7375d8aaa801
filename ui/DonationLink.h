#pragma once
// The donation page, which the main window's image and the About box both open.
#include <functional>
#include <string>

namespace quillon::ui {

// Hands an address to the shell. verb: "open", or empty for the default action.
using ShellOpenFn = std::function<void(const std::wstring& verb, const std::wstring& target)>;

// ShellExecuteW(nullptr, verb or nullptr, target, ...), shown normally; the result is not looked
// at. Windows only.
void ShellOpen(const std::wstring& verb, const std::wstring& target);

// The donation page's address.
std::wstring DonationAddress();

// Opens the donation page with the shell's default action.
void OpenDonationPage(const ShellOpenFn& open = ShellOpen);

} // namespace quillon::ui
