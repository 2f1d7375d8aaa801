#pragma once
#include <array>
#include <cstdint>
#include <locale.h>

// The POSIX locale that list text, dates and case folding follow, shared by the locale and the
// text conversions.
namespace quillon::platform::posix {

struct ListLocale {
    locale_t locale;
    // The upper-case value of each byte that is a whole character on its own in this locale's
    // encoding (read from the initial shift state), or NotSingle. Saves the multibyte decoder for
    // the common characters.
    std::array<std::uint32_t, 256> single;
    static constexpr std::uint32_t NotSingle = 0xFFFFFFFFu;
};

// The environment's locale (or the one a test pinned); never null, never freed.
const ListLocale& CurrentListLocale();

// Makes locale the calling thread's locale for the C library's multibyte functions while alive.
class ScopedThreadLocale {
public:
    explicit ScopedThreadLocale(locale_t locale) : previous_(uselocale(locale)) {}
    ~ScopedThreadLocale() { uselocale(previous_); }
    ScopedThreadLocale(const ScopedThreadLocale&) = delete;
    ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;

private:
    locale_t previous_;
};

} // namespace quillon::platform::posix
