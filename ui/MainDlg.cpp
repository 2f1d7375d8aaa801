// The main window: its creation, settings and placement, message routing and commands.
#include "ui/MainDlg.h"

#include "core/FileError.h"
#include "platform/Registry.h"
#include "platform/win32/WideText.h"
#include "ui/ApplicationTitle.h"
#include "ui/MainDlgIds.h"
#include "ui/OpenDialog.h"
#include "ui/SaveDialog.h"
#include "ui/WindowSettings.h"
#include "ui/resource.h"
#include "util/EnhFunc.h"
#include "util/win32/EnhFuncWin32.h"
#include "util/win32/RegistrySettings.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <string>

namespace quillon::ui {

namespace {

constexpr wchar_t kClassName[] = L"TFrmMain";

using namespace ids;

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

TFrmMain::TFrmMain(HINSTANCE instance, MainOptions options)
    : instance_(instance), options_(std::move(options)) {
    if (!options_.messageBox)
        options_.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& caption,
                                 UINT type) {
            return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        };
    if (!options_.openDialog)
        options_.openDialog = [this](HWND owner) {
            // Drawing stays locked from the dialog's first show until it sits where it belongs,
            // and no longer than the dialog runs.
            std::optional<win::ScopedUpdateLock> lock;
            centerLock_ = &lock;
            auto chosen =
                ShowOpenDialog(owner, openFileName_, openInitialDir_, [this, &lock](HWND dialog) {
                    lock.emplace(GetDesktopWindow());
                    PostMessageW(window_, WM_CENTERDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
                });
            centerLock_ = nullptr;
            return chosen;
        };
    if (!options_.taskbar)
        options_.taskbar = platform::MakeTaskbarButton;
    if (!options_.saveDialog)
        options_.saveDialog = [](HWND owner, const std::wstring& initialDir, int& filterIndex) {
            return ShowSaveDialog(owner, initialDir, filterIndex);
        };
    if (!options_.reportDialog)
        options_.reportDialog = [](HWND owner, const std::wstring& initialDir) {
            return ShowReportSaveDialog(owner, initialDir);
        };
    if (!options_.inputQuery)
        options_.inputQuery = [](HWND owner, const std::wstring& caption,
                                 const std::wstring& prompt, std::wstring& value) {
            return InputQueryEx(caption, prompt, false, value, false, false, owner);
        };
    if (!options_.quit)
        options_.quit = [](int exitCode) { PostQuitMessage(exitCode); };
    exePath_ = options_.args.empty() ? ProgramPath() : options_.args[0];
    appTitle_ = quillon::ui::ApplicationTitle(exePath_);
    model_ = std::make_unique<VerifyModel>(*this, run_, dispatcher_);
}

TFrmMain::~TFrmMain() {
    // The window's last messages (WM_DESTROY waits for the worker) still reach it.
    DestroyHandle();
}

bool TFrmMain::Create(int showCommand) {
    // Once per process: the small icon is loaded for the class, which keeps it.
    static const bool registered = [this] {
        WNDCLASSEXW wc{};
        wc.hInstance = instance_;
        wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_APP));
        wc.hIconSm = static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterWindowClass(wc);
    }();
    if (!registered ||
        !CreateHandle(0, kClassName, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr))
        return false;
    ShowWindow(window_,
               placementMaximized_ && showCommand != SW_HIDE ? SW_SHOWMAXIMIZED : showCommand);
    UpdateWindow(window_);
    // The button exists once the window is shown; the shell says so again after a restart.
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
    feedback_.SetTaskbar(options_.taskbar(window_));
    return true;
}

void TFrmMain::OnException(const std::exception* e) {
    if (e)
        ShowError(*e);
}

