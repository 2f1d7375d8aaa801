// quillon-window-bench.exe: the real main window in this process, timed as a user meets it
// (bench/window-bench.sh runs it under Wine and prints the table).
//   quillon-window-bench load [--runs N] LIST
//       loads LIST N times as the Open button does and times each until the list is painted
//   quillon-window-bench check [--runs N] [--no-warm] --cli QUILLON-CLI.EXE LIST
//       loads LIST, then times the window's check and "quillon-cli.exe check" of it in turn,
//       N rounds, the order swapped every round
//   quillon-window-bench create-tree [--runs N] --cli QUILLON-CLI.EXE FOLDER
//       in create mode, every item of FOLDER chosen (its subfolders bring their trees): the
//       window's create run of FOLDER\window.sfv and "quillon-cli.exe create --sfv -r FOLDER"
//       in turn, N rounds, the order swapped every round
//   quillon-window-bench profile-load LIST
//       the steps of a load one by one, outside the window, then the window's whole load
// Also --no-ping (no pinging thread), --hidden (the window never shown), --only-window or
// --only-cli (one side of a check timed): to tell what each costs.
// Meanwhile a second thread asks the window every 10 ms (WM_NULL) and records how long each
// answer took. Output: one "name value" line per figure; lines starting with '#' are notes.
#include "core/ListFile.h"
#include "platform/Registry.h"
#include "ui/MainDlg.h"
#include "util/EnhFunc.h"
#include "verify/Loader.h"
#include "verify/SizeLookup.h"

#include <commctrl.h>
#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using namespace quillon;
using Clock = std::chrono::steady_clock;

// To tell their share in a figure: no pinging thread, or a window never shown (so never painted).
bool gPing = true;
bool gHidden = false;
// 1: only the window's checks are timed, 2: only the command's.
int gOnly = 0;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::string Narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

void Figure(const char* name, double value) {
    std::printf("%s %.4f\n", name, value);
    std::fflush(stdout);
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The message loop, as the program runs it between commands. It sleeps until a message comes,
// `handle` is signalled or `idleMs` pass: a loop that woke every few milliseconds would load
// the wineserver, which the check's file opens go through, more than the program's own loop does.
bool PumpUntil(
    const std::function<bool()>& done, HANDLE handle = nullptr,
    const std::function<DWORD()>& idleMs = [] { return 5; }) {
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        MsgWaitForMultipleObjects(handle ? 1 : 0, handle ? &handle : nullptr, FALSE, idleMs(),
                                  QS_ALLINPUT);
    }
}

// Asks the window every 10 ms from its own thread, as another program (or Windows deciding
// whether the window hangs) would.
class Pinger {
public:
    struct Stats {
        int asked = 0;
        int over100 = 0;
        double longestMs = 0;
    };

    explicit Pinger(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~Pinger() {
        stop_ = true;
        // A ping may be waiting on this thread: keep answering until the pinger is gone.
        PumpUntil([this] { return done_.load(); });
        thread_.join();
    }
    Pinger(const Pinger&) = delete;
    Pinger& operator=(const Pinger&) = delete;

    // The pings that overlap [from, to]. Waits, serving the window, until every ping begun
    // before `to` has its answer, so that a long wait is never cut short.
    Stats Between(Clock::time_point from, Clock::time_point to) {
        PumpUntil([&] {
            std::lock_guard lock(m_);
            return !inFlight_ || inFlightStart_ > to;
        });
        Stats s;
        std::lock_guard lock(m_);
        for (const auto& r : records_) {
            if (r.start > to || r.end < from)
                continue;
            // A ping asked before the phase counts from the phase's start: the wait before is not
            // the phase's.
            const double ms =
                std::chrono::duration<double, std::milli>(r.end - std::max(r.start, from)).count();
            ++s.asked;
            s.over100 += ms > 100;
            // Where the waits fall is the first clue to what held the window.
            if (ms > 100)
                std::fprintf(stderr, "# ping %.0f ms, asked at %+.3f s\n", ms,
                             Seconds(from, r.start));
            s.longestMs = std::max(s.longestMs, ms);
        }
        return s;
    }

private:
    struct Record {
        Clock::time_point start, end;
    };

    void Run() {
        while (!stop_) {
            const auto start = Clock::now();
            {
                std::lock_guard lock(m_);
                inFlight_ = true;
                inFlightStart_ = start;
            }
            DWORD_PTR result = 0;
            // Long enough never to give up on a window that answers late: the wait is the figure.
            SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &result);
            const auto end = Clock::now();
            {
                std::lock_guard lock(m_);
                inFlight_ = false;
                records_.push_back({start, end});
            }
            Sleep(10);
        }
        done_ = true;
    }

