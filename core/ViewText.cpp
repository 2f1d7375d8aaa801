#include "core/ViewText.h"

namespace quillon {

ViewText ViewTextFromAscii(std::string_view text) {
    return ViewText(text.begin(), text.end());
}

ViewText ViewTextFromUtf8(std::string_view text) {
    try {
        return std::filesystem::path(std::u8string(text.begin(), text.end())).native();
    } catch (...) {
        std::string ascii(text);
        for (char& c : ascii)
            if (static_cast<unsigned char>(c) >= 0x80)
                c = '?';
        return ViewTextFromAscii(ascii);
    }
}

void AppendFormatChar(ViewText& text, wchar_t c) {
    if constexpr (sizeof(ViewChar) > 1) {
        text.push_back(static_cast<ViewChar>(c));
    } else {
        // POSIX text is UTF-8; separators such as U+00A0 or U+202F take several bytes.
        auto u = static_cast<char32_t>(c);
        if (u < 0x80) {
            text.push_back(static_cast<ViewChar>(u));
        } else if (u < 0x800) {
            text.push_back(static_cast<ViewChar>(0xC0 | (u >> 6)));
            text.push_back(static_cast<ViewChar>(0x80 | (u & 0x3F)));
        } else if (u < 0x10000) {
            text.push_back(static_cast<ViewChar>(0xE0 | (u >> 12)));
            text.push_back(static_cast<ViewChar>(0x80 | ((u >> 6) & 0x3F)));
            text.push_back(static_cast<ViewChar>(0x80 | (u & 0x3F)));
        } else {
            text.push_back(static_cast<ViewChar>(0xF0 | (u >> 18)));
            text.push_back(static_cast<ViewChar>(0x80 | ((u >> 12) & 0x3F)));
            text.push_back(static_cast<ViewChar>(0x80 | ((u >> 6) & 0x3F)));
            text.push_back(static_cast<ViewChar>(0x80 | (u & 0x3F)));
        }
    }
}

} // namespace quillon