LRESULT TFrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == taskbarCreatedMessage_) {
        feedback_.SetTaskbar(options_.taskbar(window_));
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        FormCreate();
        return 0;
    case WM_SIZE:
        LayoutControls();
        RecordPlacement(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MOVE:
        if (!IsZoomed(window_)) {
            RECT r{};
            GetWindowRect(window_, &r);
            savedLeft_ = r.left;
            savedTop_ = r.top;
        }
        return 0;
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize = {Scale(320, dpi_), Scale(240, dpi_)};
        return 0;
    }
    case WM_DPICHANGED: {
        // Per-monitor awareness: take the new DPI and the size the system suggests.
        ApplyDpi(HIWORD(wParam));
        const RECT& r = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_SETFOCUS:
        SetFocus(InCreateMode() ? PTShellList1_.ListHandle() : list_.Handle());
        return 0;
    case WM_COMMAND:
        if (lParam && reinterpret_cast<HWND>(lParam) == donationImage_) {
            if (HIWORD(wParam) == STN_CLICKED)
                Image2Click();
            return 0;
        }
        OnCommand(LOWORD(wParam), HIWORD(wParam) == 1);
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), &result))
            return result;
        break;
    }
    case WM_TIMER:
        if (wParam == kFlushTimer)
            feedback_.OnTimer();
        return 0;
    case WM_FLUSHVIEW:
        feedback_.OnFlushMessage();
        return 0;
    case WM_SETCURSOR:
        if (loader_.Running() && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            return TRUE;
        }
        break;
    case WM_PROCESSCMDLINE:
        ProcessCommandLine();
        return 0;
    case WM_CENTERDIALOG:
        CenterDialogWindow(reinterpret_cast<HWND>(wParam));
        if (centerLock_ && *centerLock_)
            (*centerLock_)->Unlock();
        // Wine does not repaint what the lock held back.
        if (IsWindow(reinterpret_cast<HWND>(wParam)))
            RedrawWindow(reinterpret_cast<HWND>(wParam), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        return 0;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == list_.Handle()) {
            ShowListMenu(lParam);
            return 0;
        }
        break;
    case WM_CLOSE:
        FormClose();
        // A create or update run has this window's controls on its stack: it ends at its next
        // block, and the window goes then.
        if (createRunning_ || updateRunning_) {
            closeAfterRun_ = true;
            return 0;
        }
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        FormDestroy();
        return 0;
    case WM_NCDESTROY:
        if (options_.quitOnDestroy)
            PostQuitMessage(0);
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

