// The real quillon.exe as the folder menu starts it: "-makesfv"/"-makemd5" and folders.
#include "create/win32/FADlg.h"
#include "platform/Registry.h"
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

// The texts of the process's shown dialog boxes, up to the first that holds an error.
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
            if (pid != s.pid || std::wstring(cls) != L"#32770" || !IsWindowVisible(w))
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
            return s.text.find(L"Cannot") == std::wstring::npos;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.text;
}

// Presses OK on the process's shown dialog boxes.
void PressOk(DWORD processId) {
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (pid == static_cast<DWORD>(p) && std::wstring(cls) == L"#32770" &&
                IsWindowVisible(w))
                PostMessageW(w, WM_COMMAND, IDOK, 0);
            return TRUE;
        },
        static_cast<LPARAM>(processId));
}

TEST(QuillonProcess, FolderCommandsWriteOneListPerFolderAndEnd) {
    test::TempDir dir;
    dir.Write("a/x.txt", "abc");
    dir.Write("a/old.md5", "not listed");
    dir.Write("b/y.txt", "abc");
    dir.Write("b/b.sfv", "kept");
    // A folder, then a file of the same folder: one list, the second finds it and is skipped,
    // which ends the command with 1 as quillon-cli create does.
    Process sfv(L"-makesfv " + Quoted(dir / "a") + Quoted(dir / "a" / "x.txt"));
    EXPECT_EQ(sfv.Wait(30000), 1u);
    const std::string list = ReadAll(dir / "a" / "a.sfv");
    EXPECT_NE(list.find("\r\nx.txt 352441C2\r\n"), std::string::npos) << list;
    EXPECT_EQ(list.find("old.md5"), std::string::npos);

    // Capitals in the switch; a file argument stands for its folder; an existing list stays.
    Process md5(L"-MAKEMD5 " + Quoted(dir / "a" / "x.txt") + Quoted(dir / "b"));
    EXPECT_EQ(md5.Wait(30000), 0u);
    EXPECT_EQ(ReadAll(dir / "a" / "a.md5"), "900150983CD24FB0D6963F7D28E17F72 x.txt\r\n");
    Process again(L"-makesfv " + Quoted(dir / "b"));
    EXPECT_EQ(again.Wait(30000), 1u);
    EXPECT_EQ(ReadAll(dir / "b" / "b.sfv"), "kept");
    EXPECT_EQ(ReadAll(dir / "b" / "b.md5"), "900150983CD24FB0D6963F7D28E17F72 y.txt\r\n");
}

