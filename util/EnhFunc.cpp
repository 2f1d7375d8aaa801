#include "util/EnhFunc.h"

#include "platform/FileSystem.h"
#include "platform/NumberFormat.h"
#include "platform/TextCodec.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace quillon {

namespace {

template <typename Char> std::basic_string<Char> Widen(std::string_view ascii) {
    return std::basic_string<Char>(ascii.begin(), ascii.end());
}

// One separator character as text of the wanted width. 8-bit text takes the separator in the
// list encoding, which may need more than one byte.
template <typename Char> std::basic_string<Char> SeparatorText(wchar_t c) {
    if constexpr (sizeof(Char) == sizeof(wchar_t)) {
        return std::basic_string<Char>(1, static_cast<Char>(c));
    } else {
        if (c > 0 && c < 0x80) return std::string(1, static_cast<char>(c));
        return platform::ListTextFromWide(std::wstring_view(&c, 1));
    }
}

template <typename Char>
std::basic_string<Char> GroupDigits(std::basic_string_view<Char> digits,
                                    const std::basic_string<Char>& separator) {
    std::basic_string<Char> out(digits);
    if (digits.size() <= 3) return out;
    // Walking from the right keeps the positions still to visit where they were.
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i >= 1; i -= 3)
        out.insert(static_cast<std::size_t>(i), separator);
    return out;
}

template <typename Char> bool IsSlash(Char c) { return c == Char('\\') || c == Char('/'); }

template <typename Char>
bool MatchMaskImpl(std::basic_string_view<Char> mask, std::basic_string_view<Char> name) {
    const std::size_t m = mask.size();
    const std::size_t n = name.size();
    if (m == 1 && mask[0] == Char('*')) return true;
    std::size_t p = 0, s = 0;
    bool star = false;
    std::size_t maskResume = 0, nameResume = 0;
    // Ends: s never passes n, nameResume only grows, and a pass of the mask that meets no star
    // consumes a name character per mask character. Every full pass resets nameResume at each
    // star, so a step back costs at most about 2 m steps: O(n m) in all.
    while (p < m || s < n) {
        if (p == m) {
            if (m == 0) return false;
            if (star) {
                // A star takes one more character before the mask may start over: *.r? must
                // match a.r.r1, and a mask must match itself.
                p = maskResume;
                s = nameResume;
                ++nameResume;
                continue;
            }
            // The mask repeats over a longer name.
            p = 0;
        }
        if (s == n) {
            for (; p < m; ++p)
                if (mask[p] != Char('*')) return false;
            return true;
        }
        const Char c = mask[p];
        if (c == Char('*')) {
            if (p + 1 == m) return true;
            star = true;
            ++p;
            maskResume = p;
            nameResume = s + 1;
        } else if (c == Char('?') || AsciiLower(c) == AsciiLower(name[s])) {
            ++p;
            ++s;
        } else if (!star) {
            return false;
        } else {
            p = maskResume;
            s = nameResume;
            ++nameResume;
        }
    }
    return true;
}

template <typename Char>
std::size_t PosFromImpl(std::basic_string_view<Char> sub, std::basic_string_view<Char> s,
                        std::ptrdiff_t offset) {
    if (offset == 0) offset = 1;
    if (offset < 1 || sub.empty() || s.empty()) return 0;
    const auto start = static_cast<std::size_t>(offset - 1);
    if (start >= s.size()) return 0;
    const std::size_t at = s.find(sub, start);
    return at == std::basic_string_view<Char>::npos ? 0 : at + 1;
}

template <typename Char>
std::basic_string<Char> ReplaceStringImpl(std::basic_string_view<Char> s,
                                          std::basic_string_view<Char> oldPattern,
                                          std::basic_string_view<Char> newPattern,
                                          bool firstOnly) {
    std::size_t at = oldPattern == newPattern ? 0 : PosFromImpl(oldPattern, s, 1);
    if (at == 0) return std::basic_string<Char>(s);
    // Searching on after the inserted text of the edited string is searching the rest of the
    // original after the replaced occurrence, so one pass over s gives the same result without
    // the quadratic delete-and-insert.
    std::basic_string<Char> out;
    out.reserve(s.size());
    std::size_t copied = 0; // 0-based index in s of the first character not yet copied
    while (at != 0) {
        out.append(s.substr(copied, at - 1 - copied));
        out.append(newPattern);
        copied = at - 1 + oldPattern.size();
        if (firstOnly) break;
        at = PosFromImpl(oldPattern, s, static_cast<std::ptrdiff_t>(copied) + 1);
    }
    out.append(s.substr(copied));
    return out;
}

template <typename Char> std::basic_string<Char> LastPathComponentImpl(std::basic_string_view<Char> path) {
    if (path.size() < 2) return {};
    std::size_t i = path.size() - 1;
    while (i > 0 && !IsSlash(path[i - 1])) --i;
    if (i == 0) return {};
    std::basic_string_view<Char> tail = path.substr(i);
    if (!tail.empty() && IsSlash(tail.back())) tail.remove_suffix(1);
    return std::basic_string<Char>(tail);
}

