#include "platform/SystemNumberFormat.h"

#include <clocale>
#include <cstring>
#include <cwchar>
#include <langinfo.h>
#include <locale.h>

namespace quillon::platform {

namespace {

// The first character of a separator in the locale's own multibyte encoding; 0 when none.
wchar_t FirstCharacter(const char* text, locale_t locale) {
    if (!text || !*text) return 0;
    // mbrtowc follows the thread's locale: switch this thread only, and only for the call.
    locale_t previous = ::uselocale(locale);
    std::mbstate_t state{};
    wchar_t c = 0;
    std::size_t n = std::mbrtowc(&c, text, std::strlen(text), &state);
    ::uselocale(previous);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) return 0;
    return c;
}

} // namespace

NumberFormat SystemNumberFormat() {
    NumberFormat format;
    // What setlocale(LC_NUMERIC, "") would pick, without touching the process locale.
    locale_t locale = ::newlocale(LC_NUMERIC_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (!locale) return format;
    if (wchar_t c = FirstCharacter(::nl_langinfo_l(THOUSEP, locale), locale))
        format.thousandSeparator = c;
    if (wchar_t c = FirstCharacter(::nl_langinfo_l(RADIXCHAR, locale), locale))
        format.decimalSeparator = c;
    ::freelocale(locale);
    return format;
}

} // namespace quillon::platform
