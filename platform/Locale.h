#pragma once
#include "platform/TextCodec.h"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The user's locale as list files need it: local time, the date and time texts of the list
// header, month abbreviations, and the case-insensitive comparison of list lines. All texts are
// list text: the ANSI code page on Windows (or UTF-8 where a list is UTF-8), the environment's
// multibyte encoding on POSIX, where the encoding arguments change nothing.
//
// Windows takes everything from the user default locale (GetDateFormatEx with DATE_SHORTDATE,
// GetTimeFormatEx, LOCALE_SABBREVMONTHNAME1..12, CompareStringEx with NORM_IGNORECASE). POSIX
// has no short/long pair, so it uses the environment's locale (LC_ALL, LC_* or LANG) read once:
// the date in its D_FMT, the time in its T_FMT, the month names of ABMON_1..12, and case folding
// with towupper over its multibyte decoding.
namespace quillon::platform {

// Calendar fields of a local time: month 1..12, day 1..31, hour 0..23.
struct LocalTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime LocalNow();

// A Windows file time (100 ns ticks since 1601-01-01 UTC) as local time, with the time-zone rules
// that applied at that moment (a summer time stamp keeps its summer offset in winter). Empty when
// the value has no date (negative, or out of the system's range).
std::optional<LocalTime> LocalTimeFromFileTime(std::int64_t fileTime);

std::string ShortDateText(const LocalTime& time, ListEncoding encoding = ListEncoding::CodePage);
std::string LongTimeText(const LocalTime& time, ListEncoding encoding = ListEncoding::CodePage);
// month 1..12; empty for any other number.
std::string MonthAbbreviation(int month, ListEncoding encoding = ListEncoding::CodePage);

// Case-insensitive comparison under the user's locale: < 0, 0 or > 0.
int CompareTextIgnoreCase(std::string_view a, std::string_view b,
                          ListEncoding encoding = ListEncoding::CodePage);
// A byte string that is equal for two texts exactly when CompareTextIgnoreCase calls them equal,
// so that equal texts can be found by hashing. Windows: the locale's sort key, which also skips
// the characters the comparison ignores. Only equality of keys means anything.
std::string IgnoreCaseKey(std::string_view text, ListEncoding encoding = ListEncoding::CodePage);
// The same into key (replacing its content), so that a long list reuses one buffer.
void IgnoreCaseKey(std::string_view text, std::string& key,
                   ListEncoding encoding = ListEncoding::CodePage);

// Tests pin the locale by name ("C", "C.UTF-8"); nullptr goes back to the environment's. False
// when the system lacks that locale. POSIX only: Windows always follows the user's settings and
// returns false.
bool OverrideLocaleForTests(const char* name);

} // namespace quillon::platform