    HWND window_;
    std::atomic<bool> stop_{false}, done_{false};
    std::mutex m_;
    bool inFlight_ = false;
    Clock::time_point inFlightStart_;
    std::vector<Record> records_;
    std::thread thread_;
};

void PrintPing(const std::string& prefix, const Pinger::Stats& s) {
    Figure((prefix + ".ping_asked").c_str(), s.asked);
    Figure((prefix + ".ping_longest_ms").c_str(), s.longestMs);
    Figure((prefix + ".ping_over100").c_str(), s.over100);
}

PROCESS_MEMORY_COUNTERS_EX Memory() {
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m),
                         sizeof m);
    return m;
}

// Wine keeps no peak of the process's own memory: it is sampled every 20 ms instead.
class MemorySampler {
public:
    MemorySampler()
        : thread_([this] {
              while (!stop_) {
                  const auto m = Memory();
                  peak_ = std::max<std::uint64_t>(peak_, std::max(m.PagefileUsage, m.PrivateUsage));
                  Sleep(20);
              }
          }) {}
    ~MemorySampler() {
        stop_ = true;
        thread_.join();
    }
    MemorySampler(const MemorySampler&) = delete;
    MemorySampler& operator=(const MemorySampler&) = delete;
    std::uint64_t Peak() const { return peak_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> peak_{0};
    std::thread thread_;
};

void PrintMemory(const std::string& prefix, const MemorySampler& sampler) {
    const PROCESS_MEMORY_COUNTERS_EX m = Memory();
    constexpr double MiB = 1024.0 * 1024.0;
    Figure((prefix + ".sampled_peak_private_mib").c_str(),
           static_cast<double>(sampler.Peak()) / MiB);
    // Wine leaves PrivateUsage 0; its PagefileUsage is Linux's RssAnon + VmSwap, the memory the
    // process itself holds (and PeakWorkingSetSize is VmHWM).
    Figure((prefix + ".pagefile_usage_mib").c_str(), static_cast<double>(m.PagefileUsage) / MiB);
    Figure((prefix + ".peak_working_set_mib").c_str(),
           static_cast<double>(m.PeakWorkingSetSize) / MiB);
    Figure((prefix + ".working_set_mib").c_str(), static_cast<double>(m.WorkingSetSize) / MiB);
    Figure((prefix + ".private_usage_mib").c_str(), static_cast<double>(m.PrivateUsage) / MiB);
}

double CpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    auto value = [](const FILETIME& f) {
        return static_cast<double>((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) |
                                   f.dwLowDateTime) /
               1e7;
    };
    return value(kernel) + value(user);
}