template <typename Char> bool IsDriveRootImpl(std::basic_string_view<Char> path) {
    return (path.size() == 2 || path.size() == 3) && path[1] == Char(':');
}

// Adds one to a string of decimal digits.
void IncrementDigits(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

template <typename Char> std::basic_string<Char> FormatNumber(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    // A whole number that a double holds exactly has no digit after the point to round: its
    // integer text is the exact one. Sizes in bytes and whole KB, one per row of a long list,
    // are spared the hundred digits below.
    if (decimals == 0 && std::fabs(value) < 9007199254740992.0 && value == std::trunc(value)) {
        const auto whole = static_cast<std::int64_t>(std::fabs(value));
        char digits[24];
        const char* end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
        std::basic_string<Char> out;
        if (value < 0 && whole != 0) out.push_back(Char('-'));
        out += GroupDigits<Char>(Widen<Char>(std::string_view(digits, end)),
                                 SeparatorText<Char>(platform::UserNumberFormat().thousandSeparator));
        return out;
    }
    // Exact decimal digits of the double (libstdc++ gives the same on every platform, unlike
    // the C runtimes' printf), then rounding of our own so that halves go away from zero.
    std::array<char, 1024> buffer;
    constexpr int kExactDigits = 100;
    auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                      std::chars_format::fixed, std::isfinite(value) ? kExactDigits + decimals : 0);
    if (ec != std::errc()) return {};
    std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    if (!std::isfinite(value)) return Widen<Char>(text);

    const bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);

    std::string digits(whole);
    digits.append(fraction.substr(0, static_cast<std::size_t>(decimals)));
    if (fraction.size() > static_cast<std::size_t>(decimals) && fraction[decimals] >= '5')
        IncrementDigits(digits);
    const std::size_t wholeCount = digits.size() - static_cast<std::size_t>(decimals);

    const platform::NumberFormat& format = platform::UserNumberFormat();
    std::basic_string<Char> out;
    if (negative && digits.find_first_not_of('0') != std::string::npos) out.push_back(Char('-'));
    std::basic_string<Char> wholeText = Widen<Char>(std::string_view(digits).substr(0, wholeCount));
    out += GroupDigits<Char>(wholeText, SeparatorText<Char>(format.thousandSeparator));
    if (decimals > 0) {
        out += SeparatorText<Char>(format.decimalSeparator);
        out += Widen<Char>(std::string_view(digits).substr(wholeCount));
    }
    return out;
}

template <typename Char> std::basic_string<Char> FormatSize(int mode, bool appendUnit, double value) {
    constexpr double KiB = 1024.0;
    constexpr double MiB = 1048576.0;
    constexpr double GiB = 1073741824.0;
    constexpr double TiB = 1099511627776.0;
    if (value < KiB || mode == SizeModeBytes) {
        std::basic_string<Char> text = FormatNumber<Char>(value, 0);
        if (appendUnit) text += Widen<Char>(" bytes");
        return text;
    }
    if (value < MiB || mode == SizeModeKB) {
        // Whole kilobytes formatted from the double itself: an integer count overflows (32 bits
        // from 2 TiB up in KB mode, 64 bits from 8 ZiB up, where the conversion is undefined).
        return FormatNumber<Char>(std::trunc(value / KiB), 0) + Widen<Char>(" KB");
    }
    if (value < GiB) return FormatNumber<Char>(value / MiB, 2) + Widen<Char>(" MB");
    if (value < TiB) return FormatNumber<Char>(value / GiB, 2) + Widen<Char>(" GB");
    return FormatNumber<Char>(value / TiB, 2) + Widen<Char>(" TB");
}

template std::wstring FormatNumber<wchar_t>(double, int);
template std::string FormatNumber<char>(double, int);
template std::wstring FormatSize<wchar_t>(int, bool, double);
template std::string FormatSize<char>(int, bool, double);

std::wstring InsertThousandSeparators(std::wstring_view digits) {
    return GroupDigits(digits,
                       SeparatorText<wchar_t>(platform::UserNumberFormat().thousandSeparator));
}

std::string InsertThousandSeparators(std::string_view digits) {
    return GroupDigits(digits, SeparatorText<char>(platform::UserNumberFormat().thousandSeparator));
}

bool MatchMask(std::wstring_view mask, std::wstring_view name) { return MatchMaskImpl(mask, name); }
bool MatchMask(std::string_view mask, std::string_view name) { return MatchMaskImpl(mask, name); }

std::string Base64Decode(std::string_view text) {
    // Sextet value plus one; 0 for bytes outside the alphabet.
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        constexpr std::string_view alphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (std::size_t i = 0; i < alphabet.size(); ++i)
            t[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i + 1);
        return t;
    }();
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    unsigned group[4];
    int filled = 0;
    auto flush = [&](int count) {
        if (count >= 2) out.push_back(static_cast<char>((group[0] << 2 | group[1] >> 4) & 0xFF));
        if (count >= 3) out.push_back(static_cast<char>((group[1] << 4 | group[2] >> 2) & 0xFF));
        if (count >= 4) out.push_back(static_cast<char>((group[2] << 6 | group[3]) & 0xFF));
    };
    for (char c : text) {
        const unsigned v = table[static_cast<unsigned char>(c)];
        if (v == 0) continue;
        group[filled++] = v - 1;
        if (filled == 4) {
            flush(4);
            filled = 0;
        }
    }
    flush(filled);
    return out;
}

