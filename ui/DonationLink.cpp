#include "ui/DonationLink.h"

#include "util/EnhFunc.h"

#include <string_view>

namespace quillon::ui {

namespace {

// Kept encoded so that the address is not a plain string in the program file.
constexpr std::string_view kDonationAddressBase64 =
    "aHR0cHM6Ly9xdWlsbG9uLmV4YW1wbGUub3JnL2RvbmF0ZS8=";

} // namespace

std::wstring DonationAddress() {
    const std::string address = Base64Decode(kDonationAddressBase64);
    // The address is ASCII, so each byte is one UTF-16 unit.
    return std::wstring(address.begin(), address.end());
}

void OpenDonationPage(const ShellOpenFn& open) {
    open(std::wstring(), DonationAddress());
}

} // namespace quillon::ui
