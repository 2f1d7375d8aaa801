#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// List files are 8-bit text in the ANSI code page or in UTF-8 (Windows) or plain bytes (POSIX);
// paths and window text are wide on Windows. These are the only conversions between them.
namespace quillon::platform {

// How the text of one list is encoded. CodePage: the ANSI code page on Windows. Utf8: UTF-8.
// On POSIX names are bytes either way and nothing is converted.
enum class ListEncoding : std::uint8_t { CodePage, Utf8 };

// Whether list text is converted to reach a path (Windows): only then does a list without a
// byte-order mark need a look at its bytes to tell UTF-8 from the code page.
#ifdef _WIN32
inline constexpr bool ListTextIsConverted = true;
#else
inline constexpr bool ListTextIsConverted = false;
#endif

// A list file's bytes as the text the parser reads. A UTF-8 byte-order mark is dropped; UTF-16
// (LE or BE, by its mark) becomes UTF-8 in converted, and text then views converted. Without a
// mark, on Windows, bytes that are valid UTF-8 and hold at least one non-ASCII sequence are UTF-8
// and anything else is the code page; on POSIX the bytes are the text as they are.
struct DecodedList {
    std::string_view text;
    ListEncoding encoding = ListEncoding::CodePage;
};
DecodedList DecodeListBytes(std::string_view bytes, std::string& converted);

// True when text is valid UTF-8 (no overlong form, no surrogate, nothing past U+10FFFF) and
// holds at least one byte of 0x80 or more.
bool IsUtf8WithNonAscii(std::string_view text);
// UTF-16 code units (two bytes each, in the given order) as UTF-8 appended to out. A lone
// surrogate and an odd last byte become U+FFFD.
void AppendUtf8FromUtf16(std::string_view bytes, bool bigEndian, std::string& out);

// List text -> path. On POSIX the bytes are taken as they are.
std::filesystem::path PathFromListText(std::string_view text,
                                       ListEncoding encoding = ListEncoding::CodePage);
// Path -> list text. Characters the code page cannot hold become "?".
std::string ListTextFromPath(const std::filesystem::path& path,
                             ListEncoding encoding = ListEncoding::CodePage);
// The same, but empty when a character of the name has no exact form in the encoding (a code
// page character that is missing, a lone surrogate in UTF-8): a name written with "?" could
// never be found again. On POSIX always the bytes.
std::optional<std::string> ExactListTextFromPath(const std::filesystem::path& path,
                                                 ListEncoding encoding = ListEncoding::CodePage);

std::wstring WideFromListText(std::string_view text,
                              ListEncoding encoding = ListEncoding::CodePage);
// The same, appended to out: one conversion and no text in between, for a million names.
void AppendWideFromListText(std::string_view text, ListEncoding encoding, std::wstring& out);
std::string ListTextFromWide(std::wstring_view text,
                             ListEncoding encoding = ListEncoding::CodePage);

// List text as UTF-8, for output and messages: on Windows converted from the code page when that
// is its encoding; on POSIX the bytes.
std::string Utf8FromListText(std::string_view text, ListEncoding encoding);

// UTF-8 for console output and messages on POSIX; on Windows the console takes wide text.
std::string Utf8FromPath(const std::filesystem::path& path);

} // namespace quillon::platform