std::size_t PosFrom(std::wstring_view sub, std::wstring_view s, std::ptrdiff_t offset) {
    return PosFromImpl(sub, s, offset);
}
std::size_t PosFrom(std::string_view sub, std::string_view s, std::ptrdiff_t offset) {
    return PosFromImpl(sub, s, offset);
}

std::wstring ReplaceString(std::wstring_view s, std::wstring_view oldPattern,
                           std::wstring_view newPattern, bool firstOnly) {
    return ReplaceStringImpl(s, oldPattern, newPattern, firstOnly);
}
std::string ReplaceString(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, bool firstOnly) {
    return ReplaceStringImpl(s, oldPattern, newPattern, firstOnly);
}

std::wstring LastPathComponent(std::wstring_view path) { return LastPathComponentImpl(path); }
std::string LastPathComponent(std::string_view path) { return LastPathComponentImpl(path); }

bool IsDriveRoot(std::wstring_view path) { return IsDriveRootImpl(path); }
bool IsDriveRoot(std::string_view path) { return IsDriveRootImpl(path); }

bool DirectoryExists(const std::filesystem::path& path) { return platform::DirectoryExists(path); }

std::filesystem::path GetWindowsDir() { return platform::WindowsDirectory(); }

std::int64_t GetFileSize64(const std::filesystem::path& path) {
    return GetFileSize64(path.native());
}

std::int64_t GetFileSize64(const std::filesystem::path::string_type& path) {
    const auto found = platform::LookupPathText(path);
    if (!found || !found->IsFile())
        return -1;
    return found->size;
}

int CompareInt64(std::int64_t a, std::int64_t b) { return a > b ? 1 : (a < b ? -1 : 0); }
int CompareFloat(double a, double b) { return a > b ? 1 : (a < b ? -1 : 0); }

ScreenPoint CenterFormPosition(const std::optional<ScreenRect>& owner, int formWidth,
                               int formHeight, const ScreenRect& workArea) {
    const int middleX = workArea.left + workArea.Width() / 2 - formWidth / 2;
    const int middleY = workArea.top + workArea.Height() / 2 - formHeight / 2;
    if (!owner) return {middleX, middleY};
    ScreenPoint at{owner->left + owner->Width() / 2 - formWidth / 2,
                   owner->top + owner->Height() / 2 - formHeight / 2};
    if (at.y < workArea.top || at.y + formHeight > workArea.bottom) at.y = middleY;
    if (at.x < workArea.left || at.x + formWidth > workArea.right) at.x = middleX;
    return at;
}

int MulDivRound(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t n = static_cast<std::int64_t>(a) * b;
    std::int64_t q = n / c;
    const std::int64_t r = n % c;
    if (2 * std::llabs(r) >= std::llabs(c)) q += ((n < 0) != (c < 0)) ? -1 : 1;
    // As MulDiv: a result that int cannot hold is -1, not a wrapped value.
    if (q > INT_MAX || q < -INT_MAX) return -1;
    return static_cast<int>(q);
}

InputQueryLayout LayoutInputQuery(int x, int y, int promptWidth, int promptHeight,
                                  int editHeight) {
    InputQueryLayout l;
    l.clientWidth = MulDivRound(180, x, 4);
    const int left = MulDivRound(8, x, 4);
    l.prompt = {left, MulDivRound(8, y, 8), left + promptWidth, MulDivRound(8, y, 8) + promptHeight};
    // The prompt keeps its margin on the right too: a prompt only a little narrower than the
    // client would otherwise be cut off.
    if (promptWidth + 2 * left > l.clientWidth) l.clientWidth = promptWidth + 2 * left;

    int editWidth = MulDivRound(164, x, 4);
    if (editWidth < promptWidth) editWidth = l.clientWidth - 2 * left;
    const int editTop = l.prompt.bottom + MulDivRound(8, x, 8);
    l.edit = {left, editTop, left + editWidth, editTop + editHeight};

    const int buttonTop = l.edit.bottom + MulDivRound(13, x, 8);
    const int buttonWidth = MulDivRound(50, x, 4);
    const int buttonHeight = MulDivRound(14, y, 8);
    const int okLeft = MulDivRound(38, x, 4);
    const int cancelLeft = MulDivRound(92, x, 4);
    l.ok = {okLeft, buttonTop, okLeft + buttonWidth, buttonTop + buttonHeight};
    l.cancel = {cancelLeft, buttonTop, cancelLeft + buttonWidth, buttonTop + buttonHeight};
    l.clientHeight = buttonTop + buttonHeight + MulDivRound(13, x, 8);
    return l;
}

} // namespace quillon
