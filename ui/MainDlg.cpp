#include "ui/MainDlg.h"

#include "core/FileError.h"
#include "create/win32/FADlg.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "ui/AboutDlg.h"
#include "ui/ApplicationTitle.h"
#include "ui/DonationLink.h"
#include "ui/FlushPace.h"
#include "ui/IconImages.h"
#include "ui/OpenDialog.h"
#include "ui/SaveDialog.h"
#include "util/win32/WindowFont.h"
#include "ui/RegistrySettings.h"
#include "ui/WindowSettings.h"
#include "ui/resource.h"
#include "util/EnhFunc.h"
#include "util/win32/EnhFuncWin32.h"
#include "verify/Loader.h"

#include "ui/MainDlgIds.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <exception>
#include <string>

namespace quillon::ui {

namespace {

constexpr wchar_t kClassName[] = L"TFrmMain";

using namespace ids;
// wParam, lParam: 0. Posted once for changes the GUI thread made to rows: one redraw for many.
constexpr UINT WM_FLUSHVIEW = WM_APP + 10;
// wParam, lParam: 0. Posted by the loader thread when the lists are read (loaded_ holds them).
constexpr UINT WM_LOADDONE = WM_APP + 11;

const wchar_t* const kCountCaptions[4] = {L"Unchecked", L"Missing", L"Bad", L"Good"};

RECT ToRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

void MoveTo(HWND window, const Rect& r) {
    SetWindowPos(window, nullptr, r.left, r.top, r.Width(), r.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
    if (getDpi && window) {
        if (const UINT dpi = getDpi(window))
            return static_cast<int>(dpi);
    }
    win::ScopedGetDc dc(nullptr);
    return GetDeviceCaps(dc.Get(), LOGPIXELSX);
}


int LineHeight(HWND window, HFONT font) {
    win::ScopedGetDc dc(window);
    win::ScopedSelect select(dc.Get(), font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    return metrics.tmHeight;
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

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
            return ShowOpenDialog(owner, openFileName_, openInitialDir_, [this](HWND dialog) {
                // Drawing stays locked until the dialog sits where it belongs.
                LockWindowUpdate(GetDesktopWindow());
                PostMessageW(window_, WM_CENTERDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
            });
        };
    if (!options_.taskbar)
        options_.taskbar = platform::MakeTaskbarButton;
    if (!options_.saveDialog)
        options_.saveDialog = [](HWND owner, const std::wstring& initialDir, int& filterIndex) {
            return ShowSaveDialog(owner, initialDir, filterIndex);
        };
    if (!options_.inputQuery)
        options_.inputQuery = [](HWND owner, const std::wstring& caption,
                                 const std::wstring& prompt, std::wstring& value) {
            return InputQueryEx(caption, prompt, false, value, false, false, owner);
        };
    if (!options_.quit)
        options_.quit = [](int exitCode) { PostQuitMessage(exitCode); };
    appTitle_ =
        quillon::ui::ApplicationTitle(options_.args.empty() ? ProgramPath() : options_.args[0]);
    model_ = std::make_unique<VerifyModel>(*this, run_, dispatcher_);
}

TFrmMain::~TFrmMain() {
    if (window_)
        DestroyWindow(window_);
}

bool TFrmMain::Create(int showCommand) {
    static const bool registered = [this] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance_;
        wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_APP));
        wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered)
        return false;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    window_ = CreateWindowExW(0, kClassName, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
    if (!window_)
        return false;
    ShowWindow(window_,
               placementMaximized_ && showCommand != SW_HIDE ? SW_SHOWMAXIMIZED : showCommand);
    UpdateWindow(window_);
    // The button exists once the window is shown; the shell says so again after a restart.
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
    taskbar_ = options_.taskbar(window_);
    return true;
}

LRESULT CALLBACK TFrmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TFrmMain* self;
    if (message == WM_NCCREATE) {
        self = static_cast<TFrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<TFrmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may unwind into user32.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        self->ShowError(e);
    } catch (...) {
    }
    return 0;
}

LRESULT TFrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == taskbarCreatedMessage_) {
        taskbar_ = options_.taskbar(window_);
        taskbarShown_ = -1;
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
        if (lParam == reinterpret_cast<LPARAM>(image2_)) {
            if (HIWORD(wParam) == STN_CLICKED)
                Image2Click();
            return 0;
        }
        // Esc aborts a running check only; the button works at any time.
        if (HIWORD(wParam) == 1 && LOWORD(wParam) == IDC_ABORT && !run_.Busy)
            return 0;
        // A shortcut for a disabled button does nothing, as the button would.
        if (HIWORD(wParam) == 1 && toolbar_ &&
            !SendMessageW(toolbar_, TB_ISBUTTONENABLED, LOWORD(wParam), 0))
            return 0;
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), &result))
            return result;
        break;
    }
    case WM_TIMER:
        if (wParam == kFlushTimer)
            OnFlushTimer();
        return 0;
    case WM_LOADDONE:
        LoadDone();
        return 0;
    case WM_SETCURSOR:
        if (loader_.joinable() && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            return TRUE;
        }
        break;
    case WM_FLUSHVIEW:
        flushPosted_ = false;
        Flush();
        return 0;
    case WM_PROCESSCMDLINE:
        ProcessCommandLine();
        return 0;
    case WM_CENTERDIALOG:
        CenterDialogWindow(reinterpret_cast<HWND>(wParam));
        LockWindowUpdate(nullptr);
        // Wine does not repaint what the lock held back.
        RedrawWindow(reinterpret_cast<HWND>(wParam), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        return 0;
    case WM_CLOSE:
        FormClose();
        // A create run has this window's controls on its stack: it ends at its next block, and
        // the window goes then.
        if (createRunning_) {
            closeAfterRun_ = true;
            return 0;
        }
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        FormDestroy();
        return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        if (options_.quitOnDestroy)
            PostQuitMessage(0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

bool TFrmMain::PreTranslate(MSG& msg) {
    if (!window_)
        return false;
    if (!accelerators_) {
        ACCEL keys[] = {
            {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(IDC_OPEN)},
            {FVIRTKEY, VK_F5, static_cast<WORD>(IDC_CHECK)},
            {FVIRTKEY, VK_ESCAPE, static_cast<WORD>(IDC_ABORT)},
        };
        accelerators_.Reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
    }
    // Shortcuts act while the window or one of its controls has the focus, not in other windows
    // of the thread (a message box, the open dialog).
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd))
        return false;
    // Tab moves between the folder tree and the file list of create mode.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && PTSplitter1_.Handle() &&
        IsWindowVisible(PTSplitter1_.Handle()) && GetKeyState(VK_CONTROL) >= 0) {
        const HWND tree = PTShellTree1_.TreeHandle(), files = PTShellList1_.ListHandle();
        if (msg.hwnd == tree || msg.hwnd == files) {
            SetFocus(msg.hwnd == tree ? files : tree);
            return true;
        }
    }
    return TranslateAcceleratorW(window_, accelerators_.Get(), &msg) != 0;
}