bool TFrmMain::PreTranslate(MSG& msg) {
    if (!window_)
        return false;
    if (!accelerators_) {
        ACCEL keys[] = {
            {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(IDC_OPEN)},
            {FVIRTKEY, VK_F5, static_cast<WORD>(IDC_CHECK)},
            {FVIRTKEY, VK_ESCAPE, static_cast<WORD>(IDC_ABORT)},
            {FVIRTKEY | FCONTROL, 'U', static_cast<WORD>(IDM_UPDATELIST)},
            {FVIRTKEY | FCONTROL, 'S', static_cast<WORD>(IDM_SAVEREPORT)},
        };
        accelerators_.Reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
    }
    // Shortcuts act while the window or one of its controls has the focus, not in other windows
    // of the thread (a message box, the open dialog).
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd))
        return false;
    // Alt and a button's underlined letter press the button.
    if (msg.message == WM_SYSCHAR) {
        if (const int id = toolbar_.CommandForMnemonic(static_cast<wchar_t>(msg.wParam))) {
            OnCommand(id, true);
            return true;
        }
        return false;
    }
    // Tab moves between the lists of the mode and the toolbar; the toolbar handles its own.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
        msg.hwnd != toolbar_.Handle()) {
        CycleFocus(msg.hwnd, GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    return TranslateAcceleratorW(window_, accelerators_.Get(), &msg) != 0;
}

void TFrmMain::CycleFocus(HWND from, bool backwards) {
    std::vector<HWND> ring;
    if (InCreateMode())
        ring = {PTShellTree1_.TreeHandle(), PTShellList1_.ListHandle(), toolbar_.Handle()};
    else
        ring = {list_.Handle(), toolbar_.Handle()};
    std::size_t at = 0;
    while (at < ring.size() && ring[at] != from && !IsChild(ring[at], from))
        ++at;
    const std::size_t n = ring.size();
    const std::size_t next = at == n ? 0 : (backwards ? at + n - 1 : at + 1) % n;
    SetFocus(ring[next]);
}

// ---- creation and destruction ------------------------------------------------------------------

void TFrmMain::FormCreate() {
    run_.WindowClosing = false;
    guiThread_ = GetCurrentThreadId();
    model_->DisplayFilter = FilterAll;
    dpi_ = win::WindowDpi(window_);
    CreateControls();
    model_->RefreshList(); // the empty list
    SetWindowTextW(window_, ViewTextFromAscii(VerifyModel::AppTitle).c_str());
    PostMessageW(window_, WM_PROCESSCMDLINE, 0, 0);

    // The design client size first; the settings may change it.
    SetClientSize(Scale(MainMetrics::ClientWidth, dpi_), Scale(MainMetrics::ClientHeight, dpi_));
    const std::unique_ptr<SettingsStore> store = RegistrySettings::Open(options_.settingsKey);
    const StartupSettings settings = ReadStartupSettings(store.get());
    if (settings.topLayout.value_or(false))
        SetToolbarLayout(1);
    if (settings.sizeType)
        ApplySizeType(*settings.sizeType);
    if (settings.showProgress) {
        strip_.SetVisible(*settings.showProgress);
        LayoutControls();
    }
    if (settings.clientSize) {
        const ClientSize size = ClientSizeAt(*settings.clientSize, settings.placementDpi, dpi_);
        SetClientSize(size.width, size.height);
    }
    placementMaximized_ = settings.maximized;
    if (settings.position)
        SetWindowPos(window_, nullptr, settings.position->left, settings.position->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (settings.centre)
        CenterForm(nullptr, window_);
    if (settings.error)
        Message(platform::win32::Widen(CP_UTF8, *settings.error), appTitle_, MB_OK | MB_ICONERROR);
}

void TFrmMain::FormClose() {
    // The close is never held back, also not while a check runs: the worker stops at its next
    // poll and, seeing the window close, touches it no more.
    run_.WindowClose();
}

void TFrmMain::FormDestroy() {
    // A window destroyed without a close is going all the same.
    run_.WindowClose();
    // The handles still exist: a worker still in a step it runs on this thread is served here,
    // and only then do its entries go. A load stops at its next list or lookup batch.
    model_->WaitForCheck();
    loader_.Cancel();
    feedback_.RunEnded(false);
    dropTarget_.SetEnabled(false);
    dropTarget_.SetTarget(nullptr);
    try {
        if (const std::unique_ptr<SettingsStore> store =
                RegistrySettings::Open(options_.settingsKey)) {
            SavedPlacement placement;
            placement.clientWidth = savedClientWidth_;
            placement.clientHeight = savedClientHeight_;
            placement.left = savedLeft_;
            placement.top = savedTop_;
            placement.maximized = maximized_;
            WritePlacement(*store, placement, dpi_);
        }
    } catch (const std::exception& e) {
        ShowError(e);
    }
    // The rows go before the entries they show.
    list_.DeleteAllRows();
    model_->ItemList.clear();
}

void TFrmMain::RecordPlacement(UINT sizeType, int clientWidth, int clientHeight) {
    if (sizeType == SIZE_MAXIMIZED)
        maximized_ = true;
    if (sizeType == SIZE_RESTORED)
        maximized_ = false;
    // Minimized and maximized sizes are never recorded.
    if (sizeType != SIZE_RESTORED)
        return;
    savedClientWidth_ = clientWidth;
    savedClientHeight_ = clientHeight;
    RECT r{};
    GetWindowRect(window_, &r);
    savedLeft_ = r.left;
    savedTop_ = r.top;
}

// ---- commands ----------------------------------------------------------------------------------

CommandContext TFrmMain::Commands() const {
    CommandContext c;
    c.mode = InCreateMode() ? WindowMode::Create : WindowMode::Verify;
    c.phase = createRunning_      ? RunPhase::Creating
              : updateRunning_    ? RunPhase::Updating
              : checking_         ? RunPhase::Checking
              : loader_.Running() ? RunPhase::Loading
                                  : RunPhase::Idle;
    c.listCheckable = listCheckable_;
    c.listLoaded = model_ && !model_->ListFiles.empty();
    return c;
}

void TFrmMain::ApplyCommandStates() {
    const CommandContext c = Commands();
    const struct {
        int id;
        Command command;
    } buttons[] = {{IDC_NEW, Command::New},         {IDC_OPEN, Command::Open},
                   {IDC_CHECK, Command::Check},     {IDC_ABORT, Command::Abort},
                   {IDC_DISPLAY, Command::Display}, {IDC_OPTIONS, Command::Options},
                   {IDC_ABOUT, Command::About}};
    for (const auto& b : buttons)
        toolbar_.SetEnabled(b.id, CommandEnabled(b.command, c));
    dropTarget_.SetEnabled(CommandEnabled(Command::Drop, c));
}

void TFrmMain::OnCommand(int id, bool fromShortcut) {
    // Esc aborts a running check only; the button works at any time.
    if (fromShortcut && id == IDC_ABORT && !run_.Busy)
        return;
    // A shortcut for a disabled button does nothing, as the button would.
    if (fromShortcut && id >= IDC_NEW && id <= IDC_ABOUT && !toolbar_.Enabled(id))
        return;
    switch (id) {
    case IDC_OPEN:
        bOpenClick();
        break;
    case IDC_CHECK:
        bCheckClick();
        break;
    case IDC_ABORT:
        bCancelClick();
        break;
    case IDC_DISPLAY:
        ShowDisplayMenu();
        break;
    case IDC_NEW:
        bCreateClick();
        break;
    case IDC_ABOUT:
        ToolButton3Click();
        break;
    case IDC_OPTIONS:
        bOptionsClick();
        break;
    case IDM_MASKSELECT:
        MaskSelect1Click();
        break;
    case IDM_INVERSE:
        InverseSelection1Click();
        break;
    case IDM_SELECTALL:
        SelectAll2Click();
        break;
    default:
        if (id == IDM_UNLISTED)
            ShowUnlistedFiles();
        else if (id == IDM_UPDATELIST)
            UpdateListClick();
        else if (id == IDM_SAVEREPORT)
            SaveReportClick();
        else if (id == IDM_COPYROWS)
            CopySelectedRows();
        else if (id >= IDM_FILTER_ALL && id <= IDM_FILTER_ALL - FilterAll + StatusGood)
            mnuDisplayClick(id - IDM_FILTER_ALL + FilterAll);
        break;
    }
}

bool TFrmMain::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.hwndFrom == list_.Handle() && header.code == LVN_KEYDOWN)
        lvKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
    if (list_.OnNotify(header, result))
        return true;
    if (header.hwndFrom == toolbar_.Handle() && header.code == TBN_DROPDOWN) {
        ShowDisplayMenu();
        *result = TBDDRET_DEFAULT;
        return true;
    }
    return false;
}

void TFrmMain::CenterDialogWindow(HWND dialog) {
    if (!dialog || !IsWindow(dialog))
        return;
    RECT r{};
    GetWindowRect(dialog, &r);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = window_ ? MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY)
                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    GetMonitorInfoW(monitor, &info);
    const Rect m{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right,
                 info.rcMonitor.bottom};
    const Point p = CenterDialogPosition(m, r.right - r.left, r.bottom - r.top);
    SetWindowPos(dialog, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TFrmMain::Message(const std::wstring& text, const std::wstring& caption, UINT type) {
    return options_.messageBox(window_, text, caption, type);
}

void TFrmMain::ShowError(const std::exception& e) {
    std::wstring text;
    if (const auto* file = dynamic_cast<const FileError*>(&e))
        text = file->WideMessage();
    else if (const auto* registry = dynamic_cast<const platform::RegistryError*>(&e))
        text = registry->Message();
    else
        text = platform::win32::Widen(CP_UTF8, e.what());
    Message(text, appTitle_, MB_OK | MB_ICONERROR);
}

} // namespace quillon::ui
