// The real quillon.exe as the folder menu starts it: "-makesfv"/"-makemd5" and folders.
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace quillon {
namespace {

std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w.data(), n);
    return w;
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Process {
    PROCESS_INFORMATION pi{};
    explicit Process(const std::wstring& args) {
        std::wstring command = L"\"" + Wide(QUILLON_EXE_PATH) + L"\" " + args;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNOACTIVATE;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &si, &pi))
            pi = {};
    }
    ~Process() {
        if (!pi.hProcess)
            return;
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    // The exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD Wait(DWORD milliseconds) const {
        if (!pi.hProcess)
            return 0xFFFFFFFF;
        WaitForSingleObject(pi.hProcess, milliseconds);
        DWORD code = 0xFFFFFFFF;
        GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
};

std::wstring Quoted(const std::filesystem::path& p) { return L"\"" + p.native() + L"\" "; }

// The text of the first message box the process shows.
std::wstring BoxText(DWORD processId) {
    struct Search {
        DWORD pid;
        std::wstring text;
    } search{processId, {}};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (pid != s.pid || std::wstring(cls) != L"#32770")
                return TRUE;
            EnumChildWindows(
                w,
                [](HWND c, LPARAM q) -> BOOL {
                    wchar_t text[512] = {};
                    GetWindowTextW(c, text, 512);
                    reinterpret_cast<std::wstring*>(q)->append(text).append(L"|");
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&s.text));
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.text;
}

TEST(QuillonProcess, FolderCommandsWriteOneListPerFolderAndEnd) {
    test::TempDir dir;
    dir.Write("a/x.txt", "abc");
    dir.Write("a/old.md5", "not listed");
    dir.Write("b/y.txt", "abc");
    dir.Write("b/b.sfv", "kept");
    // A folder, then a file of the same folder: one list, the second finds it and is skipped.
    Process sfv(L"-makesfv " + Quoted(dir / "a") + Quoted(dir / "a" / "x.txt"));
    EXPECT_EQ(sfv.Wait(30000), 0u);
    const std::string list = ReadAll(dir / "a" / "a.sfv");
    EXPECT_NE(list.find("\r\nx.txt 352441C2\r\n"), std::string::npos) << list;
    EXPECT_EQ(list.find("old.md5"), std::string::npos);

    // Capitals in the switch; a file argument stands for its folder; an existing list stays.
    Process md5(L"-MAKEMD5 " + Quoted(dir / "a" / "x.txt") + Quoted(dir / "b"));
    EXPECT_EQ(md5.Wait(30000), 0u);
    EXPECT_EQ(ReadAll(dir / "a" / "a.md5"), "900150983CD24FB0D6963F7D28E17F72 x.txt\r\n");
    Process again(L"-makesfv " + Quoted(dir / "b"));
    EXPECT_EQ(again.Wait(30000), 0u);
    EXPECT_EQ(ReadAll(dir / "b" / "b.sfv"), "kept");
    EXPECT_EQ(ReadAll(dir / "b" / "b.md5"), "900150983CD24FB0D6963F7D28E17F72 y.txt\r\n");
}

TEST(QuillonProcess, MissingFolderStopsWithTheErrorAndStaysOpen) {
    test::TempDir dir;
    dir.Write("later/z.txt", "abc");
    Process p(L"-makesfv " + Quoted(dir / "gone") + Quoted(dir / "later"));
    EXPECT_EQ(p.Wait(5000), static_cast<DWORD>(STILL_ACTIVE));
    const std::wstring box = BoxText(p.pi.dwProcessId);
    EXPECT_NE(box.find(L"Cannot create file"), std::wstring::npos) << box;
    EXPECT_FALSE(std::filesystem::exists(dir / "later" / "later.sfv"));
}

} // namespace
} // namespace quillon