// ---- creation and destruction ------------------------------------------------------------------

void TFrmMain::FormCreate() {
    run_.WindowClosing = false;
    model_->DisplayFilter = FilterAll;
    dpi_ = WindowDpi(window_);
    CreateControls();
    model_->RefreshList(); // the empty list
    SetWindowTextW(window_, Widen(std::string(VerifyModel::AppTitle)).c_str());
    PostMessageW(window_, WM_PROCESSCMDLINE, 0, 0);

    // The design client size first; the settings may change it.
    SetClientSize(Scale(MainMetrics::ClientWidth, dpi_), Scale(MainMetrics::ClientHeight, dpi_));
    const std::unique_ptr<SettingsStore> store = RegistrySettings::Open(options_.settingsKey);
    const StartupSettings settings = ReadStartupSettings(store.get());
    if (settings.topLayout.value_or(false))
        SetToolbarLayout(1);
    if (settings.sizeType)
        model_->SizeType = *settings.sizeType;
    if (settings.showProgress) {
        strip_.SetVisible(*settings.showProgress);
        LayoutControls();
    }
    if (settings.clientSize)
        SetClientSize(settings.clientSize->width, settings.clientSize->height);
    placementMaximized_ = settings.maximized;
    if (settings.position)
        SetWindowPos(window_, nullptr, settings.position->left, settings.position->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (settings.centre)
        CenterForm(nullptr, window_);
    if (settings.error)
        Message(Widen(*settings.error), appTitle_, MB_OK | MB_ICONERROR);
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
    if (loader_.joinable())
        loader_.join();
    if (timerOn_)
        KillTimer(window_, kFlushTimer);
    timerOn_ = false;
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
            WritePlacement(*store, placement);
        }
    } catch (const std::exception& e) {
        ShowError(e);
    }
    // The rows go before the entries they show.
    list_.DeleteAllRows();
    model_->ItemList.clear();
}

