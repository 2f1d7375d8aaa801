#include "cli/Console.h"

#include "platform/OsError.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quillon::cli {

namespace {

std::string* g_captureOut = nullptr;
std::string* g_captureErr = nullptr;
// The first failed write to stdout: a full disk under "digest ... > sums" must not pass for
// success.
std::string g_outFailure;

std::string& OutBuffer() {
    static std::string buffer;
    return buffer;
}

void WriteRaw(bool toErr, std::string_view text) {
    if (text.empty()) return;
    if (std::string* capture = toErr ? g_captureErr : g_captureOut) {
        capture->append(text);
        return;
    }
#ifdef _WIN32
    HANDLE h = GetStdHandle(toErr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
        int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            n);
        DWORD written = 0;
        if (!WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
            !toErr && g_outFailure.empty())
            g_outFailure = platform::LastOsError().text;
        return;
    }
    // Our text already ends its lines with CR LF; a text-mode stdout would make that CR CR LF.
    static const bool binaryOut = [] { return _setmode(_fileno(stdout), _O_BINARY) != -1; }();
    (void)binaryOut;
#endif
    std::FILE* f = toErr ? stderr : stdout;
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if ((std::fflush(f) != 0 || !written) && !toErr && g_outFailure.empty()) {
        const int code = errno;
        g_outFailure = code != 0 ? platform::OsErrorFromCode(code).text : "write failed";
        // The stream stays in error; later lines fail the same way and change nothing.
    }
}

} // namespace

std::filesystem::path PathFromArg(const std::string& arg) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(arg.begin(), arg.end()));
#else
    return std::filesystem::path(arg);
#endif
}

std::filesystem::path AbsolutePathFromArg(const std::string& arg) {
    std::filesystem::path p = PathFromArg(arg);
    if (p.is_relative()) {
        std::error_code ec;
        const auto current = std::filesystem::current_path(ec);
        if (!ec)
            p = current / p;
    }
    return p.lexically_normal();
}

std::string TextFromPath(const std::filesystem::path& path) { return platform::Utf8FromPath(path); }

void Out(std::string_view text) {
    auto& buffer = OutBuffer();
    buffer.append(text);
    if (buffer.size() >= (1u << 16)) Flush();
}

void Err(std::string_view text) {
    Flush(); // keep stdout and stderr in order on a terminal
    WriteRaw(true, text);
}

void Flush() {
    auto& buffer = OutBuffer();
    WriteRaw(false, buffer);
    buffer.clear();
}

const std::string& OutFailure() {
    return g_outFailure;
}

void CaptureForTests(std::string* out, std::string* err) {
    Flush();
    g_captureOut = out;
    g_captureErr = err;
}

bool StderrIsTerminal() {
    if (g_captureErr) return false;
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
    return ::isatty(2) != 0;
#endif
}

} // namespace quillon::cli