// The window as the program makes it, on a scratch settings key; boxes and the open dialog are
// answered here.
class Bench {
public:
    Bench() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                 ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        key_ = L"\\Software\\QuillonBench-" + std::to_wstring(GetCurrentProcessId());
        ui::MainOptions options;
        options.args = {L"C:\\Program Files\\Quillon\\quillon.exe"};
        options.quitOnDestroy = false;
        options.settingsKey = key_;
        options.messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption,
                                    UINT) {
            ++boxes_;
            std::fprintf(stderr, "# message box: %s: %s\n", Narrow(caption).c_str(),
                         Narrow(text).c_str());
            return IDOK;
        };
        options.openDialog = [](HWND) {
            return std::optional<std::vector<std::filesystem::path>>();
        };
        frame_ = std::make_unique<ui::TFrmMain>(GetModuleHandleW(nullptr), std::move(options));
    }
    ~Bench() {
        pinger_.reset();
        frame_.reset();
        PumpUntil([] { return true; });
        platform::Registry registry;
        registry.DeleteKey(key_);
    }

    bool Open() {
        if (!frame_->Create(gHidden ? SW_HIDE : SW_SHOWNOACTIVATE))
            return false;
        PumpUntil([] { return true; });
        if (gPing)
            pinger_ = std::make_unique<Pinger>(frame_->Handle());
        return true;
    }

    ui::TFrmMain& Frame() { return *frame_; }
    const MemorySampler& Sampler() const { return sampler_; }
    int Boxes() const { return boxes_; }
    std::int32_t Good() { return frame_->Model().Counters.GoodCount; }

    // Open's work after its dialog, then the loop until the list is painted.
    double Load(const std::filesystem::path& list, const std::string& prefix) {
        PumpUntil([] { return true; });
        const auto start = Clock::now();
        frame_->OpenChosenFiles({list});
        const auto returned = Clock::now();
        // The lists are read on a thread of the window's; the rows are made when it is done.
        PumpUntil([this] { return !frame_->Loading(); }, nullptr, [] { return 250; });
        PumpUntil([] { return true; });
        RedrawWindow(frame_->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        const auto shown = Clock::now();
        Figure((prefix + ".call_s").c_str(), Seconds(start, returned));
        Figure((prefix + ".shown_s").c_str(), Seconds(start, shown));
        Figure((prefix + ".rows").c_str(), frame_->List().RowCount());
        if (pinger_)
            PrintPing(prefix, pinger_->Between(start, shown));
        return Seconds(start, shown);
    }

    // The Check button on the loaded list until the worker has ended.
    double Check(Pinger::Stats* ping) {
        PumpUntil([] { return true; });
        const double cpuBefore = CpuSeconds(GetCurrentProcess());
        const auto start = Clock::now();
        frame_->bCheckClick();
        // The worker leaves Busy just before its last call to this thread and ends right after:
        // only then is the end looked for every millisecond.
        PumpUntil([this] { return !frame_->Model().CheckRunning(); }, nullptr,
                  [this]() -> DWORD { return frame_->Run().Busy ? 250 : 1; });
        const auto end = Clock::now();
        lastCpu_ = CpuSeconds(GetCurrentProcess()) - cpuBefore;
        // The last flush paints outside the time, as the user sees the result already.
        PumpUntil([] { return true; });
        if (ping && pinger_)
            *ping = pinger_->Between(start, end);
        return Seconds(start, end);
    }
    double LastCpu() const { return lastCpu_; }

    // Reads every listed file once, so that the page cache holds them whatever ran before.
    void Warm() {
        std::vector<char> buffer(1 << 20);
        for (const auto& e : frame_->Model().ItemList) {
            HANDLE h = CreateFileW(e->FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (h == INVALID_HANDLE_VALUE)
                continue;
            DWORD got = 0;
            while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
                   got > 0) {
            }
            CloseHandle(h);
        }
    }

private:
    MemorySampler sampler_;
    std::wstring key_;
    std::unique_ptr<ui::TFrmMain> frame_;
    std::unique_ptr<Pinger> pinger_;
    int boxes_ = 0;
    double lastCpu_ = 0;
};

// "quillon-cli.exe ARGS" as a child process, its output thrown away. The wall time from
// CreateProcessW to its end; exit status in *status.
double RunCli(const std::wstring& cli, const std::wstring& args, DWORD* status) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = nul;
    si.hStdError = nul;
    std::wstring command = L"\"" + cli + L"\" " + args;
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    *status = 255;
    if (started) {
        // The window keeps being served while the child runs.
        PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, pi.hProcess,
                  [] { return INFINITE; });
        GetExitCodeProcess(pi.hProcess, status);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    const auto end = Clock::now();
    CloseHandle(nul);
    return Seconds(start, end);
}