void TFrmMain::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

void TFrmMain::CreateControls() {
    list_.Create(window_, IDC_LV, instance_, dpi_);
    list_.OnPendingChanges = [this] {
        if (!flushPosted_)
            flushPosted_ = PostMessageW(window_, WM_FLUSHVIEW, 0, 0) != FALSE;
    };
    strip_.Create(window_, instance_);
    strip_.SetVisible(false);

    sBar_.Create(window_, IDC_SBAR);
    sBar_.OnDrawPanel = [this](HDC dc, int panel, const RECT& rect) {
        sBarDrawPanel(dc, panel, rect);
    };
    sBar2_.Create(window_, IDC_SBAR2);
    ShowWindow(sBar2_.Handle(), SW_HIDE);

    image2_ = CreateWindowExW(
        0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, 0, 0, 0,
        0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_IMAGE2)), instance_, nullptr);
    SetWindowSubclass(
        image2_,
        [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
            if (m == WM_SETCURSOR) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            return DefSubclassProc(w, m, wp, lp);
        },
        1, 0);

    displayMenu_.Reset(CreatePopupMenu());
    AppendMenuW(displayMenu_.Get(), MF_STRING, IDM_FILTER_ALL, L"All");
    AppendMenuW(displayMenu_.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(displayMenu_.Get(), MF_STRING, 3000 + StatusGood, L"Good");
    AppendMenuW(displayMenu_.Get(), MF_STRING, 3000 + StatusBad, L"Bad");
    AppendMenuW(displayMenu_.Get(), MF_STRING, 3000 + StatusMissing, L"Missing");
    SetDisplayFilterMark(FilterAll);

    dropTarget_.OnDrop = [this](TDragFilesTrg&) { DragFilesTrg1Drop(); };
    dropTarget_.SetTarget(window_);
    dropTarget_.SetEnabled(true);

    ApplyDpi(dpi_);
}

