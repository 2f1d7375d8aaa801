#include "platform/Locale.h"

#include "platform/posix/ListLocale.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <langinfo.h>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>
#include <wchar.h>
#include <wctype.h>

namespace quillon::platform {

namespace posix {

namespace {

ListLocale* MakeListLocale(locale_t locale) {
    auto* result = new ListLocale{locale, {}};
    ScopedThreadLocale use(locale);
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        wchar_t wc = 0;
        mbstate_t state{};
        std::size_t n = mbrtowc(&wc, &c, 1, &state);
        bool whole = (n == 0 || n == 1) && mbsinit(&state);
        result->single[b] = whole ? static_cast<std::uint32_t>(towupper_l(static_cast<wint_t>(wc), locale))
                                  : ListLocale::NotSingle;
    }
    return result;
}

const ListLocale& EnvironmentListLocale() {
    // A locale named in the environment that the system lacks falls back to "C", as setlocale
    // would leave a program that never called it.
    static const ListLocale* const environment = [] {
        locale_t locale = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
        if (!locale) locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        return MakeListLocale(locale);
    }();
    return *environment;
}

// Pinned locales stay allocated until exit: a reader on another thread may still hold one.
struct FreeListLocale {
    void operator()(ListLocale* p) const {
        freelocale(p->locale);
        delete p;
    }
};
std::atomic<const ListLocale*> pinned{nullptr};
std::mutex pinnedMutex;
std::vector<std::unique_ptr<ListLocale, FreeListLocale>> pinnedKeep;

} // namespace

const ListLocale& CurrentListLocale() {
    const ListLocale* p = pinned.load(std::memory_order_acquire);
    return p ? *p : EnvironmentListLocale();
}

} // namespace posix

namespace {

using posix::CurrentListLocale;
using posix::ListLocale;

constexpr std::uint32_t EscapedByte = 0x80000000u; // a byte the encoding cannot decode

// Calls sink with the upper-case value of every character of text, and EscapedByte | byte for
// every byte that is not part of a valid character, so no byte is ever lost to the comparison.
template <class Sink> void FoldText(const ListLocale& ll, std::string_view text, Sink&& sink) {
    std::optional<posix::ScopedThreadLocale> use;
    mbstate_t state{};
    bool initial = true;
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        if (initial && ll.single[b] != ListLocale::NotSingle) {
            sink(ll.single[b]);
            ++i;
            continue;
        }
        if (!use) use.emplace(ll.locale);
        wchar_t wc = 0;
        std::size_t n = mbrtowc(&wc, text.data() + i, text.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            sink(EscapedByte | b);
            state = mbstate_t{};
            initial = true;
            ++i;
            continue;
        }
        sink(static_cast<std::uint32_t>(towupper_l(static_cast<wint_t>(wc), ll.locale)));
        i += n == 0 ? 1 : n;
        initial = mbsinit(&state) != 0;
    }
}

std::vector<std::uint32_t> Folded(const ListLocale& ll, std::string_view text) {
    std::vector<std::uint32_t> out;
    out.reserve(text.size());
    FoldText(ll, text, [&](std::uint32_t v) { out.push_back(v); });
    return out;
}

std::tm TmFrom(const LocalTime& time) {
    std::tm tm{};
    tm.tm_year = time.year - 1900;
    tm.tm_mon = time.month - 1;
    tm.tm_mday = time.day;
    tm.tm_hour = time.hour;
    tm.tm_min = time.minute;
    tm.tm_sec = time.second;
    tm.tm_isdst = -1;
    // Week day, year day and zone for formats that show them; the fields themselves stay.
    std::tm normalised = tm;
    if (mktime(&normalised) != static_cast<std::time_t>(-1)) {
        tm.tm_wday = normalised.tm_wday;
        tm.tm_yday = normalised.tm_yday;
        tm.tm_isdst = normalised.tm_isdst;
        tm.tm_gmtoff = normalised.tm_gmtoff;
        tm.tm_zone = normalised.tm_zone;
    } else {
        tm.tm_isdst = 0;
    }
    return tm;
}

LocalTime FromTm(const std::tm& tm) {
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::string Format(const char* format, const LocalTime& time) {
    const ListLocale& ll = CurrentListLocale();
    std::tm tm = TmFrom(time);
    if (!format || !*format) return {};
    std::vector<char> buffer(128);
    while (buffer.size() <= 65536) {
        std::size_t n = strftime_l(buffer.data(), buffer.size(), format, &tm, ll.locale);
        if (n > 0) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

} // namespace

LocalTime LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (!localtime_r(&now, &tm)) return LocalTime{};
    return FromTm(tm);
}

std::optional<LocalTime> LocalTimeFromFileTime(std::int64_t fileTime) {
    if (fileTime < 0) return std::nullopt;
    std::time_t seconds = static_cast<std::time_t>(fileTime / 10000000 - 11644473600LL);
    std::tm tm{};
    if (!localtime_r(&seconds, &tm)) return std::nullopt;
    return FromTm(tm);
}

std::string ShortDateText(const LocalTime& time, ListEncoding) {
    return Format(nl_langinfo_l(D_FMT, CurrentListLocale().locale), time);
}

std::string LongTimeText(const LocalTime& time, ListEncoding) {
    return Format(nl_langinfo_l(T_FMT, CurrentListLocale().locale), time);
}

std::string MonthAbbreviation(int month, ListEncoding) {
    static constexpr nl_item items[12] = {ABMON_1, ABMON_2, ABMON_3,  ABMON_4,  ABMON_5,  ABMON_6,
                                          ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    if (month < 1 || month > 12) return {};
    const char* name = nl_langinfo_l(items[month - 1], CurrentListLocale().locale);
    return name ? std::string(name) : std::string();
}

int CompareTextIgnoreCase(std::string_view a, std::string_view b, ListEncoding) {
    const ListLocale& ll = CurrentListLocale();
    std::vector<std::uint32_t> fa = Folded(ll, a);
    std::vector<std::uint32_t> fb = Folded(ll, b);
    auto [pa, pb] = std::mismatch(fa.begin(), fa.end(), fb.begin(), fb.end());
    if (pa == fa.end()) return pb == fb.end() ? 0 : -1;
    if (pb == fb.end()) return 1;
    return *pa < *pb ? -1 : 1;
}

void IgnoreCaseKey(std::string_view text, std::string& key, ListEncoding) {
    // The folded values in base-128 groups, the last group of each value without its high bit:
    // a prefix-free code, so equal keys mean equal folded texts. ASCII stays one byte each.
    key.clear();
    key.reserve(text.size());
    FoldText(CurrentListLocale(), text, [&](std::uint32_t v) {
        while (v >= 0x80) {
            key.push_back(static_cast<char>(0x80 | (v & 0x7F)));
            v >>= 7;
        }
        key.push_back(static_cast<char>(v));
    });
}

std::string IgnoreCaseKey(std::string_view text, ListEncoding) {
    std::string key;
    IgnoreCaseKey(text, key);
    return key;
}

bool OverrideLocaleForTests(const char* name) {
    if (!name) {
        posix::pinned.store(nullptr, std::memory_order_release);
        return true;
    }
    locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
    if (!locale) return false;
    std::lock_guard<std::mutex> lock(posix::pinnedMutex);
    posix::pinnedKeep.emplace_back(posix::MakeListLocale(locale));
    posix::pinned.store(posix::pinnedKeep.back().get(), std::memory_order_release);
    return true;
}

} // namespace quillon::platform
