#pragma once
#include <filesystem>
#include <string>
#include <string_view>

// Text handed to the views: the native string of paths (UTF-16 on Windows, bytes on POSIX), so
// that captions cut from file names reach a window or the console without a conversion.
namespace quillon {

using ViewChar = std::filesystem::path::value_type;
using ViewText = std::filesystem::path::string_type;
using ViewTextView = std::basic_string_view<ViewChar>;

// Our fixed texts are ASCII.
ViewText ViewTextFromAscii(std::string_view text);
// Texts of the system (reasons of failures) come as UTF-8; one that is not keeps its ASCII and
// shows "?" for the rest.
ViewText ViewTextFromUtf8(std::string_view text);

// Appends one character of the user's number format (a separator) in the native encoding.
void AppendFormatChar(ViewText& text, wchar_t c);

} // namespace quillon
