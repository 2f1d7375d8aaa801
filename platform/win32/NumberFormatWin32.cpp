#include "platform/SystemNumberFormat.h"

#include <windows.h>

namespace quillon::platform {

namespace {

wchar_t LocaleCharacter(LCTYPE type) {
    wchar_t buffer[8] = {};
    // The count includes the terminator: 1 is an empty value.
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 8) > 1) return buffer[0];
    return 0;
}

} // namespace

NumberFormat SystemNumberFormat() {
    NumberFormat format;
    if (wchar_t c = LocaleCharacter(LOCALE_STHOUSAND)) format.thousandSeparator = c;
    if (wchar_t c = LocaleCharacter(LOCALE_SDECIMAL)) format.decimalSeparator = c;
    return format;
}

} // namespace quillon::platform
