// quillon-probe.exe: watches and drives a running Quillon window from another process, for the
// run command and the window benchmarks.
//   quillon-probe wait-complete [SECONDS]  waits until the window shows "Complete in ..."
//   quillon-probe close [SECONDS]          closes the window and waits until it is gone
//   quillon-probe command ID               sends the window WM_COMMAND ID (a toolbar button)
//   quillon-probe ping SECONDS             asks the window every 10 ms for SECONDS and prints the
//                                          longest answer time and the count over 100 ms
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

HWND FindMain() { return FindWindowW(L"TFrmMain", nullptr); }

BOOL CALLBACK FindComplete(HWND child, LPARAM found) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (std::wstring(text).rfind(L"Complete in ", 0) == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool ShowsComplete(HWND window) {
    bool found = false;
    EnumChildWindows(window, FindComplete, reinterpret_cast<LPARAM>(&found));
    return found;
}

int WaitFor(double seconds, bool (*done)()) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (done()) return 0;
        Sleep(50);
    }
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: quillon-probe (wait-complete|close|ping) [SECONDS] | command ID\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    const double seconds = argc > 2 ? std::wcstod(argv[2], nullptr) : 120.0;
    if (command == L"wait-complete") {
        return WaitFor(seconds, [] {
            HWND w = FindMain();
            return w != nullptr && ShowsComplete(w);
        });
    }
    if (command == L"close") {
        if (HWND w = FindMain()) PostMessageW(w, WM_CLOSE, 0, 0);
        return WaitFor(seconds, [] { return FindMain() == nullptr; });
    }
    if (command == L"command") {
        if (WaitFor(60, [] { return FindMain() != nullptr; }) != 0) return 1;
        SendMessageW(FindMain(), WM_COMMAND, static_cast<WPARAM>(std::wcstol(argv[2], nullptr, 10)), 0);
        return 0;
    }
    if (command == L"ping") {
        // Waits for the window first.
        if (WaitFor(60, [] { return FindMain() != nullptr; }) != 0) return 1;
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        double longest = 0;
        int slow = 0, asked = 0;
        while (Clock::now() < end) {
            HWND w = FindMain();
            if (!w) break;
            const auto start = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            longest = std::max(longest, ms);
            slow += ms > 100;
            ++asked;
            Sleep(10);
        }
        std::printf("asked %d, longest %.1f ms, over 100 ms %d\n", asked, longest, slow);
        return slow == 0 ? 0 : 1;
    }
    std::fputs("quillon-probe: unknown command\n", stderr);
    return 2;
}
