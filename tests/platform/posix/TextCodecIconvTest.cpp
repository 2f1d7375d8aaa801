#include "platform/TextCodec.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <random>
#include <string>

namespace quillon::platform {
namespace {

// glibc's converter as the oracle.
std::string Iconv(const char* from, const char* to, std::string in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "no converter";
    std::string out(in.size() * 3 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t left = in.size(), room = out.size();
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1))
        return "iconv failed";
    out.resize(out.size() - room);
    return out;
}

bool HighByte(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return (c & 0x80) != 0; });
}

// Random bytes, most of them lead and continuation bytes: valid exactly where iconv takes them.
TEST(TextCodecIconv, Utf8ValidityAgreesWithIconv) {
    std::mt19937 gen(82);
    const unsigned char pool[] = {'a',  0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                  0xDF, 0xE0, 0xE1, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
    int valid = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int length = 1 + static_cast<int>(gen() % 6);
        for (int i = 0; i < length; ++i)
            s += static_cast<char>(pool[gen() % sizeof pool]);
        const bool oracle = Iconv("UTF-8", "UTF-16LE", s).find("iconv failed") != 0 && HighByte(s);
        valid += oracle;
        ASSERT_EQ(IsUtf8WithNonAscii(s), oracle) << testing::PrintToString(s);
    }
    EXPECT_GT(valid, 100); // the pool gives valid sequences too
}

} // namespace
} // namespace quillon::platform