void TFrmMain::ApplyDpi(int dpi) {
    dpi_ = dpi;
    font_ = MakeWindowFont(dpi);
    ApplyFonts();
    list_.SetDpi(dpi);
    if (PTSplitter1_.Handle()) {
        PTSplitter1_.SetDpi(dpi);
        PTShellTree1_.SetDpi(dpi);
        PTShellList1_.SetDpi(dpi);
    }
    const int icon = SmallIconSize(dpi);
    statusImages_ = MakeIconImageList(
        instance_, {IDI_ST_UNCHECKED, IDI_ST_MISSING, IDI_ST_BAD, IDI_ST_GOOD}, icon, icon, icon);
    const std::vector<TStatusPanel> panels = {{Scale(MainMetrics::CountPanelWidth, dpi), true},
                                              {Scale(MainMetrics::CountPanelWidth, dpi), true},
                                              {Scale(MainMetrics::CountPanelWidth, dpi), true},
                                              {Scale(MainMetrics::CountPanelWidth, dpi), true},
                                              {Scale(MainMetrics::PlainPanelWidth, dpi), false}};
    sBar_.SetPanels(panels);
    const std::vector<TStatusPanel> plain = {{Scale(MainMetrics::PlainPanelWidth, dpi), false}};
    sBar2_.SetPanels(plain);
    const int bitmap = dpi >= 192 ? IDB_DONATE_192 : dpi >= 144 ? IDB_DONATE_144 : IDB_DONATE;
    donateBitmap_.Reset(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    SendMessageW(image2_, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(donateBitmap_.Get()));
    CreateToolbar();
    LayoutControls();
}

void TFrmMain::ApplyFonts() {
    const HFONT font = font_.Get();
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (HWND w : {list_.Handle(), sBar_.Handle(), sBar2_.Handle()})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    strip_.SetFont(font);
    if (PTSplitter1_.Handle()) {
        PTShellTree1_.SetFont(font);
        PTShellList1_.SetFont(font);
    }
}

void TFrmMain::CreateToolbar() {
    const bool hadToolbar = toolbar_ != nullptr;
    // A new toolbar (layout, DPI) shows the mode and the button states of the old one.
    const int ids[] = {IDC_NEW, IDC_OPEN, IDC_CHECK, IDC_ABORT, IDC_DISPLAY, IDC_OPTIONS, IDC_ABOUT};
    std::wstring newCaption = L"New", checkCaption = L"Check";
    bool enabled[std::size(ids)] = {};
    if (hadToolbar) {
        newCaption = ButtonCaption(IDC_NEW);
        checkCaption = ButtonCaption(IDC_CHECK);
        for (std::size_t i = 0; i < std::size(ids); ++i)
            enabled[i] = ButtonEnabled(ids[i]);
        DestroyWindow(toolbar_);
    }
    // Left: captions beside the icons, one button a row. Top: captions below, one row.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_WRAPABLE |
                  CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!topLayout_)
        style |= TBSTYLE_LIST;
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style, 0, 0, 0, 0, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
                               instance_, nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    const int icon = SmallIconSize(dpi_);
    toolImages_ = MakeIconImageList(instance_,
                                    {IDI_TB_NEW, IDI_TB_OPEN, IDI_TB_CHECK, IDI_TB_ABORT,
                                     IDI_TB_DISPLAY, IDI_TB_OPTIONS, IDI_TB_ABOUT},
                                    icon, icon, icon);
    constexpr int off = IDI_TB_DISABLED_OFFSET;
    toolImagesOff_ = MakeIconImageList(instance_,
                                       {IDI_TB_NEW + off, IDI_TB_OPEN + off, IDI_TB_CHECK + off,
                                        IDI_TB_ABORT + off, IDI_TB_DISPLAY + off,
                                        IDI_TB_OPTIONS + off, IDI_TB_ABOUT + off},
                                       icon, icon, icon);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_.Get()));
    SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(toolImagesOff_.Get()));

    const BYTE wrap = topLayout_ ? 0 : TBSTATE_WRAP;
    const BYTE on = TBSTATE_ENABLED | wrap;
    auto button = [&](int image, int id, const wchar_t* text, BYTE extraStyle = 0) {
        TBBUTTON b{};
        b.iBitmap = image;
        b.idCommand = id;
        b.fsState = on;
        b.fsStyle = static_cast<BYTE>(BTNS_BUTTON | BTNS_SHOWTEXT | extraStyle);
        b.iString = reinterpret_cast<INT_PTR>(text);
        return b;
    };
    auto separator = [&] {
        TBBUTTON b{};
        b.fsState = wrap;
        b.fsStyle = BTNS_SEP;
        return b;
    };
    TBBUTTON buttons[] = {
        button(0, IDC_NEW, newCaption.c_str()),
        button(1, IDC_OPEN, L"Open"),
        separator(),
        button(2, IDC_CHECK, checkCaption.c_str()),
        button(3, IDC_ABORT, L"Abort"),
        separator(),
        button(4, IDC_DISPLAY, L"Display", BTNS_WHOLEDROPDOWN),
        button(5, IDC_OPTIONS, L"Options "),
        separator(),
        button(6, IDC_ABOUT, L"About"),
    };
    SendMessageW(toolbar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    const int width = Scale(MainMetrics::ToolButtonWidth, dpi_);
    if (!topLayout_) {
        // The captions beside the icons need the room the default padding takes.
        SendMessageW(toolbar_, TB_SETPADDING, 0, MAKELPARAM(Scale(4, dpi_), Scale(6, dpi_)));
        SendMessageW(toolbar_, TB_SETLISTGAP, static_cast<WPARAM>(Scale(3, dpi_)), 0);
        SendMessageW(toolbar_, TB_SETBUTTONWIDTH, 0, MAKELPARAM(width, width));
    }
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    if (hadToolbar) {
        for (std::size_t i = 0; i < std::size(ids); ++i)
            SetButtonEnabled(ids[i], enabled[i]);
        LayoutControls();
    } else {
        SetButtonEnabled(IDC_CHECK, checkEnabled_);
    }
}

