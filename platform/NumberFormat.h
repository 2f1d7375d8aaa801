#pragma once
// The user's number format: one thousands separator and one decimal separator character.

namespace quillon::platform {

struct NumberFormat {
    wchar_t thousandSeparator = L',';
    wchar_t decimalSeparator = L'.';
};

// The format of the user's locale, read once and cached (the runtime holds it for the process).
const NumberFormat& UserNumberFormat();

// Tests and the CLI may pin the format; pass nullptr to go back to the user's locale.
void OverrideNumberFormat(const NumberFormat* format);

} // namespace quillon::platform
