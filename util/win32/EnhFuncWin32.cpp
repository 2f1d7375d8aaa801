#include "util/win32/EnhFuncWin32.h"

#include "platform/win32/ScopedWin.h"

#include <string_view>
#include <vector>

namespace quillon {

namespace {

constexpr wchar_t kOkCaption[] = L"OK";
constexpr wchar_t kCancelCaption[] = L"Cancel";
constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
constexpr int kMaxInputLength = 250;

// Builds an in-memory dialog template. Positions are left at 0: the dialog lays its controls
// out in pixels from its font when it starts, which dialog units cannot express.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, DWORD exStyle, std::wstring_view caption, WORD itemCount) {
        AddDword(style);
        AddDword(exStyle);
        words_.push_back(itemCount);
        words_.insert(words_.end(), 4, 0); // x, y, cx, cy
        words_.push_back(0);               // no menu
        words_.push_back(0);               // the standard dialog class
        AddString(caption);
    }

    // classAtom: 0x0080 button, 0x0081 edit, 0x0082 static.
    void AddItem(DWORD style, DWORD exStyle, WORD id, WORD classAtom, std::wstring_view text) {
        if (words_.size() % 2) words_.push_back(0); // items start on a DWORD boundary
        AddDword(style);
        AddDword(exStyle);
        words_.insert(words_.end(), 4, 0);
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(classAtom);
        AddString(text);
        words_.push_back(0); // no creation data
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddDword(DWORD d) {
        words_.push_back(LOWORD(d));
        words_.push_back(HIWORD(d));
    }
    void AddString(std::wstring_view s) {
        words_.insert(words_.end(), s.begin(), s.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
};

struct InputQueryState {
    const std::wstring* prompt = nullptr;
    const std::wstring* value = nullptr;
    bool maskInput = false;
    bool limitLength = false;
    HWND owner = nullptr;
    HFONT font = nullptr;
    std::wstring result;
};

void Place(HWND control, const ScreenRect& r) {
    SetWindowPos(control, nullptr, r.left, r.top, r.Width(), r.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<ScreenRect> WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return std::nullopt;
    return ScreenRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

ScreenRect WindowRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

void InitInputQuery(HWND dialog, InputQueryState& state) {
    HWND prompt = GetDlgItem(dialog, kPromptId);
    HWND edit = GetDlgItem(dialog, kEditId);
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    for (HWND control : {prompt, edit, ok, cancel})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);

    SIZE charSize{};
    RECT text{};
    TEXTMETRICW metrics{};
    {
        win::ScopedGetDc dc(dialog);
        win::ScopedSelect font(dc.Get(), state.font);
        charSize = GetAveCharWidth(dc.Get());
        DrawTextW(dc.Get(), state.prompt->c_str(), static_cast<int>(state.prompt->size()), &text,
                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
        GetTextMetricsW(dc.Get(), &metrics);
    }

    // The usual height of a single-line edit box: the font plus room for a 3-D border.
    const int editHeight = metrics.tmHeight + 8 * GetSystemMetrics(SM_CYBORDER);
    const InputQueryLayout layout =
        LayoutInputQuery(charSize.cx, charSize.cy, text.right - text.left,
                         text.bottom - text.top, editHeight);
    Place(prompt, layout.prompt);
    Place(edit, layout.edit);
    Place(ok, layout.ok);
    Place(cancel, layout.cancel);

    RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // In the middle of the owner's monitor, or of the primary one without an owner.
    HMONITOR monitor = state.owner ? MonitorFromWindow(state.owner, MONITOR_DEFAULTTOPRIMARY)
                                   : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    ScreenPoint at{};
    if (auto work = WorkAreaOf(monitor)) at = CenterFormPosition(std::nullopt, width, height, *work);
    SetWindowPos(dialog, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    SetWindowTextW(edit, state.value->c_str());
    if (state.maskInput) SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
    if (state.limitLength) SendMessageW(edit, EM_LIMITTEXT, kMaxInputLength, 0);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
}

INT_PTR CALLBACK InputQueryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind into user32.
    try {
        switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<InputQueryState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            InitInputQuery(dialog, *state);
            return FALSE; // the focus is set
        }
        case WM_COMMAND: {
            auto* state = reinterpret_cast<InputQueryState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            const WORD id = LOWORD(wParam);
            if (id == IDOK && state) {
                HWND edit = GetDlgItem(dialog, kEditId);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(
                    GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
                state->result = std::move(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (id == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
        }
    } catch (...) {
        EndDialog(dialog, IDABORT);
        return TRUE;
    }
}

} // namespace

SIZE GetAveCharWidth(HDC dc) {
    static constexpr wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, letters, 52, &size);
    size.cx /= 52;
    return size;
}

bool InputQueryEx(const std::wstring& caption, const std::wstring& prompt, bool maskInput,
                  std::wstring& value, bool limitLength, bool stayOnTop, HWND owner) {
    if (!owner) owner = GetActiveWindow();
    InputQueryState state;
    state.prompt = &prompt;
    state.value = &value;
    state.maskInput = maskInput;
    state.limitLength = limitLength;
    state.owner = owner;

    HWND mainWindow = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
    if (mainWindow)
        state.font = reinterpret_cast<HFONT>(SendMessageW(mainWindow, WM_GETFONT, 0, 0));
    win::UniqueFont ownFont;
    if (!state.font) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            ownFont.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
        state.font = ownFont ? ownFont.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }

    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                          stayOnTop ? WS_EX_TOPMOST : 0, caption, 4);
    dialog.AddItem(WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, kPromptId, 0x0082, prompt);
    dialog.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL |
                       (maskInput ? ES_PASSWORD : 0),
                   WS_EX_CLIENTEDGE, kEditId, 0x0081, L"");
    dialog.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 0x0080,
                   kOkCaption);
    dialog.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 0x0080,
                   kCancelCaption);

    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, InputQueryProc,
                                reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return false;
    value = std::move(state.result);
    return true;
}

void CenterForm(HWND owner, HWND form) {
    if (!form || !IsWindow(form)) return;
    const bool ownerShown = owner && IsWindow(owner) && IsWindowVisible(owner);
    HMONITOR formMonitor = MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST);
    HMONITOR reference = ownerShown ? MonitorFromWindow(owner, MONITOR_DEFAULTTONULL) : nullptr;
    if (!reference) {
        if (HWND active = GetActiveWindow())
            reference = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
    }
    if (!reference) reference = formMonitor;
    auto workArea = WorkAreaOf(reference);
    if (!workArea) return;

    const ScreenRect formRect = WindowRectOf(form);
    std::optional<ScreenRect> over;
    if (ownerShown && MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST) == formMonitor)
        over = WindowRectOf(owner);
    const ScreenPoint at =
        CenterFormPosition(over, formRect.Width(), formRect.Height(), *workArea);
    SetWindowPos(form, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace quillon