void TFrmMain::SetToolbarLayout(int position) {
    if (position != 0 && position != 1)
        return;
    topLayout_ = position == 1;
    CreateToolbar();
    LayoutControls();
}

void TFrmMain::LayoutControls() {
    if (!window_ || !toolbar_)
        return;
    RECT client{};
    GetClientRect(window_, &client);
    MainLayoutInput in;
    in.clientWidth = client.right;
    in.clientHeight = client.bottom;
    in.dpi = dpi_;
    in.topLayout = topLayout_;
    in.progressShown = strip_.Visible();
    in.labelHeight = LineHeight(window_, font_.Get());
    layout_ = LayOutMain(in);
    MoveTo(toolbar_, layout_.toolbar);
    MoveTo(image2_, layout_.image2);
    MoveTo(list_.Handle(), layout_.lv);
    if (PTSplitter1_.Handle())
        MoveTo(PTSplitter1_.Handle(), layout_.lv);
    strip_.Place(ToRect(layout_.fileCaption), ToRect(layout_.fileBar), ToRect(layout_.fileRate),
                 ToRect(layout_.totalCaption), ToRect(layout_.totalBar), ToRect(layout_.timeText));
    MoveTo(sBar_.Handle(), layout_.statusBar);
    MoveTo(sBar2_.Handle(), layout_.statusBar);
    sBar_.Resize();
    sBar2_.Resize();
    list_.Relayout();
    InvalidateRect(window_, nullptr, TRUE);
}

// ---- commands ----------------------------------------------------------------------------------

void TFrmMain::OnCommand(int id) {
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
        if (id >= 3000 + FilterAll && id <= 3000 + StatusGood)
            mnuDisplayClick(id - 3000);
        break;
    }
}

bool TFrmMain::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.hwndFrom == list_.Handle() && header.code == LVN_KEYDOWN)
        lvKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
    if (list_.OnNotify(header, result))
        return true;
    if (header.hwndFrom == toolbar_ && header.code == TBN_DROPDOWN) {
        ShowDisplayMenu();
        *result = TBDDRET_DEFAULT;
        return true;
    }
    return false;
}

