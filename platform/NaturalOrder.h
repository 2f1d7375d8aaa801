#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

// The order Explorer lists names in: a run of digits counts by its number, so "link2" comes
// before "link10". The folder listings of both systems sort by it, so the window's file list and
// quillon-cli create write a folder's list in the same order.
namespace quillon::platform {

// One run of a name: ASCII digits, or the text between them.
template <typename Char> struct NameRun {
    std::basic_string_view<Char> text;
    bool digits = false;
};

template <typename Char> constexpr bool IsAsciiDigit(Char c) {
    return c >= Char('0') && c <= Char('9');
}

template <typename Char>
std::vector<NameRun<Char>> SplitNameRuns(std::basic_string_view<Char> name) {
    std::vector<NameRun<Char>> runs;
    std::size_t start = 0;
    while (start < name.size()) {
        const bool digits = IsAsciiDigit(name[start]);
        std::size_t end = start + 1;
        while (end < name.size() && IsAsciiDigit(name[end]) == digits)
            ++end;
        runs.push_back({name.substr(start, end - start), digits});
        start = end;
    }
    return runs;
}

// Two runs of digits by their value (leading zeros do not count): < 0, 0 or > 0.
template <typename Char>
int CompareDigitRuns(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    const auto strip = [](std::basic_string_view<Char> s) {
        std::size_t i = 0;
        while (i + 1 < s.size() && s[i] == Char('0'))
            ++i;
        return s.substr(i);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// Compares run by run: digits by value, text by compareText(a, b) (< 0, 0, > 0); at the same
// place a number comes before text, and a name that ends first comes first. 0 when the names
// differ only in what the comparisons ignore (leading zeros, letter case).
template <typename Char, typename CompareText>
int CompareNatural(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                   CompareText compareText) {
    const auto ra = SplitNameRuns(a), rb = SplitNameRuns(b);
    const std::size_t n = ra.size() < rb.size() ? ra.size() : rb.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (ra[i].digits != rb[i].digits)
            return ra[i].digits ? -1 : 1;
        const int c = ra[i].digits ? CompareDigitRuns(ra[i].text, rb[i].text)
                                   : compareText(ra[i].text, rb[i].text);
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    return ra.size() == rb.size() ? 0 : ra.size() < rb.size() ? -1 : 1;
}

} // namespace quillon::platform
