#include "platform/TextCodec.h"

#include <cstring>

namespace quillon::platform {

namespace {

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.size() >= mark.size() && bytes.substr(0, mark.size()) == mark;
}

} // namespace

bool IsUtf8WithNonAscii(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    bool nonAscii = false;
    while (i < n) {
        // Plain ASCII eight bytes at a time: most of a list is.
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        std::size_t length;
        unsigned low = 0x80, high = 0xBF; // the range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0; // no overlong form
            if (c == 0xED)
                high = 0x9F; // no surrogate
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            if (c == 0xF4)
                high = 0x8F; // nothing past U+10FFFF
        } else {
            return false;
        }
        if (n - i < length || p[i + 1] < low || p[i + 1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return nonAscii;
}

void AppendUtf8FromUtf16(std::string_view bytes, bool bigEndian, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) -> char32_t {
        return bigEndian ? (p[2 * i] << 8 | p[2 * i + 1]) : (p[2 * i + 1] << 8 | p[2 * i]);
    };
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(c, out);
    }
    if (bytes.size() % 2 != 0)
        AppendUtf8(0xFFFD, out);
}

DecodedList DecodeListBytes(std::string_view bytes, std::string& converted) {
    if (StartsWith(bytes, "\xEF\xBB\xBF"))
        return {bytes.substr(3), ListEncoding::Utf8};
    const bool le = StartsWith(bytes, "\xFF\xFE"), be = StartsWith(bytes, "\xFE\xFF");
    if (le || be) {
        converted.clear();
        AppendUtf8FromUtf16(bytes.substr(2), be, converted);
        return {converted, ListEncoding::Utf8};
    }
    if (ListTextIsConverted && IsUtf8WithNonAscii(bytes))
        return {bytes, ListEncoding::Utf8};
    return {bytes, ListEncoding::CodePage};
}

} // namespace quillon::platform