void TFrmMain::ShowDisplayMenu() {
    if (!runEnabled_)
        return;
    RECT r{};
    SendMessageW(toolbar_, TB_GETRECT, IDC_DISPLAY, reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(toolbar_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const UINT id = static_cast<UINT>(TrackPopupMenu(
        displayMenu_.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
        topLayout_ ? r.left : r.right, topLayout_ ? r.bottom : r.top, 0, window_, nullptr));
    if (id != 0)
        OnCommand(static_cast<int>(id));
}

void TFrmMain::bCheckClick() {
    if (run_.Busy)
        return;
    if (ButtonCaption(IDC_CHECK) != L"Check") {
        CreateCommand();
        return;
    }
    if (model_->ListFiles.empty()) {
        // The lists chosen are checked once they are read; with none, the check runs on nothing.
        const auto chosen = options_.openDialog(window_);
        if (chosen && !chosen->empty()) {
            RememberOpened(chosen->front(), true);
            LoadLists(*chosen, true);
            return;
        }
    }
    model_->StartCheck();
}

void TFrmMain::lvKeyDown(WORD key) {
    // Shift and Ctrl make no difference; nothing happens while a run holds the list.
    if (key != VK_DELETE || run_.Busy || list_.SelectedCount() == 0)
        return;
    if (Message(L"Delete Selected File(s)?", appTitle_, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // The rows, statuses and counts stay: a later check finds the files Missing.
    for (int row = ListView_GetNextItem(list_.Handle(), -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_.Handle(), row, LVNI_SELECTED)) {
        const TItemRec* entry = list_.RowData(row);
        if (!entry)
            continue;
        if (!platform::RemoveFile(entry->FileName, nullptr))
            options_.messageBox(nullptr, L"Error file not found: " + entry->FileName,
                                L"Quillon", MB_OK | MB_ICONERROR);
    }
}

void TFrmMain::bOptionsClick() {
    OptionsDialogParams params;
    params.owner = window_;
    params.dpi = dpi_;
    params.font = font_.Get();
    params.exePath = options_.args.empty() ? ProgramPath() : options_.args[0];
    params.settingsKey = options_.settingsKey;
    params.classesKey = options_.classesKey;
    params.classesFallbackKey = options_.classesFallbackKey;
    params.appTitle = appTitle_;
    params.messageBox = options_.messageBox;
    // OK applies the preferences to this window at once.
    OptionsTarget target;
    target.setSizeType = [this](int sizeType) {
        model_->SizeType = static_cast<std::uint8_t>(sizeType);
    };
    target.setToolbarLayout = [this](int layout) { SetToolbarLayout(layout); };
    target.showProgress = [this](bool shown) {
        strip_.SetVisible(shown);
        LayoutControls();
    };
    target.repaintFileList = [this] {
        if (PTShellList1_.Handle())
            InvalidateRect(PTShellList1_.ListHandle(), nullptr, TRUE);
    };
    target.rewriteSizeTexts = [this] {
        for (RowIndex row = 0; row < list_.RowCount(); ++row)
            model_->UpdateSizeText(row);
        list_.Flush();
    };
    TFrmFA dialog(std::move(params), std::move(target));
    dialog.ShowModal();
}

void TFrmMain::ToolButton3Click() {
    TFrmAbout about(instance_, ViewTextFromAscii(VerifyModel::AppTitle), dpi_);
    if (options_.shellOpen)
        about.open = options_.shellOpen;
    about.ShowModal(window_);
}

void TFrmMain::Image2Click() {
    OpenDonationPage(options_.shellOpen ? options_.shellOpen : ShellOpenFn(ShellOpen));
}

void TFrmMain::bCancelClick() {
    model_->bCancelClick();
}

void TFrmMain::mnuDisplayClick(std::int32_t tag) {
    if (run_.Busy)
        return;
    model_->mnuDisplayClick(tag);
}

void TFrmMain::bOpenClick() {
    if (run_.Busy)
        return;
    const auto chosen = options_.openDialog(window_);
    if (!chosen || chosen->empty())
        return;
    OpenChosenFiles(*chosen);
}

void TFrmMain::OpenChosenFiles(const std::vector<std::filesystem::path>& files) {
    if (files.empty())
        return;
    RememberOpened(files.front(), true);
    LoadLists(files, false);
}

void TFrmMain::RememberOpened(const std::filesystem::path& first, bool folderToo) {
    openFileName_ = first.native();
    if (folderToo)
        openInitialDir_ = ListFolderPart(first);
}

void TFrmMain::LoadLists(std::vector<std::filesystem::path> files, bool checkAfter) {
    if (run_.Busy || loader_.joinable())
        return;
    model_->ListFiles = std::move(files);
    TItemList old = model_->BeginLoad();
    SetLoading(true);
    checkAfterLoad_ = checkAfter;
    // A check looks every size up again at its start: a load it follows leaves them.
    const bool lookUpSizes = !checkAfter;
    auto read = [this, lists = model_->ListFiles, lookUpSizes, old = std::move(old)]() mutable {
        old.clear(); // a million entries take a while to free, too
        TItemList items;
        std::exception_ptr failure;
        try {
            ReadListFiles(lists, items, lookUpSizes, &run_.WindowClosing);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(loadedMutex_);
        loaded_ = std::move(items);
        loadFailure_ = failure;
    };
    try {
        // The lists are read off this thread, so the window answers while a long one loads.
        loader_ = std::thread([this, read = std::move(read)]() mutable {
            read();
            PostMessageW(window_, WM_LOADDONE, 0, 0);
        });
    } catch (const std::system_error&) {
        read(); // no thread to be had: read them here
        PostMessageW(window_, WM_LOADDONE, 0, 0);
    }
}

void TFrmMain::LoadDone() {
    if (loader_.joinable())
        loader_.join();
    TItemList items;
    std::exception_ptr failure;
    {
        std::lock_guard lock(loadedMutex_);
        items = std::move(loaded_);
        failure = std::exchange(loadFailure_, nullptr);
    }
    SetLoading(false);
    model_->FinishLoad(std::move(items));
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            ShowError(e);
        } catch (...) {
        }
        return; // a check that would follow the load does not start
    }
    if (checkAfterLoad_)
        model_->StartCheck();
}

void TFrmMain::SetLoading(bool loading) {
    run_.Busy = loading;
    runEnabled_ = !loading;
    if (loading) {
        for (int id : {IDC_NEW, IDC_OPEN, IDC_CHECK, IDC_DISPLAY})
            SetButtonEnabled(id, false);
    } else {
        EnableIdleCommands();
    }
    dropTarget_.SetEnabled(!loading);
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y); // the cursor takes its new shape at once
}

void TFrmMain::DragFilesTrg1Drop() {
    if (dropTarget_.FileCount() == 0 || run_.Busy)
        return;
    const std::filesystem::path name = dropTarget_.Files().front();
    if (Message(L"Process File?\r\n" + name.native(), L"Quillon", MB_YESNO | MB_ICONQUESTION) ==
        IDNO)
        return;
    RememberOpened(name, false);
    LoadAndCheck(name);
}

void TFrmMain::LoadAndCheck(const std::filesystem::path& list) { LoadLists({list}, true); }

void TFrmMain::ProcessCommandLine() {
    const auto& args = options_.args;
    if (args.size() < 2)
        return;
    std::wstring switchText = args[1];
    for (auto& c : switchText)
        c = static_cast<wchar_t>(towlower(c));
    if (switchText == L"-makesfv" || switchText == L"-makemd5") {
        ProcessCreateSwitch(switchText == L"-makemd5");
        return;
    }
    RememberOpened(args[1], true);
    LoadAndCheck(args[1]);
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

// ---- the engine's view -------------------------------------------------------------------------

void TFrmMain::SetButtonEnabled(int id, bool enabled) {
    if (toolbar_)
        SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELONG(enabled, 0));
}

void TFrmMain::EnableCheckCommand(bool enabled) {
    // A new list: whatever the last check found is no longer on show.
    if (taskbar_)
        taskbar_->SetState(platform::TaskbarButton::State::None);
    checkEnabled_ = enabled;
    // In create mode the button is the Create command, which a loaded list does not change.
    if (!InCreateMode())
        SetButtonEnabled(IDC_CHECK, enabled);
}

void TFrmMain::EnableIdleCommands() {
    const bool create = InCreateMode();
    SetButtonEnabled(IDC_NEW, true);
    SetButtonEnabled(IDC_OPEN, !create);
    SetButtonEnabled(IDC_DISPLAY, !create);
    SetButtonEnabled(IDC_CHECK, create || checkEnabled_);
}

std::wstring TFrmMain::ButtonCaption(int id) const {
    if (!toolbar_)
        return {};
    const LRESULT n = SendMessageW(toolbar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id), 0);
    if (n <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    SendMessageW(toolbar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

bool TFrmMain::ButtonEnabled(int id) const {
    return toolbar_ && SendMessageW(toolbar_, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0);
}

void TFrmMain::SetButtonCaption(int id, const wchar_t* caption) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    std::wstring text = caption; // a copy the control may read until it returns
    info.pszText = text.data();
    SendMessageW(toolbar_, TB_SETBUTTONINFOW, static_cast<WPARAM>(id),
                 reinterpret_cast<LPARAM>(&info));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void TFrmMain::EnableRunCommands(bool enabled) {
    runEnabled_ = enabled;
    checkEnabled_ = enabled;
    if (enabled) {
        EnableIdleCommands();
    } else {
        for (int id : {IDC_NEW, IDC_OPEN, IDC_CHECK, IDC_DISPLAY})
            SetButtonEnabled(id, false);
    }
    dropTarget_.SetEnabled(enabled);
    if (!enabled && !timerOn_) {
        StartFlushTimer();
    } else if (enabled) {
        if (timerOn_)
            KillTimer(window_, kFlushTimer);
        timerOn_ = false;
        Flush();
    }
    if (taskbar_) {
        // A run shows its progress; its end shows whether the check found faults.
        const StatusCounters& c = model_->Counters;
        if (!enabled) {
            taskbar_->SetState(platform::TaskbarButton::State::Normal);
            taskbar_->SetProgress(0);
            taskbarShown_ = 0;
        } else if (c.MissingCount + c.BadCount > 0) {
            taskbar_->SetState(platform::TaskbarButton::State::Error);
            taskbar_->SetProgress(100);
            taskbarShown_ = -1;
        } else {
            taskbar_->SetState(platform::TaskbarButton::State::None);
            taskbarShown_ = -1;
        }
    }
}

void TFrmMain::RequestStatusRepaint() {
    // From the worker this only marks the bar; the flush timer paints it.
    if (GetCurrentThreadId() == GetWindowThreadProcessId(window_, nullptr))
        InvalidateRect(sBar_.Handle(), nullptr, FALSE);
    else
        statusDirty_ = true;
}

void TFrmMain::Flush() {
    list_.Flush();
    strip_.Flush();
    const int percent = taskbarPercent_;
    if (taskbar_ && timerOn_ && percent >= 0 && percent != taskbarShown_) {
        taskbar_->SetProgress(percent);
        taskbarShown_ = percent;
    }
    if (std::exchange(statusDirty_, false))
        InvalidateRect(sBar_.Handle(), nullptr, FALSE);
}

namespace {

std::uint64_t ThreadCpuMilliseconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;
}

} // namespace

void TFrmMain::StartFlushTimer() {
    flushInterval_ = FlushPace::FastestMs;
    flushTick_ = platform::TickCount64();
    flushCpu_ = ThreadCpuMilliseconds();
    timerOn_ = SetTimer(window_, kFlushTimer, flushInterval_, nullptr) != 0;
}

void TFrmMain::OnFlushTimer() {
    Flush();
    const std::uint64_t now = platform::TickCount64();
    if (now - flushTick_ < 1000)
        return;
    const std::uint64_t cpu = ThreadCpuMilliseconds();
    const UINT next = FlushPace::Next(flushInterval_, cpu - flushCpu_, now - flushTick_);
    if (next != flushInterval_ && timerOn_) {
        flushInterval_ = next;
        SetTimer(window_, kFlushTimer, flushInterval_, nullptr);
    }
    flushTick_ = now;
    flushCpu_ = cpu;
}

void TFrmMain::SetCaption(const ViewText& text) {
    SetWindowTextW(window_, text.c_str());
}

void TFrmMain::SetDisplayFilterMark(std::int32_t tag) {
    CheckMenuRadioItem(displayMenu_.Get(), IDM_FILTER_ALL, 3000 + StatusGood,
                       static_cast<UINT>(3000 + tag), MF_BYCOMMAND);
}

void TFrmMain::sBarDrawPanel(HDC dc, int panel, const RECT& rect) {
    if (panel < 0 || panel > 3 || !statusImages_)
        return;
    const StatusCounters& c = model_->Counters;
    const std::int32_t counts[4] = {c.UncheckedCount, c.MissingCount, c.BadCount, c.GoodCount};
    DrawCountPanel(dc, rect, statusImages_.Get(), panel, counts[panel], kCountCaptions[panel],
                   static_cast<unsigned>(dpi_));
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
        text = Widen(e.what());
    Message(text, appTitle_, MB_OK | MB_ICONERROR);
}

} // namespace quillon::ui