// A view that keeps nothing: what the rebuild of the rows costs before any control.
class NullView final : public VerifyView {
public:
    void SetFileProgress(std::int32_t) override {}
    void SetTotalProgress(std::int32_t) override {}
    void SetRateText(const ViewText&) override {}
    void SetTimeText(const ViewText&) override {}
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void DeleteAllRows() override { rows_ = 0; }
    RowIndex AddRow(ViewTextView, std::int32_t, std::int32_t, TItemRec*) override {
        return rows_++;
    }
    void Relayout() override {}
    std::int32_t RowCount() const override { return rows_; }
    TItemRec* RowData(RowIndex) const override { return nullptr; }
    bool IsRowSelected(RowIndex) const override { return false; }
    std::int32_t SelectedCount() const override { return 0; }
    void ScrollRowIntoView(RowIndex) override {}
    void SetRowImage(RowIndex, std::int32_t) override {}
    void SetRowSizeText(RowIndex, const ViewText&) override {}
    void EnableCheckCommand(bool) override {}
    void EnableRunCommands(bool) override {}
    void RequestStatusRepaint() override {}
    void SetCaption(const ViewText&) override {}
    void SetDisplayFilterMark(std::int32_t) override {}

private:
    std::int32_t rows_ = 0;
};

int RunProfileLoad(const std::wstring& list) {
    auto time = [](const char* name, const std::function<void()>& step) {
        const auto start = Clock::now();
        step();
        Figure(name, Seconds(start, Clock::now()));
    };
    {
        ListLines lines;
        time("profile.parse_s", [&] { ParseListFile(list, lines); });
        Figure("profile.lines", static_cast<double>(lines.lines.size()));
    }
    TItemList items;
    time("profile.entries_s", [&] { AppendListEntries(list, items, false); });
    std::vector<TItemRec*> entries;
    for (auto& e : items)
        entries.push_back(e.get());
    std::vector<std::int64_t> sizes;
    time("profile.lookup_sizes_s", [&] { sizes = LookupSizes(entries); });
    // One thread, a sample: the cost of one lookup as the file system answers it here.
    const std::size_t sample = std::min<std::size_t>(entries.size(), 20000);
    time("profile.lookup_sample_one_thread_s", [&] {
        for (std::size_t i = 0; i < sample; ++i)
            GetFileSize64(entries[i]->FileName);
    });
    Figure("profile.lookup_sample", static_cast<double>(sample));
    // The same sizes from one listing per folder instead of one path lookup per entry.
    time("profile.sizes_from_folder_listings_s", [&] {
        std::unordered_map<std::wstring, std::unordered_map<std::wstring, std::int64_t>> folders;
        auto fold = [](std::wstring text) {
            for (auto& c : text)
                c = static_cast<wchar_t>(towlower(c));
            return text;
        };
        std::size_t found = 0;
        for (const auto* e : entries) {
            const std::wstring& name = e->FileName;
            const std::size_t cut = name.find_last_of(L"\\/");
            const std::wstring folder = fold(name.substr(0, cut));
            auto it = folders.find(folder);
            if (it == folders.end()) {
                it =
                    folders.emplace(folder, std::unordered_map<std::wstring, std::int64_t>()).first;
                WIN32_FIND_DATAW data;
                HANDLE find =
                    FindFirstFileExW((name.substr(0, cut) + L"\\*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
                if (find != INVALID_HANDLE_VALUE) {
                    do {
                        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                            it->second.emplace(
                                fold(data.cFileName),
                                static_cast<std::int64_t>(
                                    (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                    data.nFileSizeLow));
                    } while (FindNextFileW(find, &data));
                    FindClose(find);
                }
            }
            found += it->second.count(fold(name.substr(cut + 1))) != 0;
        }
        Figure("profile.folders", static_cast<double>(folders.size()));
        Figure("profile.found_in_listings", static_cast<double>(found));
    });
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i]->Size = sizes[i];
    NullView view;
    time("profile.rows_null_view_s", [&] { RefreshList(items, FilterAll, SizeTypeAuto, view); });
    time("profile.free_entries_s", [&] { items.clear(); });
    Bench bench;
    if (!bench.Open())
        return 1;
    bench.Load(list, "profile.window_load");
    Figure("done", 1);
    return 0;
}

int Usage() {
    std::fputs("usage: quillon-window-bench load [--runs N] LIST\n"
               "       quillon-window-bench check [--runs N] [--no-warm] --cli EXE LIST\n"
               "       quillon-window-bench create-tree [--runs N] --cli EXE FOLDER\n"
               "       quillon-window-bench profile-load LIST\n",
               stderr);
    return 2;
}

int RunLoad(const std::wstring& list, int runs) {
    Bench bench;
    if (!bench.Open())
        return 1;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(bench.Load(list, "load.run" + std::to_string(i + 1)));
    Figure("load.median_s", Median(times));
    PrintMemory("load", bench.Sampler());
    Figure("done", 1);
    return bench.Boxes() == 0 ? 0 : 1;
}

int RunCheck(const std::wstring& list, const std::wstring& cli, int runs, bool warmEachRound) {
    Bench bench;
    if (!bench.Open())
        return 1;
    bench.Load(list, "load");
    const std::int32_t entries = static_cast<std::int32_t>(bench.Frame().Model().ItemList.size());
    bench.Warm();
    {
        // The lookups a check starts with, alone and on this thread.
        std::vector<TItemRec*> all;
        for (auto& e : bench.Frame().Model().ItemList)
            all.push_back(e.get());
        const auto start = Clock::now();
        LookupSizes(all);
        Figure("check.size_lookup_s", Seconds(start, Clock::now()));
    }
    {
        // Its first step on this thread for a list checked before sets every row's image back;
        // here each row gets the image it has, so nothing changes but the cost is paid.
        ui::TVerifyList& rows = bench.Frame().List();
        const RowIndex count = rows.RowCount();
        auto start = Clock::now();
        for (RowIndex r = 0; r < count; ++r)
            bench.Frame().SetRowImage(r, rows.RowImage(r));
        Figure("check.set_every_row_image_s", Seconds(start, Clock::now()));
        // The flush after such a change: the whole range redrawn, or only the rows in view.
        start = Clock::now();
        ListView_RedrawItems(rows.Handle(), 0, count - 1);
        Figure("check.redraw_every_row_s", Seconds(start, Clock::now()));
        const int top = ListView_GetTopIndex(rows.Handle());
        const int page = ListView_GetCountPerPage(rows.Handle());
        start = Clock::now();
        ListView_RedrawItems(rows.Handle(), top, top + page);
        Figure("check.redraw_rows_in_view_s", Seconds(start, Clock::now()));
        PumpUntil([] { return true; });
    }
    // One of each untimed: the first run of each pays for what the later ones find ready.
    DWORD status = 0;
    bench.Check(nullptr);
    const std::wstring check = L"check --quiet \"" + list + L"\"";
    RunCli(cli, check, &status);
    if (bench.Good() != entries || status != 0) {
        std::fprintf(stderr, "# not every entry is Good (window %d of %d, cli exit %lu)\n",
                     bench.Good(), entries, status);
        return 1;
    }
    std::vector<double> window, child, windowCpu;
    Pinger::Stats all;
    for (int i = 0; i < runs; ++i) {
        if (warmEachRound)
            bench.Warm();
        for (int k = 0; k < 2; ++k) {
            const bool windowTurn = (k == 0) == (i % 2 == 0);
            if (gOnly != 0 && gOnly != (windowTurn ? 1 : 2))
                continue;
            if (windowTurn) {
                Pinger::Stats ping;
                window.push_back(bench.Check(&ping));
                windowCpu.push_back(bench.LastCpu());
                all.asked += ping.asked;
                all.over100 += ping.over100;
                all.longestMs = std::max(all.longestMs, ping.longestMs);
                const std::string run = "check.run" + std::to_string(i + 1);
                Figure((run + ".window_s").c_str(), window.back());
                Figure((run + ".window_ping_longest_ms").c_str(), ping.longestMs);
                if (bench.Good() != entries)
                    std::fprintf(stderr, "# window run %d: %d Good of %d\n", i + 1, bench.Good(),
                                 entries);
            } else {
                child.push_back(RunCli(cli, check, &status));
                Figure(("check.run" + std::to_string(i + 1) + ".cli_s").c_str(), child.back());
                if (status != 0)
                    std::fprintf(stderr, "# cli run %d: exit %lu\n", i + 1, status);
            }
        }
    }
    // What starting a Wine process costs the command, checking nothing.
    std::vector<double> starts;
    for (int i = 0; i < 3; ++i)
        starts.push_back(RunCli(cli, L"--help", &status));
    Figure("check.cli_start_median_s", Median(starts));
    Figure("check.entries", entries);
    Figure("check.window_median_s", Median(window));
    Figure("check.cli_median_s", Median(child));
    Figure("check.ratio", Median(window) / Median(child));
    // Of this process: the window's thread, the worker and the pinging thread. (Wine gives no
    // usable figure for another process.)
    Figure("check.window_cpu_median_s", Median(windowCpu));
    PrintPing("check", all);
    PrintMemory("check", bench.Sampler());
    Figure("done", 1);
    return bench.Boxes() == 0 ? 0 : 1;
}

int RunCreateTree(const std::filesystem::path& folder, const std::wstring& cli, int runs) {
    Bench bench;
    if (!bench.Open())
        return 1;
    ui::TFrmMain& frame = bench.Frame();
    frame.bCreateClick();
    if (!frame.Tree().Navigate(folder) && !frame.Files().ShowFolder(folder)) {
        std::fprintf(stderr, "# cannot show the folder\n");
        return 1;
    }
    PumpUntil([] { return true; });
    const std::filesystem::path windowList = folder / L"window.sfv";
    const std::filesystem::path cliList = folder / (folder.filename().native() + L".sfv");
    auto windowRun = [&] {
        std::filesystem::remove(windowList);
        for (std::size_t i = 0; i < frame.Files().Count(); ++i)
            frame.Files().SetSelected(i, frame.Files().Name(i) != windowList.filename());
        const auto start = Clock::now();
        const bool whole = frame.CreateList(windowList);
        const double took = Seconds(start, Clock::now());
        if (!whole)
            std::fprintf(stderr, "# the window's list left files out or was not written\n");
        return took;
    };
    const std::wstring args = L"create --sfv -r \"" + folder.native() + L"\"";
    DWORD status = 0;
    auto cliRun = [&] {
        std::filesystem::remove(cliList);
        const double took = RunCli(cli, args, &status);
        if (status != 0)
            std::fprintf(stderr, "# cli exit %lu\n", status);
        return took;
    };
    // One of each untimed: the first run pays for the folders' listings the others find cached.
    windowRun();
    cliRun();
    std::vector<double> window, child;
    for (int i = 0; i < runs; ++i)
        for (int k = 0; k < 2; ++k) {
            if ((k == 0) == (i % 2 == 0)) {
                window.push_back(windowRun());
                Figure(("tree.run" + std::to_string(i + 1) + ".window_s").c_str(), window.back());
            } else {
                child.push_back(cliRun());
                Figure(("tree.run" + std::to_string(i + 1) + ".cli_s").c_str(), child.back());
            }
        }
    // Both lists name the same files with the same checksums; only the header's time differs.
    std::uintmax_t windowSize = std::filesystem::file_size(windowList);
    std::uintmax_t cliSize = std::filesystem::file_size(cliList);
    Figure("tree.window_list_bytes", static_cast<double>(windowSize));
    Figure("tree.cli_list_bytes", static_cast<double>(cliSize));
    std::filesystem::remove(windowList);
    std::filesystem::remove(cliList);
    Figure("tree.window_median_s", Median(window));
    Figure("tree.cli_median_s", Median(child));
    Figure("tree.ratio", Median(window) / Median(child));
    Figure("done", 1);
    return bench.Boxes() == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (argc < 3)
        return Usage();
    const std::wstring command = argv[1];
    int runs = command == L"load" ? 1 : 5;
    bool warm = true;
    std::wstring cli, list;
    for (int i = 2; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--runs" && i + 1 < argc)
            runs = std::max(1, _wtoi(argv[++i]));
        else if (a == L"--cli" && i + 1 < argc)
            cli = argv[++i];
        else if (a == L"--no-warm")
            warm = false;
        else if (a == L"--no-ping")
            gPing = false;
        else if (a == L"--hidden")
            gHidden = true;
        else if (a == L"--only-window")
            gOnly = 1;
        else if (a == L"--only-cli")
            gOnly = 2;
        else
            list = a;
    }
    if (list.empty())
        return Usage();
    try {
        if (command == L"load")
            return RunLoad(list, runs);
        if (command == L"profile-load")
            return RunProfileLoad(list);
        if (command == L"check" && !cli.empty())
            return RunCheck(list, cli, runs, warm);
        if (command == L"create-tree" && !cli.empty())
            return RunCreateTree(list, cli, runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillon-window-bench: %s\n", e.what());
        return 1;
    }
    return Usage();
}
