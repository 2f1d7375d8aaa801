#include "platform/Locale.h"

#include "platform/TextCodec.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <climits>
#include <windows.h>

namespace quillon::platform {

namespace {

LocalTime FromSystemTime(const SYSTEMTIME& st) {
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// False when the fields do not name a real date and time.
bool ToSystemTime(const LocalTime& time, SYSTEMTIME& st) {
    st = SYSTEMTIME{};
    if (time.year < 1601 || time.year > 30827) return false;
    st.wYear = static_cast<WORD>(time.year);
    st.wMonth = static_cast<WORD>(time.month);
    st.wDay = static_cast<WORD>(time.day);
    st.wHour = static_cast<WORD>(time.hour);
    st.wMinute = static_cast<WORD>(time.minute);
    st.wSecond = static_cast<WORD>(time.second);
    // The round trip validates the fields and fills in the week day for "dddd" patterns.
    FILETIME ft;
    SYSTEMTIME checked;
    if (!SystemTimeToFileTime(&st, &ft) || !FileTimeToSystemTime(&ft, &checked)) return false;
    st = checked;
    return true;
}

std::wstring WideFromList(std::string_view text, ListEncoding encoding) {
    return win32::Widen(encoding == ListEncoding::Utf8 ? CP_UTF8 : CP_ACP, text);
}

} // namespace

LocalTime LocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FromSystemTime(st);
}

std::optional<LocalTime> LocalTimeFromFileTime(std::int64_t fileTime) {
    if (fileTime < 0) return std::nullopt;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(fileTime) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(fileTime) >> 32);
    SYSTEMTIME utc;
    SYSTEMTIME local;
    // The zone rules of that date, not today's offset (FileTimeToLocalFileTime would move a
    // summer time stamp by an hour in winter).
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return std::nullopt;
    return FromSystemTime(local);
}

std::string ShortDateText(const LocalTime& time, ListEncoding encoding) {
    SYSTEMTIME st;
    if (!ToSystemTime(time, st)) return {};
    wchar_t buffer[256];
    int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 256,
                            nullptr);
    if (n <= 1) return {};
    return ListTextFromWide(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)), encoding);
}

std::string LongTimeText(const LocalTime& time, ListEncoding encoding) {
    SYSTEMTIME st;
    if (!ToSystemTime(time, st)) return {};
    wchar_t buffer[256];
    int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buffer, 256);
    if (n <= 1) return {};
    return ListTextFromWide(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)), encoding);
}

std::string MonthAbbreviation(int month, ListEncoding encoding) {
    if (month < 1 || month > 12) return {};
    wchar_t buffer[80];
    int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT,
                            static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + (month - 1)), buffer, 80);
    if (n <= 1) return {};
    return ListTextFromWide(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)), encoding);
}

int CompareTextIgnoreCase(std::string_view a, std::string_view b, ListEncoding encoding) {
    std::wstring wa = WideFromList(a, encoding);
    std::wstring wb = WideFromList(b, encoding);
    int r = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, wa.data(),
                            static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()),
                            nullptr, nullptr, 0);
    if (r != 0) return r - CSTR_EQUAL;
    // Not expected for valid input; keep a total order rather than call unequal texts equal.
    return wa.compare(wb) < 0 ? -1 : (wa == wb ? 0 : 1);
}

std::string IgnoreCaseKey(std::string_view text, ListEncoding encoding) {
    std::wstring wide = WideFromList(text, encoding);
    // The empty text goes in as a terminated string: a length of 0 is refused.
    const wchar_t* source = wide.empty() ? L"" : wide.data();
    int length = wide.empty() ? -1 : static_cast<int>(wide.size());
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    std::string key(std::min<std::size_t>(wide.size() * 4 + 32, INT_MAX), '\0');
    int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length,
                          reinterpret_cast<LPWSTR>(key.data()), static_cast<int>(key.size()),
                          nullptr, nullptr, 0);
    if (n == 0) {
        n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length, nullptr, 0, nullptr,
                          nullptr, 0);
        if (n > 0) {
            key.assign(static_cast<std::size_t>(n), '\0');
            n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length,
                              reinterpret_cast<LPWSTR>(key.data()), n, nullptr, nullptr, 0);
        }
    }
    if (n <= 0) {
        // No sort key (out of memory): the text itself, behind bytes that begin no sort key, so
        // the worst outcome is a duplicate kept.
        return std::string("\0\0", 2) + std::string(text);
    }
    key.resize(static_cast<std::size_t>(n));
    return key;
}

void IgnoreCaseKey(std::string_view text, std::string& key, ListEncoding encoding) {
    // A list of a million lines asks for a million keys: a line of the usual length is widened
    // on the stack and its key made in key's own storage, with no allocation (the same calls and
    // result as above otherwise; no encoding gives more characters than bytes).
    constexpr std::size_t Short = 512;
    wchar_t wide[Short];
    int length = 0;
    const UINT codePage = encoding == ListEncoding::Utf8 ? CP_UTF8 : CP_ACP;
    if (!text.empty() && text.size() <= Short)
        length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide,
                                     static_cast<int>(Short));
    if (text.size() > Short || (!text.empty() && length <= 0)) {
        key = IgnoreCaseKey(text, encoding);
        return;
    }
    const wchar_t* source = length == 0 ? L"" : wide;
    if (length == 0) length = -1;
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    key.resize(static_cast<std::size_t>(length > 0 ? length : 0) * 4 + 32);
    const int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length,
                                reinterpret_cast<LPWSTR>(key.data()), static_cast<int>(key.size()),
                                nullptr, nullptr, 0);
    if (n <= 0) {
        key = IgnoreCaseKey(text, encoding);
        return;
    }
    key.resize(static_cast<std::size_t>(n));
}

bool OverrideLocaleForTests(const char*) { return false; }

} // namespace quillon::platform
