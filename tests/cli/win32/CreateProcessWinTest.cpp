// The real quillon-cli.exe create, with names beyond ASCII.
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quillon {
namespace {

DWORD RunCli(const std::wstring& args) {
    const std::string exe = QUILLON_CLI_PATH;
    std::wstring command = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" create " + args;
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

// "\xE4" is a name of code page 1252; U+65E5 is not and stays out of the list (status 1).
TEST(CreateProcessWin, NamesBelowTheListsFolder) {
    test::TempDir dir;
    dir.Write(L"d\\\u00E4.txt", "abc");
    dir.Write(L"d\\sub\\x", "x");
    dir.Write(L"d\\\u65E5.txt", "x");
    EXPECT_EQ(RunCli(L"--md5 -o " + Quoted(dir / L"d\\l.md5") + L" " +
                     Quoted(dir / L"d\\\u00E4.txt") + L" " + Quoted(dir / L"d\\sub\\x") + L" " +
                     Quoted(dir / L"d\\\u65E5.txt")),
              1u);
    EXPECT_EQ(test::ReadAll(dir / L"d\\l.md5"), "900150983CD24FB0D6963F7D28E17F72 \xE4.txt\r\n"
                                                "9DD4E461268C8034F5C8564E155C67A6 sub\\x\r\n");
    EXPECT_EQ(RunCli(L"--sfv " + Quoted(dir / L"d\\sub\\x")), 0u);
    const std::string sfv = test::ReadAll(dir / L"d\\sub\\sub.sfv");
    const std::string tail = " x\r\nx 8CDC1683\r\n"; // the comment line's end and the entry
    ASSERT_GT(sfv.size(), tail.size());
    EXPECT_EQ(sfv.substr(sfv.size() - tail.size()), tail) << sfv;
}

} // namespace
} // namespace quillon
