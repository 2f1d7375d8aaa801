#pragma once
#include <filesystem>
#include <string>
#include <string_view>

// Console text for quillon-cli. All text is UTF-8 inside the program; on Windows it reaches a
// console as wide text (WriteConsoleW) and a pipe or file as UTF-8 bytes.
namespace quillon::cli {

// A command-line argument (UTF-8) as a path: the bytes as they are on POSIX.
std::filesystem::path PathFromArg(const std::string& arg);
// The same made absolute, without "." and ".." steps, as the shell hands names to the window.
std::filesystem::path AbsolutePathFromArg(const std::string& arg);
// A path as UTF-8 text for output.
std::string TextFromPath(const std::filesystem::path& path);

// Buffered; Flush() before exiting or when a line must be seen at once.
void Out(std::string_view text);
void Err(std::string_view text);
void Flush();
bool StderrIsTerminal();
// Why a write to stdout failed (the system's text), or empty while every write succeeded.
const std::string& OutFailure();

// Tests run the commands in-process: while set, output goes to these strings instead.
void CaptureForTests(std::string* out, std::string* err);

// The line end of the platform's text files.
#ifdef _WIN32
inline constexpr std::string_view kNewline = "\r\n";
#else
inline constexpr std::string_view kNewline = "\n";
#endif

} // namespace quillon::cli
