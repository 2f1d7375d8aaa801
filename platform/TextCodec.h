#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// List files are 8-bit text in the ANSI code page (Windows) or plain bytes (POSIX); paths and
// window text are wide on Windows. These are the only conversions between them.
namespace quillon::platform {

// List bytes -> path. On POSIX the bytes are taken as they are.
std::filesystem::path PathFromListText(std::string_view text);
// Path -> list bytes. Characters the code page cannot hold become "?".
std::string ListTextFromPath(const std::filesystem::path& path);
// The same, but empty when a character of the name has no exact form in the code page: a name
// written with "?" could never be found again. On POSIX always the bytes.
std::optional<std::string> ExactListTextFromPath(const std::filesystem::path& path);

std::wstring WideFromListText(std::string_view text);
std::string ListTextFromWide(std::wstring_view text);

// UTF-8 for console output and messages on POSIX; on Windows the console takes wide text.
std::string Utf8FromPath(const std::filesystem::path& path);

} // namespace quillon::platform
