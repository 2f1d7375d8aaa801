// quillon-shelllist-bench.exe: create mode's controls (splitter, folder tree, file list) in a
// shown window, timed on a folder of many files as a user meets them.
//   quillon-shelllist-bench [--files N] [--runs R] [--folder DIR] [--keep] [--hold SECONDS]
// Without --folder it makes N empty files (default 100,000, a few kinds of extension) in a
// temporary folder, reused when it is there already, and removes it at the end unless --keep.
// Under Wine each new name costs a search of the whole folder without regard to case, so making
// 100,000 files that way takes some 20 minutes; a folder made natively comes in with --folder:
//   mkdir /tmp/many && (cd /tmp/many && seq -f 'file%06g.txt' 0 99999 | xargs touch)
// Times, each the median of R runs (default 5):
//   list_folder_s  platform::ListFolder alone
//   show_folder_s  ShellList::ShowFolder until the window is painted
//   navigate_s     ShellTree::Navigate to the folder, the list following, until painted
//   follow_s       a file written into the shown folder until it is in the list and painted
// --hold keeps the window up that long afterwards (for a screenshot). Output: one "name value"
// line per figure; lines starting with '#' are notes.
#include "controls/ShellList.h"
#include "controls/ShellTree.h"
#include "controls/Splitter.h"
#include "platform/FolderListing.h"
#include "tests/win32/PumpMessages.h"

#include <commctrl.h>
#include <cpuid.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace quillon;
using test::PumpUntil;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Figure(const char* name, double value) {
    std::printf("%s %.4f\n", name, value);
    std::fflush(stdout);
}

std::string ProcessorName() {
    unsigned regs[12] = {};
    if (__get_cpuid_max(0x80000000, nullptr) < 0x80000004)
        return "unknown";
    for (unsigned i = 0; i < 3; ++i)
        __get_cpuid(0x80000002 + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2],
                    &regs[i * 4 + 3]);
    std::string name(reinterpret_cast<const char*>(regs), sizeof regs);
    name.resize(std::strlen(name.c_str()));
    return name;
}

std::size_t MakeFiles(const std::filesystem::path& folder, std::size_t count) {
    std::filesystem::create_directories(folder);
    static const wchar_t* const kinds[] = {L".txt", L".bin", L".jpg", L".sfv", L".md5", L".dat"};
    std::size_t made = 0;
    for (std::size_t i = 0; i < count; ++i) {
        wchar_t name[40];
        swprintf(name, 40, L"file%06zu%ls", i, kinds[i % 6]);
        HANDLE h = CreateFileW((folder / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            ++made;
        }
    }
    return made;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        HWND splitter = GetDlgItem(window, 1);
        if (splitter)
            MoveWindow(splitter, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::size_t files = 100000;
    int runs = 5, hold = 0;
    bool keep = false;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--files" && i + 1 < argc)
            files = static_cast<std::size_t>(std::max(1, _wtoi(argv[++i])));
        else if (a == L"--runs" && i + 1 < argc)
            runs = std::max(1, _wtoi(argv[++i]));
        else if (a == L"--folder" && i + 1 < argc)
            folder = argv[++i];
        else if (a == L"--hold" && i + 1 < argc)
            hold = std::max(0, _wtoi(argv[++i]));
        else if (a == L"--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: quillon-shelllist-bench [--files N] [--runs R] "
                                 "[--folder DIR] [--keep] [--hold SECONDS]\n");
            return 2;
        }
    }
    const bool made = folder.empty();
    if (made) {
        folder = std::filesystem::temp_directory_path() /
                 (L"quillon-shelllist-bench-" + std::to_wstring(files));
        auto listed = platform::ListFolder(folder, nullptr);
        if (!listed || listed->size() != files) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
            const auto start = Clock::now();
            const std::size_t n = MakeFiles(folder, files);
            std::printf("# made %zu files in %.1f s\n", n, Seconds(start));
            std::fflush(stdout);
        }
    }
    std::printf("# processor: %s\n", ProcessorName().c_str());
    std::printf("# folder: %ls\n", folder.c_str());
    std::fflush(stdout);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"QuillonShellListBench";
    RegisterClassExW(&wc);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, L"Quillon - create mode controls",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 1000, 640, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);

    controls::Splitter splitter;
    controls::ShellTree tree;
    controls::ShellList list;
    if (!splitter.Create(frame, 1, dpi) || !tree.Create(splitter.Handle(), 2) ||
        !list.Create(splitter.Handle(), 3, dpi)) {
        std::fprintf(stderr, "the controls could not be made\n");
        return 1;
    }
    tree.SetFont(font);
    list.SetFont(font);
    splitter.SetPanes(tree.Handle(), list.Handle());
    tree.SetOnSelect([&](const std::filesystem::path& p) { list.ShowFolder(p); });
    list.SetOnOpenFolder([&](const std::filesystem::path& p) { tree.Navigate(p); });
    RECT client{};
    GetClientRect(frame, &client);
    MoveWindow(splitter.Handle(), 0, 0, client.right, client.bottom, TRUE);
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));

    const auto painted = [&] {
        RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    std::vector<double> listing, show, navigate, follow;
    std::size_t count = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        count = platform::ListFolder(folder, nullptr)
                    .value_or(std::vector<platform::FolderEntry>{})
                    .size();
        listing.push_back(Seconds(start));

        list.ShowFolder(std::filesystem::temp_directory_path());
        painted();
        start = Clock::now();
        list.ShowFolder(folder);
        painted();
        show.push_back(Seconds(start));

        tree.Navigate(std::filesystem::temp_directory_path());
        painted();
        start = Clock::now();
        tree.Navigate(folder);
        painted();
        navigate.push_back(Seconds(start));

        // Past the reload gap of the listing just made (twice its time), so the time is the
        // change's alone.
        PumpUntil([] { return false; },
                  std::chrono::milliseconds(200 + static_cast<int>(2000 * listing.back())));
        const auto extra = folder / (L"new-" + std::to_wstring(run) + L".sfv");
        const std::size_t before = list.Count();
        start = Clock::now();
        CloseHandle(CreateFileW(extra.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        const bool seen =
            PumpUntil([&] { return list.Count() == before + 1; }, std::chrono::seconds(20));
        painted();
        follow.push_back(seen ? Seconds(start) : -1);
        DeleteFileW(extra.c_str());
        PumpUntil([&] { return list.Count() == before; }, std::chrono::seconds(20));
    }
    std::printf("# entries %zu, runs %d\n", count, runs);
    Figure("list_folder_s", Median(listing));
    Figure("show_folder_s", Median(show));
    Figure("navigate_s", Median(navigate));
    Figure("follow_s", Median(follow));

    if (hold > 0)
        PumpUntil([] { return false; }, std::chrono::seconds(hold));
    DestroyWindow(frame);
    DeleteObject(font);
    if (made && !keep) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    return 0;
}
