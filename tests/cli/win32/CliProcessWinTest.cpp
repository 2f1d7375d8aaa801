// The real quillon-cli.exe with its output on pipes, as scripts run it.
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

namespace quillon {
namespace {

struct Result {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w.data(), n);
    return w;
}

std::string ReadAll(HANDLE h) {
    std::string s;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        s.append(buffer, got);
    return s;
}

// args: the command line after the program, quoted by the caller.
Result Spawn(const std::wstring& args) {
    Result r;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0))
        return r;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0))
        return r;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    std::wstring command = L"\"" + Wide(QUILLON_CLI_PATH) + L"\" " + args;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        std::thread errReader([&] { r.err = ReadAll(errRead); });
        r.out = ReadAll(outRead);
        errReader.join();
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &r.status);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return r;
}

std::wstring Quoted(const std::filesystem::path& p) {
    return L"\"" + p.native() + L"\"";
}

std::string Utf8(const std::filesystem::path& p) {
    const auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

// Every line ends in exactly one CR LF through a pipe, and porcelain is nothing but its lines.
TEST(CliProcessWin, PipedOutputKeepsItsLineEnds) {
    test::TempDir dir;
    dir.Write("abc.txt", "abc");
    const auto list = dir.Write("l.sfv", "abc.txt 352441c2\r\ngone.bin 00000000\r\n");
    Result p = Spawn(L"check --porcelain " + Quoted(list));
    EXPECT_EQ(p.status, 1u);
    // Porcelain fields escape "\": every folder separator is doubled.
    const auto escaped = [](std::string text) {
        for (std::size_t i = text.find('\\'); i != text.npos; i = text.find('\\', i + 2))
            text.insert(i, 1, '\\');
        return text;
    };
    EXPECT_EQ(p.out, "kind\tSFV\r\nGood\t3\t352441c2\t" + escaped(Utf8(dir / "abc.txt")) +
                         "\r\nMissing\t-1\t00000000\t" + escaped(Utf8(dir / "gone.bin")) +
                         "\r\nsummary\t0\t1\t0\t1\r\n");
    EXPECT_EQ(p.err, "");

    Result h = Spawn(L"show " + Quoted(list));
    EXPECT_EQ(h.status, 0u);
    EXPECT_EQ(h.out, "Unchecked " + Utf8(dir / "abc.txt") + "\r\nUnchecked " +
                         Utf8(dir / "gone.bin") + "\r\n2 Unchecked, 0 Missing, 0 Bad, 0 Good\r\n");

    Result d = Spawn(L"digest --crc32 " + Quoted(dir / "abc.txt"));
    EXPECT_EQ(d.out, "352441C2 " + Utf8(dir / "abc.txt") + "\r\n");
}

TEST(CliProcessWin, ExitStatuses) {
    test::TempDir dir;
    dir.Write("abc.txt", "abc");
    const auto good = dir.Write("good.md5", "900150983CD24FB0D6963F7D28E17F72 *abc.txt\r\n");
    const auto none = dir.Write("none.sfv", "; nothing\r\n");
    EXPECT_EQ(Spawn(L"check " + Quoted(good)).status, 0u);
    Result empty = Spawn(L"check " + Quoted(none));
    EXPECT_EQ(empty.status, 1u);
    EXPECT_NE(empty.err.find("no entries"), std::string::npos) << empty.err;
    Result absent = Spawn(L"show " + Quoted(dir / "absent.sfv"));
    EXPECT_EQ(absent.status, 2u);
    EXPECT_EQ(absent.out, "");
    EXPECT_NE(absent.err.find("Cannot open file " + Utf8(dir / "absent.sfv")), std::string::npos)
        << absent.err;
    EXPECT_EQ(Spawn(L"check").status, 2u);
}

} // namespace
} // namespace quillon
