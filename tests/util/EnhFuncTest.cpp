#include "util/EnhFunc.h"

#include "platform/NumberFormat.h"
#include "platform/TextCodec.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace quillon {
namespace {

constexpr double KiB = 1024.0;
constexpr double MiB = 1048576.0;
constexpr double GiB = 1073741824.0;
constexpr double TiB = 1099511627776.0;

std::wstring Wide(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// For failure messages only; the texts compared here are ASCII apart from chosen separators.
std::string Shown(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            out += "\\u" + std::to_string(static_cast<unsigned>(c));
        }
    }
    return out;
}

// Every case runs in both text widths: the window side and the list side share the routines.
class WithNumberFormat : public testing::Test {
protected:
    void Pin(wchar_t thousands, wchar_t decimal) {
        format_ = {thousands, decimal};
        platform::OverrideNumberFormat(&format_);
    }
    void SetUp() override { Pin(L',', L'.'); }
    void TearDown() override { platform::OverrideNumberFormat(nullptr); }

private:
    platform::NumberFormat format_;
};

struct SizeCase {
    int mode;
    bool unit;
    double value;
    const char* text;
};

void ExpectSizes(std::initializer_list<SizeCase> cases) {
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " unit " << c.unit << " value "
                                        << std::to_string(c.value));
        EXPECT_EQ(Shown(FormatSize(c.mode, c.unit, c.value)), c.text);
        EXPECT_EQ(FormatSize<char>(c.mode, c.unit, c.value), c.text);
    }
}

using FormatSizeTest = WithNumberFormat;

TEST_F(FormatSizeTest, AutoPicksTheUnitAtEachPowerOf1024) {
    ExpectSizes({
        {SizeModeAuto, true, 0, "0 bytes"},
        {SizeModeAuto, true, 1, "1 bytes"},
        {SizeModeAuto, true, 1023, "1,023 bytes"},
        {SizeModeAuto, true, KiB, "1 KB"},
        {SizeModeAuto, true, 5000, "4 KB"},
        {SizeModeAuto, true, MiB - 1, "1,023 KB"},
        {SizeModeAuto, true, MiB, "1.00 MB"},
        {SizeModeAuto, true, 1572864, "1.50 MB"},
        {SizeModeAuto, true, GiB, "1.00 GB"},
        {SizeModeAuto, true, 1.75 * GiB, "1.75 GB"},
        {SizeModeAuto, true, TiB, "1.00 TB"},
        {SizeModeAuto, true, 1024 * TiB, "1,024.00 TB"},
    });
}

// The unit flag governs only the bytes text; the larger units always carry theirs.
TEST_F(FormatSizeTest, UnitFlagOnlyAffectsBytes) {
    ExpectSizes({
        {SizeModeAuto, false, 0, "0"},
        {SizeModeAuto, false, 1023, "1,023"},
        {SizeModeAuto, false, KiB, "1 KB"},
        {SizeModeAuto, false, MiB, "1.00 MB"},
        {SizeModeKB, false, 500, "500"},
    });
}

TEST_F(FormatSizeTest, RoundsToNearestWithHalvesAwayFromZero) {
    ExpectSizes({
        {SizeModeAuto, true, 1.5, "2 bytes"},
        {SizeModeAuto, true, 2.5, "3 bytes"},
        {SizeModeAuto, true, 2.49, "2 bytes"},
        {SizeModeAuto, true, 1.125 * MiB, "1.13 MB"}, // a printf-style tie to even gives 1.12
        {SizeModeAuto, true, 1.375 * GiB, "1.38 GB"},
        {SizeModeAuto, true, GiB - 1, "1,024.00 MB"}, // the carry runs through every digit
        {SizeModeAuto, true, -1234, "-1,234 bytes"},  // the sign is not grouped
        {SizeModeAuto, true, -0.4, "0 bytes"},        // no "-0"
    });
}

