#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon::platform {
namespace {

using namespace std::string_literals;

// What iconv refuses (tests/platform/posix/TextCodecIconvTest.cpp has the valid forms): lone
// surrogates and an odd last byte become U+FFFD, a NUL stays to end its line.
TEST(TextCodec, Utf16ToUtf8) {
    struct Case {
        std::string le; // little endian; the big-endian form is made by swapping
        std::string utf8;
    } cases[] = {
        {"\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"}, // a pair: U+1F600
        {"\x3D\xD8"s
         "a\0"s,
         "\xEF\xBF\xBD"
         "a"},                         // lone high surrogate
        {"\x00\xDE"s, "\xEF\xBF\xBD"}, // lone low surrogate
        {"\x3D\xD8"s, "\xEF\xBF\xBD"}, // high at the end
        {"a\0\0\0b\0"s, "a\0b"s},      // NUL stays (it ends a line)
        {"a\0b"s, "a\xEF\xBF\xBD"},    // odd last byte
    };
    for (const auto& c : cases) {
        std::string le, be;
        AppendUtf8FromUtf16(c.le, false, le);
        EXPECT_EQ(le, c.utf8) << testing::PrintToString(c.le);
        std::string swapped = c.le;
        for (std::size_t i = 0; i + 1 < swapped.size(); i += 2)
            std::swap(swapped[i], swapped[i + 1]);
        AppendUtf8FromUtf16(swapped, true, be);
        EXPECT_EQ(be, c.utf8) << testing::PrintToString(c.le);
    }
}

// Appending gives what converting whole gives, after what was there: code page and UTF-8 text,
// invalid UTF-8, characters beyond the BMP, nothing at all.
TEST(TextCodec, AppendWideFromListTextEqualsTheWholeConversion) {
    const std::string texts[] = {"", "plain.bin", "caf\xE9", "caf\xC3\xA9", "\xC3\xA9\xE9\xFF",
                                 "\xF0\x9F\x98\x80 x", std::string(600, 'n') + "\xE9"};
    for (const ListEncoding encoding : {ListEncoding::CodePage, ListEncoding::Utf8})
        for (const auto& text : texts) {
            std::wstring out = L"Z:\\folder\\";
            AppendWideFromListText(text, encoding, out);
            EXPECT_EQ(out, L"Z:\\folder\\" + WideFromListText(text, encoding))
                << testing::PrintToString(text) << (encoding == ListEncoding::Utf8 ? " utf-8" : "");
        }
}

// The border: marks decide, and without one only Windows looks at the bytes.
TEST(TextCodec, DecodeListBytes) {
    const ListEncoding sniffed = ListTextIsConverted ? ListEncoding::Utf8 : ListEncoding::CodePage;
    struct Case {
        std::string bytes;
        std::string text;
        ListEncoding encoding;
    } cases[] = {
        {"a 1\r\n", "a 1\r\n", ListEncoding::CodePage},
        {"caf\xE9 1", "caf\xE9 1", ListEncoding::CodePage},
        {"caf\xC3\xA9 1", "caf\xC3\xA9 1", sniffed},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", sniffed},
        {"\xC0\xAF \xED\xA0\x80", "\xC0\xAF \xED\xA0\x80",
         ListEncoding::CodePage}, // overlong, surrogate
        {"\xEF\xBB\xBF"
         "a 1",
         "a 1", ListEncoding::Utf8},
        {"\xEF\xBB\xBF"
         "caf\xE9",
         "caf\xE9", ListEncoding::Utf8}, // the mark wins, bad bytes too
        {"\xFF\xFE"
         "a\0 \0"
         "1\0"s,
         "a 1", ListEncoding::Utf8},
        {"\xFE\xFF"
         "\0a\0 \0"
         "1"s,
         "a 1", ListEncoding::Utf8},
        {"\xFF\xFE"s, "", ListEncoding::Utf8},
        {"\xEF\xBB", "\xEF\xBB", ListEncoding::CodePage}, // half a mark is text
        {"a\0 \0"
         "1\0"s,
         "a\0 \0"
         "1\0"s,
         ListEncoding::CodePage}, // UTF-16 without its mark
    };
    for (const auto& c : cases) {
        std::string converted;
        const DecodedList d = DecodeListBytes(c.bytes, converted);
        EXPECT_EQ(d.text, c.text) << testing::PrintToString(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding) << testing::PrintToString(c.bytes);
    }
}

} // namespace
} // namespace quillon::platform