// Of several folders, one whose list leaves a file out: the warning names that list, the other
// folders get theirs, and the command ends with 1.
TEST(QuillonProcess, FolderWithAnUnreadableFileIsNamedAndEndsWithOne) {
    test::TempDir dir;
    dir.Write("a/x.txt", "abc");
    dir.Write("b/y.txt", "abc");
    dir.Write("b/locked.bin", "abc");
    HANDLE lock = CreateFileW((dir / "b" / "locked.bin").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Process p(L"-makemd5 " + Quoted(dir / "b") + Quoted(dir / "a"));
    std::wstring box;
    for (int i = 0; i < 100 && box.find(L"left out") == std::wstring::npos; ++i) {
        Sleep(100);
        box = BoxText(p.pi.dwProcessId);
    }
    CloseHandle(lock);
    EXPECT_NE(box.find(L"1 file was left out of the list " + (dir / "b" / "b.md5").native()),
              std::wstring::npos)
        << box;
    EXPECT_NE(box.find(L"locked.bin"), std::wstring::npos) << box;
    PressOk(p.pi.dwProcessId);
    EXPECT_EQ(p.Wait(30000), 1u);
    EXPECT_EQ(ReadAll(dir / "b" / "b.md5"), "900150983CD24FB0D6963F7D28E17F72 y.txt\r\n");
    EXPECT_EQ(ReadAll(dir / "a" / "a.md5"), "900150983CD24FB0D6963F7D28E17F72 x.txt\r\n");
}

TEST(QuillonProcess, MissingFolderStopsWithTheErrorAndStaysOpen) {
    test::TempDir dir;
    dir.Write("later/z.txt", "abc");
    Process p(L"-makesfv " + Quoted(dir / "gone") + Quoted(dir / "later"));
    std::wstring box;
    for (int i = 0; i < 100 && box.find(L"Cannot") == std::wstring::npos; ++i) {
        Sleep(100);
        box = BoxText(p.pi.dwProcessId);
    }
    EXPECT_EQ(p.Wait(200), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_NE(box.find(L"Cannot create file"), std::wstring::npos) << box;
    EXPECT_FALSE(std::filesystem::exists(dir / "later" / "later.sfv"));
}

// What the options dialog registers is what the shell runs: the open command on a list, which
// the window checks at once, and the folder command, which writes the folder's list and ends.
TEST(QuillonProcess, RegisteredCommandsRun) {
    test::TempDir dir;
    const std::wstring base = L"Software\\QuillonProcessTest-" + std::to_wstring(GetCurrentProcessId());
    wchar_t exe[MAX_PATH] = {};
    GetFullPathNameW(Wide(QUILLON_EXE_PATH).c_str(), MAX_PATH, exe, nullptr);
    OptionsDialogParams params;
    params.exePath = exe;
    params.settingsKey = L"\\" + base + L"\\Settings";
    params.classesKey = base + L"\\Classes";
    params.classesFallbackKey = base + L"\\Machine";
    params.notifyShell = [] {};
    params.onShown = [](HWND dialog) {
        for (int id :
             {IDC_FA_ASSOCIATE_SFV, IDC_FA_ASSOCIATE_MD5, IDC_FA_FOLDER_SFV, IDC_FA_FOLDER_MD5})
            SendDlgItemMessageW(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    ASSERT_EQ(TFrmFA(params, {}).ShowModal(), IDOK);
    platform::Registry classes(platform::RegistryRoot::Classes, params.classesKey,
                               params.classesFallbackKey);
    const auto command = [&](const std::wstring& key, const std::filesystem::path& target) {
        EXPECT_TRUE(classes.OpenKey(key, false)) << key;
        std::wstring text = classes.ReadString(L"");
        classes.CloseKey();
        const std::size_t at = text.find(L"%1");
        return at == std::wstring::npos ? text : text.replace(at, 2, target.native());
    };
    EXPECT_TRUE(classes.OpenKey(L"\\.md5", false));
    EXPECT_EQ(classes.ReadString(L""), L"Quillon.Document");
    classes.CloseKey();

    dir.Write("v/abc.txt", "abc");
    const auto list = dir.Write("v/l.sfv", "abc.txt 352441C2\r\n");
    std::wstring open = command(L"\\Quillon.Document\\Shell\\open\\Command", list);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, open.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi))
        << open;
    // The window shows "Complete in ..." once its check has ended; then it is closed.
    struct Found {
        DWORD pid;
        HWND window = nullptr;
        bool complete = false;
    } found{pi.dwProcessId};
    for (int i = 0; i < 300 && !found.complete; ++i) {
        Sleep(100);
        EnumWindows(
            [](HWND w, LPARAM p) -> BOOL {
                auto& f = *reinterpret_cast<Found*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid != f.pid)
                    return TRUE;
                f.window = w;
                EnumChildWindows(
                    w,
                    [](HWND c, LPARAM q) -> BOOL {
                        wchar_t text[64] = {};
                        GetWindowTextW(c, text, 64);
                        if (std::wstring(text).rfind(L"Complete in ", 0) == 0)
                            *reinterpret_cast<bool*>(q) = true;
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&f.complete));
                return !f.complete;
            },
            reinterpret_cast<LPARAM>(&found));
    }
    EXPECT_TRUE(found.complete);
    if (found.window)
        PostMessageW(found.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    std::wstring folder = command(L"\\Folder\\shell\\Create MD5\\command", dir / "v");
    ASSERT_TRUE(CreateProcessW(nullptr, folder.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi))
        << folder;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(ReadAll(dir / "v" / "v.md5"), "900150983CD24FB0D6963F7D28E17F72 abc.txt\r\n");
    platform::Registry().DeleteKey(L"\\" + base);
}

} // namespace
} // namespace quillon
