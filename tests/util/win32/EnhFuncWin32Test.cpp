#include "util/win32/EnhFuncWin32.h"

#include "platform/NumberFormat.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <functional>
#include <thread>

namespace quillon {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct DialogSearch {
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindCaptioned(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    if (IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
        TextOf(window) == *search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits on a helper thread until the thread under test shows a dialog with the caption, then
// hands it to act, which reads it and closes it (the modal loop of the tested thread carries
// out posted input as it would the user's).
class DialogDriver {
public:
    DialogDriver(std::wstring caption, std::function<void(HWND)> act)
        : thread_(GetCurrentThreadId()), caption_(std::move(caption)), act_(std::move(act)),
          worker_([this] { Run(); }) {}
    ~DialogDriver() {
        stop_ = true;
        worker_.join();
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Call after the dialog has returned.
    bool Shown() {
        stop_ = true;
        worker_.join();
        worker_ = std::thread([] {});
        return found_;
    }
    bool NeededRescue() const { return rescued_; }

private:
    void Run() {
        HWND dialog = nullptr;
        for (auto deadline = Clock::now() + 15s; !dialog && !stop_ && Clock::now() < deadline;) {
            DialogSearch search{&caption_, nullptr};
            EnumThreadWindows(thread_, FindCaptioned, reinterpret_cast<LPARAM>(&search));
            dialog = search.found;
            if (!dialog)
                Sleep(10);
        }
        if (!dialog)
            return;
        found_ = true;
        act_(dialog);
        // A dialog that ignored the input must not hang the run.
        for (auto deadline = Clock::now() + 5s; IsWindow(dialog) && Clock::now() < deadline;)
            Sleep(10);
        if (IsWindow(dialog)) {
            rescued_ = true;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    DWORD thread_;
    std::wstring caption_;
    std::function<void(HWND)> act_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> found_{false};
    std::atomic<bool> rescued_{false};
    std::thread worker_;
};

struct Controls {
    HWND prompt, edit, ok, cancel;
};

Controls ControlsOf(HWND dialog) {
    return {FindWindowExW(dialog, nullptr, L"Static", nullptr),
            FindWindowExW(dialog, nullptr, L"Edit", nullptr),
            FindWindowExW(dialog, nullptr, L"Button", L"OK"),
            FindWindowExW(dialog, nullptr, L"Button", L"Cancel")};
}

void Type(HWND edit, std::wstring_view text) {
    for (wchar_t c : text)
        PostMessageW(edit, WM_CHAR, c, 1);
}

void PressKey(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

enum class Close { Ok, Cancel, Enter, Escape };

// Replaces the (selected) text by typing, then closes the dialog the given way.
std::function<void(HWND)> TypeAndClose(std::wstring typed, Close how) {
    return [typed, how](HWND dialog) {
        const Controls c = ControlsOf(dialog);
        Type(c.edit, typed);
        switch (how) {
        case Close::Ok:
            Click(c.ok);
            break;
        case Close::Cancel:
            Click(c.cancel);
            break;
        case Close::Enter:
            PressKey(c.edit, VK_RETURN);
            break;
        case Close::Escape:
            PressKey(c.edit, VK_ESCAPE);
            break;
        }
    };
}

TEST(InputQueryEx, ClosingTheDialog) {
    const struct {
        Close how;
        bool result;
        const wchar_t* value;
    } cases[] = {
        {Close::Ok, true, L"typed"},
        {Close::Enter, true, L"typed"},
        {Close::Cancel, false, L"before"},
        {Close::Escape, false, L"before"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::wstring caption = L"Quillon query " + std::to_wstring(++n);
        std::wstring value = L"before";
        DialogDriver driver(caption, TypeAndClose(L"typed", c.how));
        const bool result = InputQueryEx(caption, L"Name:", false, value, false, false);
        ASSERT_TRUE(driver.Shown()) << n;
        EXPECT_FALSE(driver.NeededRescue()) << n;
        EXPECT_EQ(result, c.result) << n;
        EXPECT_EQ(value, c.value) << n;
    }
}

// What the user sees before touching anything.
struct FirstLook {
    std::wstring prompt, text, ok, cancel;
    DWORD selStart = 0, selEnd = 0;
    bool editFocused = false;
    LONG editStyle = 0;
    wchar_t passwordChar = 0;
    LRESULT limit = 0;
    bool topmost = false;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    HFONT editFont = nullptr;
    RECT window{}, client{};
    RECT controls[4]{};
    int promptTextWidth = 0;
};

FirstLook LookAt(HWND dialog) {
    FirstLook look;
    const Controls c = ControlsOf(dialog);
    look.prompt = TextOf(c.prompt);
    look.text = TextOf(c.edit);
    look.ok = c.ok ? TextOf(c.ok) : L"";
    look.cancel = c.cancel ? TextOf(c.cancel) : L"";
    const auto sel = static_cast<DWORD>(SendMessageW(c.edit, EM_GETSEL, 0, 0));
    look.selStart = LOWORD(sel);
    look.selEnd = HIWORD(sel);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info))
        look.editFocused = info.hwndFocus == c.edit;
    look.editStyle = GetWindowLongW(c.edit, GWL_STYLE);
    look.passwordChar = static_cast<wchar_t>(SendMessageW(c.edit, EM_GETPASSWORDCHAR, 0, 0));
    look.limit = SendMessageW(c.edit, EM_GETLIMITTEXT, 0, 0);
    look.topmost = (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    look.owner = GetWindow(dialog, GW_OWNER);
    look.ownerEnabled = look.owner && IsWindowEnabled(look.owner);
    look.editFont = reinterpret_cast<HFONT>(SendMessageW(c.edit, WM_GETFONT, 0, 0));
    GetWindowRect(dialog, &look.window);
    GetClientRect(dialog, &look.client);
    const HWND all[] = {c.prompt, c.edit, c.ok, c.cancel};
    for (int i = 0; i < 4; ++i) {
        GetWindowRect(all[i], &look.controls[i]);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&look.controls[i]), 2);
    }
    HDC dc = GetDC(c.prompt);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c.prompt, WM_GETFONT, 0, 0)));
    RECT r{};
    DrawTextW(dc, look.prompt.c_str(), static_cast<int>(look.prompt.size()), &r,
              DT_CALCRECT | DT_NOPREFIX);
    look.promptTextWidth = r.right - r.left;
    SelectObject(dc, old);
    ReleaseDC(c.prompt, dc);
    return look;
}

FirstLook ShowAndLook(const std::wstring& caption, const std::wstring& prompt, bool mask,
                      bool limit, bool onTop, HWND owner = nullptr) {
    FirstLook look;
    std::wstring value = L"initial text";
    DialogDriver driver(caption, [&look](HWND dialog) {
        look = LookAt(dialog);
        Click(ControlsOf(dialog).cancel);
    });
    EXPECT_FALSE(InputQueryEx(caption, prompt, mask, value, limit, onTop, owner));
    EXPECT_TRUE(driver.Shown()) << "no dialog appeared";
    EXPECT_EQ(value, L"initial text");
    return look;
}

TEST(InputQueryEx, ShowsPromptValueAllSelectedAndFocused) {
    const FirstLook look = ShowAndLook(L"Quillon look", L"Folder name:", false, false, false);
    EXPECT_EQ(look.prompt, L"Folder name:");
    EXPECT_EQ(look.text, L"initial text");
    EXPECT_EQ(look.ok, L"OK");
    EXPECT_EQ(look.cancel, L"Cancel");
    EXPECT_EQ(look.selStart, 0u);
    EXPECT_EQ(look.selEnd, 12u);
    EXPECT_TRUE(look.editFocused);
    EXPECT_EQ(look.editStyle & ES_PASSWORD, 0);
    EXPECT_EQ(look.passwordChar, 0);
    EXPECT_GT(look.limit, 250);
    EXPECT_FALSE(look.topmost);
    EXPECT_NE(look.editFont, nullptr);
}

TEST(InputQueryEx, MaskLimitAndStayOnTopFlags) {
    const FirstLook look = ShowAndLook(L"Quillon flags", L"Password:", true, true, true);
    EXPECT_NE(look.editStyle & ES_PASSWORD, 0);
    EXPECT_EQ(look.passwordChar, L'*');
    EXPECT_EQ(look.limit, 250);
    EXPECT_TRUE(look.topmost);
}

// The limit is on what the user can type, not only a number the edit box reports.
TEST(InputQueryEx, LimitStopsTypingAt250) {
    for (bool limit : {true, false}) {
        const std::wstring caption = limit ? L"Quillon limited" : L"Quillon unlimited";
        std::wstring value;
        DialogDriver driver(caption, TypeAndClose(std::wstring(300, L'x'), Close::Ok));
        EXPECT_TRUE(InputQueryEx(caption, L"Comment:", true, value, limit, false));
        ASSERT_TRUE(driver.Shown());
        EXPECT_EQ(value, std::wstring(limit ? 250 : 300, L'x'));
    }
}

TEST(InputQueryEx, LongPromptIsNotCutOff) {
    const std::wstring prompt(150, L'W');
    const FirstLook look = ShowAndLook(L"Quillon wide", prompt, false, false, false);
    const RECT& label = look.controls[0];
    EXPECT_GE(label.right - label.left, look.promptTextWidth);
    for (const RECT& r : look.controls) {
        EXPECT_GE(r.left, look.client.left);
        EXPECT_GE(r.top, look.client.top);
        EXPECT_LE(r.right, look.client.right);
        EXPECT_LE(r.bottom, look.client.bottom);
    }
    const RECT& edit = look.controls[1];
    const RECT& ok = look.controls[2];
    EXPECT_LE(label.bottom, edit.top);
    EXPECT_LE(edit.bottom, ok.top);
    EXPECT_GE(edit.right - edit.left, look.promptTextWidth);
}

RECT PrimaryWorkArea() {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(InputQueryEx, CentredOnTheScreen) {
    const FirstLook look = ShowAndLook(L"Quillon centred", L"Name:", false, false, false);
    const RECT work = PrimaryWorkArea();
    EXPECT_TRUE(Inside(look.window, work));
    const int width = look.window.right - look.window.left;
    const int height = look.window.bottom - look.window.top;
    EXPECT_NEAR(look.window.left, work.left + (work.right - work.left - width) / 2, 1);
    EXPECT_NEAR(look.window.top, work.top + (work.bottom - work.top - height) / 2, 1);
}

// RAII for the test's own windows and fonts.
struct WindowDeleter {
    void operator()(HWND w) const {
        if (IsWindow(w))
            DestroyWindow(w);
    }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;
struct FontDeleter {
    void operator()(HFONT f) const { DeleteObject(f); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// A "Static" top level window keeps the font it is given, as the main window does. Shown
// without activation: Wine waits two seconds for a window manager whenever an activated
// window is destroyed on a bare X display.
Window TopLevel(int x, int y, int width, int height, bool visible) {
    Window w(CreateWindowExW(0, L"Static", L"Quillon owner", WS_POPUP, x, y, width, height, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr));
    if (w && visible)
        ShowWindow(w.get(), SW_SHOWNOACTIVATE);
    return w;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

TEST(InputQueryEx, OwnerIsDisabledMeanwhileAndLendsItsFont) {
    Window owner = TopLevel(50, 50, 500, 300, true);
    ASSERT_TRUE(owner);
    Font font(CreateFontW(-19, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                          L"Tahoma"));
    SendMessageW(owner.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    Pump();
    const FirstLook look =
        ShowAndLook(L"Quillon owned", L"Name:", false, false, false, owner.get());
    EXPECT_EQ(look.owner, owner.get());
    EXPECT_FALSE(look.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
    EXPECT_EQ(look.editFont, font.get());
}

ScreenRect RectOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return {r.left, r.top, r.right, r.bottom};
}

TEST(CenterForm, RealWindows) {
    const RECT work = PrimaryWorkArea();
    const int middleX = work.left + (work.right - work.left) / 2 - 200 / 2;
    const int middleY = work.top + (work.bottom - work.top) / 2 - 100 / 2;

    Window form = TopLevel(3, 7, 200, 100, false);
    ASSERT_TRUE(form);
    Window shown = TopLevel(100, 120, 601, 401, true);
    Window hidden = TopLevel(100, 120, 601, 401, false);
    Window atEdge = TopLevel(work.left - 150, work.top + 100, 200, 200, true);
    HWND gone = TopLevel(100, 120, 601, 401, true).release();
    DestroyWindow(gone);
    ASSERT_TRUE(shown && hidden && atEdge);
    Pump();

    const struct {
        const char* what;
        HWND owner;
        ScreenPoint at;
    } cases[] = {
        {"visible owner", shown.get(), {100 + 300 - 100, 120 + 200 - 50}},
        {"hidden owner", hidden.get(), {middleX, middleY}},
        {"no owner", nullptr, {middleX, middleY}},
        {"destroyed owner", gone, {middleX, middleY}},
        {"form would cross the left edge", atEdge.get(), {middleX, work.top + 100 + 100 - 50}},
    };
    for (const auto& c : cases) {
        SetWindowPos(form.get(), nullptr, 3, 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        CenterForm(c.owner, form.get());
        const ScreenRect r = RectOf(form.get());
        EXPECT_EQ(r.left, c.at.x) << c.what;
        EXPECT_EQ(r.top, c.at.y) << c.what;
        EXPECT_EQ(r.Width(), 200) << c.what;
        EXPECT_EQ(r.Height(), 100) << c.what;
    }
}

TEST(DirectoryExists, Win32Names) {
    test::TempDir dir;
    const auto file = dir.Write("file.txt", "x");
    std::filesystem::create_directory(dir / "sub");
    const std::wstring sub = (dir / "sub").native();
    const struct {
        std::wstring path;
        bool exists;
    } cases[] = {
        {sub, true},
        {sub + L"\\", true},
        {sub + L"/", true},
        {file.native(), false},
        {file.native() + L"\\", false},
        {(dir / "missing").native(), false},
        {L"C:", true}, // the root, not the current folder of C:
        {L"C:\\", true},
        {L"C:/", true},
        {L"nul", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DirectoryExists(c.path), c.exists) << std::filesystem::path(c.path).string();
}

wchar_t UnmappedDrive() {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter >= L'D'; --letter)
        if (!(drives & (1u << (letter - L'A'))))
            return letter;
    return 0;
}

// A drive that is not there must fail at once, without an error box (that would wait for a
// click nobody gives), and the caller's error mode must come back as it was.
TEST(DirectoryExists, MissingDriveFailsQuietlyAndPromptly) {
    const wchar_t letter = UnmappedDrive();
    if (!letter)
        GTEST_SKIP() << "every drive letter is mapped";
    DWORD saved = 0;
    ASSERT_TRUE(SetThreadErrorMode(SEM_NOGPFAULTERRORBOX, &saved));
    const UINT processMode = SetErrorMode(0);
    SetErrorMode(processMode);

    const std::wstring root{letter, L':'};
    const auto start = Clock::now();
    EXPECT_FALSE(DirectoryExists(root));
    EXPECT_FALSE(DirectoryExists(root + L"\\"));
    EXPECT_FALSE(DirectoryExists(root + L"\\folder\\deeper"));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_LT(took.count(), 2000);

    EXPECT_EQ(GetThreadErrorMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX));
    EXPECT_EQ(GetErrorMode(), processMode);
    SetThreadErrorMode(saved, nullptr);
}

TEST(GetWindowsDir, AnExistingSystemFolder) {
    const std::filesystem::path windows = GetWindowsDir();
    ASSERT_FALSE(windows.empty());
    EXPECT_TRUE(windows.is_absolute());
    EXPECT_NE(windows.native().back(), L'\\');
    EXPECT_TRUE(DirectoryExists(windows));
    EXPECT_TRUE(DirectoryExists(windows / "system32"));
    if (const wchar_t* env = _wgetenv(L"windir")) {
        EXPECT_EQ(_wcsicmp(windows.c_str(), env), 0) << windows.string();
    }
}

// The 52 letters have no kerning in GetTextExtentPoint32, so their widths add up.
TEST(GetAveCharWidth, MatchesTheLettersOfTheFont) {
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    int previous = 0;
    for (int height : {-11, -13, -16, -24, -32}) {
        Font font(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                              0, 0, 0, L"Tahoma"));
        HGDIOBJ old = SelectObject(dc, font.get());
        const SIZE size = GetAveCharWidth(dc);
        int widths = 0;
        for (wchar_t c :
             std::wstring_view(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) {
            int w = 0;
            GetCharWidth32W(dc, c, c, &w);
            widths += w;
        }
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        EXPECT_EQ(size.cx, widths / 52) << height;
        EXPECT_EQ(size.cy, metrics.tmHeight) << height;
        EXPECT_GE(size.cx, 3) << height;
        EXPECT_LE(size.cx, metrics.tmMaxCharWidth) << height;
        EXPECT_GE(size.cx, previous) << height;
        previous = size.cx;
    }
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    const SIZE system = GetAveCharWidth(dc);
    SelectObject(dc, old);
    EXPECT_GE(system.cx, 4);
    EXPECT_LE(system.cx, 16);
    EXPECT_GE(system.cy, 10);
    EXPECT_LE(system.cy, 40);
    ReleaseDC(nullptr, dc);
}

// The layout arithmetic must give what the system's MulDiv gives.
TEST(MulDivRound, AgreesWithTheSystem) {
    const int values[] = {0,     1,      -1,    2,       3,       -3,       4,
                          7,     8,      13,    -13,     164,     180,      65535,
                          65536, -65536, 46341, 1 << 20, INT_MAX, -INT_MAX, 1000000007};
    for (int a : values)
        for (int b : values)
            for (int c : values)
                EXPECT_EQ(MulDivRound(a, b, c), MulDiv(a, b, c)) << a << "*" << b << "/" << c;
}

// The prefix runs with US English: the separators come from the system, not a fixed default.
TEST(FormatSize, UserLocaleOfThePrefix) {
    platform::OverrideNumberFormat(nullptr);
    wchar_t thousands[8] = {}, decimal[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousands, 8);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    if (std::wstring_view(thousands) != L"," || std::wstring_view(decimal) != L".")
        GTEST_SKIP() << "the prefix is not set to US English";
    EXPECT_EQ(FormatSize(SizeModeAuto, true, 1023), L"1,023 bytes");
    EXPECT_EQ(FormatSize(SizeModeAuto, true, 1572864), L"1.50 MB");
    EXPECT_EQ(FormatSize<char>(SizeModeKB, true, 1073741824), "1,048,576 KB");
}

} // namespace
} // namespace quillon
