#include "platform/TextCodec.h"

#include "platform/win32/WideText.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <windows.h>

namespace quillon::platform {

namespace win32 {

std::wstring Widen(unsigned codePage, std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
    int length = static_cast<int>(text.size());
    int n = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), n);
    return out;
}

std::string Narrow(unsigned codePage, std::wstring_view text) {
    if (text.empty()) return {};
    if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
    int length = static_cast<int>(text.size());
    // No best fit: a name written as "?" is missing when checked, while a best-fit look-alike
    // (fullwidth letters become ASCII ones) could name another file.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* fallback = "?";
    if (codePage == CP_UTF8) {
        flags = 0; // the UTF-8 converter takes neither the flag nor a default character
        fallback = nullptr;
    }
    int n = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, fallback, nullptr);
    if (n == 0 && codePage != CP_UTF8) {
        // Some code pages reject the flag; convert with their defaults then.
        flags = 0;
        fallback = nullptr;
        n = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, flags, text.data(), length, out.data(), n, fallback, nullptr);
    return out;
}

} // namespace win32

namespace {

unsigned CodePageOf(ListEncoding encoding) {
    return encoding == ListEncoding::Utf8 ? CP_UTF8 : CP_ACP;
}

bool HasLoneSurrogate(std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) return true;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return true;
            ++i;
        }
    }
    return false;
}

} // namespace

std::filesystem::path PathFromListText(std::string_view text, ListEncoding encoding) {
    return std::filesystem::path(win32::Widen(CodePageOf(encoding), text));
}

std::string ListTextFromPath(const std::filesystem::path& path, ListEncoding encoding) {
    return ListTextFromWide(path.native(), encoding);
}

std::optional<std::string> ExactListTextFromPath(const std::filesystem::path& path,
                                                 ListEncoding encoding) {
    const std::wstring& text = path.native();
    if (text.empty()) return std::string();
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    const int length = static_cast<int>(text.size());
    const UINT codePage = encoding == ListEncoding::Utf8 ? CP_UTF8 : GetACP();
    if (codePage == CP_UTF8 || codePage == CP_UTF7) {
        // These take neither WC_NO_BEST_FIT_CHARS nor lpUsedDefaultChar; what they cannot write
        // is a lone surrogate, which they would turn into U+FFFD.
        if (HasLoneSurrogate(text)) return std::nullopt;
        return win32::Narrow(codePage, text);
    }
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                nullptr, &usedDefault);
    if (n > 0) {
        if (usedDefault) return std::nullopt;
        std::string out(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length, out.data(), n,
                            nullptr, nullptr);
        return out;
    }
    // A code page that rejects the flag or the default-character report: exact when the bytes
    // read back as the same name.
    std::string out = win32::Narrow(codePage, text);
    if (win32::Widen(codePage, out) != text) return std::nullopt;
    return out;
}

std::wstring WideFromListText(std::string_view text, ListEncoding encoding) {
    return win32::Widen(CodePageOf(encoding), text);
}

void AppendWideFromListText(std::string_view text, ListEncoding encoding, std::wstring& out) {
    if (text.empty()) return;
    if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
    // No code page gives more UTF-16 units than it has bytes.
    const std::size_t start = out.size();
    out.resize(start + text.size());
    const int n = MultiByteToWideChar(CodePageOf(encoding), 0, text.data(),
                                      static_cast<int>(text.size()), out.data() + start,
                                      static_cast<int>(text.size()));
    out.resize(start + static_cast<std::size_t>(std::max(n, 0)));
    if (n <= 0) out += win32::Widen(CodePageOf(encoding), text); // as WideFromListText gives it
}

std::string ListTextFromWide(std::wstring_view text, ListEncoding encoding) {
    return win32::Narrow(encoding == ListEncoding::Utf8 ? CP_UTF8 : GetACP(), text);
}

std::string Utf8FromListText(std::string_view text, ListEncoding encoding) {
    if (encoding == ListEncoding::Utf8)
        return std::string(text);
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return win32::Narrow(CP_UTF8, win32::Widen(CP_ACP, text));
    return std::string(text);
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    return win32::Narrow(CP_UTF8, path.native());
}

} // namespace quillon::platform
