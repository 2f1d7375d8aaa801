#include "platform/TextCodec.h"

#include "platform/posix/ListLocale.h"

#include <climits>
#include <wchar.h>

namespace quillon::platform {

namespace {

// Bytes the locale's encoding cannot decode travel as U+DC00 + byte (lone low surrogates, which
// no valid decoding yields), so that text -> wide -> text gives back every byte.
constexpr wchar_t EscapeBase = 0xDC00;

} // namespace

// Names are bytes here whatever the list's encoding: nothing below looks at it but the wide
// conversions, which follow the locale as the terminal does.
std::filesystem::path PathFromListText(std::string_view text, ListEncoding) {
    return std::filesystem::path(std::string(text));
}

std::string ListTextFromPath(const std::filesystem::path& path, ListEncoding) {
    return path.native();
}

std::optional<std::string> ExactListTextFromPath(const std::filesystem::path& path, ListEncoding) {
    return path.native();
}

std::string Utf8FromListText(std::string_view text, ListEncoding) {
    return std::string(text);
}

void AppendWideFromListText(std::string_view text, ListEncoding encoding, std::wstring& out) {
    out += WideFromListText(text, encoding);
}

std::wstring WideFromListText(std::string_view text, ListEncoding) {
    const posix::ListLocale& ll = posix::CurrentListLocale();
    posix::ScopedThreadLocale use(ll.locale);
    std::wstring out;
    out.reserve(text.size());
    mbstate_t state{};
    std::size_t i = 0;
    while (i < text.size()) {
        wchar_t wc = 0;
        std::size_t n = mbrtowc(&wc, text.data() + i, text.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            out.push_back(static_cast<wchar_t>(EscapeBase + static_cast<unsigned char>(text[i])));
            state = mbstate_t{};
            ++i;
            continue;
        }
        out.push_back(wc);
        i += n == 0 ? 1 : n;
    }
    return out;
}

std::string ListTextFromWide(std::wstring_view text, ListEncoding) {
    const posix::ListLocale& ll = posix::CurrentListLocale();
    posix::ScopedThreadLocale use(ll.locale);
    std::string out;
    out.reserve(text.size());
    mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (wchar_t wc : text) {
        if (wc >= EscapeBase && wc <= EscapeBase + 0xFF) {
            out.push_back(static_cast<char>(wc - EscapeBase));
            continue;
        }
        std::size_t n = wcrtomb(buffer, wc, &state);
        if (n == static_cast<std::size_t>(-1)) {
            out.push_back('?');
            state = mbstate_t{};
            continue;
        }
        out.append(buffer, n);
    }
    return out;
}

std::string Utf8FromPath(const std::filesystem::path& path) { return path.native(); }

} // namespace quillon::platform