// Kilobytes are truncated, not rounded, and KB mode never goes up to MB.
TEST_F(FormatSizeTest, KilobyteModeTruncatesAndStaysInKilobytes) {
    ExpectSizes({
        {SizeModeKB, true, 500, "500 bytes"},
        {SizeModeKB, true, 1023, "1,023 bytes"},
        {SizeModeKB, true, KiB, "1 KB"},
        {SizeModeKB, true, 2047, "1 KB"},
        {SizeModeKB, true, 5000, "4 KB"},
        {SizeModeKB, true, MiB, "1,024 KB"},
        {SizeModeKB, true, GiB, "1,048,576 KB"},
        {SizeModeKB, true, TiB, "1,073,741,824 KB"},
        {SizeModeKB, true, 4 * TiB, "4,294,967,296 KB"}, // past a 32-bit count
    });
}

// Regression: the count went through a 64-bit integer, and a value past its range is undefined
// behaviour (on x86 it printed "-9,223,372,036,854,775,808 KB").
TEST_F(FormatSizeTest, KilobyteModeBeyondA64BitCount) {
    ExpectSizes({
        {SizeModeKB, true, std::ldexp(1.0, 73), "9,223,372,036,854,775,808 KB"},
        {SizeModeKB, true, std::ldexp(1.0, 80), "1,180,591,620,717,411,303,424 KB"},
    });
}

TEST_F(FormatSizeTest, BytesModeNeverChangesUnit) {
    ExpectSizes({
        {SizeModeBytes, false, 1234567, "1,234,567"},
        {SizeModeBytes, true, 1234567, "1,234,567 bytes"},
        {SizeModeBytes, false, 0, "0"},
        {SizeModeBytes, false, TiB, "1,099,511,627,776"},
        {SizeModeBytes, false, 9007199254740993.0, "9,007,199,254,740,992"}, // nearest double
        {SizeModeBytes, false, 9007199254740991.0, "9,007,199,254,740,991"}, // largest exact one
        {SizeModeBytes, false, -0.0, "0"},
    });
}

TEST_F(FormatSizeTest, OtherModesBehaveAsAuto) {
    ExpectSizes({
        {3, true, GiB, "1.00 GB"},
        {-1, true, 5 * GiB, "5.00 GB"},
        {255, true, 1572864, "1.50 MB"},
    });
}

TEST_F(FormatSizeTest, UsesTheUserSeparators) {
    Pin(L'.', L',');
    ExpectSizes({
        {SizeModeAuto, true, 1023, "1.023 bytes"},
        {SizeModeAuto, true, 1572864, "1,50 MB"},
        {SizeModeAuto, true, 1024 * TiB, "1.024,00 TB"},
        {SizeModeKB, true, GiB, "1.048.576 KB"},
        {SizeModeBytes, false, 1234567, "1.234.567"},
    });
}

// A separator outside ASCII stays one character in window text and takes the list encoding in
// 8-bit text.
TEST_F(FormatSizeTest, NonAsciiSeparators) {
    Pin(L'\u00A0', L'\u066B');
    EXPECT_EQ(FormatSize(SizeModeAuto, true, 1023), L"1\u00A0023 bytes");
    EXPECT_EQ(FormatSize(SizeModeAuto, true, 1572864), L"1\u066B50 MB");
    EXPECT_EQ(FormatSize(SizeModeKB, true, GiB), L"1\u00A0048\u00A0576 KB");
    const std::string space = platform::ListTextFromWide(L"\u00A0");
    EXPECT_EQ(FormatSize<char>(SizeModeAuto, true, 1023), "1" + space + "023 bytes");
    EXPECT_EQ(FormatSize<char>(SizeModeKB, true, GiB), "1" + space + "048" + space + "576 KB");
}

using InsertThousandSeparatorsTest = WithNumberFormat;

