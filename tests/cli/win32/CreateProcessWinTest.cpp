// The real quillon-cli.exe create, with names beyond ASCII.
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quillon {
namespace {

DWORD RunCli(const std::wstring& args) {
    const std::string exe = QUILLON_CLI_PATH;
    std::wstring command = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD status = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return status;
}

std::wstring Quoted(const std::filesystem::path& p) {
    return L"\"" + p.native() + L"\"";
}

// "\xE4" is a name of code page 1252: a list of such names stays in it, byte for byte. Beside
// Japanese, Greek or an emoji the list is UTF-8 with its mark, and checks Good.
TEST(CreateProcessWin, NamesBelowTheListsFolder) {
    test::TempDir dir;
    const std::filesystem::path d = dir / L"d";
    dir.Write(L"d\\\u00E4.txt", "abc");
    dir.Write(L"d\\sub\\x", "x");
    dir.Write(L"d\\\u65E5.txt", "x");
    dir.Write(L"d\\\u03A9 \U0001F600", "abc");
    EXPECT_EQ(RunCli(L"create --md5 -o " + Quoted(d / L"l1.md5") + L" " +
                     Quoted(d / L"\u00E4.txt") + L" " + Quoted(d / L"sub\\x")),
              0u);
    EXPECT_EQ(test::ReadAll(d / L"l1.md5"), "900150983CD24FB0D6963F7D28E17F72 \xE4.txt\r\n"
                                            "9DD4E461268C8034F5C8564E155C67A6 sub\\x\r\n");
    EXPECT_EQ(RunCli(L"create --md5 -o " + Quoted(d / L"l.md5") + L" " + Quoted(d / L"\u00E4.txt") +
                     L" " + Quoted(d / L"sub\\x") + L" " + Quoted(d / L"\u65E5.txt") + L" " +
                     Quoted(d / L"\u03A9 \U0001F600")),
              0u);
    EXPECT_EQ(test::ReadAll(d / L"l.md5"),
              "\xEF\xBB\xBF"
              "900150983CD24FB0D6963F7D28E17F72 \xC3\xA4.txt\r\n"
              "9DD4E461268C8034F5C8564E155C67A6 sub\\x\r\n"
              "9DD4E461268C8034F5C8564E155C67A6 \xE6\x97\xA5.txt\r\n"
              "900150983CD24FB0D6963F7D28E17F72 \xCE\xA9 \xF0\x9F\x98\x80\r\n");
    EXPECT_EQ(RunCli(L"check " + Quoted(d / L"l.md5")), 0u);
    // The folder command: its list of the same names, which checks Good.
    EXPECT_EQ(RunCli(L"create --sfv " + Quoted(d)), 0u);
    const std::string sfv = test::ReadAll(d / L"d.sfv");
    EXPECT_EQ(sfv.substr(0, 3), "\xEF\xBB\xBF");
    const std::string tail = "\xE6\x97\xA5.txt 8CDC1683\r\n";
    ASSERT_GT(sfv.size(), tail.size());
    EXPECT_EQ(sfv.substr(sfv.size() - tail.size()), tail) << sfv;
    EXPECT_EQ(RunCli(L"check " + Quoted(d / L"d.sfv")), 0u);
    EXPECT_EQ(RunCli(L"create --sfv " + Quoted(d / L"sub\\x")), 0u);
    const std::string plain = test::ReadAll(d / L"sub\\sub.sfv");
    const std::string plainTail = " x\r\nx 8CDC1683\r\n"; // the comment line's end and the entry
    ASSERT_GT(plain.size(), plainTail.size());
    EXPECT_EQ(plain.substr(plain.size() - plainTail.size()), plainTail) << plain;
}

} // namespace
} // namespace quillon