TEST_F(InsertThousandSeparatorsTest, GroupsByThreeFromTheRight) {
    const struct {
        const char* digits;
        const char* grouped;
    } cases[] = {
        {"", ""},
        {"1", "1"},
        {"12", "12"},
        {"123", "123"},
        {"1234", "1,234"},
        {"12345", "12,345"},
        {"123456", "123,456"},
        {"1234567", "1,234,567"},
        {"1234567890", "1,234,567,890"},
        {"0000", "0,000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InsertThousandSeparators(std::string_view(c.digits)), c.grouped) << c.digits;
        EXPECT_EQ(Shown(InsertThousandSeparators(std::wstring_view(Wide(c.digits)))), c.grouped)
            << c.digits;
    }
}

TEST_F(InsertThousandSeparatorsTest, TakesTheUserSeparator) {
    Pin(L'\'', L'.');
    EXPECT_EQ(InsertThousandSeparators(std::string_view("1234567")), "1'234'567");
    EXPECT_EQ(InsertThousandSeparators(std::wstring_view(L"1234567")), L"1'234'567");
}

struct MaskCase {
    const char* mask;
    const char* name;
    bool matches;
};

void ExpectMatches(std::initializer_list<MaskCase> cases) {
    for (const MaskCase& c : cases) {
        EXPECT_EQ(MatchMask(std::string_view(c.mask), std::string_view(c.name)), c.matches)
            << "mask \"" << c.mask << "\" name \"" << c.name << "\"";
        EXPECT_EQ(MatchMask(std::wstring_view(Wide(c.mask)), std::wstring_view(Wide(c.name))),
                  c.matches)
            << "wide: mask \"" << c.mask << "\" name \"" << c.name << "\"";
    }
}

TEST(MatchMask, Wildcards) {
    ExpectMatches({
        {"*.sfv", "A.SFV", true},
        {"*.sfv", "a.sfv.bak", false},
        {"*.r??", "x.r01", true},
        {"*.r??", "x.r1", false},
        {"a*", "a", true},
        {"a*", "ba", false},
        {"a*b", "axxb", true},
        {"*b*", "abc", true},
        {"*b*", "ac", false},
        {"a?c", "aXc", true},
        {"a?c", "ac", false},
        {"*.*", "readme", false},
        {"*.*", "read.me", true},
        {"*.*", ".", true},
        {"[ab]", "a", false}, // no character classes
        {"[ab]", "[AB]", true},
    });
}

TEST(MatchMask, EmptyMaskAndEmptyName) {
    ExpectMatches({
        {"*", "", true},
        {"*", "anything.at.all", true},
        {"**", "", true},
        {"", "", true},
        {"", "a", false},
        {"a", "", false},
        {"?", "", false},
        {"*?", "", false},
        {"**a", "", false},
    });
}

// A mask used up before the name starts over on the rest of it.
TEST(MatchMask, ShortMaskRepeatsOverALongerName) {
    ExpectMatches({
        {"ab", "abab", true},
        {"ab", "ababab", true},
        {"ab", "aba", false},
        {"a?", "abac", true},
        {"a?", "abc", false},
        {"abc", "abcd", false},
        {"?", "ab", true},
        {"??", "abc", false},
        {"a*b", "axbab", true},
        {"a*b", "axxbc", false},
        {"*a", "bca", true},
        {"*a", "bcab", false},
        {"*abc", "xxabcabc", true},
        {"*abc", "xxabcab", false},
    });
}

// With a star the mask never starts over while the star can still take more: starting over
// first missed names that plainly match, even the mask itself.
TEST(MatchMask, StarTakesMoreBeforeTheMaskRepeats) {
    ExpectMatches({
        {"*.r?", "a.r.r1", true},
        {"*a?", "aab", true},
        {"*?\x03*?", "*?\x03*?", true},
        {"x*y?", "xyzyz", true},
        {"*.r?", "a.r.r12", false},
        {"a*b", "abac", false},
    });
}

TEST(MatchMask, OnlyAsciiLettersIgnoreCase) {
    ExpectMatches({
        {"abc", "ABC", true},
        {"ABC", "abc", true},
        {"*.SFV", "x.sfv", true},
        {"@", "`", false}, // neighbours of the letter ranges
        {"[", "{", false},
    });
    EXPECT_FALSE(MatchMask(std::wstring_view(L"\u00E9"), std::wstring_view(L"\u00C9")));
    EXPECT_TRUE(MatchMask(std::wstring_view(L"\u00E9*"), std::wstring_view(L"\u00E9X")));
    EXPECT_TRUE(MatchMask(std::wstring_view(L"?x"), std::wstring_view(L"\u00E9X")));
    EXPECT_FALSE(MatchMask(std::string_view("\xE9"), std::string_view("\xC9")));
    EXPECT_TRUE(MatchMask(std::string_view("\xE9?"), std::string_view("\xE9\xFF")));
}

// Masks typed by the user must not be able to hang the window: a backtracking matcher takes
// exponential time on these.
TEST(MatchMask, AdversarialMasksFinishQuickly) {
    using Clock = std::chrono::steady_clock;
    const std::string as(10000, 'a');
    const std::string mask = "*a*a*a*a*a*a*b";
    const std::string longStar = std::string("*").append(300, 'a').append("b");
    const auto start = Clock::now();
    EXPECT_FALSE(MatchMask(std::string_view(mask), std::string_view(as)));
    EXPECT_TRUE(MatchMask(std::string_view(mask), std::string_view(as + "b")));
    EXPECT_FALSE(MatchMask(std::string_view("a*a*a*a*a*a*a*a*a*a*a*a*b"), std::string_view(as)));
    EXPECT_FALSE(MatchMask(std::string_view("*?*?*?*?*?*?*?*?b"), std::string_view(as)));
    EXPECT_FALSE(MatchMask(std::string_view(longStar), std::string_view(as)));
    EXPECT_TRUE(MatchMask(std::string_view(longStar), std::string_view(as + "b")));
    EXPECT_FALSE(MatchMask(std::wstring_view(Wide(mask)), std::wstring_view(Wide(as))));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_LT(took.count(), 2000);
}

// An independent encoder, to check the decoder on every byte value and length.
std::string Encode(std::string_view bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (unsigned char b : bytes) {
        bits = (bits << 8) | b;
        count += 8;
        while (count >= 6) {
            count -= 6;
            out.push_back(alphabet[(bits >> count) & 63]);
        }
    }
    if (count > 0)
        out.push_back(alphabet[(bits << (6 - count)) & 63]);
    while (out.size() % 4)
        out.push_back('=');
    return out;
}

TEST(Base64Decode, KnownTexts) {
    const struct {
        std::string text;
        std::string bytes;
    } cases[] = {
        {"QQ==", "A"},
        {"QQ", "A"},
        {"QUI=", "AB"},
        {"QUJD", "ABC"},
        {"QUJDRA==", "ABCD"},
        {"TWFu", "Man"},
        {"", ""},
        {"====", ""},
        {"AP8=", std::string("\x00\xFF", 2)},
        {"+/+/", "\xFB\xFF\xBF"},
        {"QU JD\r\nRA\t==\n", "ABCD"},             // blanks and line breaks are skipped
        {"Q\xC3\xA9Q-_==", "A"},                   // as are bytes outside the alphabet
        {"QQ==QQ==", std::string("A\x04\x10", 3)}, // padding is no terminator
    };
    for (const auto& c : cases)
        EXPECT_EQ(Base64Decode(c.text), c.bytes) << c.text;
}

// n sextets give 3 * (n / 4) bytes plus 0, 0, 1, 2 for a remainder of 0, 1, 2, 3.
TEST(Base64Decode, LengthFollowsTheSextetCount) {
    static constexpr std::size_t extra[] = {0, 0, 1, 2};
    for (std::size_t n = 0; n <= 13; ++n) {
        std::string text; // a blank after every second sextet
        for (std::size_t i = 0; i < n; ++i)
            text.append(i % 2 ? "B " : "B");
        EXPECT_EQ(Base64Decode(text).size(), 3 * (n / 4) + extra[n % 4]) << n;
    }
}

TEST(Base64Decode, RoundTripsEveryByteValueAndLength) {
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<char>(i);
    EXPECT_EQ(Base64Decode(Encode(all)), all);
    for (std::size_t n = 0; n <= 40; ++n) {
        const std::string bytes = test::RandomBytes(n, static_cast<unsigned>(n) + 7);
        EXPECT_EQ(Base64Decode(Encode(bytes)), bytes) << n;
    }
}

TEST(PosFrom, OneBasedSearchFromAnOffset) {
    const struct {
        const char* sub;
        const char* s;
        std::ptrdiff_t offset;
        std::size_t at;
    } cases[] = {
        {"b", "abc", 1, 2},    {"b", "abc", 0, 2}, // 0 counts as 1
        {"b", "abc", 2, 2},    {"b", "abc", 3, 0},    {"c", "abc", 3, 3},  {"c", "abc", 4, 0},
        {"c", "abc", 1000, 0}, {"b", "abc", -1, 0},   {"a", "abca", 2, 4}, {"abc", "abc", 1, 1},
        {"abcd", "abc", 1, 0}, {"bc", "abcbc", 3, 4}, {"A", "abc", 1, 0}, // case-sensitive
        {"", "abc", 1, 0},     {"a", "", 1, 0},       {"", "", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PosFrom(std::string_view(c.sub), std::string_view(c.s), c.offset), c.at)
            << c.sub << " in " << c.s << " from " << c.offset;
        EXPECT_EQ(PosFrom(std::wstring_view(Wide(c.sub)), std::wstring_view(Wide(c.s)), c.offset),
                  c.at)
            << c.sub << " in " << c.s << " from " << c.offset;
    }
}

TEST(ReplaceString, LeftToRightWithoutSearchingReplacedText) {
    const struct {
        const char* s;
        const char* from;
        const char* to;
        bool firstOnly;
        const char* result;
    } cases[] = {
        {"a*b*c*", "*", "", false, "abc"},
        {"***", "*", "", false, ""},
        {"*", "*", "", true, ""},
        {"aaaa", "aa", "a", false, "aa"},
        {"aaaa", "aa", "a", true, "aaa"},
        {"aXbXc", "X", "--", false, "a--b--c"},
        {"aXbXc", "X", "-", true, "a-bXc"},
        {"aXbXc", "X", "Y", false, "aYbYc"}, // same length: in place
        {"aaa", "a", "aa", false, "aaaaaa"},
        {"abab", "ab", "abab", false, "abababab"},
        {"abc", "x", "y", false, "abc"},
        {"abc", "b", "b", false, "abc"},
        {"AbA", "a", "x", false, "AbA"}, // case-sensitive
        {"abc", "", "x", false, "abc"},  // an empty pattern occurs nowhere
        {"", "a", "b", false, ""},
        {"abcabc", "abc", "", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceString(std::string_view(c.s), c.from, c.to, c.firstOnly), c.result)
            << c.s << " " << c.from << " -> " << c.to;
        EXPECT_EQ(Shown(ReplaceString(std::wstring_view(Wide(c.s)), Wide(c.from), Wide(c.to),
                                      c.firstOnly)),
                  c.result)
            << c.s << " " << c.from << " -> " << c.to;
    }
}

TEST(IncludeTrailingBackslash, AppendsOnlyWhenMissing) {
    const struct {
        const char* path;
        const char* result;
    } cases[] = {
        {"", "\\"},
        {"C:", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:\\foo", "C:\\foo\\"},
        {"C:\\foo\\\\", "C:\\foo\\\\"},
        {"a/b", "a/b\\"}, // only a backslash counts
    };
    for (const auto& c : cases) {
        std::string narrow = c.path;
        IncludeTrailingBackslash(narrow);
        EXPECT_EQ(narrow, c.result) << c.path;
        std::wstring wide = Wide(c.path);
        IncludeTrailingBackslash(wide);
        EXPECT_EQ(Shown(wide), c.result) << c.path;
    }
}

TEST(LastPathComponent, TextAfterTheLastInnerSeparator) {
    const struct {
        const char* path;
        const char* last;
    } cases[] = {
        {"C:\\foo\\bar\\", "bar"},
        {"C:\\foo\\bar", "bar"},
        {"C:\\", ""},
        {"D:\\", ""},
        {"C:", ""},
        {"/usr/lib/", "lib"},
        {"/usr/lib", "lib"},
        {"/a", "a"},
        {"a/b\\c", "c"},
        {"a\\b/", "b"},
        {"\\\\server\\share", "share"},
        {"C:\\foo\\\\", ""}, // only one trailing separator is dropped
        {"foo", ""},
        {"a\\", ""},
        {"\\", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LastPathComponent(std::string_view(c.path)), c.last) << c.path;
        EXPECT_EQ(Shown(LastPathComponent(std::wstring_view(Wide(c.path)))), c.last) << c.path;
    }
}

TEST(IsDriveRoot, TwoOrThreeCharactersWithAColonSecond) {
    const struct {
        const char* path;
        bool root;
    } cases[] = {
        {"C:", true}, {"C:\\", true},   {"d:/", true}, {"1:", true},    {"C", false},
        {"", false},  {"C:\\x", false}, {":", false},  {"CC\\", false}, {"\\C:", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDriveRoot(std::string_view(c.path)), c.root) << c.path;
        EXPECT_EQ(IsDriveRoot(std::wstring_view(Wide(c.path))), c.root) << c.path;
    }
}

// A comparer built on subtraction overflows at the ends of the range.
TEST(Compare, SignOfTheDifference) {
    constexpr std::int64_t lo = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int64_t>::max();
    const struct {
        std::int64_t a, b;
        int result;
    } ints[] = {{1, 2, -1},  {2, 1, 1},   {5, 5, 0},   {lo, hi, -1}, {hi, lo, 1},
                {lo, 1, -1}, {hi, -1, 1}, {-1, 0, -1}, {lo, lo, 0}};
    for (const auto& c : ints)
        EXPECT_EQ(CompareInt64(c.a, c.b), c.result) << c.a << " " << c.b;

    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double a, b;
        int result;
    } floats[] = {{1.5, 2.5, -1},  {2.5, 1.5, 1},  {0.0, -0.0, 0}, {-inf, inf, -1},
                  {inf, 1e308, 1}, {1e-300, 0, 1}, {nan, 1.0, 0},  {1.0, nan, 0}};
    for (const auto& c : floats)
        EXPECT_EQ(CompareFloat(c.a, c.b), c.result) << c.a << " " << c.b;
}

TEST(DirectoryExists, FoldersOnly) {
    test::TempDir dir;
    const auto file = dir.Write("file.txt", "x");
    std::filesystem::create_directory(dir / "sub");
    EXPECT_TRUE(DirectoryExists(dir.path()));
    EXPECT_TRUE(DirectoryExists(dir / "sub"));
    EXPECT_TRUE(DirectoryExists(dir / "sub" / ""));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(DirectoryExists(dir / "missing"));
    EXPECT_FALSE(DirectoryExists(dir / "missing" / "deeper"));
    EXPECT_FALSE(DirectoryExists(""));
}

TEST(GetFileSize64, FilesOnly) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    EXPECT_EQ(GetFileSize64(dir.Write("five.bin", "12345")), 5);
    EXPECT_EQ(GetFileSize64(dir.Write("empty.bin", "")), 0);
    EXPECT_EQ(GetFileSize64(dir / "sub"), -1);
    EXPECT_EQ(GetFileSize64(dir / "missing.bin"), -1);
    // A device has no size to check: NUL on Windows, /dev/null here.
#ifdef _WIN32
    EXPECT_EQ(GetFileSize64(std::filesystem::path(L"NUL")), -1);
#else
    EXPECT_EQ(GetFileSize64(std::filesystem::path("/dev/null")), -1);
#endif
}

} // namespace
} // namespace quillon
